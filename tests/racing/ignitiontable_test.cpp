#include "racing/ignitiontable.h"

#include "core/bytes.h"
#include "core/identity.h"
#include "support/testnames.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

// Angles of these tests: reference 382 (38.2 degrees), no shift.
const AngleCoding kCoding { 382, 0 };

const char* schemeName(BandScheme scheme)
{
    return scheme == BandScheme::Shared76 ? "Shared76" : "PerCylinder111";
}

// --- Addresses ---------------------------------------------------------------

TEST(TableAddresses, Shared76_HoldsSeventySixBandsAndLeavesTheGapsOut)
{
    std::vector<int> gaps;
    int bandsFound = 0;
    for (int address = 1; address <= 110; ++address) {
        if (bands::isTableAddress(address))
            ++bandsFound;
        else
            gaps.push_back(address);
    }
    EXPECT_EQ(bandsFound, 76);
    EXPECT_EQ(gaps,
        (std::vector<int> { 55, 59, 62, 65, 67, 69, 71, 73, 74, 76, 78, 79, 81, 82, 84, 85, 87, 88, 89, 91, 92, 93,
            95, 96, 97, 99, 100, 101, 102, 104, 105, 106, 107, 108 }));
    EXPECT_FALSE(bands::isTableAddress(0));
    EXPECT_FALSE(bands::isTableAddress(111));
}

struct AddressCase {
    BandScheme scheme;
    int address;
    int row;
};

class RowOfAddress : public ::testing::TestWithParam<AddressCase> { };

TEST_P(RowOfAddress, GivesTheRowTheAddressFills)
{
    const auto& c = GetParam();
    EXPECT_EQ(bands::rowOfAddress(c.scheme, c.address), c.row);
}

INSTANTIATE_TEST_SUITE_P(Table, RowOfAddress,
    ::testing::Values(AddressCase { BandScheme::Shared76, 1, 0 }, AddressCase { BandScheme::Shared76, 54, 53 },
        AddressCase { BandScheme::Shared76, 55, -1 }, AddressCase { BandScheme::Shared76, 56, 54 },
        AddressCase { BandScheme::Shared76, 108, -1 }, AddressCase { BandScheme::Shared76, 109, 74 },
        AddressCase { BandScheme::Shared76, 110, 75 }, AddressCase { BandScheme::Shared76, 0, -1 },
        AddressCase { BandScheme::Shared76, 111, -1 }, AddressCase { BandScheme::PerCylinder111, 1, 0 },
        AddressCase { BandScheme::PerCylinder111, 55, 54 }, AddressCase { BandScheme::PerCylinder111, 111, 110 },
        AddressCase { BandScheme::PerCylinder111, 112, -1 }, AddressCase { BandScheme::PerCylinder111, 0, -1 }),
    [](const auto& info) { return testName(schemeName(info.param.scheme), info.param.address); });

class ReadOfAllAddresses : public ::testing::TestWithParam<BandScheme> { };

// A read walks the addresses 1 to lastAddress and files each reply by its row.
TEST_P(ReadOfAllAddresses, FillsEveryRowExactlyOnceInAddressOrder)
{
    const BandScheme scheme = GetParam();
    IgnitionTable table(scheme);
    std::vector<int> fills(table.rows(), 0);
    int previousRow = -1;
    for (int address = 1; address <= bands::lastAddress(scheme); ++address) {
        const int row = bands::rowOfAddress(scheme, address);
        if (row < 0)
            continue;
        EXPECT_EQ(row, previousRow + 1) << "address " << address;
        previousRow = row;
        ++fills[row];
        table.setByte(row, 0, address, kCoding, CellOrigin::Unit);
    }
    EXPECT_EQ(fills, std::vector<int>(table.rows(), 1));
    EXPECT_EQ(table.byteText(table.rows() - 1, 0), QString::number(bands::lastAddress(scheme)));
}

INSTANTIATE_TEST_SUITE_P(Schemes, ReadOfAllAddresses,
    ::testing::Values(BandScheme::Shared76, BandScheme::PerCylinder111),
    [](const auto& info) { return testName(schemeName(info.param)); });

// --- Labels ------------------------------------------------------------------

TEST(LabelCount, OneLabelPerRow)
{
    EXPECT_EQ(bands::labels(BandScheme::Shared76).size(), 76);
    EXPECT_EQ(bands::labels(BandScheme::PerCylinder111).size(), 111);
    EXPECT_EQ(bands::rowCount(BandScheme::Shared76), 76);
    EXPECT_EQ(bands::rowCount(BandScheme::PerCylinder111), 111);
}

