#pragma once

#include "core/bytes.h"
#include "core/identity.h"
#include "shell/transport.h"

#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <functional>

class SettingsFile;
class Trace;

// How one window's copy of the transaction and its watchdog differ from the
// others'. Each window passes its policy; the mechanism is one.
struct LinkPolicy {
    // The status window: a closed port gives an empty reply at once, and its
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

class Link;

// A window's watchdog timer. One run of it ends the transaction that waits:
// the window's step timer is stopped, the connection-lost box is shown unless
// suppressed, and TimeoutFlag and LinkLostFlag are set.
class Watchdog : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kLostText = "Verbindung zum Motorsteuergerät verloren!";

    Watchdog(Link& link, LinkPolicy policy, std::chrono::milliseconds interval, QObject* parent = nullptr);

    void setInterval(std::chrono::milliseconds interval);
    std::chrono::milliseconds interval() const { return m_interval; }
    // Switching on a running watchdog does not restart its interval.
    void enable();
    void disable();
    bool isActive() const { return m_timer.isActive(); }
    const LinkPolicy& policy() const { return m_policy; }

    // Run by the window when the watchdog fires, before the box: it stops its Timer1.
    void setStopWindowTimers(std::function<void()> stop) { m_stopTimers = std::move(stop); }
    // Parent of the connection-lost box.
    void setBoxParent(QWidget* parent) { m_boxParent = parent; }

    // One watchdog run (the timer's tick; public for the windows that run it by hand).
    void fire();

private:
    Link& m_link;
    LinkPolicy m_policy;
    std::chrono::milliseconds m_interval;
    QTimer m_timer;
    std::function<void()> m_stopTimers;
    QPointer<QWidget> m_boxParent;
};

// The link to the unit and its shared state, owned for the whole run.
class Link : public QObject {
    Q_OBJECT
public:
    explicit Link(Transport& transport, SettingsFile& settings, QObject* parent = nullptr);

    // Shared state; flags are 0 or -1 as the windows compare them.
    Bytes ReplyBuffer;
    int TimeoutFlag = 0;
    int LinkLostFlag = 0;
    int NoBreakMsgSetting = 1;
    int WarningsSetting = 1;
    int CurrentPort = 0;
    // The unit's identity and sensor set-up, set by the status window at load
    // and read by every unit window.
    UnitIdentity Identity;
    int SensorAngle = 0; // 0.1 degree before top dead centre
    int AngleOffset = 0; // 0.1 degree, the sensor lead angle

    // The main window's status bar text, set and read by other windows.
    QPointer<QLabel> StatusBarHandle;
    void setMainStatusText(const QString& text)
    {
        if (StatusBarHandle)
            StatusBarHandle->setText(text);
    }
    QString mainStatusText() const { return StatusBarHandle ? StatusBarHandle->text() : QString(); }

    Transport& transport() { return m_transport; }
    SettingsFile& settings() { return m_settings; }
    void setTrace(Trace* trace) { m_trace = trace; }
    Trace* trace() const { return m_trace; }

    // Opens the numbered port at 19200 baud, 8N1, closing it first if open.
    Transport::OpenResult OpenPort(int port);
    void ClosePort();
    bool portOpen() const { return m_transport.isOpen(); }

    // The serial control's steps of a request: set the expected length, discard
    // the input, arm the threshold and write the command. The receive handler
    // then completes the reply.
    void send(const Bytes& command, int expectedLength);
    // A command that awaits no reply, written as it is.
    void write(const Bytes& command);
    // True once the expected bytes have arrived ("the threshold is 0").
    bool replyComplete() const { return m_complete; }

    // The transaction: command out, the expected number of bytes back, or an
    // empty reply when the watchdog ends the wait (or the link refuses).
    Bytes RequestReply(const Bytes& command, int expectedLength, Watchdog& watchdog);
    bool transactionRunning() const { return m_inTransaction; }

    // Waits processing window events until done() holds. The processor sleeps
    // until data, a timer or a wake() arrives; never a busy loop.
    void waitUntil(const std::function<bool()>& done);
    // Whatever changed something a waiter may wait for calls this.
    void wake() { emit wakeUp(); }

    // The program ends: every wait returns at once and no more traffic goes out.
    void shutdown();
    bool isShutDown() const { return m_shutdown; }

    void traceEvent(const QString& text);

signals:
    void wakeUp();

private:
    void onReadyRead();
    void onLineLost();

    Transport& m_transport;
    SettingsFile& m_settings;
    Trace* m_trace = nullptr;
    int m_inputLen = 0;
    int m_threshold = 0; // bytes the receive handler waits for, 0 = none
    bool m_complete = false; // the expected bytes of the last send arrived
    bool m_inTransaction = false;
    bool m_shutdown = false;
};
