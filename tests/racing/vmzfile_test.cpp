#include "racing/ignitiontable.h"
#include "racing/vmzfile.h"

#include "support/testnames.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <utility>

namespace {

const AngleCoding kCoding { 382, 0 };

QByteArray repeated(const char* line, int times)
{
    QByteArray out;
    for (int i = 0; i < times; ++i)
        out += line;
    return out;
}

// Every row of both cylinders holds "200" beforehand, so rows a load leaves
// alone show.
IgnitionTable filledWith200(BandScheme scheme)
{
    IgnitionTable table(scheme);
    for (int row = 0; row < table.rows(); ++row) {
        table.setByte(row, 0, 200, kCoding, CellOrigin::Unit);
        table.setByte(row, 1, 200, kCoding, CellOrigin::Unit);
    }
    return table;
}

// --- Writing and reading back ------------------------------------------------

struct WriteCase {
    const char* name;
    BandScheme scheme;
    std::function<void(IgnitionTable&)> fill;
    QByteArray file;
};

class VmzWrite : public ::testing::TestWithParam<WriteCase> { };

TEST_P(VmzWrite, WritesTheByteTextsAndReadsThemBack)
{
    const auto& c = GetParam();
    IgnitionTable table(c.scheme);
    c.fill(table);
    EXPECT_EQ(vmz::write(table), c.file);

    IgnitionTable loaded(c.scheme);
    const vmz::LoadResult result = vmz::read(c.file, loaded, kCoding);
    EXPECT_EQ(result.rowsFilled, table.rows());
    EXPECT_FALSE(result.otherScheme);
    EXPECT_EQ(vmz::write(loaded), c.file);
}

INSTANTIATE_TEST_SUITE_P(Table, VmzWrite,
    ::testing::Values(
        WriteCase { "NeverRead111", BandScheme::PerCylinder111, [](IgnitionTable&) {}, repeated(";\r\n", 111) },
        WriteCase { "NeverRead76", BandScheme::Shared76, [](IgnitionTable&) {}, repeated("\r\n", 76) },
        WriteCase { "Known111", BandScheme::PerCylinder111,
            [](IgnitionTable& t) {
                t.setByte(0, 0, 57, kCoding, CellOrigin::Unit);
                t.setByte(0, 1, 60, kCoding, CellOrigin::Unit);
                t.setByte(1, 0, 0, kCoding, CellOrigin::Hand);
                t.setByte(1, 1, 255, kCoding, CellOrigin::Hand);
                t.setByte(110, 1, 9, kCoding, CellOrigin::File);
            },
            "57;60\r\n0;255\r\n" + repeated(";\r\n", 108) + ";9\r\n" },
        WriteCase { "Known76", BandScheme::Shared76,
            [](IgnitionTable& t) {
                t.setByte(0, 0, 57, kCoding, CellOrigin::Unit);
                t.setByte(1, 1, 255, kCoding, CellOrigin::Hand);
                t.setByte(75, 0, 3, kCoding, CellOrigin::File);
            },
            "57\r\n255\r\n" + repeated("\r\n", 73) + "3\r\n" },
        WriteCase { "TextsAsTheyStand", BandScheme::PerCylinder111,
            [](IgnitionTable& t) {
                t.setText(0, 0, QStringLiteral("abc"), kCoding);
                t.setText(0, 1, QStringLiteral(" 7 "), kCoding);
            },
            "abc; 7 \r\n" + repeated(";\r\n", 110) }),
    [](const auto& info) { return testName(info.param.name); });

// --- Line ends ---------------------------------------------------------------

struct LineEndCase {
    const char* name;
    QByteArray file;
    int rowsFilled;
    QByteArray writtenStart; // the loaded rows as written again
};

class VmzLineEnds : public ::testing::TestWithParam<LineEndCase> { };

TEST_P(VmzLineEnds, SplitIntoTheSameRows)
{
    const auto& c = GetParam();
    IgnitionTable table(BandScheme::PerCylinder111);
    EXPECT_EQ(vmz::read(c.file, table, kCoding).rowsFilled, c.rowsFilled);
    EXPECT_TRUE(vmz::write(table).startsWith(c.writtenStart));
    EXPECT_EQ(table.byteText(c.rowsFilled, 0), QString()); // nothing beyond
}

INSTANTIATE_TEST_SUITE_P(Table, VmzLineEnds,
    ::testing::Values(LineEndCase { "CrLf", "57;60\r\n1;2\r\n", 2, "57;60\r\n1;2\r\n" },
        LineEndCase { "LfOnly", "57;60\n1;2\n", 2, "57;60\r\n1;2\r\n" },
        LineEndCase { "CrOnly", "57;60\r1;2\r", 2, "57;60\r\n1;2\r\n" },
        LineEndCase { "NoFinalLineEnd", "57;60\r\n1;2", 2, "57;60\r\n1;2\r\n" },
        LineEndCase { "LfCrIsTwoEnds", "57;60\n\r1;2\r\n", 3, "57;60\r\n;\r\n1;2\r\n" },
        LineEndCase { "EmptyFile", "", 0, "" }),
    [](const auto& info) { return testName(info.param.name); });

// --- Files of the other scheme and odd files ---------------------------------

TEST(VmzRead, OneColumnFileInto111Bands_FillsBothCylindersOfTheFirst76Rows)
{
    QByteArray file;
    for (int row = 0; row < 76; ++row)
        file += QByteArray::number(row) + "\r\n";
    IgnitionTable table = filledWith200(BandScheme::PerCylinder111);

    const vmz::LoadResult result = vmz::read(file, table, kCoding);

    EXPECT_TRUE(result.otherScheme);
    EXPECT_EQ(result.rowsFilled, 76);
    for (int row = 0; row < 76; ++row) {
        EXPECT_EQ(table.byteText(row, 0), QString::number(row));
        EXPECT_EQ(table.byteText(row, 1), QString::number(row));
    }
    EXPECT_EQ(table.angleText(2, 1), QStringLiteral(" 38,0"));
    for (int row = 76; row < 111; ++row) {
        EXPECT_EQ(table.byteText(row, 0), QStringLiteral("200"));
        EXPECT_EQ(table.byteText(row, 1), QStringLiteral("200"));
    }
}

TEST(VmzRead, TwoColumnFileInto76Bands_TakesCylinder1OfTheFirst76Lines)
{
    QByteArray file;
    for (int row = 0; row < 111; ++row)
        file += QByteArray::number(row) + ";" + QByteArray::number(255 - row) + "\r\n";
    IgnitionTable table(BandScheme::Shared76);

    const vmz::LoadResult result = vmz::read(file, table, kCoding);

    EXPECT_TRUE(result.otherScheme);
    EXPECT_EQ(result.rowsFilled, 76);
    for (int row = 0; row < 76; ++row) {
        EXPECT_EQ(table.byteText(row, 0), QString::number(row));
        EXPECT_EQ(table.byteText(row, 1), QString::number(row));
    }
    EXPECT_EQ(table.angleText(2, 0), QStringLiteral("38"));
    EXPECT_EQ(table.angleText(12, 1), QStringLiteral("37"));
}

TEST(VmzRead, ShortFile_LeavesTheRestAsItWas)
{
    IgnitionTable table = filledWith200(BandScheme::PerCylinder111);
    const vmz::LoadResult result = vmz::read("1;2\r\n3;4\r\n5;6\r\n", table, kCoding);
    EXPECT_FALSE(result.otherScheme);
    EXPECT_EQ(result.rowsFilled, 3);
    EXPECT_EQ(table.byteText(2, 1), QStringLiteral("6"));
    EXPECT_EQ(table.byteText(3, 0), QStringLiteral("200"));
    EXPECT_EQ(table.angleText(3, 0), QStringLiteral(" 18,2"));
}

// Each line counts by its own form, so one stray line does not spoil the rest.
TEST(VmzRead, MixedFile_TreatsEachLineByItsForm)
{
    IgnitionTable wide(BandScheme::PerCylinder111);
    const vmz::LoadResult wideResult = vmz::read("57;60\r\n70\r\n1;2\r\n", wide, kCoding);
    EXPECT_TRUE(wideResult.otherScheme);
    EXPECT_TRUE(vmz::write(wide).startsWith("57;60\r\n70;70\r\n1;2\r\n;\r\n"));

    IgnitionTable shared(BandScheme::Shared76);
    const vmz::LoadResult sharedResult = vmz::read("57\r\n70;71;72\r\n1\r\n", shared, kCoding);
    EXPECT_TRUE(sharedResult.otherScheme);
    EXPECT_TRUE(vmz::write(shared).startsWith("57\r\n70\r\n1\r\n\r\n"));
}

// A file may hold anything in the byte column; it is shown as it stands, but
// none of it may become a byte for the unit.
TEST(VmzRead, NonNumericTexts_AreKeptButGiveNoByte)
{
    IgnitionTable table(BandScheme::PerCylinder111);
    const QByteArray file = "abc;-3\r\n300;12.5\r\n2;3;4\r\n";
    const vmz::LoadResult result = vmz::read(file, table, kCoding);
    EXPECT_FALSE(result.otherScheme);

    EXPECT_EQ(table.byteText(0, 0), QStringLiteral("abc"));
    EXPECT_EQ(table.angleText(0, 0), QStringLiteral(" 38,2"));
    EXPECT_DOUBLE_EQ(table.angle(0, 0), 38.2);
    EXPECT_EQ(table.byteText(0, 1), QStringLiteral("-3"));
    EXPECT_EQ(table.byteText(2, 1), QStringLiteral("3;4"));
    const std::pair<int, int> refused[] = { { 0, 0 }, { 0, 1 }, { 1, 0 }, { 1, 1 }, { 2, 1 } };
    for (const auto& [row, cylinder] : refused)
        EXPECT_EQ(table.byteValue(row, cylinder), std::nullopt) << row << "/" << cylinder;
    EXPECT_EQ(table.byteValue(2, 0), 2);
    EXPECT_TRUE(vmz::write(table).startsWith(file));
}

// --- What the window tells about a file --------------------------------------

struct LineCountCase {
    const char* name;
    BandScheme scheme;
    QByteArray file;
    QString notice; // empty: no box
};

class VmzLineCount : public ::testing::TestWithParam<LineCountCase> { };

TEST_P(VmzLineCount, NoticeNamesBothCounts)
{
    const auto& c = GetParam();
    IgnitionTable table(c.scheme);
    const vmz::LoadResult result = vmz::read(c.file, table, kCoding);
    EXPECT_EQ(vmz::lineCountNotice(result, table.rows()), c.notice);
}

INSTANTIATE_TEST_SUITE_P(Table, VmzLineCount,
    ::testing::Values(LineCountCase { "Exact111", BandScheme::PerCylinder111, repeated("1;2\r\n", 111), {} },
        LineCountCase { "Exact76", BandScheme::Shared76, repeated("1\r\n", 76), {} },
        LineCountCase { "OneLineMissing", BandScheme::PerCylinder111, repeated("1;2\r\n", 110),
            QStringLiteral(
                "Die Datei enthält 110 Zeilen, die Zündwinkeltabelle des Steuergeräts hat 111 "
                "Drehzahlbereiche. Die Zeilen wurden der Reihe nach ab dem ersten Drehzahlbereich "
                "übernommen, der letzte Drehzahlbereich behält seinen bisherigen Wert. Fehlt in der Datei "
                "eine Zeile, sind alle folgenden Drehzahlbereiche verschoben. Prüfen Sie die Tabelle vor "
                "dem Schreiben!") },
        LineCountCase { "OneLine", BandScheme::Shared76, "1\r\n",
            QStringLiteral(
                "Die Datei enthält 1 Zeile, die Zündwinkeltabelle des Steuergeräts hat 76 "
                "Drehzahlbereiche. Die Zeilen wurden der Reihe nach ab dem ersten Drehzahlbereich "
                "übernommen, die übrigen 75 Drehzahlbereiche behalten ihren bisherigen Wert. Fehlt in der "
                "Datei eine Zeile, sind alle folgenden Drehzahlbereiche verschoben. Prüfen Sie die Tabelle "
                "vor dem Schreiben!") },
        // An empty line after the last band counts as a line.
        LineCountCase { "OneLineTooMany", BandScheme::Shared76, repeated("1\r\n", 76) + "\r\n",
            QStringLiteral(
                "Die Datei enthält 77 Zeilen, die Zündwinkeltabelle des Steuergeräts hat 76 "
                "Drehzahlbereiche. Nur die ersten 76 Zeilen wurden übernommen. Prüfen Sie die Tabelle vor "
                "dem Schreiben!") }),
    [](const auto& info) { return testName(info.param.name); });

struct ExcerptCase {
    const char* name;
    QString text;
    QString quoted;
};

class VmzExcerpt : public ::testing::TestWithParam<ExcerptCase> { };

TEST_P(VmzExcerpt, IsShortAndPrintable)
{
    EXPECT_EQ(vmz::excerpt(GetParam().text), GetParam().quoted);
}

INSTANTIATE_TEST_SUITE_P(Table, VmzExcerpt,
    ::testing::Values(ExcerptCase { "Short", QStringLiteral("300"), QStringLiteral("300") },
        ExcerptCase { "Exactly40", QString(40, QLatin1Char('x')), QString(40, QLatin1Char('x')) },
        ExcerptCase { "Long", QString(41, QLatin1Char('x')), QString(40, QLatin1Char('x')) + QChar(0x2026) },
        ExcerptCase { "ControlBytes", QString::fromLatin1(QByteArray("1\x00\x07\x9b\xe9\t2", 7)),
            QString::fromLatin1("1???\xe9?2") }),
    [](const auto& info) { return testName(info.param.name); });

} // namespace
