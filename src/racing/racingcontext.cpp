#include "racingcontext.h"

#include "core/gates.h"
#include "core/settings.h"
#include "shell/kit/boxes.h"
#include "shell/session.h"

#include <QProgressBar>

namespace {
// These units put the sensor 3.3 degrees earlier.
constexpr int kReferenceCorrection = 33;
} // namespace

RacingContext::RacingContext(Session& session, Channel& channel, QWidget* window)
    : m_session(session)
    , m_channel(channel)
    , m_window(window)
    , m_pacer(session.link())
{
    m_noUpdateMessage = session.settings().ReadNoUpdateMsg() == 1;
    m_angleReference = session.settings().ReadDwgGrdPos();
    if (gates::racingAngleReferenceCorrected(unit()))
        m_angleReference -= kReferenceCorrection;
}

const UnitIdentity& RacingContext::unit() const
{
    return m_session.identity();
}

void RacingContext::setControls(QLabel* status, QProgressBar* progress, QList<QWidget*> lockedByTables)
{
    m_status = status;
    m_progress = progress;
    m_lockedByTables = std::move(lockedByTables);
}

TransferControls RacingContext::tableTransfer() const
{
    return TransferControls { m_window, m_lockedByTables, m_status, m_progress, kProgressMin };
}

TransferControls RacingContext::parameterTransfer() const
{
    return TransferControls { m_window, {}, m_status, m_progress, kProgressMin, false };
}

void RacingContext::setProgress(int value) const
{
    if (m_progress)
        m_progress->setValue(std::clamp(value, m_progress->minimum(), m_progress->maximum()));
}

void RacingContext::completion(const QString& text) const
{
    boxes::completion(m_noUpdateMessage, m_window, text);
}

int RacingContext::angleOffset() const
{
    return m_session.leadAngle();
}

AngleCoding RacingContext::gridCoding() const
{
    return AngleCoding::forGrid(unit(), m_angleReference, angleOffset());
}

AngleCoding RacingContext::limitsCoding() const
{
    return AngleCoding::forLimits(unit(), m_angleReference, angleOffset());
}
