#include "basicsettings.h"

#include "core/format.h"

#include <cmath>

namespace basic {

namespace {
constexpr double kSecondsPerStep = 1.68;
constexpr int kTempRawBase = 780;
constexpr int kStandardAngleTenths = 210;
} // namespace

double softDownSeconds(int step)
{
    return step * kSecondsPerStep;
}

int softDownStepFromByte(int storedByte)
{
    return int(fmt::roundHalfEven(softDownSeconds(storedByte + 1) / kSecondsPerStep));
}

bool softDownShowsStandard(int storedByte)
{
    return storedByte == kSoftDownStandardByte || softDownStepFromByte(storedByte) > kSoftDownStepMax;
}

int softDownWriteByte(int step, int standardByte, bool holdsStandard)
{
    if (holdsStandard)
        return kSoftDownStandardByte;
    // The unit's standard time is matched as a single-precision time.
    if (float(softDownSeconds(step)) == float(softDownSeconds(standardByte + 1)))
        return kSoftDownStandardByte;
    return step - 1;
}

bool softDownEchoMatches(int written, int echo)
{
    return echo == written;
}

IdleControl decodeIdleControl(const Bytes& reply)
{
    const int b1 = bytes::at(reply, 0);
    const int b2 = bytes::at(reply, 1);
    return { (b1 & 0x40) != 0, (b1 & 3) * 256 + b2 };
}

int idleControlFlags(bool dynamic, int raw)
{
    return 0x80 | (dynamic ? 0x40 : 0) | ((raw >> 8) & 3);
}

TempStep tempStepFromRaw(int raw)
{
    if (raw == kRawErased)
        return { kTempStepMin, TempCheck::Erased };
    const int step = kTempRawBase - raw;
    if (step < kTempStepMin || step > kTempStepMax)
        return { kTempStepMin, TempCheck::Invalid };
    return { step, TempCheck::Valid };
}

int rawFromTempStep(int step)
{
    return kTempRawBase - step;
}

double headTemperature(int step)
{
    const double raw = rawFromTempStep(step);
    const double volts = 5.0 / 1023.0 * raw;
    const double ohms = 2200.0 / (5.0 / volts - 1.0);
    return 609.49951917953 * std::pow(ohms, -0.09387743132) - 273.15;
}

double staticAngleDegrees(int sensorPosition, int step, int leadAngle)
{
    return (sensorPosition - step - leadAngle) / 10.0;
}

std::optional<int> standardStaticAngle(int sensorPosition, int leadAngle)
{
    const int step = sensorPosition - leadAngle - kStandardAngleTenths;
    if (step < 0 || step > kStaticAngleMax)
        return std::nullopt;
    return step;
}

QString softDownText(int step)
{
    return fmt::plainNumber(softDownSeconds(step));
}

QString headTemperatureText(int step)
{
    return fmt::plainNumber(fmt::roundHalfEven(headTemperature(step), 1));
}

QString staticAngleText(int sensorPosition, int step, int leadAngle)
{
    return fmt::plainNumber(staticAngleDegrees(sensorPosition, step, leadAngle));
}

QString coilText(int step)
{
    return fmt::plainNumber(step / 10.0);
}

} // namespace basic
