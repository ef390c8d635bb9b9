#include "areas.h"
#include "ecusim.h"

#include <QStringList>

namespace {

constexpr int kEntries = 17;
constexpr int kShortMemoryEntries = 3;
constexpr quint8 kNoFault = 255;
constexpr int kFullScale = 1023; // an open input is pulled up to the converter's top

// The oldest firmware keeps only the two crank sensors and the throttle sensor.
bool shortMemory(const SimProfile& p)
{
    return p.major <= 1 && p.minor <= 820;
}

// Overwrites the 16-bit little-endian reading at `offset` when the input is not intact.
void applyWiring(QByteArray& reply, int offset, SensorWiring wiring)
{
    if (wiring == SensorWiring::Intact || reply.size() < offset + 2)
        return;
    const int raw = wiring == SensorWiring::Open ? kFullScale : 0;
    reply[offset] = static_cast<char>(raw & 0xFF);
    reply[offset + 1] = static_cast<char>(raw >> 8);
}

bool validEntry(int entry)
{
    return entry >= 1 && entry <= kEntries;
}

} // namespace

void installFaultMemory(EcuSim& sim)
{
    sim.setHandler('f', 4, [&sim](const QByteArray&, qint64) {
        const auto& entries = sim.memory().faultEntries;
        const int count = shortMemory(sim.profile()) ? kShortMemoryEntries : kEntries;
        return QByteArray(reinterpret_cast<const char*>(entries.data()), count);
    });

    // The program does not wait for an answer to the erase, so there is none.
    sim.setHandler('e', 4, [&sim](const QByteArray&, qint64) {
        sim.memory().faultEntries.fill(kNoFault);
        return QByteArray();
    });

    // A shorted or open input reads so in the analog block whatever the engine does.
    const EcuSim::Handler live = sim.handler('g');
    if (!live)
        return;
    sim.setHandler('g', 4, [&sim, live](const QByteArray& frame, qint64 nowMs) {
        QByteArray reply = live(frame, nowMs);
        applyWiring(reply, 0, sim.memory().airMassInput);
        applyWiring(reply, 2, sim.memory().headTempInput);
        return reply;
    });
}

namespace simfaultmem {

void setPermanent(UnitMemory& memory, int entry)
{
    if (validEntry(entry))
        memory.faultEntries[entry - 1] = 0;
}

void setSporadic(UnitMemory& memory, int entry, int count)
{
    if (validEntry(entry) && count >= 1 && count <= 14)
        memory.faultEntries[entry - 1] = static_cast<quint8>(kNoFault - count);
}

bool parse(const QString& spec, UnitMemory& memory, QString* error)
{
    const auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    if (spec == QLatin1String("clear")) {
        memory.faultEntries.fill(kNoFault);
        memory.headTempInput = memory.airMassInput = SensorWiring::Intact;
        return true;
    }
    const QStringList parts = spec.split(QLatin1Char('='));
    if (parts.size() != 2)
        return fail(QStringLiteral("'%1': expected KEY=VALUE").arg(spec));
    const QString& key = parts[0];
    const QString& value = parts[1];

    if (key == QLatin1String("head-temp") || key == QLatin1String("air-mass")) {
        SensorWiring wiring = SensorWiring::Intact;
        if (value == QLatin1String("short"))
            wiring = SensorWiring::ShortToGround;
        else if (value == QLatin1String("open"))
            wiring = SensorWiring::Open;
        else if (value != QLatin1String("intact"))
            return fail(QStringLiteral("'%1': wiring is short, open or intact").arg(spec));
        (key == QLatin1String("head-temp") ? memory.headTempInput : memory.airMassInput) = wiring;
        return true;
    }

    bool ok = false;
    const int entry = key.toInt(&ok);
    if (!ok || !validEntry(entry))
        return fail(QStringLiteral("'%1': entry is 1-17").arg(spec));
    if (value == QLatin1String("permanent")) {
        setPermanent(memory, entry);
        return true;
    }
    if (value.startsWith(QLatin1String("sporadic:"))) {
        const int count = value.mid(9).toInt(&ok);
        if (!ok || count < 1 || count > 14)
            return fail(QStringLiteral("'%1': a sporadic count is 1-14").arg(spec));
        setSporadic(memory, entry, count);
        return true;
    }
    const int raw = value.toInt(&ok);
    if (!ok || raw < 0 || raw > 255)
        return fail(QStringLiteral("'%1': value is permanent, sporadic:N or a byte 0-255").arg(spec));
    memory.faultEntries[entry - 1] = static_cast<quint8>(raw);
    return true;
}

QString help()
{
    return QStringLiteral("ENTRY=permanent, ENTRY=sporadic:N (1-14), ENTRY=BYTE (entries 1-17), "
                          "head-temp=short|open|intact, air-mass=short|open|intact, clear");
}

} // namespace simfaultmem
