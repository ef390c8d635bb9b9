#include "racing/editjournal.h"
#include "racing/tableedits.h"
#include "racing/undostack.h"

#include "support/testnames.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

using gridclip::Fault;
using lambda::Cell;
using lambda::Map;

QString u(const char* s)
{
    return QString::fromUtf8(s);
}

// Angles of these tests: reference 382 (38.2 degrees), no shift.
const AngleCoding kCoding { 382, 0 };

// --- Undo ------------------------------------------------------------------------

enum class Op { Change, Undo, Redo };

struct UndoStep {
    const char* what;
    Op op;
    const char* to; // the new state of a change
    const char* expected; // the state afterwards
    int undoSteps;
    int redoSteps;
};

TEST(UndoStack, EditsLoadsAndReads_UndoAndRedoInOrder_ANewChangeDropsTheRedoSteps)
{
    const UndoStep steps[] = {
        { "edit", Op::Change, "A", "A", 1, 0 },
        { "load", Op::Change, "file", "file", 2, 0 },
        { "read", Op::Change, "unit", "unit", 3, 0 },
        { "undo the read", Op::Undo, nullptr, "file", 2, 1 },
        { "undo the load", Op::Undo, nullptr, "A", 1, 2 },
        { "undo the edit", Op::Undo, nullptr, "", 0, 3 },
        { "undo past the start", Op::Undo, nullptr, "", 0, 3 },
        { "redo the edit", Op::Redo, nullptr, "A", 1, 2 },
        { "redo the load", Op::Redo, nullptr, "file", 2, 1 },
        { "new edit", Op::Change, "B", "B", 3, 0 },
        { "redo after the new edit", Op::Redo, nullptr, "B", 3, 0 },
        { "undo the new edit", Op::Undo, nullptr, "file", 2, 1 },
    };
    UndoStack<QString> stack;
    QString state;
    for (const UndoStep& step : steps) {
        switch (step.op) {
        case Op::Change:
            stack.record(state);
            state = QString::fromLatin1(step.to);
            break;
        case Op::Undo:
            if (std::optional<QString> s = stack.undo(state))
                state = *s;
            break;
        case Op::Redo:
            if (std::optional<QString> s = stack.redo(state))
                state = *s;
            break;
        }
        EXPECT_EQ(state, QString::fromLatin1(step.expected)) << step.what;
        EXPECT_EQ(stack.undoSteps(), step.undoSteps) << step.what;
        EXPECT_EQ(stack.redoSteps(), step.redoSteps) << step.what;
    }

    // The limit: the last 100 changes can be undone, the oldest are forgotten.
    UndoStack<int> limited;
    int value = 0;
    for (int i = 1; i <= 150; ++i) {
        limited.record(value);
        value = i;
    }
    int undone = 0;
    while (std::optional<int> s = limited.undo(value)) {
        value = *s;
        ++undone;
    }
    EXPECT_EQ(undone, UndoStack<int>::kDefaultLimit);
    EXPECT_EQ(value, 50);
}

// --- Copy and paste: ignition table ------------------------------------------

IgnitionTable filledTable(BandScheme scheme, int byte)
{
    IgnitionTable table(scheme);
    for (int row = 0; row < table.rows(); ++row)
        for (int cylinder = 0; cylinder < ignition::dataColumns(scheme); ++cylinder)
            table.setByte(row, cylinder, byte, kCoding, CellOrigin::Unit);
    return table;
}

struct ByteAfter {
    int row;
    int cylinder;
    const char* byte;
};

struct IgnitionPasteCase {
    const char* name;
    BandScheme scheme;
    const char* text;
    int row;
    int column;
    std::optional<Fault> fault;
    int changed;
    std::vector<ByteAfter> after;
    // The box, %1 the band label of the named row; empty: not checked.
    const char* faultText = "";
    int faultRow = 0;
};

class IgnitionPaste : public ::testing::TestWithParam<IgnitionPasteCase> { };

