#include "link.h"

#include "shell/trace.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>

Link::Link(Transport& transport, QObject* parent)
    : QObject(parent)
    , m_transport(transport)
{
    connect(&m_transport, &Transport::readyRead, this, &Link::onReadyRead);
    connect(&m_transport, &Transport::lineLost, this, &Link::onLineLost);
}

void Link::traceEvent(const QString& text)
{
    if (m_trace)
        m_trace->event(text);
}

void Link::markLost()
{
    m_timedOut = true;
    m_linkLost = true;
    emit wakeUp();
}

Transport::OpenResult Link::openPort(int port)
{
    if (m_transport.isOpen())
        closePort();
    const auto result = m_transport.open(port);
    const QString device = m_transport.deviceName(port);
    switch (result) {
    case Transport::OpenResult::Opened:
        traceEvent(QStringLiteral("open port %1 (%2)").arg(port).arg(device));
        m_probation = kProbation;
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

void Link::closePort()
{
    if (m_transport.isOpen()) {
        m_transport.close();
        traceEvent(QStringLiteral("close"));
    }
    m_expected = 0;
    m_received.clear();
    m_probation = 0;
    m_longestPause = std::chrono::milliseconds(0);
    m_answerPause = std::chrono::milliseconds(0);
}

bool Link::canOpen(int port)
{
    if (m_transport.isOpen())
        closePort();
    const auto result = m_transport.open(port);
    if (result == Transport::OpenResult::Opened)
        m_transport.close();
    // Ports that do not exist are the rule in a search and are not traced.
    if (result == Transport::OpenResult::Opened)
        traceEvent(
            QStringLiteral("search: port %1 (%2) can be opened").arg(port).arg(m_transport.deviceName(port)));
    else if (result == Transport::OpenResult::Busy)
        traceEvent(QStringLiteral("search: port %1 (%2) held by another program")
                       .arg(port)
                       .arg(m_transport.deviceName(port)));
    return result == Transport::OpenResult::Opened;
}

void Link::noteSurplus(qsizetype count)
{
    m_probation = kProbation;
    m_dropped += count;
}

void Link::onReadyRead()
{
    const Bytes chunk = m_transport.read(m_transport.bytesAvailable());
    if (chunk.isEmpty())
        return;
    if (m_trace)
        m_trace->received(chunk);
    // The pauses within what answers one request tell how long this line may
    // fall silent before it has finished.
    if (m_lastChunk.isValid())
        m_answerPause
            = std::min(std::max(m_answerPause, std::chrono::milliseconds(m_lastChunk.elapsed())), kLongestQuiet);
    m_lastChunk.start();
    if (m_expected <= 0) {
        // Nothing was asked for: the tail of an earlier reply, or noise.
        noteSurplus(chunk.size());
        traceEvent(QStringLiteral("discarded %1 bytes: %2").arg(chunk.size()).arg(bytes::hex(chunk)));
        emit wakeUp();
        return;
    }
    m_received += chunk;
    if (m_received.size() < m_expected)
        return;
    m_reply = m_received.left(m_expected);
    if (m_received.size() > m_expected) {
        const Bytes surplus = m_received.mid(m_expected);
        noteSurplus(surplus.size());
        traceEvent(QStringLiteral("discarded %1 bytes: %2").arg(surplus.size()).arg(bytes::hex(surplus)));
    }
    m_received.clear();
    m_expected = 0;
    m_complete = true;
    // What the program does with the reply is no pause of the line.
    m_lastChunk.invalidate();
    emit wakeUp();
}

void Link::onLineLost()
{
    // The device is released already; the waiting transaction sees a silent
    // line and its watchdog ends it.
    traceEvent(QStringLiteral("line lost"));
    emit wakeUp();
}

void Link::discardInput()
{
    Bytes stale = m_received;
    const Bytes unread = m_transport.read(m_transport.bytesAvailable());
    if (!unread.isEmpty() && m_trace)
        m_trace->received(unread);
    stale += unread;
    const qint64 flushed = m_transport.discardInput();
    m_received.clear();
    if (!stale.isEmpty())
        traceEvent(QStringLiteral("discarded %1 bytes: %2").arg(stale.size()).arg(bytes::hex(stale)));
    if (flushed > 0)
        traceEvent(QStringLiteral("discarded %1 bytes unread").arg(flushed));
    if (!stale.isEmpty() || flushed > 0)
        noteSurplus(stale.size() + flushed);
}

void Link::drainUntilQuiet()
{
    const qsizetype before = m_dropped;
    qsizetype seen = m_dropped;
    bool done = false;
    const auto quietTime = [this] {
        return std::clamp(2 * std::max(m_longestPause, m_answerPause), std::max(kQuietTime, m_quietTime),
            std::max(kLongestQuiet, m_quietTime));
    };
    QTimer quiet;
    quiet.setSingleShot(true);
    quiet.setTimerType(Qt::PreciseTimer);
    connect(&quiet, &QTimer::timeout, this, [&] {
        // A busy machine may run this timer before the notice of bytes
        // that have already arrived.
        m_transport.pollInput();
        if (m_dropped != seen)
            return;
        done = true;
        wake();
    });
    QTimer limit;
    limit.setSingleShot(true);
    connect(&limit, &QTimer::timeout, this, [&] {
        done = true;
        traceEvent(QStringLiteral("line not quiet"));
        wake();
    });
    quiet.start(quietTime());
    limit.start(std::max(kLongestDrain, 4 * m_quietTime));
    waitUntil([&] {
        if (m_dropped != seen) {
            seen = m_dropped;
            quiet.start(quietTime());
        }
        return done || !m_transport.isOpen();
    });
    // noteSurplus() restarted the probation if anything came.
    if (m_dropped == before && m_probation > 0)
        --m_probation;
}

bool Link::refuseNested(const char* what)
{
    if (!m_inTransaction)
        return false;
    // A second request inside the wait of a transaction would mix replies.
    // It is a programming error; the link itself still stands.
    ++m_refusals;
    traceEvent(QStringLiteral("refused: a transaction is running (%1)").arg(QLatin1String(what)));
    if (m_assertOnNesting)
        qFatal("Link: a second transaction while one waits (%s)", what);
    return true;
}

bool Link::start(const Request& request)
{
    if (refuseNested("request"))
        return false;
    return send(request, false);
}

bool Link::send(const Request& request, bool guarded)
{
    m_complete = false;
    m_expected = 0;
    m_reply.clear();
    if (m_shutdown || !m_transport.isOpen())
        return false;
    if (m_probation > 0)
        drainUntilQuiet();
    // The watchdog may have run while the line was drained.
    if (m_shutdown || !m_transport.isOpen() || (guarded && m_timedOut))
        return false;
    discardInput();
    // A single stall of a busy machine fades out over a few requests.
    m_longestPause = std::max(m_answerPause, m_longestPause * 7 / 8);
    m_answerPause = std::chrono::milliseconds(0);
    m_lastChunk.invalidate();
    m_expected = request.replyLength;
    if (!m_transport.write(request.frame)) {
        m_expected = 0;
        traceEvent(QStringLiteral("not written: %1").arg(bytes::hex(request.frame)));
        return false;
    }
    if (m_trace)
        m_trace->sent(request.frame);
    if (request.replyLength == 0)
        m_complete = true;
    return true;
}

bool Link::writeOnly(const Bytes& frame)
{
    if (refuseNested("write") || m_timedOut)
        return false;
    return send(Request { frame, 0 }, true);
}

Reply Link::transact(const Request& request, TransactionBound& watchdog)
{
    const LinkPolicy& policy = watchdog.policy();
    // The answer to a refused request must not read as a lost link.
    if (refuseNested("transaction"))
        return Bytes();
    if (policy.tickScopedWatchdog && !m_transport.isOpen()) {
        m_timedOut = true;
        return std::nullopt;
    }
    // Once the watchdog has run, nothing more goes out until a window resets
    // the flag: a command sent on a lost link would go unchecked.
    if (m_timedOut || m_shutdown)
        return std::nullopt;

    m_inTransaction = true;
    if (policy.tickScopedWatchdog)
        watchdog.enable();
    send(request, true);
    if (!policy.tickScopedWatchdog)
        watchdog.enable();

    waitUntil([this] { return m_complete || m_timedOut; });
    m_inTransaction = false;

    // A reply that is complete counts, even if the watchdog ran in the same
    // turn: the flags it set still close the window afterwards.
    if (m_complete && !m_shutdown) {
        if (!policy.tickScopedWatchdog)
            watchdog.disable();
        return m_reply;
    }
    m_expected = 0;
    // The program ends: no watchdog may run on into the closing windows.
    if (m_shutdown)
        watchdog.disable();
    if (policy.settleAfterTimeout) {
        watchdog.disable();
        QCoreApplication::processEvents();
    }
    return std::nullopt;
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
    closePort();
    emit wakeUp();
}
