#include "actuators.h"

#include "core/gates.h"

namespace actuators {

QStringList names(int mask)
{
    QStringList out;
    if (mask & kIgnition)
        out << QStringLiteral("Zündung");
    if (mask & kInjector)
        out << QStringLiteral("Einspritzventil");
    if (mask & kFuelSupply)
        out << QStringLiteral("Kraftstoffversorgung");
    return out;
}

int withBit(int mask, int bit, bool on)
{
    return on ? (mask | bit) : (mask & ~bit);
}

std::optional<State> decodeState(const Bytes& reply)
{
    if (reply.size() < 2)
        return std::nullopt;
    return State { bytes::at(reply, 0) != 0, bytes::at(reply, 1) };
}

Offered offered(const UnitIdentity& id)
{
    return Offered { gates::actuatorInjectorBox(id), gates::actuatorFuelSupplyBox(id) };
}

} // namespace actuators
