#pragma once

#include "shell/transport.h"

#include <QTimer>

#include <deque>
#include <vector>

// A line whose every answer is written down beforehand: for each request the
// bytes that come back, in pieces with their delay after the request. Bytes
// that land in front of a reply are simply part of its script, so a test
// needs no race with the clock to shift a reply.
class ScriptedTransport : public Transport {
public:
    struct Piece {
        int afterMs = 0;
        QByteArray bytes;
    };
    using Answer = std::vector<Piece>;

    // The answers to the next requests, in order; a request without a
    // scripted answer is met by silence.
    std::deque<Answer> answers;
    std::vector<QByteArray> written;

    // Bytes that arrive now, with no request (noise, a late tail).
    void arrive(const QByteArray& bytes)
    {
        m_input += bytes;
        emit readyRead();
    }

    OpenResult open(int) override
    {
        m_open = true;
        return OpenResult::Opened;
    }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    QString deviceName(int port) const override { return QStringLiteral("script:%1").arg(port); }
    bool write(const QByteArray& data) override
    {
        if (!m_open)
            return false;
        written.push_back(data);
        if (answers.empty())
            return true;
        for (const Piece& piece : answers.front())
            QTimer::singleShot(piece.afterMs, this, [this, bytes = piece.bytes] {
                if (m_open)
                    arrive(bytes);
            });
        answers.pop_front();
        return true;
    }
    qint64 bytesAvailable() const override { return m_input.size(); }
    QByteArray read(qint64 maxBytes) override
    {
        const QByteArray out = m_input.left(maxBytes);
        m_input.remove(0, out.size());
        return out;
    }
    qint64 discardInput() override
    {
        const qint64 n = m_input.size();
        m_input.clear();
        return n;
    }
    std::chrono::microseconds deliveryLatency() const override { return std::chrono::milliseconds(0); }

private:
    bool m_open = false;
    QByteArray m_input;
};
