#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

// Unsaved edits of one table kind of one unit, kept on disk so that they
// survive a crash or a lost link: the edited table in the table's own file
// format and, beside it, the table as the unit's last read brought it.
// Failures to write are not reported; the journal is a safety net, never a
// reason for a box while editing.
class EditJournal {
public:
    static inline const QString kFolder = QStringLiteral("Journal");

    // `folder` is empty when the unit has no serial number: then nothing is kept.
    EditJournal(QString folder, QString kind, QString extension);

    // <settings folder>/Journal/<serial number>, or empty without a serial number.
    static QString folderFor(const QString& settingsFolder, const QString& serialNumber);

    bool enabled() const { return !m_folder.isEmpty(); }
    QString path() const;
    QString baselinePath() const;

    // Replaces the journal; no baseline when the unit was not read.
    bool write(const QByteArray& table, const std::optional<QByteArray>& baseline);
    void clear();

    struct Entry {
        QByteArray table;
        std::optional<QByteArray> baseline;
        QDateTime written;
    };
    std::optional<Entry> read() const;

    // The question on opening: `table` names the table ("der Zündwinkeltabelle"),
    // `differences` counts the values that differ from the last read, if any.
    static QString question(const QString& table, const QDateTime& written, std::optional<int> differences);

private:
    QString m_folder;
    QString m_kind;
    QString m_extension;
};
