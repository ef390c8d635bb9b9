#pragma once

#include "core/commands.h"

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

// The unit's two target-lambda maps and the injector flow rate: where each
// cell is stored, how its bytes read as lambda, what the in-place editor
// accepts and what a write may send. No widgets.
namespace lambda {

// The text as a number: "," or "." as separator, blanks around allowed,
// nothing else.
std::optional<double> numberOf(const QString& text);

constexpr int kRows = 10; // air-mass bands, grid rows 1-10
constexpr int kColumns = 6; // engine-speed bands, grid columns 1-6

enum class Map { One, Two };

// A grid cell, row 1-10 and column 1-6 as the grid counts them.
struct Cell {
    int row = 0;
    int column = 0;
    bool operator==(const Cell&) const = default;
};

// Grid headers.
inline const QString kCornerLabel = QStringLiteral("Luftmasse kg/h");
const QStringList& rowLabels(); // "0-15" ... "über 320"
const QStringList& columnLabels(); // "0,0-1,3" ... "  > 6,5"
// "Luftmasse 0-15 kg/h, Drehzahl 0,0-1,3": a cell named in a box.
QString cellName(Cell cell);

// Texts of the boxes and the source label.
inline const QString kRangeTitle = QStringLiteral("ACHTUNG");
inline const QString kRangeText
    = QStringLiteral("Lambdawert muss zwischen 0.10 und 2.55 liegen. Standardwert wird gesetzt!");
inline const QString kInvalidReadText
    = QStringLiteral("Der gelesene Einspritzparameter ist unzulässig. Standardwert wird verwendet!");
inline const QString kIncompleteTitle = QStringLiteral("Fehler");
inline const QString kIncompleteText
    = QStringLiteral("Die Lambdatabelle ist unvollständig und kann so nicht gespeichert werden.");
inline const QString kNoCellText = QStringLiteral("Noch kein Tabellenplatz zum Schreiben selektiert!");
inline const QString kEngineTurnsText = QStringLiteral("Motor steht nicht still. Übertragung abgebrochen!");
inline const QString kTransferErrorText = QStringLiteral("Uebertragungsfehler");
inline const QString kFromUnit = QStringLiteral("Vom Motorsteuergerät!");
inline const QString kFlowInvalidTitle = QStringLiteral("Hinweis");
inline const QString kFlowInvalidText = QStringLiteral(
    "Die angegebene Fördermenge des Einspritzventils ist ungültig. Der Standardwert wird verwendet");
// A cell a write or a save cannot take; %1 the text, %2 the cell's name.
QString unsendableText(const QString& text, Cell cell);
QString unsavableText(const QString& text, Cell cell);

// --- Storage in the unit ---------------------------------------------------

// Address of the cell's high byte; the low byte follows at +1. Each speed
// column is a block of 20 bytes; map 2 lies 128 above map 1.
int highAddress(Map map, Cell cell);
// The cell and map an address belongs to; nothing for the unused addresses
// (0, 121-128, 249 and up).
struct Location {
    Map map = Map::One;
    Cell cell;
    bool lowByte = false;
};
std::optional<Location> locate(int address);

// A stored value N = 1024 / lambda in two big-endian bytes.
constexpr int kStandardStored = 1024; // lambda 1.00
constexpr int kFirstInvalidHigh = 41; // lambda 0.10 is N 10240, high byte 40
constexpr double kMinLambda = 0.10;
constexpr double kMaxLambda = 2.55;

// Lambda as the grid shows it: two decimals, regional separator.
QString lambdaText(double lambda);

// The two bytes a read brought, as the grid shows them. A high byte of 41 or
// more is invalid, and so is N = 0, which stands for no lambda at all: both
// show the box and the standard 1.00.
struct ReadCell {
    QString text;
    int stored = kStandardStored; // what the cell holds now
    bool invalid = false; // show kInvalidReadText
};
ReadCell decodeCell(int high, int low);

// What a write sends for a cell text: N = 1024 / value, halves to the even
// neighbour; "," or "." as separator whatever the locale, blanks around
// allowed. Nothing when the text is no number or N is one the unit would read
// back as invalid (0, or a high byte of 41 or more): such a cell is refused
// before the first byte goes out, never sent cut or wrapped.
std::optional<int> storedFromText(const QString& text);

// The standstill check before each row of a map write: the first byte of the
// period reply (cmd::period()) is 254 or 255 while the engine stands.
bool engineTurns(int firstPeriodByte);

// The read and write frames of a cell: high byte first, then low.
std::array<Request, 2> cellReads(Map map, Cell cell);
std::array<Request, 2> cellWrites(Map map, Cell cell, int stored);

// --- The in-place editor -----------------------------------------------------

// Committing the editor's text: the first "," counts as "."; the number at
// its start must lie within 0.10-2.55. Outside that the range box appears and
// an empty cell gets 1.00, a filled one keeps its text.
struct Commit {
    QString text; // the cell's text afterwards
    bool rangeBox = false;
};
Commit commitEdit(const QString& typed, const QString& current);

// --- Flow rate ---------------------------------------------------------------

constexpr int kFlowMin = 150; // g/min
constexpr int kFlowMax = 650;
constexpr int kFlowStandard = 178;
constexpr int kFlowDesign = 500; // the up-down's value before anything is read
constexpr int kFlowNumerator = 491520; // flow constant K = 491520 / flow rate

// A flow rate as the tab takes it: a value outside 150-650 is replaced by
// the standard 178 with kFlowInvalidText, never clamped in silence.
struct Flow {
    int rate = kFlowStandard;
    bool replaced = false;
};
// From the unit's two bytes. 255, 255 (never set) counts as K = 1, and K = 0
// has no flow rate: both are replaced.
Flow flowFromConstant(int high, int low);
// From a number (a file's line): rounded half to even, then range-checked.
Flow flowFromNumber(double value);
// K for a flow rate of 150-650, halves to the even neighbour.
int constantFromFlow(int rate);

// --- Both maps ---------------------------------------------------------------

// The tab's data: per map and cell the text the grid shows, plus the stored
// value when the cell came from the unit and was not edited since, so that
// writing back a map just read sends the unit's own bytes and not their
// two-decimal rounding. One flow rate for both maps.
class LambdaMaps {
public:
    Map shown() const { return m_shown; }
    void show(Map map) { m_shown = map; }

