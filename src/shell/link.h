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
// or nothing when the link is lost.
using Reply = std::optional<Bytes>;

// The link to the unit: one request and one reply at a time over a byte
// transport, with the flags that tell every window that the link is lost.
class Link : public QObject {
    Q_OBJECT
public:
    // Two characters at 19200 baud (10 bits each), rounded up: a line that
    // stays silent this long has finished sending.
    static constexpr std::chrono::milliseconds kQuietTime { 2 };
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
    Reply transact(const Request& request, TransactionBound& watchdog);
    bool transactionRunning() const { return m_inTransaction; }
    // Requests refused because a transaction was waiting (see setAssertOnNesting).
    int refusals() const { return m_refusals; }

    // A command that awaits no reply, outside any transaction.
    bool writeOnly(const Bytes& frame);

    // The parts of a transaction, for waits with conditions of their own (the
    // unit search): start() sends, replyComplete() holds once the expected
    // bytes are in, reply() has them.
    bool start(const Request& request);
    // A second request while a transaction waits is a programming error: the
    // program stops in debug builds; a release build traces and refuses it.
    void setAssertOnNesting(bool on) { m_assertOnNesting = on; }
    // Tests on a loaded machine widen the quiet time; the program keeps kQuietTime.
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

private:
    void onReadyRead();
    void onLineLost();
    bool refuseNested(const char* what);
    bool send(const Request& request, bool guarded);
    void discardInput();
    void drainUntilQuiet();
    void noteSurplus(qsizetype count);

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

    // A line that sent more than was asked for may still be sending when the
    // next request goes out; its surplus would then be read as the start of
    // the next reply. Until the line has shown for kProbation requests that it
    // sends only what is asked (and after a fresh open, when nothing is known
    // of it yet), every request first waits for a quiet line.
    int m_probation = 0;
    qsizetype m_dropped = 0;
    std::chrono::milliseconds m_quietTime = kQuietTime;
    // The longest pause within the answer to a request (reply and surplus),
    // and its fading maximum over the answers before.
    std::chrono::milliseconds m_answerPause { 0 };
    std::chrono::milliseconds m_longestPause { 0 };
    QElapsedTimer m_lastChunk; // arrival of the last piece of the running answer
};
