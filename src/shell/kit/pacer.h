#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>

class Link;

// The pacing timer of a transfer: before each request the window waits for
// one tick, so the unit has time to store what it was sent. The interval
// counts from the unit's last answer, so what the window does in between
// (the quiet check of the answer among it) costs no time.
class Pacer : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kInterval { 20 };
    // Older firmware reads its tables more slowly; once raised, the
    // interval stays for as long as the window is open.
    static constexpr std::chrono::milliseconds kSlowInterval { 250 };

    explicit Pacer(Link& link, QObject* parent = nullptr);

    void setInterval(std::chrono::milliseconds interval);
    std::chrono::milliseconds interval() const { return m_interval; }

    // Waits until the interval has passed since the last answer (a whole
    // interval when nothing was answered since the last wait). False when the
    // wait ended because the link was lost or the program ends.
    bool wait();
    bool running() const { return m_timer.isActive(); }

private:
    Link& m_link;
    QTimer m_timer;
    std::chrono::milliseconds m_interval = kInterval;
    bool m_tick = false;
};
