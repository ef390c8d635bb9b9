#include "core/curves.h"
#include "status/livedata.h"
#include "support/testnames.h"

#include <gtest/gtest.h>

namespace {

const QChar kComma = QLatin1Char(',');

QString u(const char* s)
{
    return QString::fromUtf8(s);
}

// A unit identity from the texts the unit sends.
UnitIdentity unit(const char* firmware, const char* type)
{
    UnitIdentity id;
    id.setFirmware(Bytes(firmware));
    id.setUnitType(Bytes(type));
    return id;
}

// Injection line, two cylinders, type 4, variant 0.
const char* const kInjection40 = "KEDX 2Zyl RX40A";
const char* const kIgnition40 = "KZDX 2Zyl RX40A";
const char* const kIgnition42 = "KZDX 2Zyl RX42A";
const char* const kIgnition30 = "KZDX 2Zyl RX30A";
const char* const kIgnition32 = "KZDX 2Zyl RX32A";
const char* const kIgnition1Cyl = "KZDX 1Zyl RX40A";

live::Context context(const char* firmware, const char* type)
{
    live::Context ctx;
    ctx.id = unit(firmware, type);
    ctx.racingVariant = gates::racingVariant(ctx.id);
    ctx.lblSE1Mode = u("Tabellenauswahl");
    ctx.lblSE2Mode = u("Kennfeldauswahl");
    ctx.lblSA1Mode = u("4-Takt DZM");
    return ctx;
}

// ---------------------------------------------------------------- speed

struct SpeedCase {
    Bytes reply;
    const char* rpm;
    const char* coils;
};

class Speed : public ::testing::TestWithParam<SpeedCase> { };

TEST_P(Speed, ReplyGivesSpeedAndCoilTexts)
{
    const auto& c = GetParam();
    const auto s = live::decodeSpeed(c.reply);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->txtRPM, u(c.rpm));
    EXPECT_EQ(s->txtStgLast, u(c.coils));
    EXPECT_EQ(s->engineStands, QString(u(c.rpm)) == QLatin1String("0"));
}

INSTANTIATE_TEST_SUITE_P(Table, Speed,
    ::testing::Values(SpeedCase { bytes::of({ 0x09, 0x27, 0xC0 }), "1000", "Ein" },
        SpeedCase { bytes::of({ 0x00, 0xEA, 0x60 }), "10000", "Ein" },
        // Highest running byte1; 36.19 rounds to 36.
        SpeedCase { bytes::of({ 253, 0, 0 }), "36", "Ein" }, SpeedCase { bytes::of({ 254, 0, 0 }), "0", "Ein" },
        // 35.900002 and 35.8999998 either side of the threshold.
        SpeedCase { bytes::of({ 255, 0x05, 0x83 }), "0", "Ein" },
        SpeedCase { bytes::of({ 255, 0x05, 0x84 }), "0", "AUS" },
        SpeedCase { bytes::of({ 255, 255, 255 }), "0", "AUS" }),
    [](const auto& info) { return testName(info.param.reply); });

TEST(Speed, PeriodIsTheReplyInTenthsOfAMicrosecond)
{
    EXPECT_DOUBLE_EQ(live::decodeSpeed(bytes::of({ 0x09, 0x27, 0xC0 }))->period, 600000);
}

TEST(Speed, EmptyShortOrZeroPeriodReplyLeavesDisplaysUnchanged)
{
    EXPECT_FALSE(live::decodeSpeed(Bytes()));
    EXPECT_FALSE(live::decodeSpeed(bytes::of({ 9, 0x27 })));
    EXPECT_FALSE(live::decodeSpeed(bytes::of({ 0, 0, 0 })));
}

// ---------------------------------------------------------------- outputs

struct OutputCase {
    int byte;
    const char* sa1Mode;
    const char* rpm;
    const char* pump;
    const char* sa1;
    const char* sa2;
};

class Outputs : public ::testing::TestWithParam<OutputCase> { };

