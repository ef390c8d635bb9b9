#pragma once

#include "shell/link.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <functional>

class QWidget;
class Session;

// A window's watchdog timer. One run of it ends the transaction that waits:
// the window's step timer is stopped, TimeoutFlag and LinkLostFlag are set and
// the connection-lost box is shown unless suppressed.
class Watchdog : public QObject, public TransactionBound {
    Q_OBJECT
public:
    static constexpr const char* kLostText = "Verbindung zum Motorsteuergerät verloren!";

    Watchdog(Session& session, LinkPolicy policy, std::chrono::milliseconds interval, QObject* parent = nullptr);

    void setInterval(std::chrono::milliseconds interval);
    std::chrono::milliseconds interval() const { return m_interval; }
    // Switching on a running watchdog does not restart its interval.
    void enable() override;
    void disable() override;
    bool isActive() const { return m_timer.isActive(); }
    const LinkPolicy& policy() const override { return m_policy; }

    // Run by the window when the watchdog fires, before the box: it stops its Timer1.
    void setStopWindowTimers(std::function<void()> stop) { m_stopTimers = std::move(stop); }
    // Parent of the connection-lost box.
    void setBoxParent(QWidget* parent);

    // One watchdog run (the timer's tick; public for the windows that run it by hand).
    void fire();

    // A transfer that tells of a lost link in a box of its own holds the
    // lost-link box back, so the user sees one box, not two. A run while
    // held owes its box; showOwedLostBox() shows it when the transfer had
    // nothing of its own to say.
    void setLostBoxHeld(bool held);
    void showOwedLostBox();

private:
    void showLostBox();

    Session& m_session;
    LinkPolicy m_policy;
    std::chrono::milliseconds m_interval;
    QTimer m_timer;
    std::function<void()> m_stopTimers;
    QPointer<QObject> m_boxParent;
    bool m_lostBoxHeld = false;
    bool m_lostBoxOwed = false;
};
