#pragma once

#include "racing/lambdamap.h"

#include <QByteArray>
#include <QChar>
#include <QString>

#include <optional>

// The lambda table file (".tla"): one target-lambda map and the injector flow
// rate as text. Lines 1-10 are the air-mass bands, six cells each of exactly
// four characters ("0.00" with the writer's decimal separator) joined by ";";
// line 11 is the flow rate in g/min with a leading blank. Every line ends
// with CR LF.
namespace tla {

inline const QString kFileFilter = QStringLiteral("Lambdatabelle (*.tla)|*tla");
inline const QString kDefaultExtension = QStringLiteral("tla");

enum class Refusal {
    None,
    Incomplete, // a cell is empty: lambda::kIncompleteText
    Unsavable, // a cell is no number or too wide for its four characters: lambda::unsavableText
};

struct Encoded {
    QByteArray content; // empty when refused
    Refusal refusal = Refusal::None;
    lambda::Cell cell; // the first unsavable cell
    QString cellText;
};
// The map's file with the maps' flow rate; cells are converted whatever
// separator they hold and written with `separator`.
Encoded write(const lambda::LambdaMaps& maps, lambda::Map map, QChar separator);
Encoded write(const lambda::LambdaMaps& maps, lambda::Map map); // regional separator

struct LoadResult {
    int rows = 0; // lines taken into the map; rows beyond keep their texts
    bool flowLine = false; // an eleventh line was there; else the flow rate stays
    bool flowReplaced = false; // its value was outside 150-650: lambda::kFlowInvalidText, 178
};
// Fills the map's rows from the file's lines, cell texts as they stand (a
// short line leaves the cells beyond its end empty), then the flow rate.
LoadResult read(const QByteArray& content, lambda::LambdaMaps& maps, lambda::Map map);

// Writes the whole file or nothing: an existing file is replaced only once
// the new one is complete.
bool save(const QString& path, const QByteArray& content);
// The file's bytes; nothing when it cannot be opened. Only the start of an
// overlong file is read: a lambda table file is some 330 bytes.
std::optional<QByteArray> load(const QString& path);

QString saveFailedText(const QString& path);
QString loadFailedText(const QString& path);

} // namespace tla