TEST_P(Outputs, BitsGiveOnOffTexts)
{
    const auto& c = GetParam();
    auto ctx = context("03.000", kIgnition42);
    ctx.lblSA1Mode = u(c.sa1Mode);
    const auto o = live::decodeOutputs(bytes::of({ c.byte }), ctx, u(c.rpm));
    ASSERT_TRUE(o);
    EXPECT_EQ(o->txtBenzPump, u(c.pump));
    EXPECT_EQ(o->lblSA1Stat, u(c.sa1));
    EXPECT_EQ(o->lblSA2Stat, u(c.sa2));
}

INSTANTIATE_TEST_SUITE_P(Table, Outputs,
    ::testing::Values(OutputCase { 0, "4-Takt DZM", "1000", "Aus", "Aus", "Aus" },
        OutputCase { 64, "4-Takt DZM", "1000", "Ein", "Aus", "Aus" },
        OutputCase { 32, "4-Takt DZM", "1000", "Aus", "Aus", "Ein" },
        OutputCase { 16, "4-Takt DZM", "1000", "Aus", "Ein", "Aus" },
        OutputCase { 0x8F, "BZA", "1000", "Aus", "Aus", "Aus" },
        OutputCase { 16, "4-Takt DZM", "0", "Aus", "N/A", "Aus" },
        OutputCase { 16, "MIL", "0", "Aus", "Ein", "Aus" }, OutputCase { 0, "MIL", "0", "Aus", "Aus", "Aus" },
        OutputCase { 0xFF, "2-Takt DZM", "0", "Ein", "N/A", "Ein" }),
    [](const auto& info) { return testName(info.param.byte, info.param.sa1Mode, info.param.rpm); });

TEST(Outputs, EmptyReplyLeavesDisplaysUnchanged)
{
    EXPECT_FALSE(live::decodeOutputs(Bytes(), context("03.000", kIgnition42), u("1000")));
}

// ---------------------------------------------------------------- inputs

struct SelectionCase {
    const char* firmware;
    const char* type;
    live::InputTable table;
    int mask;
    int starterBit;
};

class InputTableSelection : public ::testing::TestWithParam<SelectionCase> { };

TEST_P(InputTableSelection, FollowsTypeLineAndVariant)
{
    const auto& c = GetParam();
    const auto sel = live::selectInputTable(context(c.firmware, c.type));
    EXPECT_EQ(sel.table, c.table);
    EXPECT_EQ(sel.mask, c.mask);
    if (c.table == live::InputTable::C) {
        EXPECT_EQ(sel.starterBit, c.starterBit);
    }
}

using live::InputTable;
INSTANTIATE_TEST_SUITE_P(Table, InputTableSelection,
    ::testing::Values(SelectionCase { "02.600", kInjection40, InputTable::A, 112, 64 },
        SelectionCase { "02.600", "KEDX 2Zyl RX42A", InputTable::A, 112, 64 },
        SelectionCase { "02.600", kIgnition42, InputTable::B, 32, 0 },
        SelectionCase { "02.406", kIgnition40, InputTable::C, 112, 64 },
        SelectionCase { "02.405", kIgnition40, InputTable::C, 176, 128 },
        SelectionCase { "01.300", kIgnition40, InputTable::C, 112, 64 },
        SelectionCase { "03.100", kIgnition40, InputTable::C, 112, 64 },
        SelectionCase { "02.405", kIgnition32, InputTable::D, 112, 64 },
        SelectionCase { "02.405", kIgnition30, InputTable::C, 112, 64 },
        SelectionCase { "02.405", "KEDX 2Zyl RX30A", InputTable::C, 112, 64 }),
    [](const auto& info) { return testName(info.param.firmware, info.param.type); });

struct InputCase {
    const char* type;
    const char* firmware;
    int s; // active-high states; the unit sends the complement
    const char* dkPos;
    const char* anlStat;
    const char* se1; // nullptr: left alone
    const char* se2;
};

class Inputs : public ::testing::TestWithParam<InputCase> { };

