#pragma once

#include <QString>
#include <QStringList>

// Port numbers as the settings file and the windows speak of them, mapped to
// devices. On Windows port n is COMn. Elsewhere the numbers map to fixed
// device families so a stored number keeps naming the same device:
//   1-32 /dev/ttyS0-31, 33-64 /dev/ttyUSB0-31, 65-96 /dev/ttyACM0-31,
//   97-128 /dev/rfcomm0-31, 129-256 the devices the user named, in order.
// No other device is ever opened, so a port search never writes into a terminal.
class PortMap {
public:
    static constexpr int kFirstPort = 1;
    static constexpr int kLastPort = 256;
    static constexpr int kFirstNamedPort = 129;

    enum class System { Windows, Unix };

    explicit PortMap(QStringList namedDevices = {}, System system = nativeSystem());

    static System nativeSystem();

    // Devices named by --port options first, then DARURI_PORTS (colon-separated).
    static QStringList namedDevicesFrom(const QStringList& portOptions, const QString& environment);

    // Empty for a number that names no device.
    QString device(int port) const;

    // "COM 33 (/dev/ttyUSB0)" on systems without COM names, "COM 3" on Windows.
    QString listText(int port) const;

    const QStringList& namedDevices() const { return m_named; }

private:
    QStringList m_named;
    System m_system;
};
