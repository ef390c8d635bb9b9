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
    bool isOpen() const override { return m_port.isOpen(); }
    QString deviceName(int port) const override { return m_map.device(port); }
    void write(const QByteArray& data) override;
    qint64 bytesAvailable() const override { return m_port.bytesAvailable(); }
    QByteArray read(qint64 maxBytes) override { return m_port.read(maxBytes); }
    qint64 discardInput() override;

    const PortMap& portMap() const { return m_map; }

private:
    void onError(QSerialPort::SerialPortError error);

    PortMap m_map;
    QSerialPort m_port;
};
