#include "simtransport.h"

#include "ecusim.h"

#include <QElapsedTimer>

#include <algorithm>

namespace {
qint64 nowMs()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return clock.elapsed();
}
} // namespace

SimTransport::SimTransport(QObject* parent)
    : Transport(parent)
{
}

void SimTransport::addUnit(int port, EcuSim* sim)
{
    m_ports[port] = Port { Kind::Unit, sim };
}

void SimTransport::addEmptyPort(int port)
{
    m_ports[port] = Port { Kind::Empty, nullptr };
}

void SimTransport::addBusyPort(int port)
{
    m_ports[port] = Port { Kind::Busy, nullptr };
}

void SimTransport::removePort(int port)
{
    if (m_open == port)
        dropLine();
    m_ports.erase(port);
}

QString SimTransport::deviceName(int port) const
{
    return m_ports.count(port) ? QStringLiteral("sim:%1").arg(port) : QString();
}

Transport::OpenResult SimTransport::open(int port)
{
    const auto it = m_ports.find(port);
    if (m_open != 0 || it == m_ports.end()) {
        events.push_back(QStringLiteral("open %1 failed").arg(port));
        return OpenResult::Unavailable;
    }
    if (it->second.kind == Kind::Busy) {
        events.push_back(QStringLiteral("open %1 busy").arg(port));
        return OpenResult::Busy;
    }
    m_open = port;
    ++m_generation;
    m_input.clear();
    events.push_back(QStringLiteral("open %1").arg(port));
    return OpenResult::Opened;
}

void SimTransport::close()
{
    if (m_open == 0)
        return;
    events.push_back(QStringLiteral("close %1").arg(m_open));
    m_open = 0;
    m_lineLost = false;
    ++m_generation;
    m_input.clear();
}

void SimTransport::dropLine()
{
    if (m_open == 0 || m_lineLost)
        return;
    // As the serial transport does: the line is silent until the port is closed.
    m_lineLost = true;
    ++m_generation;
    m_input.clear();
    events.push_back(QStringLiteral("line lost %1").arg(m_open));
    emit lineLost();
}

bool SimTransport::write(const QByteArray& data)
{
    if (m_open == 0 || m_lineLost)
        return false;
    written.emplace_back(m_open, data);
    Port& port = m_ports[m_open];
    if (port.kind != Kind::Unit || !port.sim)
        return true;
    QByteArray reply = port.sim->feed(data, nowMs());
    if (port.sim->lineLost()) {
        // Deferred: the writer learns of it as a serial port's error would tell it.
        QTimer::singleShot(0, this, [this] { dropLine(); });
        return true;
    }
    if (reply.isEmpty())
        return true;
    // One wire: what the unit sends next leaves after what it is still sending.
    const SimFaults& faults = port.sim->faults();
    const qint64 now = nowMs();
    const qint64 start = std::max(now + m_delayMs + port.sim->replyLateMs(), m_wireFreeAtMs);
    QByteArray surplus;
    if (faults.extraDelayMs > 0) {
        surplus = reply.right(port.sim->replySurplus(reply));
        reply.chop(surplus.size());
    }
    const int pieceSize = m_chunk > 0 ? m_chunk : static_cast<int>(reply.size());
    qint64 at = start;
    for (qsizetype offset = 0; offset < reply.size(); offset += pieceSize) {
        if (offset > 0)
            at += m_gapMs;
        schedule(reply.mid(offset, pieceSize), at - now);
    }
    if (!surplus.isEmpty()) {
        at += faults.extraDelayMs;
        schedule(surplus, at - now);
    }
    m_wireFreeAtMs = at;
    return true;
}

void SimTransport::schedule(const QByteArray& bytes, qint64 afterMs)
{
    const int generation = m_generation;
    QTimer::singleShot(static_cast<int>(std::max<qint64>(0, afterMs)), this,
        [this, bytes, generation] { deliver(bytes, generation); });
}

void SimTransport::deliver(QByteArray bytes, int generation)
{
    if (generation != m_generation || m_open == 0)
        return;
    m_input += bytes;
    emit readyRead();
}

QByteArray SimTransport::read(qint64 maxBytes)
{
    const QByteArray out = m_input.left(maxBytes);
    m_input.remove(0, out.size());
    return out;
}

qint64 SimTransport::discardInput()
{
    const qint64 n = m_input.size();
    m_input.clear();
    return n;
}
