#include "sensorstate.h"

namespace sensor {

Display initialDisplay()
{
    return { { kInactive, kOff }, { kInactive, kOff } };
}

std::optional<Display> decode(int stateByte)
{
    if ((stateByte & 0xFF) == kNoValidState)
        return std::nullopt;
    if (stateByte & 0x01)
        return Display { { kCylinder1Active, kOn }, { kInactive, kOff } };
    return Display { { kInactive, kOff }, { kCylinder2Active, kOn } };
}

} // namespace sensor
