#include "serialtransport.h"

#include <QFileInfo>

#ifdef Q_OS_LINUX
#include <cerrno>
#include <cstring>
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif

SerialTransport::SerialTransport(PortMap map, QObject* parent)
    : Transport(parent)
    , m_map(std::move(map))
{
    connect(&m_port, &QSerialPort::readyRead, this, &Transport::readyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialTransport::onError);
}

Transport::OpenResult SerialTransport::open(int port)
{
    if (m_port.isOpen())
        close();
    const QString device = m_map.device(port);
    if (device.isEmpty())
        return OpenResult::Unavailable;
#ifndef Q_OS_WIN
    // Missing devices and devices we may not use are "not available"; only a
    // device that exists, is ours to use and still refuses is held by another program.
    const QFileInfo info(device);
    if (!info.exists() || !info.isReadable() || !info.isWritable())
        return OpenResult::Unavailable;
#endif
    m_port.setPortName(device);
    if (!m_port.open(QIODevice::ReadWrite)) {
        const auto error = m_port.error();
        m_port.clearError();
        return error == QSerialPort::PermissionError ? OpenResult::Busy : OpenResult::Unavailable;
    }
    if (!m_port.setBaudRate(QSerialPort::Baud19200) || !m_port.setDataBits(QSerialPort::Data8)
        || !m_port.setParity(QSerialPort::NoParity) || !m_port.setStopBits(QSerialPort::OneStop)
        || !m_port.setFlowControl(QSerialPort::NoFlowControl)) {
        m_port.close();
        m_port.clearError();
        return OpenResult::Unavailable;
    }
    m_port.clear(QSerialPort::AllDirections);
    askForLowLatency(device);
    return OpenResult::Opened;
}

void SerialTransport::askForLowLatency(const QString& device)
{
    using namespace std::chrono;
    // USB adapters hold received bytes for up to 16 ms before they hand them
    // on; a driver that offers low-latency delivery passes each byte at once.
    const bool usb = device.contains(QLatin1String("ttyUSB")) || device.contains(QLatin1String("ttyACM"));
    m_latency = usb ? microseconds(milliseconds(16)) : microseconds(milliseconds(1));
    m_openNote.clear();
#ifdef Q_OS_LINUX
    serial_struct serial {};
    const int fd = static_cast<int>(m_port.handle());
    if (::ioctl(fd, TIOCGSERIAL, &serial) == 0) {
        serial.flags |= ASYNC_LOW_LATENCY;
        if (::ioctl(fd, TIOCSSERIAL, &serial) == 0) {
            m_latency = milliseconds(1);
            m_openNote = QStringLiteral("low-latency delivery on");
            return;
        }
    }
    m_openNote = QStringLiteral("low-latency delivery not offered by the driver (%1); quiet checks allow %2 ms")
                     .arg(QString::fromLocal8Bit(std::strerror(errno)))
                     .arg(duration_cast<milliseconds>(m_latency).count());
#endif
}

void SerialTransport::close()
{
    m_lineLost = false;
    if (m_port.isOpen()) {
        // Writes are queued; a command written just before closing (one that
        // awaits no reply) must still reach the unit.
        if (m_port.bytesToWrite() > 0)
            m_port.waitForBytesWritten(200);
        m_port.close();
    }
    m_port.clearError();
}

bool SerialTransport::write(const QByteArray& data)
{
    if (!m_port.isOpen())
        return false;
    if (m_port.write(data) != data.size())
        return false;
    // Out now, not on the event loop's next pass.
    m_port.flush();
    return true;
}

qint64 SerialTransport::discardInput()
{
    if (!m_port.isOpen())
        return 0;
    // What the port holds already, plus what the driver still buffers.
    const qint64 n = m_port.bytesAvailable();
    m_port.readAll();
    m_port.clear(QSerialPort::Input);
    return n;
}

void SerialTransport::pollInput()
{
    if (m_port.isOpen())
        m_port.waitForReadyRead(0);
}

void SerialTransport::onError(QSerialPort::SerialPortError error)
{
    // A vanished line can raise the read error thousands of times a second:
    // close on the first one and let the watchdog end the wait.
    if ((error == QSerialPort::ReadError || error == QSerialPort::ResourceError) && m_port.isOpen()) {
        m_port.close();
        m_port.clearError();
        m_lineLost = true;
        emit lineLost();
    }
}
