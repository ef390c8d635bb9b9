#include "racing/loadchangemodel.h"
#include "support/testnames.h"

#include <gtest/gtest.h>

namespace {

using namespace loadchange;

// What each display box shows for a raw value (German separator where the
// regional one applies, "." in the fixed style).
struct TextCase {
    const char* name;
    QString (*text)(int raw);
    int raw;
    const char* shown;
};

const TextCase kTexts[] = {
    { "sensitivity_0", sensitivityText, 0, " 0" },
    { "sensitivity_250", sensitivityText, 250, " 250" },
    { "enrichment_change_2_one_blank", enrichmentText, 2, "+ 2/16" },
    { "enrichment_read_2_two_blanks", enrichmentReadText, 2, "+  2/16" },
    { "enrichment_change_0", enrichmentText, 0, "+ 0/16" },
    { "advance_0", advanceText, 0, "+ 0.0°" },
    { "advance_5_zero_then_fixed_style", advanceText, 5, "+ 0 .5°" },
    { "advance_9", advanceText, 9, "+ 0 .9°" },
    { "advance_10_whole_degree", advanceText, 10, "+  1°" },
    { "advance_15", advanceText, 15, "+  1.5°" },
    { "advance_255", advanceText, 255, "+  25.5°" },
    { "duration_10", durationText, 10, " 10" },
    { "air_mass_400", maxAirMassText, 400, "19,31" },
    { "air_mass_800", maxAirMassText, 800, "153,63" },
    { "air_mass_961", maxAirMassText, 961, "300,81" },
    { "leaning_3", overrunLeaningText, 3, "- 3/16" },
    { "leaning_0", overrunLeaningText, 0, "- 0/16" },
    { "adaptation_minus_3", adaptationText, -3, "-3/16" },
    { "adaptation_3", adaptationText, 3, " 3/16" },
    { "adaptation_minus_128", adaptationText, -128, "-128/16" },
    { "adaptation_0", adaptationText, 0, " 0/16" },
};

class LoadChangeText : public ::testing::TestWithParam<TextCase> { };

TEST_P(LoadChangeText, ShowsTheRawValueAsTheTabWritesIt)
{
    EXPECT_EQ(GetParam().text(GetParam().raw), QString::fromUtf8(GetParam().shown));
}

INSTANTIATE_TEST_SUITE_P(Table, LoadChangeText, ::testing::ValuesIn(kTexts),
    [](const auto& info) { return testName(info.param.name); });

// The signed adaptation byte, both ways.
struct AdaptationCase {
    const char* name;
    int byte;
    int value;
};

const AdaptationCase kAdaptations[] = {
    { "byte_253_is_minus_3", 253, -3 },
    { "byte_128_is_minus_128", 128, -128 },
    { "byte_127_stays", 127, 127 },
    { "byte_255_is_minus_1", 255, -1 },
    { "byte_0", 0, 0 },
};

class AdaptationByte : public ::testing::TestWithParam<AdaptationCase> { };

TEST_P(AdaptationByte, ReadsAndWritesInTwosComplement)
{
    EXPECT_EQ(adaptationFromByte(GetParam().byte), GetParam().value);
    EXPECT_EQ(adaptationByte(GetParam().value), GetParam().byte);
}

INSTANTIATE_TEST_SUITE_P(Table, AdaptationByte, ::testing::ValuesIn(kAdaptations),
    [](const auto& info) { return testName(info.param.name); });

// The maximum air mass reply and its plausibility.
struct AirMassCase {
    const char* name;
    Bytes reply;
    int count;
    bool plausible;
};

const AirMassCase kAirMasses[] = {
    { "bytes_3_193_is_961", bytes::of({ 3, 193 }), 961, true },
    { "bytes_3_194_is_962", bytes::of({ 3, 194 }), 962, false },
    { "bytes_1_0_passes_the_plausibility", bytes::of({ 1, 0 }), 256, true },
    { "bytes_3_32_is_800", bytes::of({ 3, 32 }), 800, true },
    { "bytes_FF_FF", bytes::of({ 255, 255 }), 65535, false },
};

class MaxAirMassReply : public ::testing::TestWithParam<AirMassCase> { };

TEST_P(MaxAirMassReply, DecodesHighThenLowAndJudgesIt)
{
    EXPECT_EQ(maxAirMass(GetParam().reply), GetParam().count);
    EXPECT_EQ(maxAirMassPlausible(GetParam().count), GetParam().plausible);
}

INSTANTIATE_TEST_SUITE_P(Table, MaxAirMassReply, ::testing::ValuesIn(kAirMasses),
    [](const auto& info) { return testName(info.param.name); });

} // namespace
