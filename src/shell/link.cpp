#include "link.h"

#include "shell/trace.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <utility>

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
        if (const QString note = m_transport.openNote(); !note.isEmpty())
            traceEvent(note);
        resetLineState();
        m_probation = kProbation;
        m_lastByteAt.start();
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
    resetLineState();
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

std::chrono::milliseconds Link::quietTime() const
{
    using namespace std::chrono;
    const microseconds line = 3 * kCharacterTime + m_transport.deliveryLatency();
    const milliseconds own = std::max(kQuietTime, ceil<milliseconds>(line));
    const milliseconds base = m_quietTime.count() > 0 ? m_quietTime : own;
    return std::clamp(2 * std::max(m_longestPause, m_answerPause), base, std::max(kLongestQuiet, base));
}

std::chrono::microseconds Link::sinceLastAnswer() const
{
    if (!m_answeredAt.isValid())
        return std::chrono::hours(1);
    return std::chrono::microseconds(m_answeredAt.nsecsElapsed() / 1000);
}

void Link::disturb(const QString& why)
{
    if (!m_disturbed)
        traceEvent(QStringLiteral("disturbed: %1").arg(why));
    m_disturbed = true;
    m_probation = kProbation;
}

void Link::takeStrayBytes(const Bytes& bytes, const char* where)
{
    if (bytes.isEmpty())
        return;
    traceEvent(QStringLiteral("discarded %1 bytes %2: %3")
                   .arg(bytes.size())
                   .arg(QLatin1String(where), bytes::hex(bytes)));
    m_probation = kProbation;
    if (m_answerOpen)
        m_answerSurplus += static_cast<int>(bytes.size());
    else
        disturb(QStringLiteral("bytes while the line should be quiet"));
}

void Link::closeAnswer()
{
    if (!m_answerOpen)
        return;
    m_answerOpen = false;
    const int surplus = std::exchange(m_answerSurplus, 0);
    // A unit that sends the same surplus after every answer says so twice in
    // a row; what it sends beyond or short of that is a disturbance.
    if (surplus == m_previousSurplus && surplus != m_steadySurplus) {
        m_steadySurplus = surplus;
        traceEvent(QStringLiteral("the line sends %1 surplus bytes after each answer").arg(surplus));
    }
    m_previousSurplus = surplus;
    if (surplus > m_steadySurplus)
        disturb(QStringLiteral("%1 bytes beyond the expected answer").arg(surplus));
    else if (surplus < m_steadySurplus)
        disturb(QStringLiteral("%1 of the line's %2 surplus bytes missing after the answer")
                    .arg(m_steadySurplus - surplus)
                    .arg(m_steadySurplus));
}

void Link::resetLineState()
{
    m_expected = 0;
    m_received.clear();
    m_probation = 0;
    m_longestPause = std::chrono::milliseconds(0);
    m_answerPause = std::chrono::milliseconds(0);
    m_answerOpen = false;
    m_answerSurplus = 0;
    m_previousSurplus = -1;
    m_steadySurplus = 0;
    m_disturbed = false;
    m_answeredAt.invalidate();
    m_lastChunk.invalidate();
}

void Link::onReadyRead()
{
    const Bytes chunk = m_transport.read(m_transport.bytesAvailable());
    if (chunk.isEmpty())
        return;
    if (m_trace)
        m_trace->received(chunk);
    m_lastByteAt.start();
    // The pauses within what answers one request tell how long this line may
    // fall silent before it has finished.
    if (m_lastChunk.isValid())
        m_answerPause
            = std::min(std::max(m_answerPause, std::chrono::milliseconds(m_lastChunk.elapsed())), kLongestQuiet);
    m_lastChunk.start();
    if (m_expected <= 0) {
        // Nothing was asked for: the tail of an earlier answer, or noise.
        takeStrayBytes(chunk, "after the answer");
        emit wakeUp();
        return;
    }
    m_received += chunk;
    if (m_received.size() < m_expected)
        return;
    m_reply = m_received.left(m_expected);
    m_expected = 0;
    m_answerOpen = true;
    m_answerSurplus = 0;
    m_answeredAt.start();
    takeStrayBytes(m_received.mid(m_reply.size()), "beyond the answer");
    m_received.clear();
    m_complete = true;
    emit answered();
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
    // On a clean line there is nothing to drop, and no call to the driver.
    if (m_received.isEmpty() && m_transport.bytesAvailable() == 0)
        return;
    Bytes stale = std::exchange(m_received, Bytes());
    const Bytes unread = m_transport.read(m_transport.bytesAvailable());
    if (!unread.isEmpty() && m_trace)
        m_trace->received(unread);
    stale += unread;
    const qint64 flushed = m_transport.discardInput();
    takeStrayBytes(stale, "before the request");
    if (flushed > 0) {
        traceEvent(QStringLiteral("discarded %1 bytes unread").arg(flushed));
        takeStrayBytes(Bytes(flushed, '\0'), "unread");
    }
}

