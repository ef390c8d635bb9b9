#pragma once

#include "shell/transport.h"

#include <QTimer>

#include <map>
#include <vector>

class EcuSim;

// An in-process transport: numbered ports with a simulated unit, a port that
// opens but nothing answers, or a port held by another program. Replies come
// back through the event loop as a real port's data would, after an optional
// delay and in optional pieces.
class SimTransport : public Transport {
    Q_OBJECT
public:
    explicit SimTransport(QObject* parent = nullptr);

    void addUnit(int port, EcuSim* sim);
    void addEmptyPort(int port);
    void addBusyPort(int port);
    void removePort(int port);

    // Delay before a reply starts, and the size of the pieces it arrives in
    // (0 = all at once), with the gap between pieces.
    void setReplyDelayMs(int ms) { m_delayMs = ms; }
    void setChunking(int bytes, int gapMs)
    {
        m_chunk = bytes;
        m_gapMs = gapMs;
    }

    // The line goes away under the open port (adapter unplugged).
    void dropLine();

    // "open 3", "open 4 failed", "close 3", in order.
    std::vector<QString> events;
    // Every frame written, with the port it went to.
    std::vector<std::pair<int, QByteArray>> written;

    OpenResult open(int port) override;
    void close() override;
    bool isOpen() const override { return m_open != 0; }
    QString deviceName(int port) const override;
    bool write(const QByteArray& data) override;
    qint64 bytesAvailable() const override { return m_input.size(); }
    QByteArray read(qint64 maxBytes) override;
    qint64 discardInput() override;

private:
    enum class Kind { Unit, Empty, Busy };
    struct Port {
        Kind kind = Kind::Empty;
        EcuSim* sim = nullptr;
    };
    void deliver(QByteArray bytes, int generation);
    void schedule(const QByteArray& bytes, qint64 afterMs);

    std::map<int, Port> m_ports;
    int m_open = 0;
    bool m_lineLost = false;
    int m_generation = 0; // replies for a port closed in between are dropped
    QByteArray m_input;
    int m_delayMs = 0;
    int m_chunk = 0;
    int m_gapMs = 0;
    qint64 m_wireFreeAtMs = 0;
};
