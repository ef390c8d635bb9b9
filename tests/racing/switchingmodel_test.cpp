#include "core/identity.h"
#include "racing/switchingmodel.h"
#include "support/testnames.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

using switching::Generation;

QString u(const char* s)
{
    return QString::fromUtf8(s);
}

// --- thresholds -------------------------------------------------------------

struct SpeedCase {
    const char* name;
    Generation generation;
    int value;
    const char* text;
};

const SpeedCase kSpeeds[] = {
    { "band_0_lowest", Generation::BandIndex, 0, "1" },
    { "band_19_last_fine_band", Generation::BandIndex, 19, "951" },
    { "band_20_first_coarse_band", Generation::BandIndex, 20, "1001" },
    { "band_25", Generation::BandIndex, 25, "1501" },
    { "band_110_top", Generation::BandIndex, 110, "10001" },
    { "period_600_integer_part", Generation::Period, 235, "277" },
    { "period_16_slider_min", Generation::Period, 819, "10416" },
    { "period_14_slider_max", Generation::Period, 821, "11904" },
    { "period_zero_counts_as_16", Generation::Period, 835, "10416" },
    { "period_835_longest", Generation::Period, 0, "199" },
};

class ThresholdSpeed : public ::testing::TestWithParam<SpeedCase> { };

TEST_P(ThresholdSpeed, ShowsTheSwitchingSpeed)
{
    const SpeedCase& c = GetParam();
    EXPECT_EQ(switching::speedText(c.value, c.generation), u(c.text));
}

INSTANTIATE_TEST_SUITE_P(Table, ThresholdSpeed, ::testing::ValuesIn(kSpeeds),
    [](const auto& info) { return testName(info.param.name); });

// The block's bytes and the write of each coding.
struct CodingCase {
    const char* name;
    Generation generation;
    Bytes block;
    int threshold1;
    int threshold2;
    Bytes write1; // the request of threshold 1 with the value read
    Bytes echo1;
};

const CodingCase kCodings[] = {
    { "band_index", Generation::BandIndex, bytes::of({ 4, 9, 9, 9, 9, 2, 25, 0, 40, 7 }), 25, 40,
        bytes::of({ 'x', 25, '0', '?' }), bytes::of({ 25, '0' }) },
    { "period", Generation::Period, bytes::of({ 255, 0, 0, 0, 0, 0, 2, 88, 0, 16 }), 235, 819,
        bytes::of({ 'x', 2, 88, '?' }), bytes::of({ 2, 88 }) },
    { "period_zero_writes_16", Generation::Period, bytes::of({ 255, 0, 0, 0, 0, 0, 0, 0, 0, 0 }), 835, 835,
        bytes::of({ 'x', 0, 16, '?' }), bytes::of({ 0, 16 }) },
};

class ThresholdCoding : public ::testing::TestWithParam<CodingCase> { };

TEST_P(ThresholdCoding, DecodesTheBlockAndWritesTheValueBack)
{
    const CodingCase& c = GetParam();
    const std::optional<switching::Block> block = switching::decodeBlock(c.block, c.generation);
    ASSERT_TRUE(block);
    EXPECT_EQ(block->output1Mode, bytes::at(c.block, 0));
    EXPECT_EQ(block->output2Mode, bytes::at(c.block, 5));
    EXPECT_EQ(block->threshold1, c.threshold1);
    EXPECT_EQ(block->threshold2, c.threshold2);
    const Request write = switching::thresholdWrite(1, block->threshold1, c.generation);
    EXPECT_EQ(write.frame.toHex(' '), c.write1.toHex(' '));
    EXPECT_EQ(write.replyLength, 2);
    EXPECT_TRUE(write.changesUnit);
    EXPECT_EQ(switching::thresholdEcho(write).toHex(' '), c.echo1.toHex(' '));
    EXPECT_EQ(switching::thresholdWrite(2, block->threshold2, c.generation).frame.at(0), 'y');
}

INSTANTIATE_TEST_SUITE_P(Table, ThresholdCoding, ::testing::ValuesIn(kCodings),
    [](const auto& info) { return testName(info.param.name); });

TEST(SwitchingBlock, ShorterThanTenBytesIsNoBlock)
{
    EXPECT_FALSE(switching::decodeBlock(bytes::of({ 4, 0, 0, 0, 0, 2, 25, 0, 40 }), Generation::BandIndex));
}

struct RangeCase {
    const char* name;
    UnitIdentity unit;
    Generation generation;
    switching::Range range1;
    switching::Range range2At50;
};

UnitIdentity firmware(const char* release)
{
    UnitIdentity id;
    id.setFirmware(release);
    id.setUnitType("KZDX 2Zyl RX40");
    return id;
}

const RangeCase kRanges[] = {
    { "fw_2_313_period", firmware("02.313"), Generation::Period, { 16, 819 }, { 51, 821 } },
    { "fw_2_314_band_index", firmware("02.314"), Generation::BandIndex, { 0, 108 }, { 51, 110 } },
    { "fw_1_999_period", firmware("01.999"), Generation::Period, { 16, 819 }, { 51, 821 } },
    { "fw_3_000_band_index", firmware("03.000"), Generation::BandIndex, { 0, 108 }, { 51, 110 } },
};