void Link::waitQuiet(bool drain)
{
    using namespace std::chrono;
    const int surplusBefore = m_answerSurplus;
    const bool wasDisturbed = m_disturbed;
    // Quiet counts from the last byte, the last answer, or the request that
    // went out since; on a freshly opened port, from now.
    const auto quietFor = [this] {
        milliseconds since = hours(1);
        if (m_lastByteAt.isValid())
            since = milliseconds(m_lastByteAt.elapsed());
        return since;
    };
    if (!m_lastByteAt.isValid())
        m_lastByteAt.start();
    bool done = false;
    QTimer quiet;
    quiet.setSingleShot(true);
    quiet.setTimerType(Qt::PreciseTimer);
    // A unit whose habit is to send surplus and has not sent all of it yet
    // is still sending: its missing bytes are waited for as long as a line
    // that pauses within its answers.
    const auto needed = [this] {
        const bool habitDue = m_answerOpen && m_answerSurplus < m_steadySurplus;
        return habitDue ? std::max(quietTime(), kLongestQuiet) : quietTime();
    };
    const auto arm = [&] {
        // A busy machine may run this timer before the notice of bytes
        // that have already arrived.
        m_transport.pollInput();
        const milliseconds left = needed() - quietFor();
        if (left.count() <= 0) {
            done = true;
            wake();
        } else {
            quiet.start(left);
        }
    };
    connect(&quiet, &QTimer::timeout, this, arm);
    QTimer limit;
    limit.setSingleShot(true);
    connect(&limit, &QTimer::timeout, this, [&] {
        done = true;
        disturb(QStringLiteral("the line does not fall quiet"));
        wake();
    });
    limit.start(std::max(kLongestDrain, 4 * needed()));
    arm();
    // Bytes that arrive restart the quiet time, and may end the wait for a
    // habit's surplus: the timer is set anew after each of them.
    qsizetype seen = m_answerSurplus;
    waitUntil([&] {
        if (!done && m_answerSurplus != seen) {
            seen = m_answerSurplus;
            arm();
        }
        return done || !m_transport.isOpen();
    });
    if (drain && m_probation > 0 && m_answerSurplus == surplusBefore && m_disturbed == wasDisturbed)
        --m_probation;
}

LineVerdict Link::settle()
{
    if (m_shutdown || m_timedOut || !m_transport.isOpen())
        return LineVerdict::Lost;
    waitQuiet(false);
    if (m_shutdown || m_timedOut || !m_transport.isOpen())
        return LineVerdict::Lost;
    closeAnswer();
    const bool disturbed = std::exchange(m_disturbed, false);
    return disturbed ? LineVerdict::Disturbed : LineVerdict::Clean;
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
    if (m_probation > 0 || m_steadySurplus > 0)
        waitQuiet(true);
    // The watchdog may have run while the line was drained.
    if (m_shutdown || !m_transport.isOpen() || (guarded && m_timedOut))
        return false;
    discardInput();
    closeAnswer();
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
    m_lastByteAt.start();
    if (request.replyLength == 0) {
        // What comes after a command without reply is surplus like any other.
        m_complete = true;
        m_answerOpen = true;
        m_answerSurplus = 0;
        m_answeredAt.start();
        emit answered();
    }
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
    // The answer to a refused request must neither read as a lost link nor as data.
    if (refuseNested("transaction"))
        return Reply::refusal();
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
