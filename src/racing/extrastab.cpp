#include "extrastab.h"

#include "core/commands.h"
#include "core/format.h"
#include "core/gates.h"
#include "racing/racingcontext.h"
#include "racing/tabboxes.h"
#include "shell/session.h"

namespace {

// The unit counts the charge time in microseconds; the control holds 0.1 ms.
int coilLoadTimeFromReply(const Bytes& reply)
{
    const int count = bytes::at(reply, 0) + 256 * bytes::at(reply, 1) + 65536 * bytes::at(reply, 2);
    return int(fmt::roundHalfEven(count / 1000.0));
}

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
        racing::hint(context().window(), kPumpTimeInvalid);
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
    const int time = coilLoadTimeFromReply(*reply);
    m_values.coilLoadTime = time;
    // A time the control cannot hold would be written back changed.
    if (time < kCoilLoadTimeMin || time > kCoilLoadTimeMax) {
        racing::hint(context().window(), kCoilLoadTimeInvalid);
        m_values.coilLoadTime = kCoilLoadTimeStandard;
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
    const int airMass = bytes::at(*reply, 0) * 256 + bytes::at(*reply, 1);
    m_values.fullLoadAirMass = airMass;
    if (airMass < kFullLoadAirMassMin || airMass > kFullLoadAirMassMax) {
        racing::hint(context().window(), kFullLoadAirMassInvalid);
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
    const int high = bytes::at(*reply, 0);
    const int low = bytes::at(*reply, 1);
    const int delay = high * 256 + low;
    m_values.coilDelay = delay;
    // Beyond the control's range: a first byte of 255 with a second byte is
    // the known implausible case, a first byte of 255 alone is taken alike.
    if (delay > kCoilDelayMax) {
        racing::hint(context().window(), kCoilDelayImplausible);
        m_values.coilDelay = kCoilDelayStandard;
    }
    return true;
}

void ExtrasTab::disableCoilAndLeadAngle()
{
    m_values.coilSettingsEnabled = false;
    m_values.coilDelayEnabled = false;
}
