#include "sim/ecusim.h"
#include "support/testnames.h"

#include <QByteArray>

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace {

int at(const QByteArray& b, int i)
{
    return static_cast<unsigned char>(b.at(i));
}

QByteArray frame(int code, const char* rest)
{
    return QByteArray(1, static_cast<char>(code)) + rest;
}

double headTempCurve(double v)
{
    return 0.2778 * std::pow(v, 6) - 4.9534 * std::pow(v, 5) + 34.549 * std::pow(v, 4) - 121.38 * std::pow(v, 3)
        + 229.41 * v * v - 248.89 * v + 173.37;
}

double airMassCurve(int raw)
{
    const double x = raw * 0.0048828125;
    return -0.087 * std::pow(x, 6) + 1.8598 * std::pow(x, 5) - 14.008 * std::pow(x, 4) + 54.325 * std::pow(x, 3)
        - 104.46 * x * x + 112.53 * x - 50.926;
}

struct LengthCase {
    const char* name;
    QByteArray command;
    int length;
};

class ReplyLength : public ::testing::TestWithParam<LengthCase> { };

TEST_P(ReplyLength, RunningEngine_AnswersWithTheFixedLength)
{
    EcuSim sim(QStringLiteral("injection-rx4"));
    sim.setEngine(1500);
    EXPECT_EQ(sim.feed(GetParam().command).size(), GetParam().length);
    ASSERT_EQ(sim.received().size(), 1u);
    EXPECT_EQ(sim.received()[0], GetParam().command);
}

INSTANTIATE_TEST_SUITE_P(EveryCommand, ReplyLength,
    ::testing::Values(LengthCase { "t", "t00?", 15 }, LengthCase { "v", "v00?", 6 },
        LengthCase { "s", "s00?", 13 }, LengthCase { "n", "n00?", 1 },
        LengthCase { "offset", frame(154, "r0?"), 1 }, LengthCase { "injector", frame(96, "00?"), 2 },
        LengthCase { "in1mode", frame(92, "r0?"), 1 }, LengthCase { "offsetangle", frame(126, "r0?"), 1 },
        LengthCase { "in2mode", frame(148, "r0?"), 1 }, LengthCase { "enrich", frame(135, "r0?"), 1 },
        LengthCase { "j", "j00?", 10 }, LengthCase { "r", "r00?", 3 },
        LengthCase { "outputs", frame(128, "00?"), 1 }, LengthCase { "l", "l00?", 1 },
        LengthCase { "z", "z00?", 1 }, LengthCase { "i", "i00?", 1 }, LengthCase { "q", "q00?", 1 },
        LengthCase { "g", "g00?", 8 }, LengthCase { "lambda", "^00?", 2 },
        LengthCase { "injtime", frame(144, "00?"), 3 }, LengthCase { "erase", "e00?", 0 },
        LengthCase { "c",
            frame('c',
                "\x05"
                "0?"),
            0 }),
    [](const auto& info) { return std::string(info.param.name); });

struct PeriodCase {
    double rpm;
    QByteArray reply;
};

class PeriodReply : public ::testing::TestWithParam<PeriodCase> { };

TEST_P(PeriodReply, Speed_GivesThePeriodInTenthsOfMicroseconds)
{
    EcuSim sim(QStringLiteral("injection-rx4"));
    sim.setEngine(GetParam().rpm);
    EXPECT_EQ(sim.feed("r00?").toHex(), GetParam().reply.toHex());
}

INSTANTIATE_TEST_SUITE_P(Worked, PeriodReply,
    ::testing::Values(PeriodCase { 1000, QByteArray::fromHex("0927C0") },
        PeriodCase { 10000, QByteArray::fromHex("00EA60") }, PeriodCase { 1200, QByteArray::fromHex("07A120") },
        PeriodCase { 0, QByteArray::fromHex("FFFFFF") }, PeriodCase { 30, QByteArray::fromHex("FFFFFF") }),
    [](const auto& info) { return testName(info.param.rpm, "rpm"); });

struct StandstillCase {
    const char* name;
    bool running;
    double rpm;
    bool stands;
};

class Standstill : public ::testing::TestWithParam<StandstillCase> { };

// The program reads "r00?" four ways: coils on from 35.9 rpm, and three
// standstill checks of the settings and table writes.
TEST_P(Standstill, PeriodReply_MeetsEveryReadingOfAStop)
{
    EcuSim sim(QStringLiteral("ignition-rx4"));
    EngineState s;
    s.running = GetParam().running;
    s.rpm = GetParam().rpm;
    sim.engine().freeze(s);
    const QByteArray r = sim.feed("r00?");
    ASSERT_EQ(r.size(), 3);
    const double p = at(r, 0) * 65536.0 + at(r, 1) * 256.0 + at(r, 2);
    const bool coilsOn = 60.0 / (p * 1e-7) >= 35.9;
    const bool anyByte255 = at(r, 0) == 255 || at(r, 1) == 255 || at(r, 2) == 255;
    const bool turningForSettings = at(r, 0) < 254 && at(r, 1) != 255 && at(r, 2) != 255;
    const bool stands = GetParam().stands;
    EXPECT_EQ(coilsOn, !stands) << r.toHex().constData();
    EXPECT_EQ(anyByte255, stands);
    EXPECT_EQ(at(r, 0) >= 254, stands);
    EXPECT_EQ(turningForSettings, !stands);
}

INSTANTIATE_TEST_SUITE_P(Speeds, Standstill,
    ::testing::Values(StandstillCase { "stopped", false, 0, true },
        StandstillCase { "stoppedWithStaleSpeed", false, 900, true }, StandstillCase { "below36", true, 35, true },
        StandstillCase { "cranking", true, 280, false }, StandstillCase { "idle", true, 1200, false },
        StandstillCase { "high", true, 9000, false }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EcuSimDecoding, RunningSpeed_DecodesBackToTheModelSpeed)
{
    EcuSim sim(QStringLiteral("injection-rx4"));
    for (double rpm : { 287.0, 1173.0, 4999.0, 6843.0 }) {
        sim.setEngine(rpm);
        const QByteArray r = sim.feed("r00?");
        const double p = at(r, 0) * 65536.0 + at(r, 1) * 256.0 + at(r, 2);
        EXPECT_LT(at(r, 0), 254);
        EXPECT_NEAR(60.0 / (p * 1e-7), rpm, 0.1) << rpm;
    }
}

struct AngleCase {
    const char* profile;
    int angleOffsetSeen; // what the program uses
    int sensorAngleSeen;
};

class IgnitionAngles : public ::testing::TestWithParam<AngleCase> { };

TEST_P(IgnitionAngles, ZAndI_DecodeToTheModelAdvanceWithTheProgramsOffsets)
{
    EcuSim sim(QString::fromLatin1(GetParam().profile));
    EXPECT_EQ(sim.programAngleOffset(), GetParam().angleOffsetSeen);
    EXPECT_EQ(sim.programSensorAngle(), GetParam().sensorAngleSeen);
    EngineState s;
    s.running = true;
    s.rpm = 4000;
    s.advance1Deg = 22.0;
    s.advance2Deg = 21.5;
    sim.engine().freeze(s);
    const double a1 = (GetParam().sensorAngleSeen - at(sim.feed("z00?"), 0) - GetParam().angleOffsetSeen) / 10.0;
    const double a2 = (GetParam().sensorAngleSeen - at(sim.feed("i00?"), 0) - GetParam().angleOffsetSeen) / 10.0;
    EXPECT_NEAR(a1, 22.0, 0.051);
    EXPECT_NEAR(a2, 21.5, 0.051);
}

INSTANTIATE_TEST_SUITE_P(Firmware, IgnitionAngles,
    ::testing::Values(AngleCase { "injection-rx4", 50, 382 },
        AngleCase { "ignition-rx4-noinputs", 50, 382 }, // 2.600 reads the offset
        AngleCase { "injection-fw2450", 0, 349 }, // sensor corrected by 3.3
        AngleCase { "ignition-fw2450-racing", 0, 382 }, AngleCase { "ignition-fw1600", 0, 382 }),
    [](const auto& info) { return testName(info.param.profile); });

TEST(EcuSimDecoding, AngleOutOfByteRange_IsClampedNotWrapped)
{
    EcuSim sim(QStringLiteral("ignition-fw1600")); // no offset: 38.2 - z/10
    EngineState s;
    s.running = true;
    s.rpm = 1200;
    s.advance1Deg = 8.0; // z would be 302
    s.advance2Deg = 40.0; // z would be -18
    sim.engine().freeze(s);
    EXPECT_EQ(at(sim.feed("z00?"), 0), 255);
    EXPECT_EQ(at(sim.feed("i00?"), 0), 0);
}

TEST(EcuSimDecoding, CorrectionWrite_HasNoReplyAndIsWhatTheReadReturns)
{
    EcuSim sim(QStringLiteral("injection-rx4"));
    EXPECT_EQ(sim.feed("q00?"), QByteArray(1, '\0'));
    EXPECT_TRUE(sim.feed(frame('c',
                             "\xFB"
                             "0?"))
                    .isEmpty());
    EXPECT_EQ(at(sim.feed("q00?"), 0), 0xFB);
    EXPECT_TRUE(sim.feed(QByteArray("c\0"
                                    "0?",
                             4))
                    .isEmpty());
    EXPECT_EQ(at(sim.feed("q00?"), 0), 0);
}

TEST(EcuSimDecoding, Outputs_FuelPumpWhileRunningShiftLightAtHighSpeed)
{
    EcuSim sim(QStringLiteral("injection-rx4"));
    const QByteArray outputs = frame(128, "00?");
    sim.setEngine(0);
    EXPECT_EQ(at(sim.feed(outputs), 0) & 0x70, 0);
    sim.setEngine(1200);
    EXPECT_EQ(at(sim.feed(outputs), 0) & 0x70, 64);
    EngineState s = sim.engine().at(0);
    s.rpm = 6000;
    s.output1 = true;
    s.output2 = true;
    sim.engine().freeze(s);
    EXPECT_EQ(at(sim.feed(outputs), 0) & 0x70, 64 | 32 | 16);
}

struct InputCase {
    const char* name;
    const char* profile;
    bool switch1;
    bool switch2;
    bool starter;
    double load;
    int active; // bits pulled low
};

class Inputs : public ::testing::TestWithParam<InputCase> { };

TEST_P(Inputs, ActiveLowBits_FollowTheUnitsWiring)
{
    const InputCase& c = GetParam();
    EcuSim sim(QString::fromLatin1(c.profile));
    EngineState s;
    s.running = true;
    s.rpm = 1500;
    s.switch1 = c.switch1;
    s.switch2 = c.switch2;
    s.starter = c.starter;
    s.load = c.load;
    sim.engine().freeze(s);
    EXPECT_EQ(at(sim.feed("l00?"), 0), 0xFF & ~c.active);
}

constexpr int kSw1 = 32;
constexpr int kSw2 = 16;
constexpr int kIdle = 16;
constexpr int kFull = 32;

INSTANTIATE_TEST_SUITE_P(Wiring, Inputs,
    ::testing::Values(
        // Two free switches and the starter on bit 64: injection type 4 and racing units.
        InputCase { "injNone", "injection-rx4", false, false, false, 1.0, 0 },
        InputCase { "injSw1Starter", "injection-rx4", true, false, true, 0.0, kSw1 | 64 },
        InputCase { "injSw2", "injection-rx4", false, true, false, 0.5, kSw2 },
        InputCase { "injRacingBoth", "injection-rx4-racing", true, true, false, 0.0, kSw1 | kSw2 },
        InputCase { "ignRacing", "ignition-rx4-racing", true, false, true, 0.0, kSw1 | 64 },
        InputCase { "oldRacing", "ignition-rx3-racing", true, true, true, 0.0, kSw1 | kSw2 | 64 },
        // Throttle position switch from the load; the free switches are not wired.
        InputCase { "fw2400Idle", "ignition-fw2400", true, true, true, 0.0, kIdle | 128 },
        InputCase { "fw2400Part", "ignition-fw2400", false, false, true, 0.5, 128 },
        InputCase { "fw2400Full", "ignition-fw2400", false, false, false, 1.0, kFull },
        InputCase { "fw2406Idle", "ignition-fw2406", false, false, true, 0.0, kIdle | 64 },
        InputCase { "fw1600Starter", "ignition-fw1600", false, false, true, 0.5, 64 },
        InputCase { "fw3Full", "ignition-rx4", false, false, false, 0.95, kFull },
        InputCase { "injType3Part", "injection-rx3", true, true, false, 0.3, 0 },
        InputCase { "ignType3Idle", "ignition-rx3", false, false, true, 0.01, kIdle | 64 },
        InputCase { "fw0450Starter", "ignition-fw0450", false, false, true, 0.0, kIdle | 64 }),
    [](const auto& info) { return std::string(info.param.name); });

struct ThrottleCycleCase {
    const char* profile;
    int mask;
    int starterBit;
};

class ThrottleCycle : public ::testing::TestWithParam<ThrottleCycleCase> { };

// Over a whole run of the moving engine, read as the program does.
TEST_P(ThrottleCycle, HealthyUnit_ShowsEveryPositionButNeverASensorFault)
{
    EcuSim sim(QString::fromLatin1(GetParam().profile));
    std::set<int> throttle;
    bool starterSeen = false;
    for (qint64 t = 0; t < EngineModel::kCycleMs; t += 50) {
        const int m = ~at(sim.feed("l00?", t), 0) & GetParam().mask;
        ASSERT_NE(m & 48, 48) << t;
        throttle.insert(m & 48);
        if (m & GetParam().starterBit) {
            starterSeen = true;
            EXPECT_LT(sim.engine().at(t).rpm, 400) << t;
        }
    }
    EXPECT_EQ(throttle, (std::set<int> { 0, 16, 32 }));
    EXPECT_TRUE(starterSeen);
}

INSTANTIATE_TEST_SUITE_P(TableC, ThrottleCycle,
    ::testing::Values(ThrottleCycleCase { "ignition-fw2400", 176, 128 },
        ThrottleCycleCase { "ignition-fw2450", 112, 64 }, ThrottleCycleCase { "injection-rx3", 112, 64 }),
    [](const auto& info) { return testName(info.param.profile); });

struct AnalogCase {
    double headC;
    double airC;
    double airKgH;
};

class AnalogReply : public ::testing::TestWithParam<AnalogCase> { };

TEST_P(AnalogReply, Counts_GiveTheModelValuesThroughTheProgramsCurves)
{
    EcuSim sim(QStringLiteral("injection-rx4"));
    EngineState s;
    s.running = true;
    s.rpm = 3000;
    s.headTempC = GetParam().headC;
    s.airTempC = GetParam().airC;
    s.airMassKgH = GetParam().airKgH;
    sim.engine().freeze(s);
    const QByteArray g = sim.feed("g00?");
    ASSERT_EQ(g.size(), 8);
    const int a = at(g, 0) + 256 * at(g, 1);
    const int b = at(g, 2) + 256 * at(g, 3);
    const int c = at(g, 6) + 256 * at(g, 7);
    for (int v : { a, b, c }) {
        EXPECT_LT(v, 1024);
        // Inside the range the program shows as a value, not "N/A" or "SC/GND".
        EXPECT_LE(std::round(5.0 / 1023 * v * 100) / 100, 4.85);
        EXPECT_GE(5.0 / 1023 * v, 0.04);
    }
    EXPECT_NEAR(headTempCurve(5.0 / 1023 * b), GetParam().headC, 0.5);
    EXPECT_NEAR(headTempCurve(5.0 / 1023 * c), GetParam().airC, 0.5);
    EXPECT_NEAR(airMassCurve(a), GetParam().airKgH, 1.0);
}

INSTANTIATE_TEST_SUITE_P(Range, AnalogReply,
    ::testing::Values(AnalogCase { 20, 25, 9 }, AnalogCase { 85, 25, 40 }, AnalogCase { 60, 30, 120 }),
    [](const auto& info) { return testName(info.param.headC, info.param.airC, info.param.airKgH); });

struct LambdaCase {
    double lambda;
    QByteArray reply;
};

class LambdaReply : public ::testing::TestWithParam<LambdaCase> { };

TEST_P(LambdaReply, Lambda_IsSentAs1024OverL)
{
    EcuSim sim(QStringLiteral("injection-rx4"));
    sim.setEngine(1200, 80, GetParam().lambda);
    EXPECT_EQ(sim.feed("^00?").toHex(), GetParam().reply.toHex());
}

INSTANTIATE_TEST_SUITE_P(Worked, LambdaReply,
    ::testing::Values(LambdaCase { 1.0, QByteArray::fromHex("0400") },
        LambdaCase { 1.2, QByteArray::fromHex("0355") }, LambdaCase { 0.9, QByteArray::fromHex("0472") }),
    [](const auto& info) { return testName(info.param.lambda); });

TEST(EcuSimDecoding, StoppedEngine_LambdaInvalidAndNoInjection)
{
    EcuSim sim(QStringLiteral("injection-rx4"));
    sim.setEngine(0);
    EXPECT_GT(at(sim.feed("^00?"), 0), 99);
    EXPECT_EQ(sim.feed(frame(144, "00?")).toHex(), QByteArray("000000"));
}

TEST(EcuSimDecoding, InjectionTime_GivesTheModelDutyOverThePeriod)
{
    EcuSim sim(QStringLiteral("injection-rx4"));
    EngineState s;
    s.running = true;
    s.rpm = 2400;
    s.injectionDuty = 0.12;
    sim.engine().freeze(s);
    const QByteArray r = sim.feed("r00?");
    const QByteArray t = sim.feed(frame(144, "00?"));
    const double p = at(r, 0) * 65536.0 + at(r, 1) * 256.0 + at(r, 2);
    const double tt = at(t, 0) * 65536.0 + at(t, 1) * 256.0 + at(t, 2);
    EXPECT_NEAR(tt * 200 / p / 100, 0.12, 1e-5);
}

TEST(EcuSimMemory, InjectorDelivery_ConfiguredOrNot)
{
    EXPECT_EQ(EcuSim(QStringLiteral("injection-rx4")).feed(frame(96, "00?")).toHex(), QByteArray("0981"));
    EXPECT_EQ(EcuSim(QStringLiteral("injection-rx4-noflow")).feed(frame(96, "00?")).toHex(), QByteArray("ffff"));
    EcuSim sim(QStringLiteral("injection-rx4"));
    sim.memory().parameters[simcodes::kInjector] = 0xFFFF;
    EXPECT_EQ(sim.feed(frame(96, "00?")).toHex(), QByteArray("ffff"));
}

struct ParameterCase {
    int code;
    int initial;
};

class Parameter : public ::testing::TestWithParam<ParameterCase> { };

TEST_P(Parameter, WriteEchoesAndTheNextReadReturnsIt)
{
    EcuSim sim(QStringLiteral("injection-rx4-racing"));
    const int code = GetParam().code;
    EXPECT_EQ(at(sim.feed(frame(code, "r0?")), 0), GetParam().initial);
    QByteArray write = frame(code, "w");
    write += static_cast<char>(0xC8);
    write += '?';
    EXPECT_EQ(at(sim.feed(write), 0), 0xC8);
    EXPECT_EQ(at(sim.feed(frame(code, "r0?")), 0), 0xC8);
    EXPECT_EQ(sim.memory().parameters[code], 0xC8);
}

INSTANTIATE_TEST_SUITE_P(ConnectionReads, Parameter,
    ::testing::Values(ParameterCase { 154, 50 }, ParameterCase { 92, 255 }, ParameterCase { 126, 35 },
        ParameterCase { 148, 255 }, ParameterCase { 135, 3 }),
    [](const auto& info) { return testName("code", info.param.code); });

TEST(EcuSimMemory, SwitchingBlockAndSoftDown_ComeFromMemory)
{
    EcuSim sim(QStringLiteral("injection-rx4-racing"));
    const QByteArray j = sim.feed("j00?");
    ASSERT_EQ(j.size(), 10);
    EXPECT_EQ(at(j, 0), 4); // four-stroke rev counter
    EXPECT_EQ(at(j, 5), 4); // cold-start extra air
    sim.memory().switching[0] = 255;
    sim.memory().switching[5] = 2;
    EXPECT_EQ(at(sim.feed("j00?"), 0), 255);
    EXPECT_EQ(at(sim.feed("j00?"), 5), 2);
}

TEST(EcuSimMemory, Erase_ClearsEveryFaultEntry)
{
    EcuSim sim(QStringLiteral("injection-rx4"));
    sim.memory().faultEntries[2] = 0;
    sim.memory().faultEntries[16] = 250;
    EXPECT_TRUE(sim.feed("e00?").isEmpty());
    for (quint8 entry : sim.memory().faultEntries)
        EXPECT_EQ(entry, 255);
}

struct SoftDownCase {
    int stored;
    int first;
    int second;
};

class SoftDown : public ::testing::TestWithParam<SoftDownCase> { };

TEST_P(SoftDown, EachRequestToggles_TwoLeaveTheStateAsItWas)
{
    EcuSim sim(QStringLiteral("ignition-rx4"));
    sim.memory().softDown = static_cast<quint8>(GetParam().stored);
    EXPECT_EQ(at(sim.feed("n00?"), 0), GetParam().first);
    EXPECT_EQ(sim.memory().softDown, GetParam().first);
    EXPECT_EQ(at(sim.feed("n00?"), 0), GetParam().second);
    EXPECT_EQ(sim.memory().softDown, GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(States, SoftDown,
    ::testing::Values(SoftDownCase { 0, 9, 0 }, SoftDownCase { 5, 9, 5 }, SoftDownCase { 9, 0, 9 }),
    [](const auto& info) { return testName("stored", info.param.stored); });

TEST(EcuSimMemory, SoftDownSwitchedOnAfterOff_ReturnsToTheUnitsActiveValue)
{
    EcuSim sim(QStringLiteral("ignition-rx4"));
    sim.memory().softDown = 3;
    EXPECT_EQ(at(sim.feed("n00?"), 0), 9);
    EXPECT_EQ(at(sim.feed("n00?"), 0), 3);
    EXPECT_EQ(at(sim.feed("n00?"), 0), 9);
    EXPECT_EQ(at(sim.feed("n00?"), 0), 3);
}

TEST(EcuSimFraming, FrameInPieces_IsAnsweredOnceComplete)
{
    EcuSim sim(QStringLiteral("injection-rx4"));
    EXPECT_TRUE(sim.feed("t").isEmpty());
    EXPECT_TRUE(sim.feed("00").isEmpty());
    EXPECT_EQ(sim.feed("?v0"), sim.profile().unitType);
    EXPECT_EQ(sim.feed("0?"), sim.profile().firmware);
    EXPECT_EQ(sim.received().size(), 2u);
}

TEST(EcuSimFraming, TwoFramesInOneWrite_AreBothAnswered)
{
    EcuSim sim(QStringLiteral("injection-rx4"));
    EXPECT_EQ(sim.feed("s00?v00?"), sim.profile().serial + sim.profile().firmware);
}

struct UnknownCase {
    const char* name;
    QList<QByteArray> pieces; // written one after the other, then "v00?"
};

class UnknownCode : public ::testing::TestWithParam<UnknownCase> { };

TEST_P(UnknownCode, WholeFrameIsDropped_ArgumentsAreNotTakenForCommands)
{
    EcuSim sim(QStringLiteral("injection-rx4"));
    QByteArray out;
    for (const QByteArray& piece : GetParam().pieces)
        out += sim.feed(piece);
    out += sim.feed("v00?");
    EXPECT_EQ(out.toHex(), sim.profile().firmware.toHex());
    EXPECT_EQ(sim.received().back(), QByteArray("v00?"));
    EXPECT_EQ(sim.commandCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(Frames, UnknownCode,
    ::testing::Values(UnknownCase { "speedArgs", { frame(200, "r0?") } },
        UnknownCase { "inPieces", { frame(200, "r"), "0", "?" } },
        UnknownCase { "knownCodesOnly", { frame(201, "tsv") } },
        UnknownCase { "twoInARow", { frame(200, "r0?") + frame(0, "n0?") } }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EcuSimFraming, RegisteredLength_TakesArgumentsThatLookLikeCommands)
{
    EcuSim sim(QStringLiteral("injection-rx4"));
    sim.setHandler(201, 6, [](const QByteArray& f, qint64) { return f.mid(1, 4); });
    EXPECT_EQ(sim.feed(frame(201, "v00??") + "t00?"), QByteArray("v00?") + sim.profile().unitType);
    ASSERT_EQ(sim.received().size(), 2u);
    EXPECT_EQ(sim.received()[0].size(), 6);
}

TEST(EcuSimFraming, SetHandler_ReplacesTheBuiltInAnswer)
{
    EcuSim sim(QStringLiteral("injection-rx4"));
    sim.setHandler('t', 4, [](const QByteArray& f, qint64 now) { return f + QByteArray::number(now); });
    EXPECT_EQ(sim.feed("t00?", 42), QByteArray("t00?42"));
}

} // namespace
