#include "loadchangetab.h"

#include "core/commands.h"
#include "core/gates.h"
#include "racing/parametertransfer.h"
#include "racing/racingcontext.h"
#include "shell/kit/boxes.h"

namespace {

// Where the read puts the progress bar after each of the first parameters.
constexpr int kProgressSensitivity = 15;
constexpr int kProgressEnrichment = 30;
constexpr int kProgressAdvance = 45;
constexpr int kProgressDuration = 60;

} // namespace

bool LoadChangeTab::readFirstParameters()
{
    if (!gates::injectionTabs(context().unit()))
        return true;

    using cmd::paramRead;
    namespace param = cmd::param;
    const struct {
        ParameterRead row;
        int* value;
        int progress; // where the bar stands after the value
    } reads[] = {
        { { paramRead(param::kLoadChangeSensitivity), 0, kSensitivityMax, kSensitivityStandard,
              kSensitivityInvalid },
            &m_values.sensitivity, kProgressSensitivity },
        { { paramRead(param::kLoadChangeEnrichment), 0, kEnrichmentMax, kEnrichmentStandard, kEnrichmentInvalid },
            &m_values.enrichment, kProgressEnrichment },
        { { paramRead(param::kLoadChangeAdvance) }, &m_values.advance, kProgressAdvance },
        { { paramRead(param::kLoadChangeDuration) }, &m_values.duration, kProgressDuration },
    };
    for (const auto& read : reads) {
        const std::optional<int> value = readValue(read.row);
        if (!value)
            return false;
        *read.value = *value;
        context().setProgress(read.progress);
    }
    return true;
}

bool LoadChangeTab::readOnOpening()
{
    const UnitIdentity& unit = context().unit();
    if (!gates::loadChangeTab(unit))
        return true;

    // A reply beyond 961 stands for 795; one below 400, which the control
    // cannot hold, is replaced with the opening's own standard.
    const std::optional<int> airMass = readValue({ cmd::maxLoadChangeAirMassRead(), 0, kMaxAirMassMax,
        kMaxAirMassStandard, kMaxAirMassInvalid, ParameterRead::Box::Hint, ParameterRead::word });
    if (!airMass)
        return false;
    m_values.maxAirMass = *airMass;
    if (*airMass < kMaxAirMassMin || *airMass > kMaxAirMassMax) {
        boxes::defaultUsedHint(context().window(), kMaxAirMassOutOfRange);
        m_values.maxAirMass = kMaxAirMassOpeningStandard;
    }

    const struct {
        ParameterRead row;
        int* value;
    } overrun[] = {
        { { cmd::plainCode(cmd::param::kOverrunDuration) }, &m_values.overrunDuration },
        { { cmd::plainCode(cmd::param::kOverrunLeaning), 0, kOverrunLeaningMax, kOverrunLeaningStandard,
              kOverrunLeaningInvalid },
            &m_values.overrunLeaning },
        { { cmd::plainCode(cmd::param::kOverrunSensitivity) }, &m_values.overrunSensitivity },
    };
    for (const auto& read : overrun) {
        const std::optional<int> value = readValue(read.row);
        if (!value)
            return false;
        *read.value = *value;
    }

    if (!gates::warmUpAdaptationsOnOpening(unit))
        return true;
    for (int band = 0; band < kBands; ++band) {
        const std::optional<int> adaptation = readValue({ cmd::warmUpAdaptationRead(band) });
        if (!adaptation)
            return false;
        m_values.warmUpAdaptation[band] = bytes::signedByte(*adaptation);
    }
    return true;
}

std::optional<int> LoadChangeTab::readValue(const ParameterRead& row)
{
    const std::optional<int> value = readParameter(context(), row);
    if (context().lost())
        return std::nullopt;
    return value.value_or(0);
}
