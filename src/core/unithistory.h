#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>
#include <optional>
#include <utility>

// Earlier states of a unit's tables and parameter blocks, kept beside the
// settings file so that a read that overwrote something good can be undone:
//
//   <settings dir>/Verlauf/<serial number>/<kind>/20261208-231500-123.vmz
//   <settings dir>/Verlauf/<serial number>/<kind>/20261208-231500-123.quelle
//
// One file per version, named by its local time stamp, in the program's own
// formats: ".vmz" for the ignition table, ".tla" for a lambda map with its
// flow rate, ".txt" for a parameter block (see ParameterBlock). The
// ".quelle" sidecar holds the source in UTF-8: "Motorsteuergerät" for a read
// from the unit, else the path of the file that was loaded. At most
// kMaxVersions per kind and unit; the oldest go first. A version whose bytes
// and source equal the newest one adds nothing, so a window that reads on
// every opening does not push older states out.
//
// Storing never asks the user anything: a failure is reported through the
// log callback only (the protocol trace).
class UnitHistory {
public:
    enum class Kind { IgnitionTable, LambdaMap, Switching, CoilFunctions, Choke, LoadChange, BasicSettings };

    static constexpr int kMaxVersions = 50;
    static inline const QString kFromUnit = QStringLiteral("Motorsteuergerät");
    static inline const QString kFolder = QStringLiteral("Verlauf");
    static inline const QString kUnknownSerial = QStringLiteral("unbekannt");

    struct Version {
        Kind kind = Kind::IgnitionTable;
        QDateTime at;
        QString source;
        QString path; // the version's file
    };

    UnitHistory(QString settingsDir, QString serial);

    void setLog(std::function<void(const QString&)> log) { m_log = std::move(log); }

    // `extension` without the dot. False when the version could not be kept.
    bool store(
        Kind kind, const QByteArray& bytes, const QString& extension, const QString& source, const QDateTime& at);
    // Newest first.
    QList<Version> versions(Kind kind) const;
    std::optional<QByteArray> load(const Version& version) const;

    QString folder(Kind kind) const;
    // A serial number as a folder name: letters, digits, '-' and '_' stay,
    // anything else becomes '_'; an empty one is kUnknownSerial.
    static QString folderName(const QString& serial);
    static QString kindFolder(Kind kind);

private:
    void log(const QString& text) const;
    void prune(Kind kind);

    QString m_root;
    std::function<void(const QString&)> m_log;
};

// A parameter block as text: the raw values a tab writes to the unit.
//
//   Schaltmodul 1
//   output1Mode=255
//   threshold1=12
//
// The first line names the block and the format version (1), separated by a
// blank; then one "name=value" line per value, a decimal integer, in the
// order the tab lists them. UTF-8, LF line ends; a CR before the LF and
// empty lines are ignored when read.
struct ParameterBlock {
    static constexpr int kFormatVersion = 1;

    QString name;
    QList<std::pair<QString, int>> values;

    // A tab's value, its name in the block and the range it may take.
    struct Field {
        QString name;
        int* value;
        int min;
        int max;
    };
    static ParameterBlock of(const QString& name, const QList<Field>& fields);
    // When every field is in the block and within its range, the fields take
    // the block's values and the result is true; otherwise nothing changes.
    bool takeInto(const QList<Field>& fields) const;

    std::optional<int> value(const QString& key) const;
    QByteArray toText() const;
    // Nothing when the text is no block of this format version.
    static std::optional<ParameterBlock> fromText(const QByteArray& text);
};
