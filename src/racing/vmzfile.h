#pragma once

#include <QByteArray>

class IgnitionTable;
struct AngleCoding;

// The ignition table file (".vmz"): the table bytes as decimal text, one band
// per line in grid row order, each line ended by CR LF. 111 bands: "c1;c2";
// 76 bands: the single byte. An empty cell is written as empty text.
namespace vmz {

QByteArray write(const IgnitionTable& table);

struct LoadResult {
    int rowsFilled = 0; // rows beyond keep what they held
    // The file has the other scheme's form: the caller warns once.
    bool otherScheme = false;
};
// Fills the table's rows from the file's lines, in order, up to the table's
// row count; further lines are not read.
LoadResult read(const QByteArray& content, IgnitionTable& table, const AngleCoding& coding);

} // namespace vmz