TEST_P(Inputs, TableRowGivesTexts)
{
    const auto& c = GetParam();
    const auto in = live::decodeInputs(bytes::of({ ~c.s & 0xFF }), context(c.firmware, c.type), kComma);
    ASSERT_TRUE(in);
    EXPECT_EQ(in->txtDkPos, u(c.dkPos));
    EXPECT_EQ(in->txtAnlStat, u(c.anlStat));
    EXPECT_EQ(in->lblSE1Stat, c.se1 ? std::optional<QString>(u(c.se1)) : std::nullopt);
    EXPECT_EQ(in->lblSE2Stat, c.se2 ? std::optional<QString>(u(c.se2)) : std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(TableA, Inputs,
    ::testing::Values(InputCase { kInjection40, "02.600", 0, "Aus-Aus", "Aus", "Tabelle 1", "Kennfeld 1" },
        InputCase { kInjection40, "02.600", 16, "Aus-Ein", "Aus", "Tabelle 1", "Kennfeld 2" },
        InputCase { kInjection40, "02.600", 32, "Ein-Aus", "Aus", "Tabelle 2", "Kennfeld 1" },
        InputCase { kInjection40, "02.600", 48, "Ein-Ein", "Aus", "Tabelle 2", "Kennfeld 2" },
        InputCase { kInjection40, "02.600", 64, "Aus-Aus", "Ein", "Tabelle 1", "Kennfeld 1" },
        InputCase { kInjection40, "02.600", 80, "Aus-Ein", "Ein", "Tabelle 1", "Kennfeld 2" },
        InputCase { kInjection40, "02.600", 96, "Ein-Aus", "Ein", "Tabelle 2", "Kennfeld 1" },
        InputCase { kInjection40, "02.600", 112, "Ein-Ein", "Ein", "Tabelle 2", "Kennfeld 2" },
        // Bits outside the mask are ignored.
        InputCase { kInjection40, "02.600", 0x8F, "Aus-Aus", "Aus", "Tabelle 1", "Kennfeld 1" }),
    [](const auto& info) { return testName(info.param.type, info.param.firmware, info.param.s); });

INSTANTIATE_TEST_SUITE_P(TableB, Inputs,
    ::testing::Values(InputCase { kIgnition42, "02.600", 0, "Aus-Aus", "Nicht unterstützt", "Tabelle 1", nullptr },
        InputCase { kIgnition42, "02.600", 32, "Ein-Aus", "Nicht unterstützt", "Tabelle 2", nullptr },
        InputCase { kIgnition42, "02.600", 0xDF, "Aus-Aus", "Nicht unterstützt", "Tabelle 1", nullptr }),
    [](const auto& info) { return testName(info.param.type, info.param.firmware, info.param.s); });

INSTANTIATE_TEST_SUITE_P(TableC, Inputs,
    ::testing::Values(InputCase { kIgnition40, "02.600", 0, "Teillast", "Aus", nullptr, nullptr },
        InputCase { kIgnition40, "02.600", 16, "Leerlauf", "Aus", nullptr, nullptr },
        InputCase { kIgnition40, "02.600", 32, "Vollast", "Aus", nullptr, nullptr },
        InputCase { kIgnition40, "02.600", 48, "Sensorfehler", "Aus", nullptr, nullptr },
        InputCase { kIgnition40, "02.600", 64, "Teillast", "Ein", nullptr, nullptr },
        InputCase { kIgnition40, "02.600", 80, "Leerlauf", "Ein", nullptr, nullptr },
        InputCase { kIgnition40, "02.600", 96, "Vollast", "Ein", nullptr, nullptr },
        InputCase { kIgnition40, "02.600", 112, "Sensorfehler", "Ein", nullptr, nullptr },
        // Starter on bit 7 for early 2.x firmware, bit 6 then ignored.
        InputCase { kIgnition40, "02.405", 64, "Teillast", "Aus", nullptr, nullptr },
        InputCase { kIgnition40, "02.405", 128, "Teillast", "Ein", nullptr, nullptr },
        InputCase { kIgnition40, "02.405", 128 + 32, "Vollast", "Ein", nullptr, nullptr },
        InputCase { kIgnition40, "02.600", 128, "Teillast", "Aus", nullptr, nullptr },
        InputCase { kIgnition30, "02.600", 16, "Leerlauf", "Aus", nullptr, nullptr }),
    [](const auto& info) { return testName(info.param.type, info.param.firmware, info.param.s); });

INSTANTIATE_TEST_SUITE_P(TableD, Inputs,
    ::testing::Values(InputCase { kIgnition32, "02.600", 0, "Aus-Aus", "Aus", nullptr, nullptr },
        InputCase { kIgnition32, "02.600", 16, "Aus-Ein", "Aus", nullptr, nullptr },
        InputCase { kIgnition32, "02.600", 32, "Ein-Aus", "Aus", nullptr, nullptr },
        InputCase { kIgnition32, "02.600", 48, "Ein-Ein", "Aus", nullptr, nullptr },
        InputCase { kIgnition32, "02.600", 64, "Aus-Aus", "Ein", nullptr, nullptr },
        InputCase { kIgnition32, "02.600", 80, "Aus-Ein", "Ein", nullptr, nullptr },
        InputCase { kIgnition32, "02.600", 96, "Ein-Aus", "Ein", nullptr, nullptr },
        InputCase { kIgnition32, "02.600", 112, "Ein-Ein", "Ein", nullptr, nullptr }),
    [](const auto& info) { return testName(info.param.type, info.param.firmware, info.param.s); });

TEST(Inputs, AllInputsInactiveShowOffInTablesAAndC)
{
    const auto a = live::decodeInputs(bytes::of({ 0xFF }), context("02.600", kInjection40), kComma);
    EXPECT_EQ(a->txtDkPos, u("Aus-Aus"));
    EXPECT_EQ(a->txtAnlStat, u("Aus"));
    const auto c = live::decodeInputs(bytes::of({ 0xFF }), context("02.600", kIgnition40), kComma);
    EXPECT_EQ(c->txtDkPos, u("Teillast"));
    EXPECT_EQ(c->txtAnlStat, u("Aus"));
}

TEST(Inputs, OffsetAndEnrichmentModesShowTheirValues)
{
    auto ctx = context("03.000", "KEDX 2Zyl RX42A");
    ctx.lblSE1Mode = u("Offsetschalter");
    ctx.lblSE2Mode = u("Gemischanreicherung");
    ctx.offsetAngle = 2.5;
    ctx.enrichmentSixteenths = 3;
    const auto on = live::decodeInputs(bytes::of({ ~48 & 0xFF }), ctx, kComma);
    EXPECT_EQ(on->lblSE1Stat, u("2,5 Grad v.OT"));
    EXPECT_EQ(on->lblSE2Stat, u("3/16"));
    EXPECT_EQ(
        live::decodeInputs(bytes::of({ ~48 & 0xFF }), ctx, QLatin1Char('.'))->lblSE1Stat, u("2.5 Grad v.OT"));
    const auto off = live::decodeInputs(bytes::of({ 0xFF }), ctx, kComma);
    EXPECT_EQ(off->lblSE1Stat, u("Aus"));
    EXPECT_EQ(off->lblSE2Stat, u("Aus"));
}

TEST(Inputs, EmptyReplyLeavesDisplaysUnchanged)
{
    EXPECT_FALSE(live::decodeInputs(Bytes(), context("02.600", kInjection40), kComma));
}

// ---------------------------------------------------------------- ignition angles

TEST(IgnitionAngles, AreSensorAngleMinusDelayMinusOffsetInSinglePrecision)
{
    auto ctx = context("02.600", kInjection40);
    ctx.sensorAngle = 382;
    ctx.angleOffset = 0;
    auto a = live::decodeIgnitionAngles(bytes::of({ 120 }), bytes::of({ 100 }), ctx, u("1000"), kComma);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->txtZndWinkel, u("26,2"));
    EXPECT_EQ(a->txtZndWinkelZ2, u("28,2"));

    ctx.sensorAngle = 200;
    ctx.angleOffset = 13;
    a = live::decodeIgnitionAngles(bytes::of({ 250 }), bytes::of({ 0 }), ctx, u("1000"), QLatin1Char('.'));
    EXPECT_EQ(a->txtZndWinkel, u("-6.3"));
    EXPECT_EQ(a->txtZndWinkelZ2, u("18.7"));
}

TEST(IgnitionAngles, OlderTypeUsesTheFirstAngleForBoth)
{
    auto ctx = context("02.600", kIgnition30);
    ctx.sensorAngle = 382;
    const auto a = live::decodeIgnitionAngles(bytes::of({ 120 }), Bytes(), ctx, u("1000"), kComma);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->txtZndWinkel, u("26,2"));
    EXPECT_EQ(a->txtZndWinkelZ2, u("26,2"));
}

