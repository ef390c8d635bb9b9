#pragma once

#include "core/portmap.h"
#include "shell/transport.h"

#include <QSerialPort>

// The real line: a serial port at 19200 baud, 8 data bits, no parity, one stop
// bit, no flow control, opened by port number through the port map.
class SerialTransport : public Transport {
    Q_OBJECT
public:
    explicit SerialTransport(PortMap map, QObject* parent = nullptr);

    OpenResult open(int port) override;
    void close() override;
    // A port whose line went away stays "open" to the link as a silent line
    // until it is closed, so the watchdog ends the wait as for a silent unit.
    bool isOpen() const override { return m_port.isOpen() || m_lineLost; }
    QString deviceName(int port) const override { return m_map.device(port); }
    bool write(const QByteArray& data) override;
    qint64 bytesAvailable() const override { return m_port.isOpen() ? m_port.bytesAvailable() : 0; }
    QByteArray read(qint64 maxBytes) override { return m_port.isOpen() ? m_port.read(maxBytes) : QByteArray(); }
    qint64 discardInput() override;
    void pollInput() override;
    std::chrono::microseconds deliveryLatency() const override { return m_latency; }
    QString openNote() const override { return m_openNote; }

    const PortMap& portMap() const { return m_map; }

private:
    void onError(QSerialPort::SerialPortError error);
    void askForLowLatency(const QString& device);

    PortMap m_map;
    QSerialPort m_port;
    bool m_lineLost = false;
    std::chrono::microseconds m_latency { std::chrono::milliseconds(1) };
    QString m_openNote;
};