class ThresholdRange : public ::testing::TestWithParam<RangeCase> { };

TEST_P(ThresholdRange, FollowsTheFirmwareGeneration)
{
    const RangeCase& c = GetParam();
    ASSERT_EQ(switching::generation(c.unit), c.generation);
    const switching::Range r1 = switching::threshold1Range(c.generation);
    const switching::Range r2 = switching::threshold2Range(c.generation, 50);
    EXPECT_EQ(std::pair(r1.min, r1.max), std::pair(c.range1.min, c.range1.max));
    EXPECT_EQ(std::pair(r2.min, r2.max), std::pair(c.range2At50.min, c.range2At50.max));
}

INSTANTIATE_TEST_SUITE_P(Table, ThresholdRange, ::testing::ValuesIn(kRanges),
    [](const auto& info) { return testName(info.param.name); });

// --- modes ------------------------------------------------------------------

struct ModeCase {
    const char* name;
    bool output2;
    bool listsBza;
    int code;
    const char* text;
    std::optional<bool> threshold1; // output 2: what the mode does to the sliders
    std::optional<bool> threshold2;
};

const ModeCase kModes[] = {
    { "out1_mil", false, false, 255, "MIL", {}, {} },
    { "out1_bza_injection", false, true, 8, "BZA", {}, {} },
    { "out1_bza_ignition_unknown", false, false, 8, "Unbekannt", {}, {} },
    { "out1_two_stroke", false, false, 2, "2-Takt DZM", {}, {} },
    { "out1_four_stroke", false, true, 4, "4-Takt DZM", {}, {} },
    { "out1_zero_unknown", false, true, 0, "Unbekannt", {}, {} },
    { "out2_disabled", true, false, 255, "Deaktiviert", false, false },
    { "out2_on", true, false, 0, "Ein", true, false },
    { "out2_off", true, false, 1, "Aus", true, false },
    { "out2_off_on_off", true, false, 2, "Aus-Ein-Aus", true, true },
    { "out2_on_off_on", true, false, 3, "Ein-Aus-Ein", true, true },
    { "out2_extra_air_leaves_sliders", true, false, 4, "Zusatzluft bei Warmlauf", {}, {} },
    { "out2_five_unknown", true, false, 5, "Unbekannt", {}, {} },
};

class ModeList : public ::testing::TestWithParam<ModeCase> { };

TEST_P(ModeList, NamesTheCodeAndBack)
{
    const ModeCase& c = GetParam();
    const std::vector<switching::Mode> modes
        = c.output2 ? switching::output2Modes() : switching::output1Modes(c.listsBza);
    const QString text = switching::modeText(modes, c.code);
    EXPECT_EQ(text, u(c.text));
    if (text == switching::kUnknown)
        EXPECT_FALSE(switching::modeCode(modes, text));
    else
        EXPECT_EQ(switching::modeCode(modes, text), c.code);
    if (c.output2) {
        const switching::SliderUse use = switching::slidersFor(c.code);
        EXPECT_EQ(use.threshold1, c.threshold1);
        EXPECT_EQ(use.threshold2, c.threshold2);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ModeList, ::testing::ValuesIn(kModes), [](const auto& info) { return testName(info.param.name); });

TEST(ModeList, Output1ListOrderWithAndWithoutBza)
{
    QStringList texts;
    for (const switching::Mode& m : switching::output1Modes(true))
        texts << m.text;
    EXPECT_EQ(texts, (QStringList { "MIL", "BZA", "2-Takt DZM", "4-Takt DZM" }));
    EXPECT_EQ(switching::output1Modes(false).size(), 3u);
}

// --- labels -----------------------------------------------------------------

// Built in the test, after the locale is pinned.
struct LabelCase {
    const char* name;
    bool offset; // else the enrichment
    int value;
    const char* expected;
};

const LabelCase kLabels[] = {
    { "offset_latest_angle", true, 255, "auf 12,7 Grad vor OT" },
    { "offset_by_3_degrees", true, 30, "um 3 Grad KW" },
    { "offset_by_tenths", true, 35, "um 3,5 Grad KW" },
    { "offset_zero", true, 0, "um 0 Grad KW" },
    { "offset_254", true, 254, "um 25,4 Grad KW" },
    { "enrichment_zero", false, 0, "+0 / 16" },
    { "enrichment_full", false, 16, "+16 / 16" },
};

class Label : public ::testing::TestWithParam<LabelCase> { };

TEST_P(Label, ReadsInTheRegionalStyle)
{
    const LabelCase& c = GetParam();
    const int angleReference = 382;
    const QString text
        = c.offset ? switching::offsetText(c.value, angleReference) : switching::enrichmentText(c.value);
    EXPECT_EQ(text, u(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Table, Label, ::testing::ValuesIn(kLabels), [](const auto& info) { return testName(info.param.name); });

} // namespace
