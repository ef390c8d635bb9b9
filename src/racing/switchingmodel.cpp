#include "switchingmodel.h"

#include "core/format.h"
#include "core/gates.h"
#include "core/identity.h"

namespace switching {

namespace {

// Older firmware counts a period; the slider runs the other way round.
constexpr int kPeriodBase = 835;
// The shortest period the unit takes: a zero count would stop the output.
constexpr int kShortestPeriod = 16;

// Block bytes, counted from 0.
constexpr int kOutput1Byte = 0;
constexpr int kOutput2Byte = 5;
constexpr int kThreshold1Byte = 6;
constexpr int kThreshold2Byte = 8;

// Speed bands: 50 min^-1 wide below band 20, 100 min^-1 from there on.
constexpr int kFineBands = 20;

int threshold(const Bytes& block, int at, Generation g)
{
    if (g == Generation::BandIndex)
        return bytes::at(block, at);
    return kPeriodBase - bytes::bigEndian16(block, at);
}

} // namespace

std::vector<Mode> output1Modes(bool listsBza)
{
    std::vector<Mode> modes { { QStringLiteral("MIL"), kOutput1Mil } };
    if (listsBza)
        modes.push_back({ QStringLiteral("BZA"), kOutput1Bza });
    modes.push_back({ QStringLiteral("2-Takt DZM"), 2 });
    modes.push_back({ QStringLiteral("4-Takt DZM"), 4 });
    return modes;
}

const std::vector<Mode>& output2Modes()
{
    static const std::vector<Mode> modes {
        { QStringLiteral("Deaktiviert"), kOutput2Disabled },
        { QStringLiteral("Ein"), 0 },
        { QStringLiteral("Aus"), 1 },
        { QStringLiteral("Aus-Ein-Aus"), 2 },
        { QStringLiteral("Ein-Aus-Ein"), 3 },
        { QStringLiteral("Zusatzluft bei Warmlauf"), kOutput2ExtraAir },
    };
    return modes;
}

QString modeText(const std::vector<Mode>& modes, int code)
{
    for (const Mode& m : modes)
        if (m.code == code)
            return m.text;
    return kUnknown;
}

std::optional<int> modeCode(const std::vector<Mode>& modes, const QString& text)
{
    for (const Mode& m : modes)
        if (m.text == text)
            return m.code;
    return std::nullopt;
}

SliderUse slidersFor(int output2Code)
{
    switch (output2Code) {
    case kOutput2Disabled:
        return { false, false };
    case 0: // "Ein"
    case 1: // "Aus"
        return { true, false };
    case 2: // "Aus-Ein-Aus"
    case 3: // "Ein-Aus-Ein"
        return { true, true };
    default: // the extra air and codes without a list text
        return {};
    }
}

Generation generation(const UnitIdentity& unit)
{
    return gates::switchingModuleBandIndexThresholds(unit) ? Generation::BandIndex : Generation::Period;
}

Range threshold1Range(Generation g)
{
    return g == Generation::BandIndex ? Range { 0, 108 } : Range { kShortestPeriod, 819 };
}

Range threshold2Range(Generation g, int threshold1)
{
    return { threshold1 + 1, g == Generation::BandIndex ? 110 : 821 };
}

std::optional<Block> decodeBlock(const Bytes& reply, Generation g)
{
    if (reply.size() < kBlockLength)
        return std::nullopt;
    return Block { bytes::at(reply, kOutput1Byte), bytes::at(reply, kOutput2Byte),
        threshold(reply, kThreshold1Byte, g), threshold(reply, kThreshold2Byte, g) };
}

int periodOf(int value)
{
    const int period = kPeriodBase - value;
    return period == 0 ? kShortestPeriod : period;
}

Request thresholdWrite(int threshold, int value, Generation g)
{
    if (g == Generation::BandIndex)
        return cmd::thresholdIndexWrite(threshold, value);
    return cmd::thresholdPeriodWrite(threshold, periodOf(value));
}

Bytes thresholdEcho(const Request& write)
{
    return write.frame.mid(1, 2);
}

int speed(int value, Generation g)
{
    if (g == Generation::BandIndex)
        return value >= kFineBands ? (value - kFineBands) * 100 + 1001 : value * 50 + 1;
    // 600000 / (P * 3.6) in whole numbers: never an exact integer, so the
    // integer division gives the same integer part without rounding noise.
    return 500000 / (3 * periodOf(value));
}

QString speedText(int value, Generation g)
{
    return QString::number(speed(value, g));
}

QString offsetText(int value, int angleReference)
{
    if (value == kLatestAngle)
        return QStringLiteral("auf ") + fmt::plainNumber((angleReference - kLatestAngle) / 10.0)
            + QStringLiteral(" Grad vor OT");
    return QStringLiteral("um ") + fmt::plainNumber(value / 10.0) + QStringLiteral(" Grad KW");
}

QString enrichmentText(int value)
{
    return QStringLiteral("+") + QString::number(value) + QStringLiteral(" / 16");
}

} // namespace switching
