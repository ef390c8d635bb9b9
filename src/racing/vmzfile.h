#pragma once

#include <QByteArray>
#include <QString>

class IgnitionTable;
struct AngleCoding;

// The ignition table file (".vmz"): the table bytes as decimal text, one band
// per line in grid row order, each line ended by CR LF. 111 bands: "c1;c2";
// 76 bands: the single byte. An empty cell is written as empty text.
namespace vmz {

QByteArray write(const IgnitionTable& table);

struct LoadResult {
    int rowsFilled = 0; // rows beyond keep what they held
    int lines = 0; // lines in the file, read or not
    // The file has the other scheme's form: the caller warns once.
    bool otherScheme = false;
};
// Fills the table's rows from the file's lines, in order, up to the table's
// row count; further lines are not read.
LoadResult read(const QByteArray& content, IgnitionTable& table, const AngleCoding& coding);

// The notice that the file's line count is not the table's band count, naming
// both; empty when they agree. A missing line shifts every later band.
QString lineCountNotice(const LoadResult& result, int rows);

// A file's text quoted in a box: at most kExcerptLength characters, then
// "…"; characters that cannot be shown become "?". A binary file must not
// fill a box with garbage.
constexpr int kExcerptLength = 40;
QString excerpt(const QString& text);

} // namespace vmz
