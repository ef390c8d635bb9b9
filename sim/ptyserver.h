#pragma once

#include <QString>

#include <cstdint>
#include <deque>
#include <functional>

class EcuSim;

// Serves a simulated unit on a pseudo-terminal. The program opens the slave
// side like a serial port; the server reads commands from the master side and
// writes the replies back, optionally at the pace of the 19200-baud wire.
class PtyServer {
public:
    // One byte of 8N1 at 19200 baud: ten bits.
    static constexpr double kByteMicros = 10.0 * 1e6 / 19200.0;

    PtyServer(EcuSim& sim, bool wireTime);
    ~PtyServer();
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;

    // Creates the pseudo-terminal; false with `error` set on failure.
    bool open(QString* error = nullptr);
    QString slavePath() const { return m_slavePath; }

    // Serves until stop(); sleeps in poll between events.
    void run();
    // Ends run() from another thread or a signal handler (async-signal-safe).
    void stop();
    // The write end of the wake pipe, for a signal handler.
    int wakeFd() const { return m_wake[1]; }

    // Reads control lines from `fd` while serving (e.g. standard input) and
    // hands each to `onLine`, on the serving thread. Stops reading at EOF.
    void setControlInput(int fd, std::function<void(const QByteArray& line)> onLine);

private:
    struct Timed {
        std::int64_t atMicros;
        char byte;
    };
    std::int64_t nowMicros() const;
    void readMaster(std::int64_t now);
    void feedDueInput(std::int64_t now);
    void writeDueOutput(std::int64_t now);
    void schedule(const QByteArray& reply, std::int64_t readyAt);
    void readControl();

    EcuSim& m_sim;
    bool m_wireTime = false;
    int m_master = -1;
    int m_slave = -1; // held open so the master never sees a hang-up
    int m_wake[2] = { -1, -1 };
    QString m_slavePath;
    std::int64_t m_epoch = 0;
    std::int64_t m_inFreeAt = 0; // when the incoming wire is idle again
    std::int64_t m_outFreeAt = 0; // when the outgoing wire is idle again
    std::int64_t m_hangupUntil = 0;
    std::deque<Timed> m_input;
    std::deque<Timed> m_output;
    int m_control = -1;
    std::function<void(const QByteArray&)> m_onControlLine;
    QByteArray m_controlPending;
};
