#include "chokemodel.h"

#include "core/format.h"

#include <algorithm>
#include <array>

namespace choke {

namespace {
constexpr int kWarmUpEndIndex = 12;
// Volts per tenth of a degree at each band's temperature.
constexpr std::array<double, kBands> kWarmUpEndSlope
    = { 0.004197087, 0.004667973, 0.004849161, 0.004659366, 0.004113416, 0.002915818 };
constexpr double kGeneralSlope = 0.004666;
constexpr double kVoltsPerCount = 5.0 / kSensorCountMax;
constexpr double kIntegerMax = 32767;
} // namespace

QString bandText(int band)
{
    static const std::array<QString, kBands> texts = {
        QStringLiteral("30 bis 40° C"),
        QStringLiteral("20 bis 30° C"),
        QStringLiteral("10 bis 20° C"),
        QStringLiteral("0 bis 10° C "),
        QStringLiteral("-10 bis 0° C"),
        QStringLiteral("unter -10° C"),
    };
    return band >= 0 && band < kBands ? texts[band] : QString();
}

double warmUpEndSlope(int index)
{
    const int offset = index - kWarmUpEndIndex;
    if (offset < 0 || offset >= 2 * kBands)
        return kGeneralSlope;
    return kWarmUpEndSlope[offset / 2];
}

int warmUpEndFromCount(int band, int count)
{
    const double slope = warmUpEndSlope(kWarmUpEndIndex + 2 * band);
    const double tenths = std::min(count * kVoltsPerCount / slope, kIntegerMax);
    return int(fmt::roundHalfEven(tenths));
}

int warmUpEndToCount(int band, int tenths)
{
    const double slope = warmUpEndSlope(kWarmUpEndIndex + 2 * band);
    return int(fmt::roundHalfEven(tenths * slope / kVoltsPerCount));
}

double hotStartTemperature(int u)
{
    const double x = (kSensorCountMax - u) * kVoltsPerCount;
    // The engine temperature sensor's curve, by Horner's rule.
    return ((((((0.2778 * x - 4.9534) * x + 34.549) * x - 121.38) * x + 229.41) * x - 248.89) * x) + 173.37;
}

int hotStartFactor(const Bytes& reply)
{
    return bytes::signedByte(bytes::at(reply, 0));
}

int hotStartFactorByte(int factor)
{
    return factor & 0xFF;
}

QString enrichmentText(int sixteenths)
{
    return QLatin1Char('+') + fmt::fixedStyle(sixteenths) + QStringLiteral("/16");
}

QString warmUpEndText(int tenths)
{
    // Below a degree the zero before the point is written out ahead of the
    // sign blank: "+0 .8°".
    const QString sign = tenths < 10 ? QStringLiteral("+0") : QStringLiteral("+");
    return sign + fmt::fixedStyle(tenths / 10.0) + QStringLiteral("°");
}

QString hotStartText(int u)
{
    return QLatin1Char('+') + fmt::fixedStyle(fmt::roundHalfEven(hotStartTemperature(u), 2))
        + QStringLiteral("°C");
}

QString hotStartFactorText(int sixteenths)
{
    const QString number = fmt::fixedStyle(sixteenths) + QStringLiteral("/16");
    return sixteenths > 0 ? QLatin1Char('+') + number : number;
}

} // namespace choke
