#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// Protocol trace: one line per frame or event, with a millisecond time stamp.
// It is what a user sends when a connection misbehaves.
//   12:00:01.234 > 74 30 30 3F
//   12:00:01.251 < 4B 45 44 58 ...
//   12:00:06.255 ! watchdog
class Trace {
public:
    Trace() = default;
    bool open(const QString& path); // false when the file cannot be created
    bool isOpen() const { return m_file.isOpen(); }

    void sent(const QByteArray& frame);
    void received(const QByteArray& reply);
    void event(const QString& text);

private:
    void line(char direction, const QString& body);
    QFile m_file;
};