struct LabelCase {
    BandScheme scheme;
    int row;
    const char* label;
};

class Labels : public ::testing::TestWithParam<LabelCase> { };

TEST_P(Labels, NameTheBandsSpeedRange)
{
    const auto& c = GetParam();
    EXPECT_EQ(bands::labels(c.scheme).at(c.row), QString::fromLatin1(c.label));
    EXPECT_EQ(IgnitionTable(c.scheme).label(c.row), QString::fromLatin1(c.label));
}

INSTANTIATE_TEST_SUITE_P(Table, Labels,
    ::testing::Values(LabelCase { BandScheme::Shared76, 0, "0-50" },
        LabelCase { BandScheme::Shared76, 19, "957-1001" }, LabelCase { BandScheme::Shared76, 20, "1002-1102" },
        LabelCase { BandScheme::Shared76, 54, "4405-4524" }, LabelCase { BandScheme::Shared76, 74, "9301-9802" },
        LabelCase { BandScheme::Shared76, 75, "9803->>" }, LabelCase { BandScheme::PerCylinder111, 0, "0-50" },
        LabelCase { BandScheme::PerCylinder111, 1, "51-100" },
        LabelCase { BandScheme::PerCylinder111, 19, "951-1000" },
        LabelCase { BandScheme::PerCylinder111, 20, "1001-1100" },
        LabelCase { BandScheme::PerCylinder111, 21, "1101-1200" },
        LabelCase { BandScheme::PerCylinder111, 109, "9901-10000" },
        LabelCase { BandScheme::PerCylinder111, 110, "10001->>" }),
    [](const auto& info) { return testName(schemeName(info.param.scheme), info.param.row); });

// --- Angle coding ------------------------------------------------------------

TEST(AngleCoding, ByteIsTenthsOfADegreeBelowTheReference)
{
    EXPECT_DOUBLE_EQ(kCoding.angle(0), 38.2);
    EXPECT_DOUBLE_EQ(kCoding.angle(255), 12.7);
    EXPECT_DOUBLE_EQ(kCoding.earliest(), 38.2);
    EXPECT_DOUBLE_EQ(kCoding.latest(), 12.7);
    EXPECT_DOUBLE_EQ((AngleCoding { 382, 15 }).angle(100), 26.7);
}

// Which units shift the angles by the lead angle (15 tenths here), and where.
struct ShiftCase {
    const char* firmware; // "v00?" reply
    const char* unit; // "t00?" reply; 13th character is the type
    BandScheme scheme;
    int limitsShift;
    int gridShift;
};

class AngleShift : public ::testing::TestWithParam<ShiftCase> { };

TEST_P(AngleShift, FollowsFirmwareAndBandScheme)
{
    const auto& c = GetParam();
    UnitIdentity unit;
    unit.setFirmware(Bytes(c.firmware));
    unit.setUnitType(Bytes(c.unit));
    EXPECT_EQ(bands::schemeFor(unit), c.scheme);
    const AngleCoding limits = AngleCoding::forLimits(unit, 382, 15);
    const AngleCoding grid = AngleCoding::forGrid(unit, 382, 15);
    EXPECT_EQ(limits.reference, 382);
    EXPECT_EQ(limits.shift, c.limitsShift);
    EXPECT_EQ(grid.reference, 382);
    EXPECT_EQ(grid.shift, c.gridShift);
}

INSTANTIATE_TEST_SUITE_P(Units, AngleShift,
    ::testing::Values(ShiftCase { "02.600", "KZDX 2Zyl RX42A", BandScheme::PerCylinder111, 15, 15 },
        ShiftCase { "02.599", "KZDX 2Zyl RX42A", BandScheme::PerCylinder111, 0, 0 },
        ShiftCase { "03.000", "KEDX 2Zyl RX40A", BandScheme::PerCylinder111, 15, 15 },
        ShiftCase { "02.600", "KZDX 2Zyl RX32A", BandScheme::Shared76, 15, 0 },
        ShiftCase { "01.816", "KZDX 2Zyl RX42A", BandScheme::PerCylinder111, 0, 0 },
        ShiftCase { "01.816", "KZDX 2Zyl RX32A", BandScheme::Shared76, 0, 0 }),
    [](const auto& info) { return testName(info.param.firmware, info.param.unit); });

// --- Cells -------------------------------------------------------------------

const char* originName(CellOrigin origin)
{
    switch (origin) {
    case CellOrigin::Unit:
        return "Unit";
    case CellOrigin::Hand:
        return "Hand";
    case CellOrigin::File:
        return "File";
    }
    return "?";
}

