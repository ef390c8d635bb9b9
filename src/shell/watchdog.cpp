#include "watchdog.h"

#include "core/settings.h"
#include "shell/link.h"
#include "shell/platform.h"
#include "shell/session.h"
#include "shell/timing.h"

#include <QWidget>

#include <utility>

Watchdog::Watchdog(Session& session, LinkPolicy policy, std::chrono::milliseconds interval, QObject* parent)
    : QObject(parent)
    , m_session(session)
    , m_policy(policy)
    , m_interval(interval)
{
    m_timer.setSingleShot(false);
    m_timer.setInterval(timing::interval(interval));
    connect(&m_timer, &QTimer::timeout, this, &Watchdog::fire);
}

void Watchdog::setInterval(std::chrono::milliseconds interval)
{
    m_interval = interval;
    m_timer.setInterval(timing::interval(interval));
}

void Watchdog::enable()
{
    if (!m_timer.isActive())
        m_timer.start();
}

void Watchdog::disable()
{
    m_timer.stop();
}

void Watchdog::setBoxParent(QWidget* parent)
{
    m_boxParent = parent;
}

void Watchdog::fire()
{
    m_timer.stop();
    if (m_stopTimers)
        m_stopTimers();
    Link& link = m_session.link();
    link.traceEvent(QStringLiteral("watchdog"));
    if (m_policy.rereadNoBreakMsg)
        m_session.setNoBreakMsg(m_session.settings().ReadNoBreakMsg());
    // The flags are set before the box so that nothing run while the box is
    // open can start another transaction on a link already known to be lost.
    link.markLost();
    if (m_session.noBreakMsg() != 1) {
        if (m_lostBoxHeld)
            m_lostBoxOwed = true;
        else
            showLostBox();
    }
    link.wake();
}

void Watchdog::showLostBox()
{
    QString text = QString::fromUtf8(kLostText);
    if (m_policy.trailingBlank)
        text += QLatin1Char(' ');
    platform().messageBox(
        qobject_cast<QWidget*>(m_boxParent.data()), QStringLiteral("Fehler"), text, Platform::Icon::Critical);
}

void Watchdog::setLostBoxHeld(bool held)
{
    m_lostBoxHeld = held;
    if (held)
        m_lostBoxOwed = false;
}

void Watchdog::showOwedLostBox()
{
    if (std::exchange(m_lostBoxOwed, false))
        showLostBox();
}
