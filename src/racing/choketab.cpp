#include "choketab.h"

#include "core/commands.h"
#include "core/format.h"
#include "core/gates.h"
#include "racing/chokemodel.h"
#include "racing/parametertransfer.h"
#include "racing/racingcontext.h"
#include "shell/kit/boxes.h"

namespace {

constexpr int kCrankingIndex = 6;
constexpr int kWarmUpEndIndex = 12;
constexpr int kHotStartIndex = 24; // low byte; the high byte follows
constexpr int kHotStartFactorIndex = 26;
constexpr int kSensorCountMax = 1023;
// The threshold count is 10 bits: a larger high byte is no count.
constexpr int kHotStartHighLimit = 4;

} // namespace

const std::array<QString, ChokeTab::kBands> ChokeTab::kWarmUpEndInvalid = {
    QStringLiteral(
        "Der im Steuergerät gesetzte Wert für das Warmlaufende im Bereich zwischen 30 und 40 Grad C. ist "
        "unzulässig. Der Standardwert wird verwendet."),
    QStringLiteral(
        "Der im Steuergerät gesetzte Wert für das Warmlaufende im Bereich zwischen 20 und 30 Grad C. ist "
        "unzulässig. Der Standardwert wird verwendet."),
    QStringLiteral(
        "Der im Steuergerät gesetzte Wert für das Warmlaufende im Bereich zwischen 10 und 20 Grad C. ist "
        "unzulässig. Der Standardwert wird verwendet."),
    QStringLiteral(
        "Der im Steuergerät gesetzte Wert für das Warmlaufende im Bereich zwischen 0 und 10 Grad C. ist "
        "unzulässig. Der Standardwert wird verwendet."),
    QStringLiteral(
        "Der im Steuergerät gesetzte Wert für das Warmlaufende im Bereich zwischen -10 und 0 Grad C. ist "
        "unzulässig. Der Standardwert wird verwendet."),
    QStringLiteral("Der im Steuergerät gesetzte Wert für das Warmlaufende für den Bereich kleiner -10 Grad C. ist "
                   "unzulässig. Der Standardwert wird verwendet."),
};

bool ChokeTab::readOnOpening()
{
    if (!gates::injectionTabs(context().unit()))
        return true;
    for (int band = 0; band < kBands; ++band) {
        const std::optional<int> entry = readEntry(kCrankingIndex + band);
        if (!entry)
            return false;
        m_values.crankingEnrichment[band] = *entry;
    }
    if (!context().waitPacingTick())
        return false;
    // The warm-up enrichment is read from the coldest band up.
    for (int band = kBands - 1; band >= 0; --band) {
        const std::optional<int> entry = readEntry(band);
        if (!entry)
            return false;
        m_values.warmUpEnrichment[band] = *entry;
    }
    if (!context().waitPacingTick())
        return false;
    for (int band = 0; band < kBands; ++band) {
        const std::optional<int> tenths = readWarmUpEnd(band);
        if (!tenths)
            return false;
        m_values.warmUpEnd[band] = *tenths;
    }
    return true;
}

std::optional<int> ChokeTab::readEntry(int index)
{
    const std::optional<int> entry = readParameter(context(),
        { cmd::chokeByteRead(index), 0, kEntryMax, 0, kEntryInvalid + fmt::fixedStyle(index) + kEntryInvalidEnd,
            ParameterRead::Box::Plain });
    if (context().lost())
        return std::nullopt;
    return entry.value_or(0);
}

std::optional<int> ChokeTab::readWarmUpEnd(int band)
{
    const int index = kWarmUpEndIndex + 2 * band;
    const std::optional<int> low = context().channel().readByte(cmd::chokeByteRead(index));
    if (context().lost())
        return std::nullopt;
    if (!low)
        return 0;
    const std::optional<int> high = context().channel().readByte(cmd::chokeByteRead(index + 1));
    if (context().lost())
        return std::nullopt;
    if (!high)
        return 0;
    const int tenths = choke::warmUpEndFromCount(band, 256 * *high + *low);
    if (tenths > kWarmUpEndMax) {
        boxes::defaultUsed(context().window(), kWarmUpEndInvalid[band]);
        return kWarmUpEndStandard;
    }
    return tenths;
}

bool ChokeTab::readHotStart()
{
    Channel& channel = context().channel();
    const std::optional<int> low = channel.readByte(cmd::chokeByteRead(kHotStartIndex));
    if (context().lost())
        return false;
    const std::optional<int> high = low ? channel.readByte(cmd::chokeByteRead(kHotStartIndex + 1)) : std::nullopt;
    if (context().lost())
        return false;
    if (!high)
        return true;
    if (*high < kHotStartHighLimit) {
        m_values.hotStartTemperature = kSensorCountMax - (256 * *high + *low);
    } else {
        boxes::defaultUsed(context().window(), kHotStartInvalid);
        m_values.hotStartTemperature = kHotStartStandard;
    }

    const std::optional<int> factor = channel.readByte(cmd::chokeByteRead(kHotStartFactorIndex));
    if (context().lost())
        return false;
    if (!factor)
        return true;
    m_values.hotStartFactor = bytes::signedByte(*factor);
    if (m_values.hotStartFactor < kHotStartFactorMin) {
        boxes::defaultUsed(context().window(), kHotStartFactorInvalid);
        m_values.hotStartFactor = 0;
    }
    return true;
}

void ChokeTab::disableHotStart()
{
    m_values.hotStartEnabled = false;
}