struct AngleTextCase {
    BandScheme scheme;
    CellOrigin origin;
    int byte;
    const char* angleText; // German locale
};

class AngleText : public ::testing::TestWithParam<AngleTextCase> { };

TEST_P(AngleText, FollowsSchemeAndOrigin)
{
    const auto& c = GetParam();
    IgnitionTable table(c.scheme);
    table.setByte(3, 1, c.byte, kCoding, c.origin);
    EXPECT_EQ(table.angleText(3, 1), QString::fromLatin1(c.angleText));
    EXPECT_EQ(table.byteText(3, 1), QString::number(c.byte));
    EXPECT_DOUBLE_EQ(table.angle(3, 1), kCoding.angle(c.byte));
    if (c.scheme == BandScheme::Shared76) {
        // One table drives both cylinders.
        EXPECT_EQ(table.angleText(3, 0), QString::fromLatin1(c.angleText));
        EXPECT_EQ(table.byteText(3, 0), QString::number(c.byte));
    } else {
        EXPECT_TRUE(table.byteText(3, 0).isEmpty());
        EXPECT_TRUE(table.angleText(3, 0).isEmpty());
        EXPECT_EQ(table.angle(3, 0), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, AngleText,
    ::testing::Values(AngleTextCase { BandScheme::PerCylinder111, CellOrigin::Unit, 100, " 28,2" },
        AngleTextCase { BandScheme::PerCylinder111, CellOrigin::Unit, 132, " 25,0" },
        AngleTextCase { BandScheme::PerCylinder111, CellOrigin::Hand, 0, " 38,2" },
        AngleTextCase { BandScheme::PerCylinder111, CellOrigin::File, 255, " 12,7" },
        AngleTextCase { BandScheme::Shared76, CellOrigin::Unit, 100, "28,2" },
        AngleTextCase { BandScheme::Shared76, CellOrigin::Unit, 132, "25" },
        AngleTextCase { BandScheme::Shared76, CellOrigin::File, 132, "25" },
        AngleTextCase { BandScheme::Shared76, CellOrigin::Hand, 132, "25,0" },
        AngleTextCase { BandScheme::Shared76, CellOrigin::Hand, 255, "12,7" }),
    [](const auto& info) {
        return testName(schemeName(info.param.scheme), originName(info.param.origin), info.param.byte);
    });

// A file's byte text stays as it is; only plain decimal 0-255 may reach the
// unit. Blanks around the digits are accepted, as they cannot change the
// value. The angle comes from the text's leading number in file style.
struct FileTextCase {
    BandScheme scheme;
    const char* text;
    std::optional<int> byteValue;
    const char* angleText; // German locale
};

class FileText : public ::testing::TestWithParam<FileTextCase> { };

TEST_P(FileText, IsKeptAndOnlyAPlainByteIsAValue)
{
    const auto& c = GetParam();
    IgnitionTable table(c.scheme);
    table.setText(7, 0, QString::fromLatin1(c.text), kCoding);
    EXPECT_EQ(table.byteText(7, 0), QString::fromLatin1(c.text));
    EXPECT_EQ(table.byteValue(7, 0), c.byteValue);
    EXPECT_EQ(table.angleText(7, 0), QString::fromLatin1(c.angleText));
}

INSTANTIATE_TEST_SUITE_P(Table, FileText,
    ::testing::Values(FileTextCase { BandScheme::PerCylinder111, "0", 0, " 38,2" },
        FileTextCase { BandScheme::PerCylinder111, "255", 255, " 12,7" },
        FileTextCase { BandScheme::PerCylinder111, "57", 57, " 32,5" },
        FileTextCase { BandScheme::Shared76, "57", 57, "32,5" },
        FileTextCase { BandScheme::Shared76, "132", 132, "25" },
        FileTextCase { BandScheme::PerCylinder111, "007", 7, " 37,5" },
        FileTextCase { BandScheme::PerCylinder111, " 7 ", 7, " 37,5" },
        FileTextCase { BandScheme::PerCylinder111, "", std::nullopt, " 38,2" },
        FileTextCase { BandScheme::PerCylinder111, "   ", std::nullopt, " 38,2" },
        FileTextCase { BandScheme::PerCylinder111, "256", std::nullopt, " 12,6" },
        FileTextCase { BandScheme::PerCylinder111, "-1", std::nullopt, " 38,3" },
        FileTextCase { BandScheme::PerCylinder111, "+5", std::nullopt, " 37,7" },
        FileTextCase { BandScheme::Shared76, "abc", std::nullopt, "38,2" },
        FileTextCase { BandScheme::Shared76, "12.5", std::nullopt, "36,95" },
        FileTextCase { BandScheme::Shared76, "4294967296", std::nullopt, "-429496691,4" },
        FileTextCase { BandScheme::Shared76, "5 7", std::nullopt, "37,7" }),
    [](const auto& info) { return testName(schemeName(info.param.scheme), info.param.text); });

TEST(SharedFileText, FillsBothCylindersWhicheverIsNamed)
{
    IgnitionTable table(BandScheme::Shared76);
    table.setText(0, 1, QStringLiteral("57"), kCoding);
    EXPECT_EQ(table.byteText(0, 0), QStringLiteral("57"));
    EXPECT_EQ(table.angleText(0, 0), QStringLiteral("32,5"));
}

// --- Chart -------------------------------------------------------------------

TEST(ChartPoints, NeverFilledTableGivesZeroAtEveryPoint)
{
    EXPECT_EQ(bands::chartPointCount(BandScheme::Shared76), 205);
    EXPECT_EQ(bands::chartPointCount(BandScheme::PerCylinder111), 202);
    EXPECT_EQ(IgnitionTable(BandScheme::Shared76).chartPoints(0), std::vector<double>(205, 0.0));
    EXPECT_EQ(IgnitionTable(BandScheme::PerCylinder111).chartPoints(1), std::vector<double>(202, 0.0));
}

// Where a row's angle lands on the chart and over how many points.
struct RunCase {
    BandScheme scheme;
    int row;
    int firstPoint;
    int points;
};

class ChartRuns : public ::testing::TestWithParam<RunCase> { };

TEST_P(ChartRuns, RepeatTheRowsAngleOverItsPoints)
{
    const auto& c = GetParam();
    IgnitionTable table(c.scheme);
    // Each row its own angle, and the second cylinder another one, so a run
    // that starts or ends one point off shows.
    for (int row = 0; row < table.rows(); ++row) {
        table.setByte(row, 0, row, kCoding, CellOrigin::Unit);
        if (c.scheme == BandScheme::PerCylinder111)
            table.setByte(row, 1, row + 100, kCoding, CellOrigin::Unit);
    }
    const int cylinder = c.scheme == BandScheme::PerCylinder111 ? 1 : 0;
    const double angle = table.angle(c.row, cylinder);
    const std::vector<double> points = table.chartPoints(cylinder);
    ASSERT_EQ(int(points.size()), bands::chartPointCount(c.scheme));
    EXPECT_EQ(bands::pointsOfRow(c.scheme, c.row), c.points);
    for (int p = c.firstPoint; p < c.firstPoint + c.points; ++p)
        EXPECT_DOUBLE_EQ(points.at(p), angle) << "point " << p;
    if (c.firstPoint > 0) {
        EXPECT_NE(points.at(c.firstPoint - 1), angle);
    }
    if (c.firstPoint + c.points < int(points.size())) {
        EXPECT_NE(points.at(c.firstPoint + c.points), angle);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, ChartRuns,
    ::testing::Values(RunCase { BandScheme::Shared76, 0, 0, 1 }, RunCase { BandScheme::Shared76, 19, 19, 1 },
        RunCase { BandScheme::Shared76, 20, 20, 2 }, RunCase { BandScheme::Shared76, 57, 94, 2 },
        RunCase { BandScheme::Shared76, 58, 96, 3 }, RunCase { BandScheme::Shared76, 59, 99, 3 },
        RunCase { BandScheme::Shared76, 60, 102, 4 }, RunCase { BandScheme::Shared76, 63, 114, 4 },
        RunCase { BandScheme::Shared76, 64, 118, 5 }, RunCase { BandScheme::Shared76, 66, 128, 5 },
        RunCase { BandScheme::Shared76, 67, 133, 6 }, RunCase { BandScheme::Shared76, 69, 145, 6 },
        RunCase { BandScheme::Shared76, 70, 151, 7 }, RunCase { BandScheme::Shared76, 71, 158, 8 },
        RunCase { BandScheme::Shared76, 72, 166, 9 }, RunCase { BandScheme::Shared76, 73, 175, 10 },
        RunCase { BandScheme::Shared76, 75, 195, 10 }, RunCase { BandScheme::PerCylinder111, 0, 0, 1 },
        RunCase { BandScheme::PerCylinder111, 19, 19, 1 }, RunCase { BandScheme::PerCylinder111, 20, 20, 2 },
        RunCase { BandScheme::PerCylinder111, 110, 200, 2 }),
    [](const auto& info) { return testName(schemeName(info.param.scheme), info.param.row); });

} // namespace
