#pragma once

#include "core/bytes.h"
#include "core/commands.h"
#include "shell/transport.h"

#include <QElapsedTimer>
#include <QObject>

#include <chrono>
#include <functional>
#include <optional>

class Trace;

// How one window's copy of the transaction and its watchdog differ from the
// others'. Each window passes its policy; the mechanism is one.
struct LinkPolicy {
    // The status window: a closed port gives no reply at once, and its
    // watchdog bounds a whole poll tick (enabled before the send and never
    // disabled by the transaction).
    bool tickScopedWatchdog = false;
    // The watchdog re-reads NoBreakMsg from the settings file on every run
    // instead of using the value held.
    bool rereadNoBreakMsg = true;
    // The connection-lost text ends with one blank.
    bool trailingBlank = false;
    // After a timeout the watchdog is disabled and pending events are
    // processed once more before the empty reply returns.
    bool settleAfterTimeout = false;

    static LinkPolicy statusWindow() { return { true, true, false, false }; }
    static LinkPolicy faultMemory() { return { false, true, false, false }; }
    static LinkPolicy actuatorTest() { return { false, true, false, false }; }
    static LinkPolicy sensorTest() { return { false, true, false, false }; }
    static LinkPolicy softDown() { return { false, false, true, true }; }
    static LinkPolicy racingOptions() { return { false, false, true, true }; }
};

// What bounds a transaction in time: the window's watchdog.
class TransactionBound {
public:
    virtual ~TransactionBound() = default;
    virtual const LinkPolicy& policy() const = 0;
    // Switching on a running bound does not restart it.
    virtual void enable() = 0;
    virtual void disable() = 0;
};

// A reply: the bytes the unit answered (empty for a command without reply),
// or none: the link is lost, or the request was refused because another one
// was running. A refused request never reads as an answer.
class Reply {
public:
    Reply() = default;
    Reply(std::nullopt_t) { }
    Reply(Bytes bytes)
        : m_bytes(std::move(bytes))
    {
    }
    static Reply refusal()
    {
        Reply r;
        r.m_refused = true;
        return r;
    }

    bool has_value() const { return m_bytes.has_value(); }
    explicit operator bool() const { return has_value(); }
    const Bytes& operator*() const { return *m_bytes; }
    const Bytes* operator->() const { return &*m_bytes; }
    const Bytes& value() const { return m_bytes.value(); }
    Bytes value_or(Bytes fallback) const { return m_bytes.value_or(std::move(fallback)); }

    // No answer because another request was running; the link still stands.
    bool refused() const { return m_refused; }
    // The line was disturbed around this answer: its bytes may be shifted.
    bool disturbed() const { return m_disturbed; }
    void setDisturbed() { m_disturbed = true; }

    bool operator==(const Reply& other) const { return m_bytes == other.m_bytes; }
    bool operator==(std::nullopt_t) const { return !has_value(); }

private:
    std::optional<Bytes> m_bytes;
    bool m_refused = false;
    bool m_disturbed = false;
};

// What a quiet check found of the requests since the one before.
enum class LineVerdict {
    Clean, // every answer was exactly what was asked for, and the line fell quiet
    Disturbed, // bytes beyond the expected came, or were waiting before a request
    Lost, // the link was lost or the program ends
};

// The link to the unit: one request and one reply at a time over a byte
// transport, with the flags that tell every window that the link is lost.
class Link : public QObject {
    Q_OBJECT
public:
    // The protocol has no checksum: the link trusts an answer only once the
    // line has been quiet after it for the quiet time, and only when nothing
    // but the expected bytes came. The quiet time is three character times
    // at 19200 baud (10 bits each) plus the time the adapter may hold
    // received bytes before it hands them on, rounded up.
    static constexpr std::chrono::microseconds kCharacterTime { 521 };
    static constexpr std::chrono::milliseconds kQuietTime { 3 };
    // A line that pauses within its surplus (a busy machine, an adapter that
    // sends in bursts) is waited on for twice its longest pause, up to this.
    static constexpr std::chrono::milliseconds kLongestQuiet { 50 };
    // A line that never falls quiet is not waited on for longer than this.
    static constexpr std::chrono::milliseconds kLongestDrain { 250 };
    // Requests that wait for a quiet line after the port was opened or after
    // the line last sent more than was asked for.
    static constexpr int kProbation = 16;

    explicit Link(Transport& transport, QObject* parent = nullptr);

    // TimeoutFlag: a watchdog ran (or the status window found the port
    // closed); nothing more goes out until a window resets it.
    bool timedOut() const { return m_timedOut; }
    void resetTimeout() { m_timedOut = false; }
    void setTimedOut() { m_timedOut = true; }
    // LinkLostFlag: the link was lost since the user last asked for a fresh start.
    bool linkLost() const { return m_linkLost; }
    void setLinkLost(bool lost) { m_linkLost = lost; }
    // One watchdog run: both flags, and every wait wakes.
    void markLost();

