#include "racing/extrasmodel.h"
#include "support/testnames.h"

#include <gtest/gtest.h>

namespace {

// What each display box shows for a raw value (German separator).
struct TextCase {
    const char* name;
    QString (*text)(int raw);
    int raw;
    const char* shown;
};

const TextCase kTexts[] = {
    { "dwell_off", extras::dwellStartText, 0, "Aus (180°)" },
    { "dwell_100", extras::dwellStartText, 100, "91,4" },
    { "dwell_1", extras::dwellStartText, 1, "9141,3" },
    { "dwell_255", extras::dwellStartText, 255, "35,8" },
    { "pump_0", extras::pumpTimeText, 0, "0" },
    { "pump_5", extras::pumpTimeText, 5, "8,4" },
    { "pump_20", extras::pumpTimeText, 20, "33,6" },
    { "charge_40", extras::chargeTimeText, 40, "4" },
    { "charge_255", extras::chargeTimeText, 255, "25,5" },
    { "delay_2200", extras::coilDelayText, 2200, "220" },
    { "delay_4090", extras::coilDelayText, 4090, "409" },
    { "lead_angle_73", extras::leadAngleText, 73, "7,3" },
    { "sampling_10", extras::samplingText, 10, "10" },
    { "air_mass_400", extras::fullLoadAirMassText, 400, "19,31" },
    { "air_mass_665", extras::fullLoadAirMassText, 665, "85,08" },
    { "air_mass_961", extras::fullLoadAirMassText, 961, "300,81" },
};

class DisplayText : public ::testing::TestWithParam<TextCase> { };

TEST_P(DisplayText, ShowsTheRawValueConverted)
{
    EXPECT_EQ(GetParam().text(GetParam().raw), QString::fromUtf8(GetParam().shown));
}

INSTANTIATE_TEST_SUITE_P(
    Table, DisplayText, ::testing::ValuesIn(kTexts), [](const auto& info) { return testName(info.param.name); });

// What a reply or an echo decodes to.
struct ReplyCase {
    const char* name;
    int (*decode)(const Bytes& reply);
    Bytes reply;
    int value;
};

const ReplyCase kReplies[] = {
    { "charge_40_9C_00", extras::chargeTime, bytes::of({ 0x40, 0x9C, 0x00 }), 40 },
    { "charge_all_three_bytes", extras::chargeTime, bytes::of({ 0x18, 0xE3, 0x03 }), 255 },
    { "charge_2500_halves_to_even", extras::chargeTime, bytes::of({ 0xC4, 0x09, 0x00 }), 2 },
    { "delay_08_98", extras::coilDelay, bytes::of({ 0x08, 0x98, 0xAA, 0x55 }), 2200 },
    { "delay_FF_10", extras::coilDelay, bytes::of({ 0xFF, 0x10, 0, 0 }), 0xFF10 },
    { "air_mass_02_99", extras::fullLoadAirMass, bytes::of({ 0x02, 0x99 }), 665 },
    { "air_mass_03_C1", extras::fullLoadAirMass, bytes::of({ 0x03, 0xC1 }), 961 },
};

class ReplyDecode : public ::testing::TestWithParam<ReplyCase> { };

TEST_P(ReplyDecode, GivesTheRawValue)
{
    EXPECT_EQ(GetParam().decode(GetParam().reply), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReplyDecode, ::testing::ValuesIn(kReplies), [](const auto& info) { return testName(info.param.name); });

// Which delays the control can hold; the rest are replaced by the standard.
struct DelayCase {
    const char* name;
    Bytes reply;
    bool valid;
};

class CoilDelayCheck : public ::testing::TestWithParam<DelayCase> { };

TEST_P(CoilDelayCheck, AcceptsOnlyWhatTheControlHolds)
{
    EXPECT_EQ(extras::coilDelayValid(extras::coilDelay(GetParam().reply)), GetParam().valid);
}

INSTANTIATE_TEST_SUITE_P(Table, CoilDelayCheck,
    ::testing::Values(DelayCase { "implausible_FF_10", bytes::of({ 0xFF, 0x10, 0, 0 }), false },
        DelayCase { "first_byte_255_alone", bytes::of({ 0xFF, 0x00, 0, 0 }), false },
        DelayCase { "standard_08_98", bytes::of({ 0x08, 0x98, 0, 0 }), true },
        DelayCase { "zero", bytes::of({ 0, 0, 0, 0 }), true },
        DelayCase { "max_4090", bytes::of({ 0x0F, 0xFA, 0, 0 }), true },
        DelayCase { "above_max_4091", bytes::of({ 0x0F, 0xFB, 0, 0 }), false }),
    [](const auto& info) { return testName(info.param.name); });

struct CoilTypeCase {
    const char* name;
    int code;
    int row;
    const char* text;
    bool delay;
};

class CoilTypeList : public ::testing::TestWithParam<CoilTypeCase> { };

TEST_P(CoilTypeList, NamesTheCodeAndItsRow)
{
    const CoilTypeCase& c = GetParam();
    EXPECT_EQ(extras::coilTypeRow(c.code), c.row);
    EXPECT_EQ(extras::coilTypeText(c.code), QString::fromUtf8(c.text));
    EXPECT_EQ(extras::hasDelaySetting(c.code), c.delay);
}

INSTANTIATE_TEST_SUITE_P(Table, CoilTypeList,
    ::testing::Values(CoilTypeCase { "pot_coils", 1, 0, "Topfzündspulen", false },
        CoilTypeCase { "compact_104A", 2, 1, "VW-Kompaktzündmodule (867 905 104A)", false },
        CoilTypeCase { "compact_6N0", 3, 2, "VW-Kompaktzündmodule (6N0 905 104)", false },
        CoilTypeCase { "other", 0, 3, "Andere", true }, CoilTypeCase { "unknown_4", 4, -1, "Unbekannt", false },
        CoilTypeCase { "unknown_255", 255, -1, "Unbekannt", false }),
    [](const auto& info) { return testName(info.param.name); });

} // namespace
