#include "areas.h"
#include "ecusim.h"

namespace {

QByteArray softDownToggle(UnitMemory& memory)
{
    // Every request toggles, so a reader asks twice to leave the state as it was.
    quint8& state = memory.softDown;
    if (state == 9) {
        state = memory.softDownActive;
    } else {
        memory.softDownActive = state;
        state = 9;
    }
    return QByteArray(1, static_cast<char>(state));
}

QByteArray switchingBlock(const UnitMemory& memory)
{
    QByteArray out;
    for (quint8 b : memory.switching)
        out.append(static_cast<char>(b));
    return out;
}

} // namespace

// The injector delivery (code 96) and the switching configuration codes are
// stored parameters; the parameter table answers them.
void installStatus(EcuSim& sim)
{
    sim.setHandler('n', 4, [&sim](const QByteArray&, qint64) { return softDownToggle(sim.memory()); });
    sim.setHandler('j', 4, [&sim](const QByteArray&, qint64) { return switchingBlock(sim.memory()); });
    // The correction is sent without waiting for an answer, and the unit gives none.
    sim.setHandler(
        'c', 4,
        [&sim](const QByteArray& frame, qint64) {
            sim.memory().correction = static_cast<quint8>(frame.at(1));
            return QByteArray();
        },
        [](const QByteArray&) { return true; });
}