    const QString& text(Map map, Cell cell) const;
    // A read from the unit; returns the decoded cell (its invalid flag asks
    // for the box).
    ReadCell setFromUnit(Map map, Cell cell, int high, int low);
    // A text from a file or the editor, taken as it stands.
    void setText(Map map, Cell cell, const QString& text);
    // The editor's commit on a cell; a cell confirmed unchanged keeps the
    // value read from the unit.
    Commit commit(Map map, Cell cell, const QString& typed);

    // Every cell of the map holds some text.
    bool complete(Map map) const;
    // What a write sends for the cell; nothing when it cannot be sent.
    std::optional<int> storedValue(Map map, Cell cell) const;
    // The first cell, row by row, a write of the map would have to refuse.
    std::optional<Cell> firstUnsendable(Map map) const;

    // Both maps and the flow rate of `other`; the shown map and the target stay.
    void takeValues(const LambdaMaps& other)
    {
        m_maps = other.m_maps;
        m_flow = other.m_flow;
    }

    int flow() const { return m_flow; }
    void setFlow(int rate) { m_flow = rate; }

    // The cell a single-cell write sends; kept across map switches.
    std::optional<Cell> target() const { return m_target; }
    void setTarget(Cell cell) { m_target = cell; }

private:
    struct Slot {
        QString text;
        std::optional<int> stored; // from the unit, unedited
    };
    const Slot& slot(Map map, Cell cell) const;
    Slot& slot(Map map, Cell cell);

    std::array<std::array<Slot, kRows * kColumns>, 2> m_maps {};
    Map m_shown = Map::One;
    int m_flow = kFlowDesign;
    std::optional<Cell> m_target;
};

} // namespace lambda
