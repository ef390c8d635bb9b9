#include "editjournal.h"

#include "racing/tlafile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

// A journal entry is read and written like a table file: whole or not at all.
using tla::load;
using tla::save;

EditJournal::EditJournal(QString folder, QString kind, QString extension)
    : m_folder(std::move(folder))
    , m_kind(std::move(kind))
    , m_extension(std::move(extension))
{
}

QString EditJournal::folderFor(const QString& settingsFolder, const QString& serialNumber)
{
    // The serial number names a folder: only characters every file system takes.
    QString name;
    for (const QChar c : serialNumber.trimmed())
        name += c.isLetterOrNumber() && c.unicode() < 128 ? c : QLatin1Char('_');
    if (name.isEmpty())
        return {};
    return QDir(settingsFolder).filePath(kFolder + QLatin1Char('/') + name);
}

QString EditJournal::path() const
{
    return QDir(m_folder).filePath(m_kind + QLatin1Char('.') + m_extension);
}

QString EditJournal::baselinePath() const
{
    return QDir(m_folder).filePath(m_kind + QStringLiteral("-gelesen.") + m_extension);
}

bool EditJournal::write(const QByteArray& table, const std::optional<QByteArray>& baseline)
{
    if (!enabled() || !QDir().mkpath(m_folder))
        return false;
    // The baseline first: a journal never pairs with the baseline of another read.
    if (baseline) {
        if (!save(baselinePath(), *baseline))
            return false;
    } else {
        QFile::remove(baselinePath());
    }
    return save(path(), table);
}

void EditJournal::clear()
{
    if (!enabled())
        return;
    QFile::remove(path());
    QFile::remove(baselinePath());
}

QString EditJournal::question(const QString& table, const QDateTime& written, std::optional<int> differences)
{
    QString count;
    if (!differences)
        count = QStringLiteral("kein zuvor gelesener Stand");
    else if (*differences == 1)
        count = QStringLiteral("1 Wert weicht vom zuletzt gelesenen Stand ab");
    else
        count = QStringLiteral("%1 Werte weichen vom zuletzt gelesenen Stand ab").arg(*differences);
    return QStringLiteral("Für dieses Steuergerät gibt es ungespeicherte Änderungen an %1 vom %2 (%3). "
                          "Wiederherstellen?")
        .arg(table, written.toString(QStringLiteral("dd.MM.yyyy HH:mm")), count);
}

std::optional<EditJournal::Entry> EditJournal::read() const
{
    if (!enabled())
        return std::nullopt;
    const std::optional<QByteArray> table = load(path());
    if (!table)
        return std::nullopt;
    return Entry { *table, load(baselinePath()), QFileInfo(path()).lastModified() };
}
