#include "trace.h"

#include <QDateTime>

bool Trace::open(const QString& path)
{
    m_file.setFileName(path);
    return m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text);
}

void Trace::line(char direction, const QString& body)
{
    if (!m_file.isOpen())
        return;
    const QString stamp = QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz"));
    m_file.write((stamp + QLatin1Char(' ') + QLatin1Char(direction) + QLatin1Char(' ') + body + QLatin1Char('\n'))
                     .toUtf8());
    m_file.flush();
}

void Trace::sent(const QByteArray& frame)
{
    line('>', QString::fromLatin1(frame.toHex(' ').toUpper()));
}

void Trace::received(const QByteArray& reply)
{
    line('<', QString::fromLatin1(reply.toHex(' ').toUpper()));
}

void Trace::event(const QString& text)
{
    line('!', text);
}
