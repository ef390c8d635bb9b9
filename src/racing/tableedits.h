#pragma once

#include "racing/anglecoding.h"
#include "racing/ignitiontable.h"
#include "racing/lambdamap.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// What the two table grids do besides their transfers: copy and paste as
// tab-separated text (the form spreadsheets exchange), and comparing a table
// with another one cell by cell. No widgets.
namespace gridclip {

// Rows of tab-separated fields. Rows end with CR LF or LF; a line end after
// the last row ends it and adds no empty row.
QList<QStringList> parse(const QString& text);
// Fields joined by tabs, every row ended by CR LF.
QString join(const QList<QStringList>& rows);

// A rectangle of data cells, counted from the first data row and column.
struct Area {
    int row = 0;
    int column = 0;
    int rows = 0;
    int columns = 0;
};

// Why a paste was refused, at the first field that fails. A paste is checked
// whole before anything changes.
enum class Fault { NotANumber, OutOfRange, TooLarge };
struct PasteFault {
    Fault fault = Fault::NotANumber;
    QString text; // the pasted field
    QString cellName; // the cell it would have gone to; empty when TooLarge
    int pastedRow = 0; // 1-based position within the pasted rows
    int pastedColumn = 0;
};
struct PasteResult {
    std::optional<PasteFault> fault;
    int changed = 0; // cells that now hold another value
};

// "12 Werte weichen ab", "1 Wert weicht ab", "Keine Abweichung".
QString differenceCount(int count);

} // namespace gridclip

namespace ignition {

// Data columns of the grid's angle part: one per cylinder on the 111-band
// scheme, one shared column on the 76-band scheme.
int dataColumns(BandScheme scheme);
gridclip::Area wholeTable(const IgnitionTable& table);
// The angles of the area with one decimal and the regional separator; a
// cell never filled is an empty field.
QString copyText(const IgnitionTable& table, const gridclip::Area& area);
// Angles from `text` into the bands from data cell (row, column) on. An empty
// field keeps its cell, and so does a field that reads as the cell already
// does. Nothing changes unless every field is an angle the unit can hold.
gridclip::PasteResult paste(
    IgnitionTable& table, const QString& text, int row, int column, const AngleCoding& coding);
QString pasteFaultText(const gridclip::PasteFault& fault, const AngleCoding& coding);
// "Drehzahlbereich 0-50 U/min, Zylinder 1".
QString cellName(const IgnitionTable& table, int row, int cylinder);

struct Difference {
    int row = 0;
    int cylinder = 0;
};
// The bands (and cylinders on the 111-band scheme) whose byte differs; a
// cell filled in one table and empty in the other differs too.
std::vector<Difference> differences(const IgnitionTable& mine, const IgnitionTable& theirs);

} // namespace ignition

namespace lambda {

gridclip::Area wholeMap();
// The cell texts of the area as the grid shows them.
QString copyText(const LambdaMaps& maps, Map map, const gridclip::Area& area);
// Lambda values from `text` into the map from `from` on; the same rules as
// the ignition paste, with the range of the in-place editor.
gridclip::PasteResult paste(LambdaMaps& maps, Map map, const QString& text, Cell from);
QString pasteFaultText(const gridclip::PasteFault& fault);

// The cells of the map whose values read differently (as the grid shows
// them); the flow rate is compared by the caller.
std::vector<Cell> differences(const LambdaMaps& mine, const LambdaMaps& theirs, Map map);

} // namespace lambda

namespace lambda {

// The journal of one map: the lambda table file's layout, but a cell not yet
// filled stays empty instead of refusing the file.
QByteArray journalContent(const LambdaMaps& maps, Map map);
// Into `map` of `maps`, with the flow rate of the journal.
void readJournal(const QByteArray& content, LambdaMaps& maps, Map map);

} // namespace lambda
