#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <functional>

class QWidget;
class Session;

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

// A window's watchdog timer. One run of it ends the transaction that waits:
// the window's step timer is stopped, TimeoutFlag and LinkLostFlag are set and
// the connection-lost box is shown unless suppressed.
class Watchdog : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kLostText = "Verbindung zum Motorsteuergerät verloren!";

    Watchdog(Session& session, LinkPolicy policy, std::chrono::milliseconds interval, QObject* parent = nullptr);

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
    void setBoxParent(QWidget* parent);

    // One watchdog run (the timer's tick; public for the windows that run it by hand).
    void fire();

private:
    Session& m_session;
    LinkPolicy m_policy;
    std::chrono::milliseconds m_interval;
    QTimer m_timer;
    std::function<void()> m_stopTimers;
    QPointer<QObject> m_boxParent;
};