TEST_P(IgnitionPaste, TakesAnglesAllOrNothing)
{
    const IgnitionPasteCase& c = GetParam();
    IgnitionTable table = filledTable(c.scheme, 100); // 28.2 degrees
    const gridclip::PasteResult result = ignition::paste(table, u(c.text), c.row, c.column, kCoding);
    EXPECT_EQ(result.fault.has_value(), c.fault.has_value());
    if (result.fault && c.fault) {
        EXPECT_EQ(result.fault->fault, *c.fault);
        if (*c.faultText)
            EXPECT_EQ(ignition::pasteFaultText(*result.fault, kCoding),
                u(c.faultText).arg(bands::labels(c.scheme).at(c.faultRow)));
    }
    EXPECT_EQ(result.changed, c.changed);
    for (const ByteAfter& a : c.after) {
        EXPECT_EQ(table.byteText(a.row, a.cylinder), QString::fromLatin1(a.byte)) << a.row << "/" << a.cylinder;
        if (c.scheme == BandScheme::Shared76)
            EXPECT_EQ(table.byteText(a.row, 1), QString::fromLatin1(a.byte));
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, IgnitionPaste,
    ::testing::Values(
        IgnitionPasteCase { "crlf_twoByTwo", BandScheme::PerCylinder111, "30,0\t31,5\r\n12,7\t38,2\r\n", 5, 0,
            std::nullopt, 4, { { 5, 0, "82" }, { 5, 1, "67" }, { 6, 0, "255" }, { 6, 1, "0" }, { 7, 0, "100" } } },
        IgnitionPasteCase { "lf_dot_noLineEnd_secondCylinder", BandScheme::PerCylinder111, "30.0\n29,0", 7, 1,
            std::nullopt, 2, { { 7, 0, "100" }, { 7, 1, "82" }, { 8, 1, "92" } } },
        IgnitionPasteCase { "emptyFieldKeepsItsCell", BandScheme::PerCylinder111, "\t30,0\r\n", 9, 0, std::nullopt,
            1, { { 9, 0, "100" }, { 9, 1, "82" } } },
        IgnitionPasteCase { "sameValueChangesNothing", BandScheme::PerCylinder111, "28,2\t28.2\r\n", 0, 0,
            std::nullopt, 0, { { 0, 0, "100" } } },
        IgnitionPasteCase { "notANumber", BandScheme::PerCylinder111, "30,0\tabc\r\n", 2, 0, Fault::NotANumber, 0,
            { { 2, 0, "100" }, { 2, 1, "100" } },
            "Der eingefügte Wert \"abc\" für Drehzahlbereich %1 U/min, Zylinder 2 ist keine Zahl. Es wurde nichts "
            "eingefügt.",
            2 },
        IgnitionPasteCase { "belowTheLatestAngle", BandScheme::PerCylinder111, "30,0\r\n12,6\r\n", 0, 0,
            Fault::OutOfRange, 0, { { 0, 0, "100" }, { 1, 0, "100" } },
            "Der eingefügte Zündwinkel \"12,6\" für Drehzahlbereich %1 U/min, Zylinder 1 liegt außerhalb von 12,7 "
            "bis 38,2 Grad. Es wurde nichts eingefügt.",
            1 },
        IgnitionPasteCase { "threeColumns", BandScheme::PerCylinder111, "30\t30\t30\r\n", 0, 0, Fault::TooLarge, 0,
            { { 0, 0, "100" } } },
        IgnitionPasteCase { "pastTheLastBand", BandScheme::PerCylinder111, "30\r\n30\r\n", 110, 0, Fault::TooLarge,
            0, { { 110, 0, "100" } } },
        IgnitionPasteCase { "shared_setsBothCylinders", BandScheme::Shared76, "30,0\r\n31,0\r\n", 74, 0,
            std::nullopt, 2, { { 74, 0, "82" }, { 75, 0, "72" } } },
        IgnitionPasteCase { "shared_twoColumns", BandScheme::Shared76, "30\t30\r\n", 0, 0, Fault::TooLarge, 0,
            { { 0, 0, "100" } } }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IgnitionCopy, WholeTableAndArea_PasteBackChangesNothing)
{
    IgnitionTable table = filledTable(BandScheme::PerCylinder111, 100);
    table.setByte(1, 1, 0, kCoding, CellOrigin::Hand);
    IgnitionTable empty(BandScheme::PerCylinder111);
    const QString area = ignition::copyText(table, { 0, 1, 2, 1 });
    EXPECT_EQ(area, u("28,2\r\n38,2\r\n"));
    for (IgnitionTable* t : { &table, &empty }) {
        const IgnitionTable before = *t;
        const QString text = ignition::copyText(*t, ignition::wholeTable(*t));
        EXPECT_EQ(gridclip::parse(text).size(), 111);
        const gridclip::PasteResult result = ignition::paste(*t, text, 0, 0, kCoding);
        EXPECT_FALSE(result.fault);
        EXPECT_EQ(result.changed, 0);
        EXPECT_TRUE(ignition::differences(*t, before).empty());
    }
}

// --- Copy and paste: lambda map ------------------------------------------------

lambda::LambdaMaps filledMaps(const QString& text)
{
    lambda::LambdaMaps maps;
    for (const Map map : { Map::One, Map::Two })
        for (int row = 1; row <= lambda::kRows; ++row)
            for (int column = 1; column <= lambda::kColumns; ++column)
                maps.setText(map, { row, column }, text);
    return maps;
}

struct TextAfter {
    Cell cell;
    const char* text;
};

struct LambdaPasteCase {
    const char* name;
    const char* text;
    Cell from;
    std::optional<Fault> fault;
    int changed;
    std::vector<TextAfter> after;
    const char* faultText = "";
};

class LambdaPaste : public ::testing::TestWithParam<LambdaPasteCase> { };

TEST_P(LambdaPaste, TakesValuesAllOrNothing)
{
    const LambdaPasteCase& c = GetParam();
    lambda::LambdaMaps maps = filledMaps(u("1,00"));
    const gridclip::PasteResult result = lambda::paste(maps, Map::Two, u(c.text), c.from);
    EXPECT_EQ(result.fault.has_value(), c.fault.has_value());
    if (result.fault && c.fault) {
        EXPECT_EQ(result.fault->fault, *c.fault);
        if (*c.faultText)
            EXPECT_EQ(lambda::pasteFaultText(*result.fault), u(c.faultText));
    }
    EXPECT_EQ(result.changed, c.changed);
    for (const TextAfter& a : c.after) {
        EXPECT_EQ(maps.text(Map::Two, a.cell), u(a.text)) << a.cell.row << "/" << a.cell.column;
        EXPECT_EQ(maps.text(Map::One, a.cell), u("1,00"));
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, LambdaPaste,
    ::testing::Values(
        LambdaPasteCase { "spreadsheet_crlf", "0,85\t0.9\r\n2,55\t0,10\r\n", { 1, 1 }, std::nullopt, 4,
            { { { 1, 1 }, "0,85" }, { { 1, 2 }, "0,90" }, { { 2, 1 }, "2,55" }, { { 2, 2 }, "0,10" },
                { { 1, 3 }, "1,00" } } },
        LambdaPasteCase { "lf_lastCell", "0,95\n", { 10, 6 }, std::nullopt, 1, { { { 10, 6 }, "0,95" } } },
        LambdaPasteCase { "emptyAndEqualFieldsKeepTheirCells", "\t1,00\t1.0\r\n", { 3, 1 }, std::nullopt, 0,
            { { { 3, 1 }, "1,00" }, { { 3, 2 }, "1,00" } } },
        LambdaPasteCase { "aboveTheRange", "0,85\t2,56\r\n", { 1, 1 }, Fault::OutOfRange, 0,
            { { { 1, 1 }, "1,00" } },
            "Der eingefügte Lambdawert \"2,56\" für Luftmasse 0-15 kg/h, Drehzahl 1,3-2,5 (1000 U/min) liegt "
            "nicht "
            "zwischen 0,10 und 2,55. Es wurde nichts eingefügt." },
        LambdaPasteCase { "notANumber", "0,85\r\nx\r\n", { 1, 1 }, Fault::NotANumber, 0, { { { 1, 1 }, "1,00" } },
            "Der eingefügte Wert \"x\" für Luftmasse 15-35 kg/h, Drehzahl 0,0-1,3 (1000 U/min) ist keine Zahl. Es "
            "wurde nichts eingefügt." },
        LambdaPasteCase { "pastTheLastColumn", "0,85\t0,85\r\n", { 1, 6 }, Fault::TooLarge, 0,
            { { { 1, 6 }, "1,00" } },
            "Die eingefügten Werte passen ab der gewählten Zelle nicht in die Tabelle: der Wert \"0,85\" (Zeile "
            "1, "
            "Spalte 2 der eingefügten Werte) läge außerhalb. Es wurde nichts eingefügt." }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LambdaCopy, WholeMapAndArea_PasteBackChangesNothing)
{
    lambda::LambdaMaps maps = filledMaps(u("1,00"));
    maps.setFromUnit(Map::One, { 1, 1 }, 4, 181); // 0,85 as the unit holds it
    maps.setText(Map::One, { 2, 1 }, QString());
    EXPECT_EQ(lambda::copyText(maps, Map::One, { 0, 0, 2, 2 }), u("0,85\t1,00\r\n\t1,00\r\n"));
    const lambda::LambdaMaps before = maps;
    const gridclip::PasteResult result
        = lambda::paste(maps, Map::One, lambda::copyText(maps, Map::One, lambda::wholeMap()), { 1, 1 });
    EXPECT_FALSE(result.fault);
    EXPECT_EQ(result.changed, 0);
    // The unit's own value stays, not its two-decimal rounding.
    EXPECT_EQ(maps.storedValue(Map::One, { 1, 1 }), 1205);
    EXPECT_TRUE(lambda::differences(maps, before, Map::One).empty());
}

// --- Comparing -------------------------------------------------------------------

TEST(Compare, CountsTheCellsThatDiffer)
{
    struct Case {
        const char* name;
        BandScheme scheme;
        std::vector<ByteAfter> changes; // into the second table; "" empties a cell
        int count;
    };
    const Case cases[] = {
        { "same", BandScheme::PerCylinder111, {}, 0 },
        { "oneCylinder", BandScheme::PerCylinder111, { { 3, 1, "101" } }, 1 },
        { "bothCylindersAndAnEmptyCell", BandScheme::PerCylinder111,
            { { 0, 0, "0" }, { 0, 1, "0" }, { 110, 1, "" } }, 3 },
        { "sharedCountsEachBandOnce", BandScheme::Shared76, { { 0, 0, "1" }, { 40, 0, "1" }, { 75, 0, "255" } },
            3 },
    };
    for (const Case& c : cases) {
        const IgnitionTable mine = filledTable(c.scheme, 100);
        IgnitionTable theirs = mine;
        for (const ByteAfter& change : c.changes) {
            if (*change.byte)
                theirs.setByte(
                    change.row, change.cylinder, QByteArray(change.byte).toInt(), kCoding, CellOrigin::Unit);
            else
                theirs.setText(change.row, change.cylinder, QString(), kCoding);
        }
        const std::vector<ignition::Difference> d = ignition::differences(mine, theirs);
        EXPECT_EQ(int(d.size()), c.count) << c.name;
        if (c.count > 0) {
            EXPECT_EQ(d.front().row, c.changes.front().row) << c.name;
            EXPECT_EQ(d.front().cylinder, c.changes.front().cylinder) << c.name;
        }
    }

    lambda::LambdaMaps mine = filledMaps(u("1,00"));
    lambda::LambdaMaps theirs = mine;
    theirs.setText(Map::Two, { 1, 1 }, u("1.00")); // the same value in a file's form
    theirs.setText(Map::Two, { 4, 2 }, u("0,86"));
    theirs.setText(Map::Two, { 10, 6 }, QString());
    theirs.setText(Map::One, { 5, 5 }, u("0,50")); // the other map is not compared
    EXPECT_EQ(lambda::differences(mine, theirs, Map::Two), (std::vector<Cell> { { 4, 2 }, { 10, 6 } }));

    EXPECT_EQ(gridclip::differenceCount(0), u("Keine Abweichung"));
    EXPECT_EQ(gridclip::differenceCount(1), u("1 Wert weicht ab"));
    EXPECT_EQ(gridclip::differenceCount(12), u("12 Werte weichen ab"));
}

// --- Journal ------------------------------------------------------------------

TEST(EditJournal, KeepsTheTableAndTheBaseline_ClearsBoth_AndFailsQuietly)
{
    QTemporaryDir dir;
    const QString folder = EditJournal::folderFor(dir.path(), u(" 12/34 ä"));
    EXPECT_EQ(folder, dir.path() + u("/Journal/12_34__"));
    EXPECT_TRUE(EditJournal::folderFor(dir.path(), u("  ")).isEmpty());

    EditJournal journal(folder, u("Zuendwinkeltabelle"), u("vmz"));
    EXPECT_FALSE(journal.read());
    ASSERT_TRUE(journal.write("57;60\r\n", QByteArray("57;61\r\n")));
    std::optional<EditJournal::Entry> entry = journal.read();
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->table, QByteArray("57;60\r\n"));
    EXPECT_EQ(entry->baseline, QByteArray("57;61\r\n"));
    // A journal of edits without a read has no baseline left from before.
    ASSERT_TRUE(journal.write("1\r\n", std::nullopt));
    EXPECT_FALSE(journal.read()->baseline);
    journal.clear();
    EXPECT_FALSE(journal.read());
    EXPECT_FALSE(QFile::exists(journal.baselinePath()));

    // A file where the folder should be: nothing is written, nothing thrown.
    QFile blocker(dir.filePath(u("blocked")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EditJournal blocked(dir.filePath(u("blocked")), u("Zuendwinkeltabelle"), u("vmz"));
    EXPECT_FALSE(blocked.write("1\r\n", std::nullopt));
    EXPECT_FALSE(blocked.read());

    const QDateTime when(QDate(2026, 3, 14), QTime(9, 26, 53));
    EXPECT_EQ(EditJournal::question(u("der Zündwinkeltabelle"), when, 12),
        u("Für dieses Steuergerät gibt es ungespeicherte Änderungen an der Zündwinkeltabelle vom 14.03.2026 09:26 "
          "(12 Werte weichen vom zuletzt gelesenen Stand ab). Wiederherstellen?"));
    EXPECT_EQ(EditJournal::question(u("der Lambdatabelle (Kennfeld 2)"), when, 1),
        u("Für dieses Steuergerät gibt es ungespeicherte Änderungen an der Lambdatabelle (Kennfeld 2) vom "
          "14.03.2026 09:26 (1 Wert weicht vom zuletzt gelesenen Stand ab). Wiederherstellen?"));
    EXPECT_EQ(EditJournal::question(u("der Zündwinkeltabelle"), when, std::nullopt),
        u("Für dieses Steuergerät gibt es ungespeicherte Änderungen an der Zündwinkeltabelle vom 14.03.2026 09:26 "
          "(kein zuvor gelesener Stand). Wiederherstellen?"));
}

TEST(LambdaJournal, KeepsEmptyCellsAndTheFlowRate)
{
    lambda::LambdaMaps maps;
    maps.setText(Map::Two, { 1, 1 }, u("0,85"));
    maps.setText(Map::Two, { 10, 6 }, u("2,55"));
    maps.setFlow(178);
    const QByteArray content = lambda::journalContent(maps, Map::Two);
    EXPECT_TRUE(content.startsWith("0,85;    ;    ;    ;    ;    \r\n"));
    EXPECT_TRUE(content.endsWith("    ;    ;    ;    ;    ;2,55\r\n 178\r\n"));
    lambda::LambdaMaps back;
    lambda::readJournal(content, back, Map::Two);
    EXPECT_TRUE(lambda::differences(back, maps, Map::Two).empty());
    EXPECT_EQ(back.text(Map::Two, { 1, 2 }), QString());
    EXPECT_EQ(back.flow(), 178);
}

} // namespace
