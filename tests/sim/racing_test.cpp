#include "sim/ecusim.h"
#include "sim/enginecontrol.h"
#include "sim/profile.h"
#include "support/testnames.h"

#include <QByteArray>

#include <gtest/gtest.h>

namespace {

QByteArray frame(std::initializer_list<int> bytes)
{
    QByteArray out;
    for (int b : bytes)
        out.append(static_cast<char>(b));
    return out;
}

// The program's two standstill tests on the "r00?" reply.
bool standsOn76Bands(const QByteArray& r)
{
    return r.contains('\xFF');
}
bool standsOn111Bands(const QByteArray& r)
{
    return !r.isEmpty() && static_cast<unsigned char>(r.at(0)) >= 254;
}

struct PeriodCase {
    const char* name;
    double rpm;
    const char* reply; // hex
};

class StandstillTest : public ::testing::TestWithParam<PeriodCase> { };

TEST_P(StandstillTest, PeriodReply_PassesBothRulesOnlyWhenTheEngineStands)
{
    const PeriodCase& c = GetParam();
    EcuSim sim(QStringLiteral("ignition-rx3-racing"));
    sim.setEngine(c.rpm);
    const QByteArray reply = sim.feed("r00?");
    EXPECT_EQ(reply.toHex(), QByteArray(c.reply));
    const bool stands = c.rpm == 0;
    EXPECT_EQ(standsOn76Bands(reply), stands);
    EXPECT_EQ(standsOn111Bands(reply), stands);
}

INSTANTIATE_TEST_SUITE_P(Speeds, StandstillTest,
    ::testing::Values(PeriodCase { "stopped", 0, "ffffff" }, PeriodCase { "cranking300", 300, "1e8480" },
        PeriodCase { "idle800", 800, "0b71b0" }, PeriodCase { "running1500", 1500, "061a80" },
        PeriodCase { "limiter9000", 9000, "01046b" },
        // Periods with a byte of 255 are moved off it by a count or so.
        PeriodCase { "lowByte255", 6e8 / 0x061AFF, "061afe" },
        PeriodCase { "middleByte255", 6e8 / 0x01FF80, "01fe80" }),
    [](const auto& info) { return testName(info.param.name); });

TEST(EngineStartsAfterWrites, TheWritesBeforeAreStored_ThenTheEngineTurns)
{
    EcuSim sim(QStringLiteral("ignition-rx4-racing"));
    sim.setEngine(0);
    sim.faults().engineStartsAfterWrites = 3;
    const QByteArray writes[] = { frame({ 'a', 1, 100, '?' }), frame({ 124, 1, 4, '?' }),
        frame({ '{', 2, 101, '?' }), frame({ 'a', 3, 102, '?' }) };
    // The lambda map write is no ignition table byte and does not count.
    for (const QByteArray& w : writes) {
        EXPECT_EQ(sim.feed("r00?").toHex(), QByteArray("ffffff"));
        EXPECT_EQ(sim.feed(w), w.mid(2, 1));
    }
    EXPECT_EQ(sim.tableWriteCount(), 3);
    EXPECT_EQ(sim.feed("r00?").toHex(), QByteArray("061a80"));
    EXPECT_EQ(sim.feed(frame({ 'm', 2, '0', '?' })).toHex(), QByteArray("65"));
    // It keeps turning, even when stopped and written to again.
    sim.setEngine(0);
    sim.feed(frame({ 'a', 4, 1, '?' }));
    EXPECT_EQ(sim.feed("r00?").toHex(), QByteArray("ffffff"));
}

struct ControlCase {
    const char* name;
    const char* line;
    bool applied;
    const char* report;
    const char* period; // hex, "" when the engine runs its cycle
};

class EngineControl : public ::testing::TestWithParam<ControlCase> { };

TEST_P(EngineControl, Line_SetsTheEngineAndReports)
{
    const ControlCase& c = GetParam();
    EcuSim sim(QStringLiteral("ignition-rx4-racing"));
    sim.setEngine(800);
    QString report;
    EXPECT_EQ(simengine::command(QString::fromLatin1(c.line), sim, &report), c.applied);
    EXPECT_EQ(report.toStdString(), c.report);
    EXPECT_EQ(sim.engine().frozen(), *c.period != '\0');
    if (*c.period) {
        EXPECT_EQ(sim.feed("r00?").toHex(), QByteArray(c.period));
    }
}

INSTANTIATE_TEST_SUITE_P(Lines, EngineControl,
    ::testing::Values(ControlCase { "stopped", "engine stopped", true, "engine stopped", "ffffff" },
        ControlCase { "zeroRpm", "engine 0", true, "engine stopped", "ffffff" },
        ControlCase { "held", "  engine   1500\r", true, "engine held at 1500 rpm", "061a80" },
        ControlCase { "cycle", "engine cycle", true, "engine runs its cycle", "" },
        ControlCase { "blank", "   ", false, "", "0b71b0" },
        ControlCase { "badMode", "engine fast", false,
            "engine mode 'fast' is not cycle, stopped or an rpm (e.g. 1500)", "0b71b0" },
        ControlCase { "negativeRpm", "engine -5", false,
            "engine mode '-5' is not cycle, stopped or an rpm (e.g. 1500)", "0b71b0" },
        ControlCase { "unknownCommand", "motor 1500", false,
            "unknown command 'motor 1500' (try: engine cycle, stopped or an rpm (e.g. 1500))", "0b71b0" }),
    [](const auto& info) { return testName(info.param.name); });

// The indexed reads of the racing options window's opening; the command
// catalogue checks one index of each, these go through all of them.
struct IndexedRead {
    const char* name;
    int code;
    int lastIndex;
};

class RacingWindowOpening : public ::testing::TestWithParam<IndexedRead> { };

TEST_P(RacingWindowOpening, EveryIndexOnEveryProfile_IsAnsweredWithOneByte)
{
    const IndexedRead& r = GetParam();
    for (const QString& profile : simprofiles::names()) {
        EcuSim sim(profile);
        for (int index = 0; index <= r.lastIndex; ++index)
            EXPECT_EQ(sim.feed(frame({ r.code, index, '0', '?' })).size(), 1) << profile.toStdString() << index;
    }
}

INSTANTIATE_TEST_SUITE_P(Reads, RacingWindowOpening,
    ::testing::Values(IndexedRead { "choke", 131, 26 }, IndexedRead { "warmUpAdaptation", 150, 5 }),
    [](const auto& info) { return testName(info.param.name); });

int tableByte(EcuSim& sim, int code, int address)
{
    const QByteArray reply = sim.feed(frame({ code, address, '0', '?' }));
    return reply.size() == 1 ? static_cast<unsigned char>(reply.at(0)) : -1;
}

TEST(IgnitionTables, EveryAddressTheProgramReads_IsAnsweredOnEveryProfile)
{
    // 76-band units read up to address 108, the gaps between bands included;
    // 111-band units read both tables.
    for (const SimProfile& p : simprofiles::all()) {
        SCOPED_TRACE(p.name.toStdString());
        EcuSim sim(p);
        const int last = p.type == 3 ? 108 : 111;
        for (int address = 1; address <= last; ++address) {
            EXPECT_EQ(sim.feed(frame({ 'b', address, '0', '?' })).size(), 1) << address;
            EXPECT_EQ(sim.feed(frame({ 'm', address, '0', '?' })).size(), 1) << address;
        }
    }
}

TEST(IgnitionTables, Cylinder2RunsUpToHalfADegreeLaterAtSpeed_BothAdvanceWithSpeed)
{
    EcuSim sim(QStringLiteral("ignition-fw1816-racing"));
    int previous = 255;
    for (int address = 1; address <= 111; ++address) {
        SCOPED_TRACE(address);
        const int one = tableByte(sim, 'b', address);
        const int two = tableByte(sim, 'm', address);
        EXPECT_LE(one, previous);
        previous = one;
        const int later = two - one;
        EXPECT_GE(later, 0);
        EXPECT_LE(later, 5);
        if (address <= 30) { // up to 2000 rpm
            EXPECT_EQ(later, 0);
        }
    }
    EXPECT_EQ(tableByte(sim, 'b', 111), 12);
    EXPECT_EQ(tableByte(sim, 'm', 111), 17);
}

} // namespace
