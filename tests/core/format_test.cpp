#include "core/format.h"
#include "support/testnames.h"

#include <gtest/gtest.h>

namespace {

struct RoundCase {
    double value;
    int decimals;
    double expected;
};

class RoundHalfEven : public ::testing::TestWithParam<RoundCase> { };

TEST_P(RoundHalfEven, RoundsHalvesToTheEvenNeighbour)
{
    const auto& c = GetParam();
    EXPECT_DOUBLE_EQ(fmt::roundHalfEven(c.value, c.decimals), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Table, RoundHalfEven,
    ::testing::Values(RoundCase { 2.5, 0, 2 }, RoundCase { 3.5, 0, 4 }, RoundCase { -2.5, 0, -2 },
        RoundCase { 0.5, 0, 0 }, RoundCase { 1.5, 0, 2 }, RoundCase { 0.125, 2, 0.12 },
        RoundCase { 0.135, 2, 0.14 }, RoundCase { 4.845, 2, 4.84 }, RoundCase { 4.855, 2, 4.86 },
        RoundCase { 0.035, 2, 0.04 }, RoundCase { 999.95, 1, 1000.0 }, RoundCase { 1000.4999, 0, 1000 },
        RoundCase { -0.04, 1, 0.0 }, RoundCase { 1.0 / 3.0, 3, 0.333 }, RoundCase { 22.05, 1, 22.0 },
        RoundCase { 22.15, 1, 22.2 }),
    [](const auto& info) { return testName(info.param.value, info.param.decimals); });

struct TextCase {
    double value;
    const char* german;
    const char* english;
};

class PlainNumberDouble : public ::testing::TestWithParam<TextCase> { };

TEST_P(PlainNumberDouble, IsTheShortestFormWithTheGivenSeparator)
{
    const auto& c = GetParam();
    EXPECT_EQ(fmt::plainNumber(c.value, QLatin1Char(',')), QString::fromUtf8(c.german));
    EXPECT_EQ(fmt::plainNumber(c.value, QLatin1Char('.')), QString::fromUtf8(c.english));
}

INSTANTIATE_TEST_SUITE_P(Table, PlainNumberDouble,
    ::testing::Values(TextCase { 0, "0", "0" }, TextCase { 0.5, "0,5", "0.5" }, TextCase { -0.5, "-0,5", "-0.5" },
        TextCase { 38.2, "38,2", "38.2" }, TextCase { 1000, "1000", "1000" }, TextCase { 0.1 + 0.2, "0,3", "0.3" },
        TextCase { 1.0 / 3.0, "0,333333333333333", "0.333333333333333" },
        TextCase { 202.0 / 1000.0, "0,202", "0.202" }, TextCase { 1e-20, "1E-20", "1E-20" },
        TextCase { -1234.5, "-1234,5", "-1234.5" }),
    [](const auto& info) { return testName(info.param.german); });

TEST(PlainNumberSingle, ShowsTheShortestFormOfTheSingleValue)
{
    // (382 - 120 - 0) / 10 in single precision is 26.2f, not 26.200000762939453.
    EXPECT_EQ(fmt::plainNumber(static_cast<float>(262) / 10.0f, QLatin1Char(',')), QStringLiteral("26,2"));
    EXPECT_EQ(fmt::plainNumber(static_cast<float>(-5) / 10.0f, QLatin1Char(',')), QStringLiteral("-0,5"));
    EXPECT_EQ(fmt::plainNumber(0.1f, QLatin1Char('.')), QStringLiteral("0.1"));
    EXPECT_EQ(fmt::plainNumber(1.0f / 3.0f, QLatin1Char('.')), QStringLiteral("0.3333333"));
    EXPECT_EQ(fmt::plainNumber(35.0f, QLatin1Char(',')), QStringLiteral("35"));
}

TEST(PlainNumber, UsesTheRegionalSeparatorByDefault)
{
    // The test programs pin the German locale.
    EXPECT_EQ(fmt::regionalSeparator(), QLatin1Char(','));
    EXPECT_EQ(fmt::plainNumber(0.3), QStringLiteral("0,3"));
}

class FixedStyle : public ::testing::TestWithParam<std::pair<double, const char*>> { };

TEST_P(FixedStyle, WritesALeadingBlankAndNoLeadingZero)
{
    EXPECT_EQ(fmt::fixedStyle(GetParam().first), QString::fromLatin1(GetParam().second));
}

INSTANTIATE_TEST_SUITE_P(Table, FixedStyle,
    ::testing::Values(std::pair { 0.5, " .5" }, std::pair { -0.1, "-.1" }, std::pair { 3.0, " 3" },
        std::pair { 0.0, " 0" }, std::pair { -3.0, "-3" }, std::pair { 12.25, " 12.25" },
        std::pair { -12.25, "-12.25" }, std::pair { 0.05, " .05" }),
    [](const auto& info) { return testName(info.param.first); });

struct DecimalsCase {
    double value;
    int decimals;
    const char* text;
};

class FixedDecimals : public ::testing::TestWithParam<DecimalsCase> { };

TEST_P(FixedDecimals, PadsToThePattern)
{
    const auto& c = GetParam();
    EXPECT_EQ(fmt::fixedDecimals(c.value, c.decimals, QLatin1Char(',')), QString::fromLatin1(c.text));
}

INSTANTIATE_TEST_SUITE_P(Table, FixedDecimals,
    ::testing::Values(DecimalsCase { 1.0, 2, "1,00" }, DecimalsCase { 1024.0 / 853.0, 2, "1,20" },
        DecimalsCase { 0.125, 2, "0,12" }, DecimalsCase { 0, 1, "0,0" }, DecimalsCase { -0.04, 1, "0,0" },
        DecimalsCase { 9.95, 1, "10,0" }, DecimalsCase { -1.25, 1, "-1,2" }, DecimalsCase { 34.86, 1, "34,9" },
        DecimalsCase { 12.0, 0, "12" }),
    [](const auto& info) { return testName(info.param.value, info.param.decimals); });

struct LeadingCase {
    const char* text;
    double value;
};

class LeadingNumber : public ::testing::TestWithParam<LeadingCase> { };

TEST_P(LeadingNumber, ReadsTheNumberAtTheStart)
{
    EXPECT_DOUBLE_EQ(fmt::leadingNumber(QByteArray(GetParam().text)), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Table, LeadingNumber,
    ::testing::Values(LeadingCase { "", 0 }, LeadingCase { "abc", 0 }, LeadingCase { "007", 7 },
        LeadingCase { "04", 4 }, LeadingCase { "  12x", 12 }, LeadingCase { "-3.5", -3.5 },
        LeadingCase { ".5", 0.5 }, LeadingCase { "1e3", 1000 }, LeadingCase { "1e", 1 }, LeadingCase { "+2", 2 },
        LeadingCase { "-", 0 }, LeadingCase { "12.600", 12.6 }),
    [](const auto& info) { return testName(info.param.text); });

TEST(ParseDecimal, AcceptsTheGivenSeparatorAndThePoint)
{
    EXPECT_DOUBLE_EQ(fmt::parseDecimal(QStringLiteral("38,2"), QLatin1Char(',')), 38.2);
    EXPECT_DOUBLE_EQ(fmt::parseDecimal(QStringLiteral("38.2"), QLatin1Char(',')), 38.2);
    EXPECT_DOUBLE_EQ(fmt::parseDecimal(QStringLiteral(""), QLatin1Char(',')), 0.0);
}

} // namespace
