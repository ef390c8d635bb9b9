#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <chrono>

// A byte pipe to the unit, opened by port number. The link works only through
// this, so tests run it against the simulator in-process and the program runs
// it over a real serial port.
class Transport : public QObject {
    Q_OBJECT
public:
    enum class OpenResult {
        Opened,
        Busy, // held by another program
        Unavailable, // no such port, or it cannot be opened for another reason
    };

    using QObject::QObject;

    virtual OpenResult open(int port) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Device behind the port number, for traces ("" when none).
    virtual QString deviceName(int port) const = 0;

    // False when the bytes could not be handed to the line (closed port,
    // vanished device).
    virtual bool write(const QByteArray& data) = 0;
    virtual qint64 bytesAvailable() const = 0;
    virtual QByteArray read(qint64 maxBytes) = 0;
    // Drops everything received so far; returns the number of bytes dropped.
    virtual qint64 discardInput() = 0;
    // Takes in what the line has delivered but the event loop has not yet
    // reported (readyRead follows at once when there is any).
    virtual void pollInput() { }
    // How long the device may hold received bytes before it hands them on
    // (an adapter's latency timer); the link's quiet checks add it.
    virtual std::chrono::microseconds deliveryLatency() const { return std::chrono::milliseconds(1); }
    // What opening the port arranged with the driver, for the trace ("" when nothing).
    virtual QString openNote() const { return {}; }

signals:
    void readyRead();
    // The line went away under an open port (unplugged adapter, simulator
    // stopped). The device is released at once; until close() the port acts
    // as a silent line: writes go nowhere and nothing arrives.
    void lineLost();
};
