#include "portmap.h"

PortMap::PortMap(QStringList namedDevices, System system)
    : m_named(std::move(namedDevices))
    , m_system(system)
{
}

PortMap::System PortMap::nativeSystem()
{
#ifdef Q_OS_WIN
    return System::Windows;
#else
    return System::Unix;
#endif
}

QStringList PortMap::namedDevicesFrom(const QStringList& portOptions, const QString& environment)
{
    QStringList out;
    for (const QString& p : portOptions)
        if (!p.isEmpty())
            out << p;
    for (const QString& p : environment.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        out << p;
    return out;
}

QString PortMap::device(int port) const
{
    if (port < kFirstPort || port > kLastPort)
        return {};
    if (m_system == System::Windows)
        return QStringLiteral("COM%1").arg(port);
    static const char* const families[] = { "/dev/ttyS", "/dev/ttyUSB", "/dev/ttyACM", "/dev/rfcomm" };
    if (port < kFirstNamedPort)
        return QString::fromLatin1(families[(port - 1) / 32]) + QString::number((port - 1) % 32);
    const int index = port - kFirstNamedPort;
    return index < m_named.size() ? m_named.at(index) : QString();
}

QString PortMap::listText(int port) const
{
    const QString base = QStringLiteral("COM ") + QString::number(port);
    if (m_system == System::Windows)
        return base;
    return base + QStringLiteral(" (") + device(port) + QLatin1Char(')');
}
