#include "extrasmodel.h"

#include "core/coilcharge.h"
#include "core/curves.h"
#include "core/format.h"

namespace extras {

namespace {

// One timer tick of the dwell control in seconds; the unit counts 65636
// ticks per reference, not 65536.
constexpr double kDwellTick = 65636e-7;
constexpr double kPumpStep = 1.68; // seconds per raw step

QString rounded(double x, int decimals)
{
    return fmt::plainNumber(fmt::roundHalfEven(x, decimals));
}

} // namespace

int chargeTime(const Bytes& reply)
{
    return coilcharge::stepFromCount(coilcharge::count(reply));
}

int coilDelay(const Bytes& reply)
{
    return bytes::bigEndian16(reply, 0);
}

bool coilDelayValid(int delay)
{
    return delay >= kCoilDelayMin && delay <= kCoilDelayMax;
}

int fullLoadAirMass(const Bytes& reply)
{
    return bytes::bigEndian16(reply, 0);
}

int coilTypeRow(int code)
{
    for (int row = 0; row < int(kCoilTypes.size()); ++row)
        if (kCoilTypes[row].code == code)
            return row;
    return -1;
}

QString coilTypeText(int code)
{
    const int row = coilTypeRow(code);
    return row < 0 ? kUnknownCoilType : QString::fromUtf8(kCoilTypes[row].text);
}

bool hasDelaySetting(int code)
{
    return code == kCoilTypeOther;
}

QString chargeTimeText(int raw)
{
    return fmt::plainNumber(raw / 10.0);
}

QString coilDelayText(int raw)
{
    return fmt::plainNumber(raw / 10.0);
}

QString dwellStartText(int raw)
{
    if (raw == kDwellStartOff)
        return QStringLiteral("Aus (180°)");
    return rounded(60.0 / (raw * kDwellTick), 1);
}

QString leadAngleText(int raw)
{
    return fmt::plainNumber(raw / 10.0);
}

QString pumpTimeText(int raw)
{
    return rounded(raw * kPumpStep, 1);
}

QString samplingText(int raw)
{
    return QString::number(raw);
}

QString fullLoadAirMassText(int raw)
{
    return rounded(MafFromAdc(raw), 2);
}

} // namespace extras
