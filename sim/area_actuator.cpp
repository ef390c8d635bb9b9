#include "areas.h"
#include "ecusim.h"

namespace {

constexpr int kCode = 140;

// A test runs until the unit ends it or the program stops it; the end is
// noticed whenever a frame arrives after it.
void settle(ActuatorTest& test, qint64 nowMs)
{
    if (test.running && nowMs >= test.endsAtMs)
        test.running = false;
}

QByteArray stateByte(const ActuatorTest& test)
{
    return QByteArray(1, static_cast<char>(test.running ? 1 : 0));
}

QByteArray handle(ActuatorTest& test, const QByteArray& frame, qint64 nowMs)
{
    settle(test, nowMs);
    switch (frame.at(1)) {
    case 'q':
        return stateByte(test) + QByteArray(1, static_cast<char>(test.mask));
    case 'f':
        test.mask = static_cast<quint8>(frame.at(2));
        return QByteArray(1, static_cast<char>(test.mask));
    case 'e':
        test.running = true;
        test.endsAtMs = nowMs + test.durationMs;
        return stateByte(test);
    case 'd':
        test.running = false;
        return stateByte(test);
    default:
        return QByteArray(); // not a command of the unit: no answer
    }
}

} // namespace

void installActuatorTest(EcuSim& sim)
{
    sim.setHandler(
        kCode, 4,
        [&sim](const QByteArray& frame, qint64 nowMs) { return handle(sim.memory().actuators, frame, nowMs); },
        [](const QByteArray& frame) { return frame.at(1) == 'f'; });
}
