#include "basic/basicsettings.h"
#include "core/coilcharge.h"
#include "support/testnames.h"

#include <QLocale>

#include <algorithm>

#include <gtest/gtest.h>

namespace {

QString u(const char* s)
{
    return QString::fromUtf8(s);
}

// --- Soft-down time -------------------------------------------------------

struct SoftDownRow {
    const char* name;
    int storedByte;
    int standardByte;
    int step;
    const char* shown;
    int writeByte;
};

class SoftDownTime : public testing::TestWithParam<SoftDownRow> { };

TEST_P(SoftDownTime, StepShownAndWrittenByte)
{
    const auto& row = GetParam();
    // The window shows the standard where the stored byte says so; the
    // control holds no more than its longest step.
    const bool standard = basic::softDownShowsStandard(row.storedByte);
    const int resolved = standard ? row.standardByte : row.storedByte;
    const int step = std::min(basic::softDownStepFromByte(resolved), basic::kSoftDownStepMax);
    EXPECT_EQ(step, row.step);
    EXPECT_EQ(basic::softDownText(step), u(row.shown));
    EXPECT_EQ(basic::softDownWriteByte(step, row.standardByte, standard), row.writeByte);
}

INSTANTIATE_TEST_SUITE_P(Table, SoftDownTime,
    testing::Values(SoftDownRow { "standard_5_stays_standard", 255, 5, 6, "10,08", 255 },
        SoftDownRow { "own_time_5_with_standard_5_becomes_standard", 5, 5, 6, "10,08", 255 },
        SoftDownRow { "own_time_9", 9, 5, 10, "16,8", 9 }, SoftDownRow { "shortest", 0, 5, 1, "1,68", 0 },
        SoftDownRow { "longest", 253, 5, 254, "426,72", 253 },
        SoftDownRow { "standard_253_is_the_longest_step", 255, 253, 254, "426,72", 255 },
        // A standard beyond the control sits there as its longest step, which
        // stands for one step less than the standard.
        SoftDownRow { "standard_254_stays_standard", 255, 254, 254, "426,72", 255 },
        SoftDownRow { "own_time_254_with_standard_254_becomes_standard", 254, 254, 254, "426,72", 255 },
        SoftDownRow { "own_time_253_with_standard_254_stays_own", 253, 254, 254, "426,72", 253 },
        SoftDownRow { "own_time_254_beyond_the_control_follows_standard_5", 254, 5, 6, "10,08", 255 }),
    [](const auto& info) { return testName(info.param.name); });

// Every step's time, written the way a person would: N x 168 hundredths,
// trailing zeros dropped, under each regional separator.
struct SoftDownLocaleRow {
    const char* name;
    QLocale::Language language;
    QLocale::Territory territory;
    char separator;
};

class SoftDownTimeText : public testing::TestWithParam<SoftDownLocaleRow> { };

TEST_P(SoftDownTimeText, EveryStepShowsItsExactTime)
{
    const auto& row = GetParam();
    const QLocale pinned;
    QLocale::setDefault(QLocale(row.language, row.territory));
    for (int step = basic::kSoftDownStepMin; step <= basic::kSoftDownStepMax; ++step) {
        const int hundredths = step * 168;
        QString expected = QString::number(hundredths / 100);
        if (const int rest = hundredths % 100; rest != 0) {
            QString digits = QStringLiteral("%1").arg(rest, 2, 10, QLatin1Char('0'));
            if (digits.endsWith(QLatin1Char('0')))
                digits.chop(1);
            expected += QLatin1Char(row.separator) + digits;
        }
        EXPECT_EQ(basic::softDownText(step), expected) << "step " << step;
    }
    QLocale::setDefault(pinned);
}

INSTANTIATE_TEST_SUITE_P(Table, SoftDownTimeText,
    testing::Values(SoftDownLocaleRow { "German", QLocale::German, QLocale::Germany, ',' },
        SoftDownLocaleRow { "English", QLocale::English, QLocale::UnitedStates, '.' }),
    [](const auto& info) { return testName(info.param.name); });

// The send picks "use the standard time" exactly where the single-precision
// product of step and 1.68 used to match the standard's.
TEST(SoftDownTime, StandardSelectedAsBeforeForEveryStepAndStandard)
{
    for (int standard = 0; standard <= 255; ++standard) {
        for (int step = basic::kSoftDownStepMin; step <= basic::kSoftDownStepMax; ++step) {
            const bool before = float(step) * 1.68f == float(standard + 1) * 1.68f;
            const int expected = before ? basic::kSoftDownStandardByte : step - 1;
            ASSERT_EQ(basic::softDownWriteByte(step, standard), expected)
                << "step " << step << ", standard byte " << standard;
        }
    }
}

// --- Idle control ----------------------------------------------------------

struct IdleRow {
    const char* name;
    int byte1;
    int byte2;
    bool dynamic;
    int raw;
    int step;
    basic::TempCheck check;
};

class IdleControlRead : public testing::TestWithParam<IdleRow> { };

TEST_P(IdleControlRead, DecodesModeAndTemperatureStep)
{
    const auto& row = GetParam();
    const auto idle = basic::decodeIdleControl(bytes::of({ row.byte1, row.byte2 }));
    EXPECT_EQ(idle.dynamic, row.dynamic);
    EXPECT_EQ(idle.raw, row.raw);
    const auto t = basic::tempStepFromRaw(idle.raw);
    EXPECT_EQ(t.step, row.step);
    EXPECT_EQ(t.check, row.check);
}

INSTANTIATE_TEST_SUITE_P(Table, IdleControlRead,
    testing::Values(IdleRow { "static_385", 0x01, 0x81, false, 385, 395, basic::TempCheck::Valid },
        IdleRow { "dynamic_high_bits_ignored", 0xC1, 0x81, true, 385, 395, basic::TempCheck::Valid },
        IdleRow { "erased_silently_50", 0x03, 0xFF, false, 1023, 50, basic::TempCheck::Erased },
        IdleRow { "raw_730_gives_50", 0x02, 0xDA, false, 730, 50, basic::TempCheck::Valid },
        IdleRow { "raw_731_invalid", 0x02, 0xDB, false, 731, 50, basic::TempCheck::Invalid },
        IdleRow { "raw_50_gives_730", 0x00, 50, false, 50, 730, basic::TempCheck::Valid },
        IdleRow { "raw_49_beyond_control_invalid", 0x00, 49, false, 49, 50, basic::TempCheck::Invalid },
        IdleRow { "raw_0_beyond_control_invalid", 0x00, 0, false, 0, 50, basic::TempCheck::Invalid }),
    [](const auto& info) { return testName(info.param.name); });

struct FlagsRow {
    bool dynamic;
    int step;
    int flags;
    int low;
};

class IdleControlWrite : public testing::TestWithParam<FlagsRow> { };

TEST_P(IdleControlWrite, FlagsAndLowByte)
{
    const auto& row = GetParam();
    const int raw = basic::rawFromTempStep(row.step);
    EXPECT_EQ(basic::idleControlFlags(row.dynamic, raw), row.flags);
    EXPECT_EQ(raw & 255, row.low);
}

INSTANTIATE_TEST_SUITE_P(Table, IdleControlWrite,
    testing::Values(FlagsRow { false, 395, 0x81, 0x81 }, FlagsRow { true, 395, 0xC1, 0x81 },
        FlagsRow { false, 50, 0x82, 0xDA }, FlagsRow { true, 730, 0xC0, 50 }),
    [](const auto& info) { return testName(info.param.dynamic ? "dynamic" : "static", info.param.step); });

struct HeadTempRow {
    int step;
    const char* shown;
};

class HeadTemperature : public testing::TestWithParam<HeadTempRow> { };

TEST_P(HeadTemperature, ShownRoundedToOneDecimal)
{
    EXPECT_EQ(basic::headTemperatureText(GetParam().step), u(GetParam().shown));
}

INSTANTIATE_TEST_SUITE_P(Table, HeadTemperature,
    testing::Values(HeadTempRow { 50, "-1,5" }, HeadTempRow { 395, "37,2" }, HeadTempRow { 730, "117,9" }),
    [](const auto& info) { return testName(info.param.step); });

// --- Static angle ------------------------------------------------------------

struct AngleRow {
    const char* name;
    int sensor;
    int lead;
    int standard; // -1: none
};

class StandardStaticAngle : public testing::TestWithParam<AngleRow> { };

TEST_P(StandardStaticAngle, TwentyOneDegreesOrNone)
{
    const auto& row = GetParam();
    const auto s = basic::standardStaticAngle(row.sensor, row.lead);
    EXPECT_EQ(s.value_or(-1), row.standard);
    if (s) {
        EXPECT_EQ(basic::staticAngleText(row.sensor, *s, row.lead), u("21"));
    }
}

INSTANTIATE_TEST_SUITE_P(Table, StandardStaticAngle,
    testing::Values(AngleRow { "sensor_200_negative", 200, 0, -1 }, AngleRow { "exactly_21", 210, 0, 0 },
        AngleRow { "with_lead_angle", 332, 20, 102 }, AngleRow { "largest_byte", 465, 0, 255 },
        AngleRow { "above_a_byte", 466, 0, -1 }),
    [](const auto& info) { return testName(info.param.name); });

TEST(StaticAngle, ShownInDegreesBeforeTopDeadCentre)
{
    EXPECT_EQ(basic::staticAngleText(332, 122, 0), u("21"));
    EXPECT_EQ(basic::staticAngleText(332, 100, 15), u("21,7"));
}

// --- Coil charge time ----------------------------------------------------------

struct CoilRow {
    int b1, b2, b3;
    int count;
    int step;
    bool valid;
};

class CoilChargeTime : public testing::TestWithParam<CoilRow> { };

TEST_P(CoilChargeTime, CountRoundsHalfToEven)
{
    const auto& row = GetParam();
    const int count = coilcharge::count(bytes::of({ row.b1, row.b2, row.b3 }));
    EXPECT_EQ(count, row.count);
    EXPECT_EQ(coilcharge::stepFromCount(count), row.step);
    EXPECT_EQ(coilcharge::stepValid(row.step), row.valid);
}

INSTANTIATE_TEST_SUITE_P(Table, CoilChargeTime,
    testing::Values(CoilRow { 0xF4, 0x01, 0x00, 500, 0, false }, CoilRow { 0xDC, 0x05, 0x00, 1500, 2, true },
        CoilRow { 0xB8, 0x0B, 0x00, 3000, 3, true }, CoilRow { 0x40, 0x9C, 0x00, 40000, 40, true },
        CoilRow { 0x18, 0xE4, 0x03, 255000, 255, true }, CoilRow { 0x00, 0xE8, 0x03, 256000, 256, false }),
    [](const auto& info) { return testName(info.param.count); });

TEST(CoilChargeTime, ShownInMilliseconds)
{
    EXPECT_EQ(basic::coilText(40), u("4"));
    EXPECT_EQ(basic::coilText(255), u("25,5"));
}

} // namespace
