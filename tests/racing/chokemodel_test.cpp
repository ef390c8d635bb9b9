#include "racing/chokemodel.h"
#include "support/testnames.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

// What each text box shows for a control's value: "." under the German
// locale the tests run in.
struct TextCase {
    const char* name;
    QString (*text)(int value);
    int value;
    const char* shown;
};

const TextCase kTexts[] = {
    { "enrichment_0", choke::enrichmentText, 0, "+ 0/16" },
    { "enrichment_5", choke::enrichmentText, 5, "+ 5/16" },
    { "enrichment_250", choke::enrichmentText, 250, "+ 250/16" },
    { "warm_up_end_0", choke::warmUpEndText, 0, "+0 0°" },
    { "warm_up_end_8", choke::warmUpEndText, 8, "+0 .8°" },
    { "warm_up_end_10", choke::warmUpEndText, 10, "+ 1°" },
    { "warm_up_end_40", choke::warmUpEndText, 40, "+ 4°" },
    { "warm_up_end_42", choke::warmUpEndText, 42, "+ 4.2°" },
    { "warm_up_end_300", choke::warmUpEndText, 300, "+ 30°" },
    { "hot_start_700", choke::hotStartText, 700, "+ 44.95°C" },
    { "hot_start_920", choke::hotStartText, 920, "+ 92.79°C" },
    { "hot_start_1023", choke::hotStartText, 1023, "+ 173.37°C" },
    { "hot_factor_3", choke::hotStartFactorText, 3, "+ 3/16" },
    { "hot_factor_0", choke::hotStartFactorText, 0, " 0/16" },
    { "hot_factor_minus5", choke::hotStartFactorText, -5, "-5/16" },
    { "hot_factor_minus16", choke::hotStartFactorText, -16, "-16/16" },
    { "hot_factor_127", choke::hotStartFactorText, 127, "+ 127/16" },
};

class ChokeText : public ::testing::TestWithParam<TextCase> { };

TEST_P(ChokeText, ShowsTheValueInTheFixedStyle)
{
    EXPECT_EQ(GetParam().text(GetParam().value), QString::fromUtf8(GetParam().shown));
}

INSTANTIATE_TEST_SUITE_P(
    Table, ChokeText, ::testing::ValuesIn(kTexts), [](const auto& info) { return testName(info.param.name); });

// A warm-up end count and the tenths of a degree it stands for, in its band.
struct WarmUpEndCase {
    const char* name;
    int band;
    int count;
    int tenths;
};

const WarmUpEndCase kFromCount[] = {
    { "band0_34_is_4_degrees", 0, 34, 40 },
    { "band0_511", 0, 511, 595 },
    { "band2_258", 2, 258, 260 },
    { "band3_1", 3, 1, 1 },
    { "band5_34_flatter", 5, 34, 57 },
    { "band5_65535_capped", 5, 65535, 32767 },
};

class WarmUpEndFromCount : public ::testing::TestWithParam<WarmUpEndCase> { };

TEST_P(WarmUpEndFromCount, GivesTheBandsTenths)
{
    EXPECT_EQ(choke::warmUpEndFromCount(GetParam().band, GetParam().count), GetParam().tenths);
}

INSTANTIATE_TEST_SUITE_P(Table, WarmUpEndFromCount, ::testing::ValuesIn(kFromCount),
    [](const auto& info) { return testName(info.param.name); });

const WarmUpEndCase kToCount[] = {
    { "band0_40", 0, 34, 40 },
    { "band1_42", 1, 40, 42 },
    { "band2_300_needs_the_high_byte", 2, 298, 300 },
    { "band4_0", 4, 0, 0 },
    { "band5_4", 5, 2, 4 },
};

class WarmUpEndToCount : public ::testing::TestWithParam<WarmUpEndCase> { };

TEST_P(WarmUpEndToCount, GivesTheStoredCount)
{
    EXPECT_EQ(choke::warmUpEndToCount(GetParam().band, GetParam().tenths), GetParam().count);
}

INSTANTIATE_TEST_SUITE_P(Table, WarmUpEndToCount, ::testing::ValuesIn(kToCount),
    [](const auto& info) { return testName(info.param.name); });

TEST(WarmUpEndSlope, OutsideTheWarmUpEndBytesIsTheGeneralSlope)
{
    EXPECT_DOUBLE_EQ(choke::warmUpEndSlope(12), 0.004197087);
    EXPECT_DOUBLE_EQ(choke::warmUpEndSlope(23), 0.002915818);
    EXPECT_DOUBLE_EQ(choke::warmUpEndSlope(11), 0.004666);
    EXPECT_DOUBLE_EQ(choke::warmUpEndSlope(24), 0.004666);
}

// The hot-start enrichment byte both ways.
struct FactorCase {
    const char* name;
    int byte;
    int factor;
};

const FactorCase kFactors[] = {
    { "zero", 0, 0 },
    { "plus127", 127, 127 },
    { "minus16", 240, -16 },
    { "minus56", 200, -56 },
    { "minus3", 253, -3 },
};

class HotStartFactorByte : public ::testing::TestWithParam<FactorCase> { };

TEST_P(HotStartFactorByte, IsTwosComplement)
{
    EXPECT_EQ(choke::hotStartFactor(bytes::of({ GetParam().byte })), GetParam().factor);
    EXPECT_EQ(choke::hotStartFactorByte(GetParam().factor), GetParam().byte);
}

INSTANTIATE_TEST_SUITE_P(Table, HotStartFactorByte, ::testing::ValuesIn(kFactors),
    [](const auto& info) { return testName(info.param.name); });

TEST(ChokeBands, WarmestFirstWithTheTrailingBlankOfBand3)
{
    QStringList texts;
    for (int band = 0; band < choke::kBands; ++band)
        texts << choke::bandText(band);
    EXPECT_EQ(texts,
        QStringList({ QString::fromUtf8("30 bis 40° C"), QString::fromUtf8("20 bis 30° C"),
            QString::fromUtf8("10 bis 20° C"), QString::fromUtf8("0 bis 10° C "),
            QString::fromUtf8("-10 bis 0° C"), QString::fromUtf8("unter -10° C") }));
}

} // namespace
