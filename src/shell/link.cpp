#include "link.h"

#include "core/settings.h"
#include "shell/platform.h"
#include "shell/timing.h"
#include "shell/trace.h"

#include <QCoreApplication>
#include <QEventLoop>

Watchdog::Watchdog(Link& link, LinkPolicy policy, std::chrono::milliseconds interval, QObject* parent)
    : QObject(parent)
    , m_link(link)
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

void Watchdog::fire()
{
    m_timer.stop();
    if (m_stopTimers)
        m_stopTimers();
    m_link.traceEvent(QStringLiteral("watchdog"));
    if (m_policy.rereadNoBreakMsg)
        m_link.NoBreakMsgSetting = m_link.settings().ReadNoBreakMsg();
    // The flags are set before the box so that nothing run while the box is
    // open can start another transaction on a link already known to be lost.
    m_link.TimeoutFlag = -1;
    m_link.LinkLostFlag = -1;
    m_link.wake();
    if (m_link.NoBreakMsgSetting != 1) {
        QString text = QString::fromUtf8(kLostText);
        if (m_policy.trailingBlank)
            text += QLatin1Char(' ');
        platform().messageBox(m_boxParent, QStringLiteral("Fehler"), text, Platform::Icon::Critical);
    }
    m_link.wake();
}

Link::Link(Transport& transport, SettingsFile& settings, QObject* parent)
    : QObject(parent)
    , m_transport(transport)
    , m_settings(settings)
{
    connect(&m_transport, &Transport::readyRead, this, &Link::onReadyRead);
    connect(&m_transport, &Transport::lineLost, this, &Link::onLineLost);
}

void Link::traceEvent(const QString& text)
{
    if (m_trace)
        m_trace->event(text);
}

Transport::OpenResult Link::OpenPort(int port)
{
    if (m_transport.isOpen())
        ClosePort();
    m_threshold = 0;
    const auto result = m_transport.open(port);
    const QString device = m_transport.deviceName(port);
    switch (result) {
    case Transport::OpenResult::Opened:
        traceEvent(QStringLiteral("open port %1 (%2)").arg(port).arg(device));
        break;
    case Transport::OpenResult::Busy:
        traceEvent(QStringLiteral("open port %1 (%2) failed: held by another program").arg(port).arg(device));
        break;
    case Transport::OpenResult::Unavailable:
        traceEvent(QStringLiteral("open port %1 (%2) failed: not available").arg(port).arg(device));
        break;
    }
    return result;
}

void Link::ClosePort()
{
    if (m_transport.isOpen()) {
        m_transport.close();
        traceEvent(QStringLiteral("close"));
    }
    m_threshold = 0;
}

void Link::send(const Bytes& command, int expectedLength)
{
    m_complete = false;
    m_threshold = 0;
    if (m_shutdown || !m_transport.isOpen())
        return;
    m_inputLen = expectedLength;
    const qint64 dropped = m_transport.discardInput();
    if (dropped > 0)
        traceEvent(QStringLiteral("discarded %1 bytes").arg(dropped));
    m_threshold = expectedLength;
    if (m_trace)
        m_trace->sent(command);
    m_transport.write(command);
}

void Link::write(const Bytes& command)
{
    if (m_shutdown || !m_transport.isOpen())
        return;
    if (m_trace)
        m_trace->sent(command);
    m_transport.write(command);
}

void Link::onReadyRead()
{
    if (m_threshold <= 0 || m_transport.bytesAvailable() < m_threshold)
        return;
    ReplyBuffer = m_transport.read(m_inputLen);
    m_threshold = 0;
    m_complete = true;
    if (m_trace)
        m_trace->received(ReplyBuffer);
    emit wakeUp();
}

void Link::onLineLost()
{
    // The device is released already; the waiting transaction sees a silent
    // line and its watchdog ends it.
    traceEvent(QStringLiteral("line lost"));
    emit wakeUp();
}

Bytes Link::RequestReply(const Bytes& command, int expectedLength, Watchdog& watchdog)
{
    const LinkPolicy& policy = watchdog.policy();
    if (m_inTransaction) {
        // A second transaction inside the wait of the first would mix replies.
        traceEvent(QStringLiteral("refused: a transaction is running"));
        return {};
    }
    if (policy.tickScopedWatchdog && !m_transport.isOpen()) {
        TimeoutFlag = -1;
        return {};
    }
    // Once the watchdog has run, nothing more goes out until a window resets
    // the flag: a command sent on a lost link would go unchecked.
    if (TimeoutFlag == -1 || m_shutdown)
        return {};

    m_inTransaction = true;
    if (policy.tickScopedWatchdog)
        watchdog.enable();
    send(command, expectedLength);
    if (!policy.tickScopedWatchdog)
        watchdog.enable();

    waitUntil([this] { return m_complete || TimeoutFlag == -1; });
    m_inTransaction = false;

    // A reply that is complete counts, even if the watchdog ran in the same
    // turn: the flags it set still close the window afterwards.
    if (m_complete && !m_shutdown) {
        if (!policy.tickScopedWatchdog)
            watchdog.disable();
        return ReplyBuffer;
    }
    m_threshold = 0;
    if (policy.settleAfterTimeout) {
        watchdog.disable();
        QCoreApplication::processEvents();
    }
    return {};
}

void Link::waitUntil(const std::function<bool()>& done)
{
    while (!m_shutdown && !done()) {
        QEventLoop loop;
        connect(this, &Link::wakeUp, &loop, &QEventLoop::quit);
        // A loop that cannot run (the application is quitting) would
        // otherwise return at once forever: the program is ending.
        if (loop.exec() < 0)
            shutdown();
    }
}

void Link::shutdown()
{
    m_shutdown = true;
    ClosePort();
    emit wakeUp();
}