TEST(IgnitionAngles, OneCylinderUnitLeavesZ2Alone)
{
    auto ctx = context("02.600", kIgnition1Cyl);
    ctx.sensorAngle = 382;
    const auto a = live::decodeIgnitionAngles(bytes::of({ 120 }), bytes::of({ 100 }), ctx, u("1000"), kComma);
    EXPECT_EQ(a->txtZndWinkel, u("26,2"));
    EXPECT_FALSE(a->txtZndWinkelZ2);
}

TEST(IgnitionAngles, StandingEngineShowsDashesOnBoth)
{
    auto ctx = context("02.600", kIgnition1Cyl);
    const auto a = live::decodeIgnitionAngles(bytes::of({ 120 }), bytes::of({ 100 }), ctx, u("0"), kComma);
    EXPECT_EQ(a->txtZndWinkel, u(" ---"));
    EXPECT_EQ(a->txtZndWinkelZ2, u(" ---"));
}

TEST(IgnitionAngles, MissingReplyLeavesDisplaysUnchanged)
{
    const auto ctx = context("02.600", kInjection40);
    EXPECT_FALSE(live::decodeIgnitionAngles(Bytes(), bytes::of({ 1 }), ctx, u("1000"), kComma));
    EXPECT_FALSE(live::decodeIgnitionAngles(bytes::of({ 1 }), Bytes(), ctx, u("1000"), kComma));
}

