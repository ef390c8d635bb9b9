#include "settings.h"

#include "format.h"

#include <QDir>
#include <QFile>
#include <QList>
#include <QSaveFile>

#include <algorithm>

namespace {

// A field of fixed width; values beyond the width are clamped, since a longer
// line would make the whole file invalid and lose every setting at the next read.
QByteArray digits(int value, int width)
{
    int max = 1;
    for (int i = 0; i < width; ++i)
        max *= 10;
    return QByteArray::number(std::clamp(value, 0, max - 1)).rightJustified(width, '0');
}

QByteArray flag(int value)
{
    return digits(value, 1);
}

// The widest field has four digits.
constexpr double kFieldMax = 9999;

// Numeric value of a field, rounded to an integer (non-numeric gives 0). An
// exponent ("9e50") reads as a number too, but never beyond what four digits
// hold: the value must fit an int and leave room for the callers' sums.
int numeric(const QByteArray& field)
{
    return static_cast<int>(fmt::roundHalfEven(std::clamp(fmt::leadingNumber(field), -kFieldMax, kFieldMax)));
}

// Code of the last character minus 48; the character is not checked to be a digit.
int lastCode(const QByteArray& line, int fallback)
{
    if (line.isEmpty())
        return fallback;
    return static_cast<unsigned char>(line.back()) - 48;
}

} // namespace

SettingsFile::SettingsFile(QString directory)
{
    const QString dir = directory.isEmpty() ? QDir::currentPath() : directory;
    m_path = QDir(dir).filePath(QString::fromLatin1(kFileName));
}

void SettingsFile::setUnavailableHandler(std::function<void(const QString&)> handler)
{
    m_unavailable = std::move(handler);
}

void SettingsFile::reportUnavailable()
{
    if (m_reported)
        return;
    m_reported = true;
    if (m_unavailable)
        m_unavailable(m_path);
}

QByteArray SettingsFile::format(const Settings& s)
{
    QByteArray out;
    const auto add = [&out](const QByteArray& l) { out += l + "\r\n"; };
    add("COM=" + digits(s.comPort, 3));
    add("RTime=" + digits(s.requestTimeMs / 100, 2));
    add("Warnings=" + flag(s.warnings));
    add("NoBreakMsg=" + flag(s.noBreakMsg));
    add("AutoReCon=" + flag(s.autoReCon));
    add("NoUpdateMsg=" + flag(s.noUpdateMsg));
    add("DwgPos=" + digits(s.dwgPos, 3));
    add("DwgGrdPos=" + digits(s.dwgGrdPos, 3));
    add("MaxHub=" + digits(s.maxHub, 4));
    add("Pleuell=" + digits(s.pleuell, 4));
    return out;
}

QByteArray SettingsFile::defaultFile()
{
    return format(Settings {});
}

int SettingsFile::EnsureSettingsFile()
{
    QFile f(m_path);
    if (f.exists() && f.size() == kFileSize)
        return 0;
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(defaultFile()) != kFileSize) {
        if (!(f.exists() && f.size() == kFileSize))
            reportUnavailable();
    }
    return 0;
}

QByteArray SettingsFile::line(int number)
{
    EnsureSettingsFile();
    QFile f(m_path);
    if (!f.open(QIODevice::ReadOnly)) {
        reportUnavailable();
        return {};
    }
    const QByteArray all = f.readAll();
    if (all.size() != kFileSize)
        return {};
    // Lines end with CR LF; a lone CR or LF also ends a line.
    QList<QByteArray> lines;
    QByteArray current;
    for (int i = 0; i < all.size(); ++i) {
        const char c = all[i];
        if (c == '\r' || c == '\n') {
            lines.append(current);
            current.clear();
            if (c == '\r' && i + 1 < all.size() && all[i + 1] == '\n')
                ++i;
        } else {
            current += c;
        }
    }
    if (!current.isEmpty())
        lines.append(current);
    return number >= 1 && number <= lines.size() ? lines[number - 1] : QByteArray();
}

// A missing file or line (only possible when the file cannot be read at all)
// gives the default, never a random code.
int SettingsFile::ReadComPort()
{
    const QByteArray l = line(1);
    return l.isEmpty() ? Settings {}.comPort : numeric(l.right(3));
}

int SettingsFile::ReadRequestTime()
{
    const QByteArray l = line(2);
    if (l.size() < 7)
        return Settings {}.requestTimeMs;
    return ((static_cast<unsigned char>(l[6]) - 48) * 10 + (static_cast<unsigned char>(l.back()) - 48)) * 100;
}

int SettingsFile::ReadWarnings()
{
    return lastCode(line(3), Settings {}.warnings);
}
int SettingsFile::ReadNoBreakMsg()
{
    return lastCode(line(4), Settings {}.noBreakMsg);
}
int SettingsFile::ReadAutoReCon()
{
    return lastCode(line(5), Settings {}.autoReCon);
}
int SettingsFile::ReadNoUpdateMsg()
{
    return lastCode(line(6), Settings {}.noUpdateMsg);
}

int SettingsFile::ReadDwgPos()
{
    const QByteArray l = line(7);
    return l.isEmpty() ? Settings {}.dwgPos : numeric(l.mid(7, 3));
}

int SettingsFile::ReadDwgGrdPos()
{
    const QByteArray l = line(8);
    return l.isEmpty() ? Settings {}.dwgGrdPos : numeric(l.mid(10, 3));
}

int SettingsFile::ReadMaxHub()
{
    const QByteArray l = line(9);
    return l.isEmpty() ? Settings {}.maxHub : numeric(l.mid(7, 4));
}

int SettingsFile::ReadPleuell()
{
    const QByteArray l = line(10);
    return l.isEmpty() ? Settings {}.pleuell : numeric(l.mid(8, 4));
}

Settings SettingsFile::readAll()
{
    Settings s;
    s.comPort = ReadComPort();
    s.requestTimeMs = ReadRequestTime();
    s.warnings = ReadWarnings();
    s.noBreakMsg = ReadNoBreakMsg();
    s.autoReCon = ReadAutoReCon();
    s.noUpdateMsg = ReadNoUpdateMsg();
    s.dwgPos = ReadDwgPos();
    s.dwgGrdPos = ReadDwgGrdPos();
    s.maxHub = ReadMaxHub();
    s.pleuell = ReadPleuell();
    return s;
}

bool SettingsFile::write(const Settings& s)
{
    EnsureSettingsFile();
    const QByteArray content = format(s);
    // Written beside and renamed over, so a failed write never leaves half a file.
    QSaveFile f(m_path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write(content);
    return f.commit();
}
