#include "racing/tlafile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

namespace {

using lambda::Cell;
using lambda::LambdaMaps;
using lambda::Map;

QByteArray repeated(const QByteArray& line, int times)
{
    QByteArray out;
    for (int i = 0; i < times; ++i)
        out += line;
    return out;
}

void fill(LambdaMaps& maps, Map map, const QString& text)
{
    for (int row = 1; row <= lambda::kRows; ++row)
        for (int column = 1; column <= lambda::kColumns; ++column)
            maps.setText(map, { row, column }, text);
}

const QByteArray kAllOnesGerman = repeated("1,00;1,00;1,00;1,00;1,00;1,00\r\n", 10) + " 178\r\n";

// --- Writing -------------------------------------------------------------------

TEST(TlaWrite, EveryCellOneFlow178_IsTheWorkedExample)
{
    LambdaMaps maps;
    fill(maps, Map::One, QStringLiteral("1,00"));
    maps.setFlow(178);
    const tla::Encoded encoded = tla::write(maps, Map::One);
    EXPECT_EQ(encoded.refusal, tla::Refusal::None);
    EXPECT_EQ(encoded.content, kAllOnesGerman);
}

TEST(TlaWrite, CellsOfEitherSeparator_AreWrittenWithTheWritersOne)
{
    LambdaMaps maps;
    fill(maps, Map::Two, QStringLiteral("0.9"));
    maps.setFromUnit(Map::Two, { 1, 1 }, 4, 181);
    maps.setText(Map::Two, { 10, 6 }, QStringLiteral("2,55"));
    maps.setFlow(650);
    const QByteArray point = tla::write(maps, Map::Two, QLatin1Char('.')).content;
    EXPECT_TRUE(point.startsWith("0.85;0.90;0.90;0.90;0.90;0.90\r\n"));
    EXPECT_TRUE(point.endsWith("0.90;0.90;0.90;0.90;0.90;2.55\r\n 650\r\n"));
    EXPECT_EQ(point.size(), 10 * 31 + 6);
    EXPECT_EQ(tla::write(maps, Map::Two, QLatin1Char(',')).content, QByteArray(point).replace('.', ','));
}

struct RefusalCase {
    const char* name;
    std::function<void(LambdaMaps&)> spoil;
    tla::Refusal refusal;
    Cell cell;
};

class TlaRefusal : public ::testing::TestWithParam<RefusalCase> { };

TEST_P(TlaRefusal, NoFileContent_TheFirstBadCellNamed)
{
    const auto& c = GetParam();
    LambdaMaps maps;
    fill(maps, Map::One, QStringLiteral("1,00"));
    c.spoil(maps);
    const tla::Encoded encoded = tla::write(maps, Map::One);
    EXPECT_EQ(encoded.refusal, c.refusal);
    EXPECT_TRUE(encoded.content.isEmpty());
    if (c.refusal == tla::Refusal::Unsavable) {
        EXPECT_EQ(encoded.cell, c.cell);
        EXPECT_EQ(encoded.cellText, maps.text(Map::One, c.cell));
    }
}

INSTANTIATE_TEST_SUITE_P(Table, TlaRefusal,
    ::testing::Values(RefusalCase { "EmptyCell",
                          [](LambdaMaps& m) {
                              m.setText(Map::One, { 4, 2 }, QString());
                          },
                          tla::Refusal::Incomplete, {} },
        RefusalCase { "NoNumber",
            [](LambdaMaps& m) {
                m.setText(Map::One, { 4, 2 }, QStringLiteral("ab"));
            },
            tla::Refusal::Unsavable, { 4, 2 } },
        // Five characters would shift every later cell of the line on loading.
        RefusalCase { "TooWideFromTheUnit",
            [](LambdaMaps& m) {
                m.setFromUnit(Map::One, { 9, 6 }, 0, 100);
            },
            tla::Refusal::Unsavable, { 9, 6 } },
        RefusalCase { "Negative",
            [](LambdaMaps& m) {
                m.setText(Map::One, { 1, 1 }, QStringLiteral("-1,0"));
            },
            tla::Refusal::Unsavable, { 1, 1 } }),
    [](const auto& info) { return std::string(info.param.name); });

// --- Reading --------------------------------------------------------------------

// Map one holds "0,80" everywhere and the flow rate is 321 beforehand, so
// what a load leaves alone shows.
struct LoadCase {
    const char* name;
    QByteArray file;
    int rows;
    bool flowLine;
    bool flowReplaced;
    int flow;
    std::vector<std::pair<Cell, const char*>> cells;
    bool complete;
};

class TlaRead : public ::testing::TestWithParam<LoadCase> { };

TEST_P(TlaRead, FillsTheRowsPresent_ThenTheFlowRate)
{
    const auto& c = GetParam();
    LambdaMaps maps;
    fill(maps, Map::One, QStringLiteral("0,80"));
    maps.setFlow(321);
    const tla::LoadResult result = tla::read(c.file, maps, Map::One);
    EXPECT_EQ(result.rows, c.rows);
    EXPECT_EQ(result.flowLine, c.flowLine);
    EXPECT_EQ(result.flowReplaced, c.flowReplaced);
    EXPECT_EQ(maps.flow(), c.flow);
    for (const auto& [cell, text] : c.cells)
        EXPECT_EQ(maps.text(Map::One, cell), QString::fromLatin1(text)) << cell.row << "/" << cell.column;
    EXPECT_EQ(maps.complete(Map::One), c.complete);
}

const QByteArray kNineLines = repeated("1,00;1,00;1,00;1,00;1,00;1,00\r\n", 9);

INSTANTIATE_TEST_SUITE_P(Table, TlaRead,
    ::testing::Values(LoadCase { "Flow700", kNineLines + "0.95;1.10;1,00;1,00;1,00;1,00\r\n 700\r\n", 10, true,
                          true, 178, { { { 10, 1 }, "0.95" }, { { 10, 2 }, "1.10" } }, true },
        LoadCase { "FlowBelowRange", kNineLines + "1,00;1,00;1,00;1,00;1,00;1,00\r\n 149\r\n", 10, true, true, 178,
            {}, true },
        LoadCase { "FlowNotANumber", kNineLines + "1,00;1,00;1,00;1,00;1,00;1,00\r\nabc\r\n", 10, true, true, 178,
            {}, true },
        LoadCase {
            "NoFlowLine", kNineLines + "1,00;1,00;1,00;1,00;1,00;1,00\r\n", 10, false, false, 321, {}, true },
        LoadCase { "FiveLines", repeated("0,95;0,95;0,95;0,95;0,95;0,95\r\n", 5), 5, false, false, 321,
            { { { 5, 6 }, "0,95" }, { { 6, 1 }, "0,80" } }, true },
        LoadCase { "ShortLine", "1,00;0,95;0,9\r\n", 1, false, false, 321,
            { { { 1, 2 }, "0,95" }, { { 1, 3 }, "0,9" }, { { 1, 4 }, "" }, { { 1, 6 }, "" },
                { { 2, 1 }, "0,80" } },
            false },
        LoadCase { "LineFeedsOnly", repeated("1,10;1,10;1,10;1,10;1,10;1,10\n", 10) + " 250", 10, true, false, 250,
            { { { 10, 6 }, "1,10" } }, true },
        LoadCase { "TextAsItStands", "abcd;1,00x;  ;\r\n", 1, false, false, 321,
            { { { 1, 1 }, "abcd" }, { { 1, 2 }, "1,00" }, { { 1, 3 }, ";  ;" }, { { 1, 4 }, "" } }, false },
        LoadCase { "EmptyFile", "", 0, false, false, 321, { { { 1, 1 }, "0,80" } }, true }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TlaRefusal, UnsavableCell_IsNamedInTheBox)
{
    EXPECT_EQ(lambda::unsavableText(QStringLiteral("10,24"), { 9, 6 }),
        QStringLiteral("Der Wert \"10,24\" (Luftmasse 260-320 kg/h, Drehzahl > 6,5 (1000 U/min)) ist kein "
                       "Lambdawert, der sich in einer Lambdatabellen-Datei speichern lässt. Die Datei wurde nicht "
                       "geschrieben."));
}

TEST(TlaRead, LoadIntoMapTwo_LeavesMapOneAlone)
{
    LambdaMaps maps;
    fill(maps, Map::One, QStringLiteral("0,80"));
    tla::read(kAllOnesGerman, maps, Map::Two);
    EXPECT_EQ(maps.text(Map::Two, { 3, 3 }), QStringLiteral("1,00"));
    EXPECT_EQ(maps.text(Map::One, { 3, 3 }), QStringLiteral("0,80"));
}

TEST(TlaRoundTrip, SavedAndLoaded_GivesTheSameTextsAndFlowRate)
{
    LambdaMaps maps;
    for (int row = 1; row <= lambda::kRows; ++row)
        for (int column = 1; column <= lambda::kColumns; ++column)
            maps.setFromUnit(Map::One, { row, column }, 4, row * 20 + column);
    maps.setFlow(178);
    const QByteArray file = tla::write(maps, Map::One).content;

    LambdaMaps loaded;
    tla::read(file, loaded, Map::Two);
    for (int row = 1; row <= lambda::kRows; ++row)
        for (int column = 1; column <= lambda::kColumns; ++column)
            EXPECT_EQ(loaded.text(Map::Two, { row, column }), maps.text(Map::One, { row, column }));
    EXPECT_EQ(loaded.flow(), 178);
    EXPECT_FALSE(loaded.firstUnsendable(Map::Two));
}

// --- Files on disk ------------------------------------------------------------------

TEST(TlaDisk, SaveReplacesAWholeFile_LoadReadsItBack)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("karte.tla"));
    ASSERT_TRUE(tla::save(path, QByteArray(2000, 'x')));
    ASSERT_TRUE(tla::save(path, kAllOnesGerman));
    EXPECT_EQ(tla::load(path), kAllOnesGerman);
}

TEST(TlaDisk, SaveThatCannotWrite_FailsAndLeavesNoFile_LoadOfAMissingFileGivesNothing)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fehlt/karte.tla"));
    EXPECT_FALSE(tla::save(path, kAllOnesGerman));
    EXPECT_FALSE(QFile::exists(path));
    // A directory in the way of the file: the directory stays as it was.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("ordner.tla")));
    EXPECT_FALSE(tla::save(dir.filePath(QStringLiteral("ordner.tla")), kAllOnesGerman));
    EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("ordner.tla"))).isDir());
    EXPECT_FALSE(tla::load(path));
    EXPECT_EQ(tla::saveFailedText(QStringLiteral("/x/karte.tla")),
        QStringLiteral("Die Datei \"/x/karte.tla\" kann nicht geschrieben werden. Die Lambdatabelle wurde nicht "
                       "gespeichert."));
}

} // namespace
