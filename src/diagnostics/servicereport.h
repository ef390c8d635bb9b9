#pragma once

#include "core/identity.h"
#include "core/servicerecord.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// The service report: what the program knows about the connected unit in
// this run, as sections of text and tables, rendered for the preview, paper,
// PDF and a semicolon-separated file. No widgets, no link.
namespace service {

inline const QString kTitle = QStringLiteral("Servicebericht");
inline const QString kNotRead = QStringLiteral("Nicht gelesen");
inline const QString kNoActuatorTest = QStringLiteral("Kein Stellgliedtest durchgeführt");

// A run of lines, or a table. Preformatted lines keep their blanks and a
// fixed pitch, as the fault memory window lines up its report.
struct Block {
    QStringList lines;
    bool preformatted = false;
    std::optional<TextTable> table;
};

struct Section {
    QString heading;
    std::vector<Block> blocks;
};

struct Report {
    QString title;
    std::vector<Section> sections;
};

struct Sources {
    UnitIdentity unit;
    int port = 0;
    QDateTime createdAt;
    QDateTime faultsReadAt;
    QString faultReport; // as the fault memory window shows it, CR LF or LF
    const ServiceRecord* record = nullptr;
};

Report build(const Sources& sources);

// Date and time as the report writes them, in the regional format.
QString dateTimeText(const QDateTime& at);

// For QTextDocument: A4 portrait, small tables so that five columns fit.
QString toHtml(const Report& report);
// One section after another, ";" between fields, CR LF, Latin-1 like the
// program's log and table files. A field holding ";" or a quote is quoted.
QByteArray toCsv(const Report& report);

} // namespace service