    void setTrace(Trace* trace) { m_trace = trace; }
    void traceEvent(const QString& text);

    // Opens the numbered port at 19200 baud, 8N1, closing it first if open.
    Transport::OpenResult openPort(int port);
    void closePort();
    bool portOpen() const { return m_transport.isOpen(); }
    // Whether the port can be opened at all; it is closed again at once.
    bool canOpen(int port);

    // The transaction of a unit window: the frame goes out and the expected
    // number of bytes comes back, or nothing once the window's watchdog ran.
    // A command without reply returns an empty reply as soon as it is written.
    // Whether the answer can be trusted is known only at the next quiet check
    // (settle()); a request refused because another one runs returns a refusal.
    Reply transact(const Request& request, TransactionBound& watchdog);
    bool transactionRunning() const { return m_inTransaction; }
    // Requests refused because a transaction was waiting (see setAssertOnNesting).
    int refusals() const { return m_refusals; }

    // Waits until the line has been quiet for the quiet time (at once when it
    // has been since the last answer) and tells whether the answers since the
    // last check came undisturbed. The next answers are judged afresh.
    LineVerdict settle();
    // Since the last answer was complete; pacing intervals count from there.
    std::chrono::microseconds sinceLastAnswer() const;
    // The quiet time in force: the line's own, or what was set, widened on a
    // line that pauses within its answers.
    std::chrono::milliseconds quietTime() const;
    // Surplus bytes the line sends after every answer, once it has done so
    // twice in a row; answers with just that surplus behind them count as
    // undisturbed.
    int steadySurplus() const { return m_steadySurplus; }

    // A command that awaits no reply, outside any transaction.
    bool writeOnly(const Bytes& frame);

    // The parts of a transaction, for waits with conditions of their own (the
    // unit search): start() sends, replyComplete() holds once the expected
    // bytes are in, reply() has them.
    bool start(const Request& request);
    // A second request while a transaction waits is a programming error: the
    // program stops in debug builds; a release build traces and refuses it.
    void setAssertOnNesting(bool on) { m_assertOnNesting = on; }
    // The quiet time instead of the line's own (a slow adapter, a loaded
    // machine in a test); zero returns to the line's own.
    void setQuietTime(std::chrono::milliseconds quiet) { m_quietTime = quiet; }
    bool replyComplete() const { return m_complete; }
    const Bytes& reply() const { return m_reply; }

    // Waits processing window events until done() holds. The processor sleeps
    // until data, a timer or a wake() arrives; never a busy loop.
    void waitUntil(const std::function<bool()>& done);
    // Whatever changed something a waiter may wait for calls this.
    void wake() { emit wakeUp(); }

    // The program ends: every wait returns at once and no more traffic goes out.
    void shutdown();
    bool isShutDown() const { return m_shutdown; }

signals:
    void wakeUp();
    // An answer is complete (or a command without reply went out).
    void answered();

private:
    void onReadyRead();
    void onLineLost();
    bool refuseNested(const char* what);
    bool send(const Request& request, bool guarded);
    void takeStrayBytes(const Bytes& bytes, const char* where);
    void discardInput();
    void waitQuiet(bool drain);
    void closeAnswer();
    void disturb(const QString& why);
    void resetLineState();

    Transport& m_transport;
    Trace* m_trace = nullptr;
    bool m_timedOut = false;
    bool m_linkLost = false;

    Bytes m_received; // bytes of the running request so far
    Bytes m_reply;
    int m_expected = 0; // bytes the running request waits for, 0 = none
    bool m_complete = false;
    bool m_inTransaction = false;
    bool m_shutdown = false;
    int m_refusals = 0;
#ifdef QT_NO_DEBUG
    bool m_assertOnNesting = false;
#else
    bool m_assertOnNesting = true;
#endif

    // What came after the last answer until the next request or quiet check.
    // Each answer's surplus is compared with the line's steady surplus; any
    // other count, or bytes while the line should be quiet, disturbs the
    // answers since the last quiet check.
    bool m_answerOpen = false;
    int m_answerSurplus = 0;
    int m_previousSurplus = -1;
    int m_steadySurplus = 0;
    bool m_disturbed = false;
    QElapsedTimer m_answeredAt; // the last answer became complete
    QElapsedTimer m_lastByteAt;

    // A line that sent more than was asked for may still be sending when the
    // next request goes out; its surplus would then be read as the start of
    // the next reply. Until the line has shown for kProbation requests that it
    // sends only what is asked (and after a fresh open, when nothing is known
    // of it yet), every request first waits for a quiet line.
    int m_probation = 0;
    std::chrono::milliseconds m_quietTime { 0 };
    // The longest pause within the answer to a request (reply and surplus),
    // and its fading maximum over the answers before.
    std::chrono::milliseconds m_answerPause { 0 };
    std::chrono::milliseconds m_longestPause { 0 };
    QElapsedTimer m_lastChunk; // arrival of the last piece of the running answer
};
