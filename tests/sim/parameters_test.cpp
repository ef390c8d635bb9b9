#include "sim/ecusim.h"
#include "sim/parameters.h"

#include <QByteArray>

#include <gtest/gtest.h>

#include <set>

namespace {

// A frame from its bytes, "?" included.
QByteArray frame(std::initializer_list<int> bytes)
{
    QByteArray out;
    for (int b : bytes)
        out.append(static_cast<char>(b));
    return out;
}

struct FrameCase {
    const char* name;
    QByteArray read;
    int readLength;
    QByteArray write;
    QByteArray echo; // hex
    QByteArray readBack; // hex, the read's reply after the write
};

class ParameterFrames : public ::testing::TestWithParam<FrameCase> { };

TEST_P(ParameterFrames, ReadHasItsLength_WriteEchoes_ReadReturnsTheWrittenValue)
{
    const FrameCase& c = GetParam();
    EcuSim sim(QStringLiteral("injection-rx4-racing"));
    EXPECT_EQ(sim.feed(c.read).size(), c.readLength);
    EXPECT_EQ(sim.feed(c.write).toHex(), c.echo);
    EXPECT_EQ(sim.feed(c.read).toHex(), c.readBack);
}

constexpr int W = 'w';
constexpr int Q = '?';
constexpr int Z = '0';

const FrameCase kFrameCases[] = {
    // Switching module.
    FrameCase { "inputOneMode", frame({ '\\', Z, Z, Q }), 1, frame({ '\\', W, 0, Q }), "00", "00" },
    FrameCase { "inputOneRetard", frame({ '~', Z, Z, Q }), 1, frame({ '~', W, 30, Q }), "1e", "1e" },
    FrameCase { "inputTwoMode", frame({ 148, 'r', Z, Q }), 1, frame({ 148, W, 0, Q }), "00", "00" },
    FrameCase { "inputTwoEnrichment", frame({ 135, 'r', Z, Q }), 1, frame({ 135, W, 16, Q }), "10", "10" },
    FrameCase {
        "outputOneMode", frame({ 'j', Z, Z, Q }), 10, frame({ 'u', 255, Z, Q }), "ff", "ff000000000428003c00" },
    FrameCase {
        "outputTwoMode", frame({ 'j', Z, Z, Q }), 10, frame({ 'w', 3, Z, Q }), "03", "04000000000328003c00" },
    FrameCase { "thresholdOneBandIndex", frame({ 'j', Z, Z, Q }), 10, frame({ 'x', 25, Z, Q }), "1930",
        "04000000000419303c00" },
    FrameCase { "thresholdTwoPeriod", frame({ 'j', Z, Z, Q }), 10, frame({ 'y', 0x02, 0x58, Q }), "0258",
        "04000000000428000258" },
    // Coils, sensor, pump.
    FrameCase { "pumpPrePressure", frame({ 127, 'r', Z, Q }), 1, frame({ 127, W, 20, Q }), "14", "14" },
    FrameCase { "coilChargeTime", frame({ 129, 'r', 0, Q }), 3, frame({ 129, W, 40, Q }), "409c00", "409c00" },
    FrameCase { "coilType", frame({ 152, 'r', Z, Q }), 1, frame({ 152, W, 3, Q }), "03", "03" },
    FrameCase { "coilDelay", frame({ 153, Z, Z, Q }), 4, frame({ 153, 0x8F, 0xFA, Q }), "0ffa0000", "0ffa0000" },
    FrameCase { "leadAngle", frame({ 154, 'r', Z, Q }), 1, frame({ 154, W, 20, Q }), "14", "14" },
    FrameCase { "dwellStart", frame({ 158, 'r', Z, Q }), 1, frame({ 158, W, 0, Q }), "00", "00" },
    // Soft-down and idle settings.
    FrameCase { "softDownTime", frame({ 'o', Z, Z, Q }), 1, frame({ 'p', 5, Z, Q }), "05", "05" },
    FrameCase { "idleControlDynamic", frame({ 'h', 0, Z, Q }), 2, frame({ 'h', 0xC1, 0x81, Q }), "4181", "4181" },
    FrameCase { "staticAngle", frame({ 134, 'r', Z, Q }), 1, frame({ 134, W, 100, Q }), "64", "64" },
    // Air mass and injection.
    FrameCase { "airMassSampling", frame({ 143, 'r', Z, Q }), 1, frame({ 143, W, 7, Q }), "07", "07" },
    FrameCase { "fullLoadAirMass", frame({ 141, Z, Z, Q }), 2, frame({ 142, 3, 193, Q }), "03c1", "03c1" },
    FrameCase { "flowConstant", frame({ 96, 0, Z, Q }), 2, frame({ 95, 10, 201, Q }), "0ac9", "0ac9" },
    // Load change and overrun.
    FrameCase { "loadChangeSensitivity", frame({ 136, 'r', Z, Q }), 1, frame({ 136, W, 250, Q }), "fa", "fa" },
    FrameCase { "loadChangeEnrichment", frame({ 137, 'r', Z, Q }), 1, frame({ 137, W, 32, Q }), "20", "20" },
    FrameCase { "loadChangeAdvance", frame({ 138, 'r', Z, Q }), 1, frame({ 138, W, 5, Q }), "05", "05" },
    FrameCase { "loadChangeDuration", frame({ 139, 'r', Z, Q }), 1, frame({ 139, W, 255, Q }), "ff", "ff" },
    FrameCase { "maxLoadChangeAirMass", frame({ 147, Z, Z, Q }), 2, frame({ 146, 3, 193, Q }), "03c1", "03c1" },
    FrameCase { "overrunDuration", frame({ 145, Z, Z, Q }), 1, frame({ 145, W, 9, Q }), "09", "09" },
    FrameCase { "overrunLeaning", frame({ 133, Z, Z, Q }), 1, frame({ 133, W, 16, Q }), "10", "10" },
    FrameCase { "overrunSensitivity", frame({ 132, Z, Z, Q }), 1, frame({ 132, W, 200, Q }), "c8", "c8" },
    // Tables, by index.
    FrameCase { "ignitionTable1", frame({ 'b', 1, Z, Q }), 1, frame({ 'a', 1, 100, Q }), "64", "64" },
    FrameCase { "ignitionTable2", frame({ 'm', 111, Z, Q }), 1, frame({ '{', 111, 200, Q }), "c8", "c8" },
    FrameCase { "lambdaMap2", frame({ 125, 130, Z, Q }), 1, frame({ 124, 130, 181, Q }), "b5", "b5" },
    FrameCase { "chokeHotStart", frame({ 131, 26, Z, Q }), 1, frame({ 130, 26, 253, Q }), "fd", "fd" },
    FrameCase { "warmUpAdaptation", frame({ 150, 5, Z, Q }), 1, frame({ 149, 5, 253, Q }), "fd", "fd" },
};

INSTANTIATE_TEST_SUITE_P(EveryParameter, ParameterFrames, ::testing::ValuesIn(kFrameCases),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ParameterTable, EveryReadAndWriteCode_HasARowAbove)
{
    std::set<int> tested;
    for (const FrameCase& c : kFrameCases) {
        tested.insert(static_cast<unsigned char>(c.read.at(0)));
        tested.insert(static_cast<unsigned char>(c.write.at(0)));
    }
    for (const simparams::Parameter& p : simparams::all()) {
        if (p.readCode >= 0) {
            EXPECT_TRUE(tested.count(p.readCode)) << p.name;
        }
        EXPECT_TRUE(tested.count(p.writeCode)) << p.name;
    }
}

struct NewUnitCase {
    const char* name;
    QByteArray read;
    QByteArray reply; // hex
};

class NewUnit : public ::testing::TestWithParam<NewUnitCase> { };

// A new unit's values pass the program's checks and decode to sensible settings.
TEST_P(NewUnit, StoredValue_IsInsideTheAcceptedRange)
{
    EcuSim sim(QStringLiteral("injection-rx4"));
    EXPECT_EQ(sim.feed(GetParam().read).toHex(), GetParam().reply);
}

INSTANTIATE_TEST_SUITE_P(Defaults, NewUnit,
    ::testing::Values(NewUnitCase { "coilCharge4ms", frame({ 129, 'r', 0, Q }), "409c00" },
        NewUnitCase { "coilDelay2200", frame({ 153, Z, Z, Q }), "08980000" },
        NewUnitCase { "fullLoad665", frame({ 141, Z, Z, Q }), "0299" },
        NewUnitCase { "flow202", frame({ 96, Z, Z, Q }), "0981" },
        NewUnitCase { "softDownStandard", frame({ 'o', Z, Z, Q }), "ff" },
        NewUnitCase { "idleStatic395", frame({ 'h', 0, Z, Q }), "0181" },
        NewUnitCase { "lambdaMap1Is1", frame({ 125, 1, Z, Q }) + frame({ 125, 2, Z, Q }), "0400" },
        NewUnitCase { "lambdaMap1FullLoad", frame({ 125, 19, Z, Q }) + frame({ 125, 20, Z, Q }), "0499" },
        NewUnitCase { "lambdaMap2First", frame({ 125, 129, Z, Q }) + frame({ 125, 130, Z, Q }), "0436" },
        NewUnitCase { "lambdaMap2Last", frame({ 125, 247, Z, Q }) + frame({ 125, 248, Z, Q }), "0510" },
        NewUnitCase { "hotStart920", frame({ 131, 24, Z, Q }) + frame({ 131, 25, Z, Q }), "6700" },
        NewUnitCase { "ignitionLowestBandAt8Degrees", frame({ 'b', 1, Z, Q }), "fc" }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ParameterMemory, ValueSetAfterConstruction_IsAnswered_AbsentOneReadsErased)
{
    EcuSim sim(QStringLiteral("injection-rx4"));
    sim.memory().parameters.clear();
    sim.memory().parameters[136] = 77;
    sim.memory().parameters[141] = 0x0321;
    EXPECT_EQ(sim.feed(frame({ 136, 'r', Z, Q })).toHex(), QByteArray("4d"));
    EXPECT_EQ(sim.feed(frame({ 141, Z, Z, Q })).toHex(), QByteArray("0321"));
    EXPECT_EQ(sim.feed(frame({ 158, 'r', Z, Q })).toHex(), QByteArray("ff"));
}

// Every cell of both maps holds a lambda the program accepts (N of 402-10240,
// lambda 2.55-0.10); the unused addresses between and after them are erased.
TEST(LambdaMaps, NewUnit_EveryCellValid_GapsErased)
{
    EcuSim sim(QStringLiteral("injection-rx4"));
    const auto byte = [&sim](int address) {
        return static_cast<unsigned char>(sim.feed(frame({ 125, address, Z, Q })).at(0));
    };
    for (int base : { 1, 129 }) {
        for (int offset = 0; offset < 120; offset += 2) {
            const int n = byte(base + offset) * 256 + byte(base + offset + 1);
            EXPECT_GE(n, 402) << base + offset;
            EXPECT_LE(n, 10240) << base + offset;
        }
    }
    for (int unused : { 0, 121, 128, 249 })
        EXPECT_EQ(byte(unused), 0xFF) << unused;
}

// Tests put bytes the program must refuse straight into the unit's memory.
TEST(LambdaMaps, BytesSetInMemory_AreAnsweredAsTheyStand)
{
    EcuSim sim(QStringLiteral("injection-rx4"));
    auto& maps = sim.memory().tables[simcodes::kLambdaMaps];
    maps[1] = 41;
    maps[2] = 0;
    maps[247] = 0;
    maps[248] = 0;
    EXPECT_EQ(sim.feed(frame({ 125, 1, Z, Q }) + frame({ 125, 2, Z, Q })).toHex(), QByteArray("2900"));
    EXPECT_EQ(sim.feed(frame({ 125, 247, Z, Q }) + frame({ 125, 248, Z, Q })).toHex(), QByteArray("0000"));
}

TEST(ParameterMemory, SoftDownStandardRead_AnswersTheStandardNotTheStoredTime)
{
    EcuSim sim(QStringLiteral("ignition-rx4"));
    EXPECT_EQ(sim.feed(frame({ 'p', 9, Z, Q })).toHex(), QByteArray("09"));
    EXPECT_EQ(sim.feed(frame({ 'o', 255, Z, Q })).toHex(), QByteArray("05"));
    EXPECT_EQ(sim.feed(frame({ 'o', Z, Z, Q })).toHex(), QByteArray("09"));
}

TEST(ParameterMemory, WriteWithoutFlag_IsARead)
{
    // The coil delay and idle control tell a write by bit 7 of the first argument only.
    EcuSim sim(QStringLiteral("injection-rx4"));
    EXPECT_EQ(sim.feed(frame({ 153, 0x0F, 0xFA, Q })).toHex(), QByteArray("08980000"));
    EXPECT_EQ(sim.feed(frame({ 'h', 0x41, 0x81, Q })).toHex(), QByteArray("0181"));
}

struct BusyCase {
    const char* name;
    QByteArray frame;
    bool startsBusy;
};

class BusyAfter : public ::testing::TestWithParam<BusyCase> { };

TEST_P(BusyAfter, Frame_StartsTheBusyTimeOnlyWhenItWrites)
{
    EcuSim sim(QStringLiteral("injection-rx4-racing"));
    sim.faults().busyAfterWriteMs = 50;
    sim.feed(GetParam().frame, 1000);
    EXPECT_EQ(sim.feed("v00?", 1010).isEmpty(), GetParam().startsBusy);
}

INSTANTIATE_TEST_SUITE_P(Writes, BusyAfter,
    ::testing::Values(BusyCase { "byteWrite", frame({ 136, W, 5, Q }), true },
        BusyCase { "byteRead", frame({ 136, 'r', Z, Q }), false },
        BusyCase { "chargeWrite", frame({ 129, W, 40, Q }), true },
        BusyCase { "flaggedWrite", frame({ 153, 0x88, 0x98, Q }), true },
        BusyCase { "flaggedRead", frame({ 153, Z, Z, Q }), false },
        BusyCase { "wordWrite", frame({ 142, 2, 153, Q }), true },
        BusyCase { "wordRead", frame({ 141, Z, Z, Q }), false },
        BusyCase { "softDownTimeWrite", frame({ 'p', 5, Z, Q }), true },
        BusyCase { "softDownStandardRead", frame({ 'o', 255, Z, Q }), false },
        BusyCase { "tableWrite", frame({ 'a', 1, 100, Q }), true },
        BusyCase { "tableRead", frame({ 'b', 1, Z, Q }), false },
        BusyCase { "switchingWrite", frame({ 'x', 25, Z, Q }), true },
        BusyCase { "switchingRead", frame({ 'j', Z, Z, Q }), false },
        BusyCase { "correction", frame({ 'c', 5, Z, Q }), true },
        BusyCase { "correctionRead", frame({ 'q', Z, Z, Q }), false },
        BusyCase { "softDownToggle", frame({ 'n', Z, Z, Q }), false },
        BusyCase { "erase", frame({ 'e', Z, Z, Q }), false }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BusyAfterWrite, FramesInsideTheTime_AreDroppedAndLogged_TheFirstAfterIsAnswered)
{
    EcuSim sim(QStringLiteral("injection-rx4"));
    sim.faults().busyAfterWriteMs = 30;
    EXPECT_EQ(sim.feed(frame({ 136, W, 5, Q }), 100).toHex(), QByteArray("05"));
    EXPECT_TRUE(sim.feed(frame({ 136, W, 6, Q }), 110).isEmpty());
    EXPECT_TRUE(sim.feed("v00?", 129).isEmpty());
    EXPECT_EQ(sim.feed("v00?", 130), sim.profile().firmware);
    // The dropped write stored nothing.
    EXPECT_EQ(sim.feed(frame({ 136, 'r', Z, Q }), 131).toHex(), QByteArray("05"));
    EXPECT_EQ(sim.received().size(), 5u);
}

TEST(BusyAfterWrite, PacedWrites_AreAllEchoed)
{
    EcuSim sim(QStringLiteral("injection-rx4"));
    sim.faults().busyAfterWriteMs = 20;
    QByteArray echoes;
    for (int i = 0; i < 5; ++i)
        echoes += sim.feed(frame({ 'a', 1 + i, 10 * i, Q }), 1000 + 20 * i);
    EXPECT_EQ(echoes.toHex(), QByteArray("000a141e28"));
}

TEST(ReceivedLog, EachFrame_CarriesTheTimeItBecameComplete)
{
    EcuSim sim(QStringLiteral("injection-rx4"));
    sim.feed("t0", 5);
    sim.feed("0?", 12);
    sim.feed("v00?s00?", 20);
    sim.feed(frame({ 200, 'r', Z, Q }), 45);
    const auto& log = sim.receivedLog();
    ASSERT_EQ(log.size(), 4u);
    const std::vector<std::pair<QByteArray, qint64>> expected
        = { { "t00?", 12 }, { "v00?", 20 }, { "s00?", 20 }, { frame({ 200, 'r', Z, Q }), 45 } };
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(log[i].frame, expected[i].first) << i;
        EXPECT_EQ(log[i].atMs, expected[i].second) << i;
    }
    sim.clearReceived();
    EXPECT_TRUE(sim.receivedLog().empty());
    EXPECT_TRUE(sim.received().empty());
}

} // namespace
