#include "racing/lambdamap.h"

#include "support/testnames.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

namespace {

using lambda::Cell;
using lambda::Map;

const char* mapName(Map map)
{
    return map == Map::One ? "Map1" : "Map2";
}

// Puts a locale in force for one test and restores the pinned one after.
class LocaleScope {
public:
    explicit LocaleScope(const QLocale& locale)
        : m_saved(QLocale())
    {
        QLocale::setDefault(locale);
    }
    ~LocaleScope() { QLocale::setDefault(m_saved); }

private:
    QLocale m_saved;
};

// --- Where a cell is stored --------------------------------------------------

struct AddressCase {
    Map map;
    Cell cell;
    int high;
};

class CellAddress : public ::testing::TestWithParam<AddressCase> { };

TEST_P(CellAddress, HighByteAtTheAddress_LowByteAfterIt_AndBack)
{
    const auto& c = GetParam();
    EXPECT_EQ(lambda::highAddress(c.map, c.cell), c.high);
    for (int offset : { 0, 1 }) {
        const std::optional<lambda::Location> at = lambda::locate(c.high + offset);
        ASSERT_TRUE(at);
        EXPECT_EQ(at->map, c.map);
        EXPECT_EQ(at->cell, c.cell);
        EXPECT_EQ(at->lowByte, offset == 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, CellAddress,
    ::testing::Values(AddressCase { Map::One, { 1, 1 }, 1 }, AddressCase { Map::One, { 2, 1 }, 3 },
        AddressCase { Map::One, { 1, 2 }, 21 }, AddressCase { Map::One, { 10, 6 }, 119 },
        AddressCase { Map::Two, { 1, 1 }, 129 }, AddressCase { Map::Two, { 10, 6 }, 247 },
        AddressCase { Map::Two, { 5, 3 }, 177 }),
    [](const auto& info) {
        return testName(mapName(info.param.map), info.param.cell.row, info.param.cell.column);
    });

TEST(CellAddress, EveryCellHasTwoAddressesOfItsOwn_TheGapsBelongToNone)
{
    int found = 0;
    for (int address = 0; address < 256; ++address)
        if (lambda::locate(address))
            ++found;
    EXPECT_EQ(found, 2 * lambda::kRows * lambda::kColumns * 2);
    for (int unused : { 0, 121, 122, 128, 249, 255 })
        EXPECT_FALSE(lambda::locate(unused)) << unused;
}

// --- Bytes read from the unit --------------------------------------------------

struct ReadCase {
    int high;
    int low;
    const char* text; // German locale
    int stored;
    bool invalid;
};

class ReadCellBytes : public ::testing::TestWithParam<ReadCase> { };

TEST_P(ReadCellBytes, ShowLambdaWithTwoDecimals_InvalidOnesTheStandard)
{
    const auto& c = GetParam();
    const lambda::ReadCell read = lambda::decodeCell(c.high, c.low);
    EXPECT_EQ(read.text, QString::fromUtf8(c.text));
    EXPECT_EQ(read.stored, c.stored);
    EXPECT_EQ(read.invalid, c.invalid);
}

INSTANTIATE_TEST_SUITE_P(Table, ReadCellBytes,
    ::testing::Values(ReadCase { 4, 181, "0,85", 1205, false }, ReadCase { 4, 0, "1,00", 1024, false },
        ReadCase { 1, 146, "2,55", 402, false }, ReadCase { 40, 0, "0,10", 10240, false },
        ReadCase { 40, 255, "0,10", 10495, false }, ReadCase { 0, 100, "10,24", 100, false },
        ReadCase { 41, 0, "1,00", 1024, true }, ReadCase { 255, 255, "1,00", 1024, true },
        // No lambda at all: never a division by zero.
        ReadCase { 0, 0, "1,00", 1024, true }),
    [](const auto& info) { return testName(info.param.high, info.param.low); });

// --- What a write sends ----------------------------------------------------------

struct SendCase {
    const char* name;
    const char* text;
    std::optional<int> stored;
};

class SendText : public ::testing::TestWithParam<SendCase> { };

TEST_P(SendText, GivesTheStoredValue_OrRefusesTheCell)
{
    EXPECT_EQ(lambda::storedFromText(QString::fromUtf8(GetParam().text)), GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(Table, SendText,
    ::testing::Values(SendCase { "Comma", "0,85", 1205 }, SendCase { "Point", "0.85", 1205 },
        SendCase { "Blanks", " 1,00 ", 1024 }, SendCase { "Highest", "2,55", 402 },
        SendCase { "Lowest", "0,10", 10240 }, SendCase { "OneDecimal", "1,5", 683 },
        // 1024 / 0.65536 is 1562.5 exactly: halves go to the even neighbour.
        SendCase { "HalfToEven", "0.65536", 1562 }, SendCase { "HalfToEvenSmall", "0,131072", 7812 },
        // A file's cell may hold anything.
        SendCase { "Letters", "abcd", std::nullopt }, SendCase { "TrailingLetter", "1,0x", std::nullopt },
        SendCase { "Empty", "", std::nullopt }, SendCase { "Zero", "0", std::nullopt },
        SendCase { "Negative", "-1,0", std::nullopt },
        // High byte 44: the unit would read it back as invalid.
        SendCase { "HighByte44", "0,09", std::nullopt },
        // N rounds to 0, or does not fit two bytes.
        SendCase { "RoundsToZero", "3000", std::nullopt }, SendCase { "BeyondTwoBytes", "0,01", std::nullopt }),
    [](const auto& info) { return std::string(info.param.name); });

struct FrameCase {
    Map map;
    Cell cell;
    int stored;
    QByteArray high;
    QByteArray low;
};

class CellFrames : public ::testing::TestWithParam<FrameCase> { };

TEST_P(CellFrames, WriteHighByteThenLowByte)
{
    const auto& c = GetParam();
    const auto writes = lambda::cellWrites(c.map, c.cell, c.stored);
    EXPECT_EQ(writes[0].frame.toHex(' '), c.high.toHex(' '));
    EXPECT_EQ(writes[1].frame.toHex(' '), c.low.toHex(' '));
    EXPECT_TRUE(writes[0].changesUnit && writes[1].changesUnit);
    const auto reads = lambda::cellReads(c.map, c.cell);
    EXPECT_EQ(reads[0].frame.toHex(' '), bytes::of({ 125, c.high.at(1) & 0xFF, '0', '?' }).toHex(' '));
    EXPECT_EQ(reads[1].frame.toHex(' '), bytes::of({ 125, c.low.at(1) & 0xFF, '0', '?' }).toHex(' '));
}

INSTANTIATE_TEST_SUITE_P(Table, CellFrames,
    ::testing::Values(
        FrameCase { Map::One, { 1, 1 }, 1205, bytes::of({ 124, 1, 4, '?' }), bytes::of({ 124, 2, 181, '?' }) },
        FrameCase { Map::Two, { 1, 1 }, 1205, bytes::of({ 124, 129, 4, '?' }), bytes::of({ 124, 130, 181, '?' }) },
        FrameCase { Map::Two, { 10, 6 }, 1024, bytes::of({ 124, 247, 4, '?' }), bytes::of({ 124, 248, 0, '?' }) }),
    [](const auto& info) {
        return testName(mapName(info.param.map), info.param.cell.row, info.param.cell.column);
    });

TEST(Standstill, OnlyAPeriodOf254OrMore_MeansTheEngineStands)
{
    EXPECT_TRUE(lambda::engineTurns(0));
    EXPECT_TRUE(lambda::engineTurns(253));
    EXPECT_FALSE(lambda::engineTurns(254));
    EXPECT_FALSE(lambda::engineTurns(255));
}

// --- The in-place editor -----------------------------------------------------------

// "#" in the texts stands for the regional separator.
struct CommitCase {
    const char* name;
    const char* typed;
    const char* current;
    const char* text;
    bool rangeBox;
};

class EditorCommit : public ::testing::TestWithParam<CommitCase> { };

TEST_P(EditorCommit, AcceptsCommaOrPoint_ShowsTheRegionalSeparator)
{
    const auto& c = GetParam();
    for (const QLocale& locale : { QLocale(QLocale::German, QLocale::Germany), QLocale(QLocale::English) }) {
        LocaleScope scope(locale);
        const QString separator = locale.decimalPoint();
        const auto regional
            = [&](const char* s) { return QString::fromUtf8(s).replace(QLatin1Char('#'), separator); };
        const lambda::Commit commit = lambda::commitEdit(QString::fromUtf8(c.typed), regional(c.current));
        EXPECT_EQ(commit.text, regional(c.text)) << locale.name().toStdString();
        EXPECT_EQ(commit.rangeBox, c.rangeBox) << locale.name().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Table, EditorCommit,
    ::testing::Values(CommitCase { "Comma", "0,95", "", "0#95", false },
        CommitCase { "Point", "0.95", "1#00", "0#95", false },
        CommitCase { "OneDecimal", "0.1", "", "0#10", false }, CommitCase { "Lowest", "0,10", "", "0#10", false },
        CommitCase { "Highest", "2,55", "", "2#55", false },
        CommitCase { "RoundedToTwo", "2,549", "", "2#55", false },
        CommitCase { "AboveBeforeRounding", "2,551", "0#90", "0#90", true },
        CommitCase { "LeadingBlank", " 1", "", "1#00", false },
        CommitCase { "OnlyFirstComma", "1,2,3", "", "1#20", false },
        CommitCase { "NumberThenLetters", "0,9x", "", "0#90", false },
        CommitCase { "TooHighKeeps", "2.56", "0#90", "0#90", true },
        CommitCase { "TooLowKeeps", "0,09", "0#90", "0#90", true },
        CommitCase { "NegativeKeeps", "-1", "0#90", "0#90", true },
        CommitCase { "LetterInEmptyCell", "x", "", "1#00", true },
        CommitCase { "NothingInEmptyCell", "", "", "1#00", true },
        CommitCase { "LetterKeeps", "x", "0#90", "0#90", true }),
    [](const auto& info) { return std::string(info.param.name); });

// --- Flow rate ---------------------------------------------------------------------

struct FlowConstantCase {
    int high;
    int low;
    int rate;
    bool replaced;
};

class FlowFromConstant : public ::testing::TestWithParam<FlowConstantCase> { };

TEST_P(FlowFromConstant, RoundsHalfToEven_OutsideTheRangeTheStandard)
{
    const lambda::Flow flow = lambda::flowFromConstant(GetParam().high, GetParam().low);
    EXPECT_EQ(flow.rate, GetParam().rate);
    EXPECT_EQ(flow.replaced, GetParam().replaced);
}

INSTANTIATE_TEST_SUITE_P(Table, FlowFromConstant,
    ::testing::Values(FlowConstantCase { 10, 201, 178, false }, FlowConstantCase { 3, 215, 500, false },
        FlowConstantCase { 2, 244, 650, false }, // K 756
        FlowConstantCase { 2, 243, 178, true }, // K 755: 651
        FlowConstantCase { 12, 205, 150, false }, // K 3277
        FlowConstantCase { 12, 218, 178, true }, // K 3290: 149
        // Never set: taken as K = 1.
        FlowConstantCase { 255, 255, 178, true },
        // No flow rate at all: never a division by zero.
        FlowConstantCase { 0, 0, 178, true }),
    [](const auto& info) { return testName(info.param.high, info.param.low); });

struct FlowNumberCase {
    double value;
    int rate;
    bool replaced;
};

class FlowFromNumber : public ::testing::TestWithParam<FlowNumberCase> { };

TEST_P(FlowFromNumber, RoundsHalfToEven_ThenChecksTheRange)
{
    const lambda::Flow flow = lambda::flowFromNumber(GetParam().value);
    EXPECT_EQ(flow.rate, GetParam().rate);
    EXPECT_EQ(flow.replaced, GetParam().replaced);
}

INSTANTIATE_TEST_SUITE_P(Table, FlowFromNumber,
    ::testing::Values(FlowNumberCase { 178, 178, false }, FlowNumberCase { 149.5, 150, false },
        FlowNumberCase { 650.5, 650, false }, FlowNumberCase { 651, 178, true }, FlowNumberCase { 700, 178, true },
        FlowNumberCase { 149.4, 178, true }, FlowNumberCase { 0, 178, true }, FlowNumberCase { 1e300, 178, true },
        FlowNumberCase { std::numeric_limits<double>::quiet_NaN(), 178, true }),
    [](const auto& info) { return testName(info.param.value); });

TEST(FlowConstant, WrittenForTheRangeEnds_AndTheWorkedExamples)
{
    EXPECT_EQ(lambda::constantFromFlow(178), 10 * 256 + 201);
    EXPECT_EQ(lambda::constantFromFlow(500), 3 * 256 + 215);
    EXPECT_EQ(lambda::constantFromFlow(150), 3277);
    EXPECT_EQ(lambda::constantFromFlow(650), 756);
    EXPECT_EQ(cmd::flowConstantWrite(lambda::constantFromFlow(178)).frame, bytes::of({ 95, 10, 201, '?' }));
}

// --- Both maps ---------------------------------------------------------------------

lambda::LambdaMaps filled(Map map, const QString& text)
{
    lambda::LambdaMaps maps;
    for (int row = 1; row <= lambda::kRows; ++row)
        for (int column = 1; column <= lambda::kColumns; ++column)
            maps.setText(map, { row, column }, text);
    return maps;
}

TEST(LambdaMaps, NewMaps_AreEmptyAndIncomplete_FlowAtTheDesignValue)
{
    const lambda::LambdaMaps maps;
    EXPECT_FALSE(maps.complete(Map::One));
    EXPECT_FALSE(maps.complete(Map::Two));
    EXPECT_EQ(maps.shown(), Map::One);
    EXPECT_EQ(maps.flow(), 500);
    EXPECT_FALSE(maps.target());
    EXPECT_EQ(maps.firstUnsendable(Map::One), (Cell { 1, 1 }));
}

TEST(LambdaMaps, ValueReadAndWrittenBack_SendsTheUnitsOwnBytes)
{
    lambda::LambdaMaps maps = filled(Map::One, QStringLiteral("1,00"));
    // N 1030 shows as 0,99, which alone would write back as 1034.
    maps.setFromUnit(Map::One, { 2, 3 }, 4, 6);
    EXPECT_EQ(maps.text(Map::One, { 2, 3 }), QStringLiteral("0,99"));
    EXPECT_EQ(maps.storedValue(Map::One, { 2, 3 }), 1030);
    // Confirming it unchanged keeps the unit's value; a new value replaces it.
    EXPECT_FALSE(maps.commit(Map::One, { 2, 3 }, QStringLiteral("0.99")).rangeBox);
    EXPECT_EQ(maps.storedValue(Map::One, { 2, 3 }), 1030);
    maps.commit(Map::One, { 2, 3 }, QStringLiteral("0,98"));
    EXPECT_EQ(maps.storedValue(Map::One, { 2, 3 }), 1045);
    // A file's text replaces it too, even when it reads the same.
    maps.setFromUnit(Map::One, { 2, 3 }, 4, 6);
    maps.setText(Map::One, { 2, 3 }, QStringLiteral("0,99"));
    EXPECT_EQ(maps.storedValue(Map::One, { 2, 3 }), 1034);
}

TEST(LambdaMaps, CellThatCannotBeSent_IsNamedBeforeAnythingGoesOut)
{
    lambda::LambdaMaps maps = filled(Map::Two, QStringLiteral("1.00"));
    maps.setText(Map::Two, { 3, 4 }, QStringLiteral("ab"));
    maps.setText(Map::Two, { 7, 1 }, QStringLiteral("0,01"));
    EXPECT_TRUE(maps.complete(Map::Two));
    EXPECT_EQ(maps.firstUnsendable(Map::Two), (Cell { 3, 4 }));
    EXPECT_EQ(lambda::unsendableText(QStringLiteral("ab"), { 3, 4 }),
        QStringLiteral(
            "Der Wert \"ab\" (Luftmasse 35-60 kg/h, Drehzahl 3,5-5,5 (1000 U/min)) ist kein Lambdawert, "
            "den das Steuergerät speichern kann. Übertragung abgebrochen!"));
    maps.setText(Map::Two, { 3, 4 }, QStringLiteral("0,85"));
    EXPECT_EQ(maps.firstUnsendable(Map::Two), (Cell { 7, 1 }));
    EXPECT_FALSE(maps.firstUnsendable(Map::One) == std::nullopt);
}

} // namespace
