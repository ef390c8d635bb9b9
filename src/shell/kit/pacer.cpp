#include "pacer.h"

#include "shell/link.h"
#include "shell/timing.h"

Pacer::Pacer(Link& link, QObject* parent)
    : QObject(parent)
    , m_link(link)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(timing::interval(m_interval));
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_tick = true;
        m_link.wake();
    });
}

void Pacer::setInterval(std::chrono::milliseconds interval)
{
    m_interval = interval;
    m_timer.setInterval(timing::interval(interval));
}

bool Pacer::wait()
{
    m_tick = false;
    m_timer.start();
    m_link.waitUntil([this] { return m_tick || m_link.timedOut(); });
    m_timer.stop();
    return m_tick && !m_link.timedOut() && !m_link.isShutDown();
}
