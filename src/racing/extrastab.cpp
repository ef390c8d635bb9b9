#include "extrastab.h"

#include "core/coilcharge.h"
#include "core/commands.h"
#include "core/gates.h"
#include "racing/racingcontext.h"
#include "shell/kit/boxes.h"
#include "shell/session.h"

namespace {

} // namespace

// Each read leaves a value untouched when its reply is missing on a link that
// still stands; only a lost link ends the opening.

bool ExtrasTab::readDwellStart()
{
    if (!gates::racingDwellRow(context().unit())) {
        disableDwellStart();
        return true;
    }
    const std::optional<int> start = context().channel().readParam(cmd::param::kDwellStart);
    if (context().lost())
        return false;
    if (start)
        m_values.dwellStart = *start;
    return true;
}

void ExtrasTab::disableDwellStart()
{
    m_values.dwellStartEnabled = false;
}

bool ExtrasTab::readPumpTime()
{
    if (!gates::pumpPrePressure(context().unit())) {
        disablePump();
        return true;
    }
    const std::optional<int> time = context().channel().readParam(cmd::param::kPumpPrePressure);
    if (context().lost())
        return false;
    if (!time)
        return true;
    m_values.pumpTime = *time;
    if (*time >= kPumpTimeLimit) {
        boxes::defaultUsedHint(context().window(), kPumpTimeInvalid);
        m_values.pumpTime = kPumpTimeStandard;
    }
    return true;
}

void ExtrasTab::disablePump()
{
    m_values.pumpEnabled = false;
}

bool ExtrasTab::readCoilLoadTime()
{
    if (!gates::coilChargeTime(context().unit())) {
        disableCoilLoadTime();
        return true;
    }
    m_values.coilLoadTimeEnabled = true;
    const Reply reply = context().channel().ask(cmd::coilChargeTimeRead());
    if (context().lost())
        return false;
    if (!reply || reply->size() < 3)
        return true;
    const int time = coilcharge::stepFromCount(coilcharge::count(*reply));
    m_values.coilLoadTime = time;
    if (!coilcharge::stepValid(time)) {
        boxes::defaultUsedHint(context().window(), coilcharge::kInvalidText);
        m_values.coilLoadTime = coilcharge::kStandard;
    }
    return true;
}

void ExtrasTab::disableCoilLoadTime()
{
    m_values.coilLoadTimeEnabled = false;
}

bool ExtrasTab::readAirMassSettings()
{
    if (!gates::airMassSettings(context().unit())) {
        disableAirMassSettings();
        return true;
    }
    const std::optional<int> sampling = context().channel().readParam(cmd::param::kAirMassSampling);
    if (context().lost())
        return false;
    if (sampling)
        m_values.airMassSampling = *sampling;

    const Reply reply = context().channel().ask(cmd::fullLoadAirMassRead());
    if (context().lost())
        return false;
    if (!reply || reply->size() < 2)
        return true;
    const int airMass = bytes::bigEndian16(*reply, 0);
    m_values.fullLoadAirMass = airMass;
    if (airMass < kFullLoadAirMassMin || airMass > kFullLoadAirMassMax) {
        boxes::defaultUsedHint(context().window(), kFullLoadAirMassInvalid);
        m_values.fullLoadAirMass = kFullLoadAirMassStandard;
    }
    return true;
}

void ExtrasTab::disableAirMassSettings()
{
    m_values.airMassEnabled = false;
}

bool ExtrasTab::readCoilAndLeadAngle()
{
    const UnitIdentity& unit = context().unit();
    if (!gates::coilAndLeadAngleSettings(unit)) {
        disableCoilAndLeadAngle();
        return true;
    }
    m_values.coilSettingsEnabled = true;
    const std::optional<int> type = context().channel().readParam(cmd::param::kCoilType);
    if (context().lost())
        return false;
    if (type) {
        m_values.coilType = *type;
        m_values.coilDelayEnabled = *type == kCoilTypeOther;
        m_values.dwellStartEnabled = gates::dwellControlsWithCoilType(unit);
    }

    if (!readCoilDelay())
        return false;

    const std::optional<int> lead = context().channel().readParam(cmd::param::kLeadAngle);
    if (context().lost())
        return false;
    if (lead) {
        m_values.leadAngle = *lead;
        // The ignition table's angles shift by it from now on.
        context().session().setLeadAngle(*lead);
    }
    return true;
}

bool ExtrasTab::readCoilDelay()
{
    const Reply reply = context().channel().ask(cmd::coilDelayRead());
    if (context().lost())
        return false;
    if (!reply || reply->size() < 2)
        return true;
    const int delay = bytes::bigEndian16(*reply, 0);
    m_values.coilDelay = delay;
    // Beyond the control's range: a first byte of 255 with a second byte is
    // the known implausible case, a first byte of 255 alone is taken alike.
    if (delay > kCoilDelayMax) {
        boxes::defaultUsedHint(context().window(), kCoilDelayImplausible);
        m_values.coilDelay = kCoilDelayStandard;
    }
    return true;
}

void ExtrasTab::disableCoilAndLeadAngle()
{
    m_values.coilSettingsEnabled = false;
    m_values.coilDelayEnabled = false;
}
