#include "unithistory.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>

namespace {

const QString kStampFormat = QStringLiteral("yyyyMMdd-HHmmss-zzz");
const QString kSourceExtension = QStringLiteral("quelle");

// Only the program's own version files count; anything else in the folder
// (a user's note, a half-written temporary file) is left alone.
const QRegularExpression& versionName()
{
    static const QRegularExpression re(QStringLiteral("^(\\d{8}-\\d{6}-\\d{3})\\.(vmz|tla|txt)$"));
    return re;
}

bool writeAtomically(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

} // namespace

UnitHistory::UnitHistory(QString settingsDir, QString serial)
    : m_root(QDir(settingsDir).filePath(kFolder + QLatin1Char('/') + folderName(serial)))
{
}

QString UnitHistory::folderName(const QString& serial)
{
    QString name = serial.trimmed();
    for (QChar& c : name) {
        const bool plain = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')
            || c == u'-' || c == u'_';
        if (!plain)
            c = u'_';
    }
    return name.isEmpty() ? kUnknownSerial : name;
}

QString UnitHistory::kindFolder(Kind kind)
{
    switch (kind) {
    case Kind::IgnitionTable:
        return QStringLiteral("Zuendwinkeltabelle");
    case Kind::LambdaMap:
        return QStringLiteral("Lambdatabelle");
    case Kind::Switching:
        return QStringLiteral("Schaltmodul");
    case Kind::CoilFunctions:
        return QStringLiteral("Zusatzfunktionen");
    case Kind::Choke:
        return QStringLiteral("E-Choke");
    case Kind::LoadChange:
        return QStringLiteral("Lastwechsel");
    case Kind::BasicSettings:
        return QStringLiteral("Grundeinstellung");
    }
    return QStringLiteral("Sonstiges");
}

QString UnitHistory::folder(Kind kind) const
{
    return m_root + QLatin1Char('/') + kindFolder(kind);
}

void UnitHistory::log(const QString& text) const
{
    if (m_log)
        m_log(text);
}

bool UnitHistory::store(
    Kind kind, const QByteArray& bytes, const QString& extension, const QString& source, const QDateTime& at)
{
    const QList<Version> existing = versions(kind);
    if (!existing.isEmpty() && existing.first().source == source && load(existing.first()) == bytes)
        return true;

    const QString dir = folder(kind);
    if (!QDir().mkpath(dir)) {
        log(QStringLiteral("history: cannot create %1").arg(dir));
        return false;
    }
    // Two versions within one millisecond get neighbouring stamps, so neither
    // replaces the other.
    QDateTime stamp = at;
    QString base;
    for (int tries = 0; tries < 1000; ++tries, stamp = stamp.addMSecs(1)) {
        base = dir + QLatin1Char('/') + stamp.toString(kStampFormat);
        if (!QFile::exists(base + QLatin1Char('.') + extension)
            && !QFile::exists(base + QLatin1Char('.') + kSourceExtension))
            break;
    }
    // The source first: a version file without it would show an empty source.
    if (!writeAtomically(base + QLatin1Char('.') + kSourceExtension, source.toUtf8())
        || !writeAtomically(base + QLatin1Char('.') + extension, bytes)) {
        QFile::remove(base + QLatin1Char('.') + kSourceExtension);
        log(QStringLiteral("history: cannot write %1.%2").arg(base, extension));
        return false;
    }
    prune(kind);
    return true;
}

void UnitHistory::prune(Kind kind)
{
    const QList<Version> all = versions(kind);
    for (qsizetype i = kMaxVersions; i < all.size(); ++i) {
        const QString& path = all[i].path;
        const QString sidecar = path.left(path.lastIndexOf(u'.') + 1) + kSourceExtension;
        if (!QFile::remove(path))
            log(QStringLiteral("history: cannot remove %1").arg(path));
        QFile::remove(sidecar);
    }
}

QList<UnitHistory::Version> UnitHistory::versions(Kind kind) const
{
    QList<Version> list;
    const QDir dir(folder(kind));
    const QStringList names = dir.entryList(QDir::Files, QDir::Name | QDir::Reversed);
    for (const QString& name : names) {
        const QRegularExpressionMatch match = versionName().match(name);
        if (!match.hasMatch())
            continue;
        Version v;
        v.kind = kind;
        v.at = QDateTime::fromString(match.captured(1), kStampFormat);
        if (!v.at.isValid())
            continue;
        v.path = dir.filePath(name);
        QFile sidecar(dir.filePath(match.captured(1) + QLatin1Char('.') + kSourceExtension));
        if (sidecar.open(QIODevice::ReadOnly))
            v.source = QString::fromUtf8(sidecar.readAll());
        list.append(v);
    }
    return list;
}

std::optional<QByteArray> UnitHistory::load(const Version& version) const
{
    QFile file(version.path);
    if (!file.open(QIODevice::ReadOnly)) {
        log(QStringLiteral("history: cannot read %1").arg(version.path));
        return std::nullopt;
    }
    return file.readAll();
}

// --- Parameter blocks ---------------------------------------------------------

ParameterBlock ParameterBlock::of(const QString& name, const QList<Field>& fields)
{
    ParameterBlock block;
    block.name = name;
    for (const Field& f : fields)
        block.values.append({ f.name, *f.value });
    return block;
}

bool ParameterBlock::takeInto(const QList<Field>& fields) const
{
    for (const Field& f : fields) {
        const std::optional<int> v = value(f.name);
        if (!v || *v < f.min || *v > f.max)
            return false;
    }
    for (const Field& f : fields)
        *f.value = *value(f.name);
    return true;
}

std::optional<int> ParameterBlock::value(const QString& key) const
{
    for (const auto& [name, v] : values)
        if (name == key)
            return v;
    return std::nullopt;
}

QByteArray ParameterBlock::toText() const
{
    QByteArray text = name.toUtf8() + ' ' + QByteArray::number(kFormatVersion) + '\n';
    for (const auto& [key, v] : values)
        text += key.toUtf8() + '=' + QByteArray::number(v) + '\n';
    return text;
}

std::optional<ParameterBlock> ParameterBlock::fromText(const QByteArray& text)
{
    QList<QByteArray> lines = text.split('\n');
    for (QByteArray& line : lines)
        if (line.endsWith('\r'))
            line.chop(1);
    lines.removeAll(QByteArray());
    if (lines.isEmpty())
        return std::nullopt;

    ParameterBlock block;
    const QString head = QString::fromUtf8(lines.first());
    const qsizetype blank = head.lastIndexOf(u' ');
    bool ok = false;
    if (blank <= 0 || head.mid(blank + 1).toInt(&ok) != kFormatVersion || !ok)
        return std::nullopt;
    block.name = head.left(blank);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype eq = lines[i].indexOf('=');
        if (eq <= 0)
            return std::nullopt;
        const QString key = QString::fromUtf8(lines[i].left(eq)).trimmed();
        const int v = lines[i].mid(eq + 1).trimmed().toInt(&ok);
        if (!ok || key.isEmpty() || block.value(key))
            return std::nullopt;
        block.values.append({ key, v });
    }
    return block;
}
