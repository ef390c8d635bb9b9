#include "loadchangetab.h"

#include "core/commands.h"
#include "core/gates.h"
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

    const std::optional<int> sensitivity = readByte(cmd::paramRead(cmd::param::kLoadChangeSensitivity));
    if (!sensitivity)
        return false;
    m_values.sensitivity = *sensitivity;
    if (*sensitivity > kSensitivityMax) {
        boxes::defaultUsedHint(context().window(), kSensitivityInvalid);
        m_values.sensitivity = kSensitivityStandard;
    }
    context().setProgress(kProgressSensitivity);

    const std::optional<int> enrichment = readByte(cmd::paramRead(cmd::param::kLoadChangeEnrichment));
    if (!enrichment)
        return false;
    m_values.enrichment = *enrichment;
    if (*enrichment > kEnrichmentMax) {
        boxes::defaultUsedHint(context().window(), kEnrichmentInvalid);
        m_values.enrichment = kEnrichmentStandard;
    }
    context().setProgress(kProgressEnrichment);

    const std::optional<int> advance = readByte(cmd::paramRead(cmd::param::kLoadChangeAdvance));
    if (!advance)
        return false;
    m_values.advance = *advance;
    context().setProgress(kProgressAdvance);

    const std::optional<int> duration = readByte(cmd::paramRead(cmd::param::kLoadChangeDuration));
    if (!duration)
        return false;
    m_values.duration = *duration;
    context().setProgress(kProgressDuration);
    return true;
}

bool LoadChangeTab::readOnOpening()
{
    const UnitIdentity& unit = context().unit();
    if (!gates::loadChangeTab(unit))
        return true;

    const std::optional<int> airMass = readMaxAirMass();
    if (!airMass)
        return false;
    m_values.maxAirMass = *airMass;
    // The read accepts values below 400 that the control cannot hold.
    if (*airMass < kMaxAirMassMin || *airMass > kMaxAirMassMax) {
        boxes::defaultUsedHint(context().window(), kMaxAirMassOutOfRange);
        m_values.maxAirMass = kMaxAirMassOpeningStandard;
    }

    const std::optional<int> overrunDuration = readByte(cmd::plainCode(cmd::param::kOverrunDuration));
    if (!overrunDuration)
        return false;
    m_values.overrunDuration = *overrunDuration;

    const std::optional<int> leaning = readByte(cmd::plainCode(cmd::param::kOverrunLeaning));
    if (!leaning)
        return false;
    m_values.overrunLeaning = *leaning;
    if (*leaning > kOverrunLeaningMax) {
        boxes::defaultUsedHint(context().window(), kOverrunLeaningInvalid);
        m_values.overrunLeaning = kOverrunLeaningStandard;
    }

    const std::optional<int> overrunSensitivity = readByte(cmd::plainCode(cmd::param::kOverrunSensitivity));
    if (!overrunSensitivity)
        return false;
    m_values.overrunSensitivity = *overrunSensitivity;

    if (!gates::warmUpAdaptationsOnOpening(unit))
        return true;
    for (int band = 0; band < kBands; ++band) {
        const std::optional<int> adaptation = readByte(cmd::warmUpAdaptationRead(band));
        if (!adaptation)
            return false;
        m_values.warmUpAdaptation[band] = bytes::signedByte(*adaptation);
    }
    return true;
}

std::optional<int> LoadChangeTab::readByte(const Request& request)
{
    const std::optional<int> value = context().channel().readByte(request);
    if (context().lost())
        return std::nullopt;
    return value.value_or(0);
}

std::optional<int> LoadChangeTab::readMaxAirMass()
{
    const Reply reply = context().channel().ask(cmd::maxLoadChangeAirMassRead());
    if (context().lost())
        return std::nullopt;
    if (!reply || reply->size() < 2)
        return 0;
    const int airMass = bytes::bigEndian16(*reply, 0);
    if (airMass > kMaxAirMassMax) {
        boxes::defaultUsedHint(context().window(), kMaxAirMassInvalid);
        return kMaxAirMassStandard;
    }
    return airMass;
}
