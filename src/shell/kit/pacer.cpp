#include "pacer.h"

#include "shell/link.h"
#include "shell/timing.h"

#include <utility>

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
    connect(&m_link, &Link::answered, this, [this] {
        m_tick = false;
        m_timer.start();
    });
}

void Pacer::setInterval(std::chrono::milliseconds interval)
{
    m_interval = interval;
    m_timer.setInterval(timing::interval(interval));
}

bool Pacer::wait()
{
    if (!m_timer.isActive() && !m_tick)
        m_timer.start();
    m_link.waitUntil([this] { return m_tick || m_link.timedOut(); });
    m_timer.stop();
    const bool ticked = std::exchange(m_tick, false);
    return ticked && !m_link.timedOut() && !m_link.isShutDown();
}