// ---------------------------------------------------------------- correction

struct CorrectionCase {
    int byte;
    const char* text;
};

class Correction : public ::testing::TestWithParam<CorrectionCase> { };

TEST_P(Correction, SignedByteIsShownNegatedInDegrees)
{
    EXPECT_EQ(live::decodeCorrection(bytes::of({ GetParam().byte }), kComma), u(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(Table, Correction,
    ::testing::Values(CorrectionCase { 0x05, "-0,5" }, CorrectionCase { 0xFB, "0,5" },
        CorrectionCase { 0x00, "0" }, CorrectionCase { 0x7F, "-12,7" }, CorrectionCase { 0x80, "12,8" },
        CorrectionCase { 0xFF, "0,1" }, CorrectionCase { 20, "-2" }),
    [](const auto& info) { return testName("byte", info.param.byte); });

TEST(Correction, EmptyReplyLeavesDisplayUnchanged)
{
    EXPECT_FALSE(live::decodeCorrection(Bytes(), kComma));
    EXPECT_EQ(live::decodeCorrection(bytes::of({ 0x05 }), QLatin1Char('.')), u("-0.5"));
}

// ---------------------------------------------------------------- analog sensors

// Reply of "g00?": air mass, head temperature, two unused bytes, air temperature.
Bytes analogReply(int a, int b, int c)
{
    return bytes::of({ a & 0xFF, a >> 8, b & 0xFF, b >> 8, 0x55, 0xAA, c & 0xFF, c >> 8 });
}

struct AnalogCase {
    int a, b, c;
    const char* lmm;
    const char* mtemp;
    const char* airtemp;
};

class Analog : public ::testing::TestWithParam<AnalogCase> { };

TEST_P(Analog, CountsGiveValuesOrSensorFaults)
{
    const auto& p = GetParam();
    auto ctx = context("02.600", kInjection40);
    const auto g = live::decodeAnalog(analogReply(p.a, p.b, p.c), ctx, kComma);
    ASSERT_TRUE(g);
    EXPECT_EQ(g->txtLMM, u(p.lmm));
    EXPECT_EQ(g->txtMTemp, u(p.mtemp));
    EXPECT_EQ(g->txtAirtemp, u(p.airtemp));
}

INSTANTIATE_TEST_SUITE_P(Table, Analog,
    ::testing::Values(
        // 22.0007 degrees rounds to 22.0, which shows as "22".
        AnalogCase { 512, 512, 300, "39,5", "22", "47,9" }, AnalogCase { 1023, 5, 600, "N/A", "SC/GND", "12,8" },
        // 993 counts are 4.853 V, 4.85 after rounding: still a value; 994 are 4.86 V.
        AnalogCase { 993, 994, 9, "342,7", "N/A", "162,9" },
        // 8 counts are 0.039 V, 9 counts 0.044 V.
        AnalogCase { 8, 9, 800, "SC/GND", "162,9", "-7,3" }, AnalogCase { 994, 993, 8, "N/A", "-46", "SC/GND" }),
    [](const auto& info) { return testName(info.param.a, info.param.b, info.param.c); });

TEST(Analog, WithoutAirMassOnlyTheHeadTemperatureIsShown)
{
    auto ctx = context("02.600", kIgnition40);
    ctx.mafAvailable = false;
    const auto g = live::decodeAnalog(analogReply(512, 512, 300), ctx, QLatin1Char('.'));
    EXPECT_FALSE(g->txtLMM);
    EXPECT_FALSE(g->txtAirtemp);
    EXPECT_EQ(g->txtMTemp, u("22"));
    EXPECT_EQ(live::decodeAnalog(analogReply(600, 600, 600), ctx, QLatin1Char('.'))->txtMTemp, u("12.8"));
}

TEST(Analog, ShortReplyLeavesDisplaysUnchanged)
{
    EXPECT_FALSE(live::decodeAnalog(analogReply(512, 512, 300).left(7), context("02.600", kInjection40), kComma));
}

TEST(Curves, PolynomialsAtKnownPoints)
{
    EXPECT_NEAR(MafFromAdc(0), -50.926, 1e-12);
    EXPECT_NEAR(MafFromAdc(512), 39.545484375, 1e-9); // x = 2.5 exactly
    EXPECT_NEAR(HeadTempFromVoltage(0), 173.37, 1e-12);
    EXPECT_DOUBLE_EQ(AirTempFromVoltage(2.5), HeadTempFromVoltage(2.5));
}

// ---------------------------------------------------------------- lambda

struct LambdaCase {
    int hi, lo;
    const char* rpm;
    const char* lmm;
    const char* text;
};

class Lambda : public ::testing::TestWithParam<LambdaCase> { };

TEST_P(Lambda, ReplyGivesTwoDecimalsOrState)
{
    const auto& c = GetParam();
    EXPECT_EQ(live::decodeLambda(bytes::of({ c.hi, c.lo }), u(c.rpm), u(c.lmm), kComma), u(c.text));
}

INSTANTIATE_TEST_SUITE_P(Table, Lambda,
    ::testing::Values(LambdaCase { 0x04, 0x00, "1000", "12,3", "1,00" },
        LambdaCase { 0x03, 0x55, "1000", "12,3", "1,20" }, LambdaCase { 0x00, 0x01, "1000", "12,3", "1024,00" },
        LambdaCase { 99, 0, "1000", "12,3", "0,04" }, LambdaCase { 100, 0, "1000", "12,3", "Ungültig!" },
        LambdaCase { 255, 255, "1000", "SC/GND", "Ungültig!" }, LambdaCase { 100, 0, "0", "12,3", "  ---" },
        LambdaCase { 100, 0, "1000", "N/A", "  ---" }, LambdaCase { 0x04, 0x00, "0", "N/A", "1,00" }),
    [](const auto& info) { return testName(info.param.hi, info.param.lo, info.param.rpm, info.param.lmm); });

TEST(Lambda, EmptyShortOrZeroReplyLeavesDisplayUnchanged)
{
    EXPECT_FALSE(live::decodeLambda(Bytes(), u("1000"), u("1"), kComma));
    EXPECT_FALSE(live::decodeLambda(bytes::of({ 4 }), u("1000"), u("1"), kComma));
    EXPECT_FALSE(live::decodeLambda(bytes::of({ 0, 0 }), u("1000"), u("1"), kComma));
    EXPECT_EQ(live::decodeLambda(bytes::of({ 3, 0x55 }), u("1000"), u("1"), QLatin1Char('.')), u("1.20"));
}

// ---------------------------------------------------------------- consumption

TEST(Consumption, IsFlowTimesDutyInLitresPerHour)
{
    // 0.202 * 60 / 0.74 * 0.2 = 3.2757
    EXPECT_EQ(
        live::decodeConsumption(bytes::of({ 0x00, 0xEA, 0x60 }), 600000, 0.202, u("1000"), kComma), u("3,28"));
    EXPECT_EQ(live::decodeConsumption(bytes::of({ 0x00, 0xEA, 0x60 }), 600000, 0.202, u("1000"), QLatin1Char('.')),
        u("3.28"));
    EXPECT_EQ(live::decodeConsumption(bytes::of({ 0, 0, 0 }), 600000, 0.202, u("1000"), kComma), u("0"));
}

TEST(Consumption, EngineStoppedShowsZero)
{
    EXPECT_EQ(live::decodeConsumption(bytes::of({ 1, 2, 3 }), 16646144, 0.202, u("0"), kComma), u("0"));
    EXPECT_EQ(live::decodeConsumption(bytes::of({ 1, 2, 3 }), 0, 0.202, u("0"), kComma), u("0"));
}

TEST(Consumption, MissingPeriodOrReplyLeavesDisplayUnchanged)
{
    EXPECT_FALSE(live::decodeConsumption(bytes::of({ 1, 2, 3 }), 0, 0.202, u("1000"), kComma));
    EXPECT_FALSE(live::decodeConsumption(Bytes(), 600000, 0.202, u("1000"), kComma));
    EXPECT_FALSE(live::decodeConsumption(bytes::of({ 1, 2 }), 600000, 0.202, u("0"), kComma));
}

// ---------------------------------------------------------------- injector flow

struct FlowCase {
    Bytes reply;
    int value;
    bool notConfigured;
};

class InjectorFlow : public ::testing::TestWithParam<FlowCase> { };

TEST_P(InjectorFlow, ReplyGivesDeliveryValue)
{
    const auto r = live::decodeInjectorFlow(GetParam().reply);
    EXPECT_EQ(r.value, GetParam().value);
    EXPECT_EQ(r.notConfigured, GetParam().notConfigured);
}

INSTANTIATE_TEST_SUITE_P(Table, InjectorFlow,
    ::testing::Values(FlowCase { bytes::of({ 9, 129 }), 202, false },
        FlowCase { bytes::of({ 255, 255 }), 202, true }, FlowCase { bytes::of({ 10, 0 }), 192, false },
        FlowCase { bytes::of({ 255, 254 }), 8, false }, FlowCase { bytes::of({ 0, 1 }), 491520, false },
        FlowCase { bytes::of({ 0, 0 }), 0, false }, FlowCase { Bytes(), 0, false },
        FlowCase { bytes::of({ 9 }), 0, false }),
    [](const auto& info) { return testName(info.param.reply); });

// ---------------------------------------------------------------- load decoders and gates

TEST(Watchdog, LongRequestTimesGetOneAndAHalfSecondsMore)
{
    EXPECT_EQ(live::watchdogInterval(300), 5000);
    EXPECT_EQ(live::watchdogInterval(4999), 5000);
    EXPECT_EQ(live::watchdogInterval(5000), 6500);
    EXPECT_EQ(live::watchdogInterval(6000), 7500);
}

TEST(SensorAngle, CorrectedSettingIs33TenthsLess)
{
    EXPECT_EQ(live::adjustedSensorAngle(382, unit("02.450", kIgnition40)), 349);
    EXPECT_EQ(live::adjustedSensorAngle(382, unit("02.450", kIgnition42)), 382);
}

TEST(UnitFeatures, RacingVariantCaptions)
{
    EXPECT_EQ(live::lblDkPosCaption(unit("02.600", kIgnition42)), u("Schalter 1-2:"));
    EXPECT_EQ(live::lblAnlasserCaption(unit("02.600", kIgnition42)), u("Schalter 3"));
    EXPECT_EQ(live::lblDkPosCaption(unit("02.600", "KEDX 2Zyl RX42A")), u("Schalter 1-2:"));
    EXPECT_FALSE(live::lblAnlasserCaption(unit("02.600", "KEDX 2Zyl RX42A")));
    EXPECT_FALSE(live::lblDkPosCaption(unit("02.600", kIgnition40)));
}

TEST(SoftDownState, NineIsDeactivated)
{
    EXPECT_EQ(live::softDownStateText(9), u("Deaktiviert"));
    EXPECT_EQ(live::softDownStateText(0), u("Aktiv"));
    EXPECT_EQ(live::softDownStateText(8), u("Aktiv"));
}

TEST(SwitchConfig, InputModeBytesGiveCaptions)
{
    EXPECT_EQ(live::se1ModeCaption(0), u("Tabellenauswahl"));
    EXPECT_EQ(live::se1ModeCaption(255), u("Offsetschalter"));
    EXPECT_FALSE(live::se1ModeCaption(1));
    EXPECT_EQ(live::se2ModeCaption(0), u("Kennfeldauswahl"));
    EXPECT_EQ(live::se2ModeCaption(255), u("Gemischanreicherung"));
    EXPECT_FALSE(live::se2ModeCaption(7));
    EXPECT_DOUBLE_EQ(live::offsetAngleFromByte(25), 2.5);
}

struct ModeCase {
    int code;
    const char* sa1;
    const char* sa2;
};

class OutputModes : public ::testing::TestWithParam<ModeCase> { };

TEST_P(OutputModes, ModeBytesOfJReplyGiveCaptions)
{
    const auto& c = GetParam();
    EXPECT_EQ(live::sa1ModeCaption(c.code), u(c.sa1));
    EXPECT_EQ(live::sa2ModeCaption(c.code), u(c.sa2));
}

INSTANTIATE_TEST_SUITE_P(Table, OutputModes,
    ::testing::Values(ModeCase { 0, "Unbekannt", "Ein" }, ModeCase { 1, "Unbekannt", "Aus" },
        ModeCase { 2, "2-Takt DZM", "Aus-Ein-Aus" }, ModeCase { 3, "Unbekannt", "Ein-Aus-Ein" },
        ModeCase { 4, "4-Takt DZM", "Zusatzluft Kaltlauf" }, ModeCase { 8, "BZA", "Unbekannt" },
        ModeCase { 255, "MIL", "Deaktiviert" }, ModeCase { 254, "Unbekannt", "Unbekannt" }),
    [](const auto& info) { return testName(info.param.code); });

TEST(OutputModes, JReplyUsesBytesOneAndSix)
{
    const auto m = live::decodeOutputModes(bytes::of({ 255, 9, 9, 9, 9, 4, 9, 9, 9, 9 }));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->lblSA1Mode, u("MIL"));
    EXPECT_EQ(m->lblSA2Mode, u("Zusatzluft Kaltlauf"));
    EXPECT_FALSE(live::decodeOutputModes(bytes::of({ 255, 9, 9, 9, 9, 4, 9, 9, 9 })));
}

TEST(ReadsZero, OnlyNumericZeroTexts)
{
    EXPECT_TRUE(live::readsZero(u("0")));
    EXPECT_TRUE(live::readsZero(u(" 0")));
    EXPECT_TRUE(live::readsZero(u("0,0")));
    EXPECT_FALSE(live::readsZero(u("N/A")));
    EXPECT_FALSE(live::readsZero(QString()));
    EXPECT_FALSE(live::readsZero(u("36")));
}

} // namespace
