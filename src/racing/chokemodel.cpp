#include "chokemodel.h"

#include "core/format.h"

#include <algorithm>

namespace choke {

namespace {
// Volts per tenth of a degree at each band's temperature.
constexpr double kWarmUpEndSlope[kBands]
    = { 0.004197087, 0.004667973, 0.004849161, 0.004659366, 0.004113416, 0.002915818 };
constexpr double kVoltsPerCount = 5.0 / 1023;
constexpr double kIntegerMax = 32767;
} // namespace

int warmUpEndFromCount(int band, int count)
{
    const double tenths = std::min(count * kVoltsPerCount / kWarmUpEndSlope[band], kIntegerMax);
    return int(fmt::roundHalfEven(tenths));
}

} // namespace choke
