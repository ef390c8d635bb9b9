#include "sim/ecusim.h"
#include "support/testnames.h"

#include <gtest/gtest.h>

namespace {

struct FaultCase {
    const char* spec;
    bool (*check)(const SimFaults&);
};

class FaultSpec : public ::testing::TestWithParam<FaultCase> { };

TEST_P(FaultSpec, Parses)
{
    SimFaults f;
    QString error;
    ASSERT_TRUE(simfaults::parse(QString::fromLatin1(GetParam().spec), f, &error)) << error.toStdString();
    EXPECT_TRUE(GetParam().check(f));
}

INSTANTIATE_TEST_SUITE_P(EveryForm, FaultSpec,
    ::testing::Values(FaultCase { "silent", [](const SimFaults& f) { return f.silent; } },
        FaultCase { "short=1", [](const SimFaults& f) { return f.shortBy == 1; } },
        FaultCase { "late=800", [](const SimFaults& f) { return f.lateMs == 800; } },
        FaultCase { "garbage", [](const SimFaults& f) { return f.garbage; } },
        FaultCase { "drop-after=20", [](const SimFaults& f) { return f.dropAfter == 20; } },
        FaultCase { "ignore-first=2", [](const SimFaults& f) { return f.ignoreFirst == 2; } },
        FaultCase { "extra=3", [](const SimFaults& f) { return f.extraBytes == 3 && f.extraDelayMs == 0; } },
        FaultCase { "extra=3:4", [](const SimFaults& f) { return f.extraBytes == 3 && f.extraDelayMs == 4; } },
        FaultCase { "busy=30", [](const SimFaults& f) { return f.busyAfterWriteMs == 30; } },
        FaultCase { "start-after-writes=5", [](const SimFaults& f) { return f.engineStartsAfterWrites == 5; } },
        FaultCase { "at=7", [](const SimFaults& f) { return f.firstFaulty == 7 && f.faultyCount == 1; } },
        FaultCase { "from=7", [](const SimFaults& f) { return f.firstFaulty == 7 && f.faultyCount == -1; } },
        FaultCase { "wrong-echo=3", [](const SimFaults& f) { return f.wrongEchoAtWrite == 3; } },
        FaultCase { "ignore-writes", [](const SimFaults& f) { return f.ignoreWrites; } }),
    [](const auto& info) { return testName(info.param.spec); });

TEST(FaultSpec, BadSpecs_AreRejectedWithAReason)
{
    for (const char* spec :
        { "loud", "short", "late=x", "extra=-1", "extra=3:", "extra=3:x", "extra", "silent=1", "" }) {
        SimFaults f;
        QString error;
        EXPECT_FALSE(simfaults::parse(QString::fromLatin1(spec), f, &error)) << spec;
        EXPECT_FALSE(error.isEmpty()) << spec;
    }
}

TEST(FaultSpec, Repeated_Accumulate)
{
    SimFaults f;
    ASSERT_TRUE(simfaults::parse(QStringLiteral("short=2"), f));
    ASSERT_TRUE(simfaults::parse(QStringLiteral("ignore-first=1"), f));
    EXPECT_EQ(f.shortBy, 2);
    EXPECT_EQ(f.ignoreFirst, 1);
}

class Faults : public ::testing::Test {
protected:
    EcuSim sim { QStringLiteral("injection-rx4") };
    QByteArray ident() const { return sim.profile().unitType; }
};

TEST_F(Faults, Silent_AnswersNothingButRecordsTheCommand)
{
    sim.faults().silent = true;
    EXPECT_TRUE(sim.feed("t00?").isEmpty());
    EXPECT_EQ(sim.received().size(), 1u);
}

TEST_F(Faults, ShortReply_LeavesOutTheLastBytes)
{
    sim.faults().shortBy = 1;
    EXPECT_EQ(sim.feed("t00?"), ident().left(14));
    sim.faults().shortBy = 20;
    EXPECT_TRUE(sim.feed("t00?").isEmpty());
}

TEST_F(Faults, ExtraBytes_AreAppended)
{
    sim.faults().extraBytes = 3;
    EXPECT_EQ(sim.feed("v00?"), sim.profile().firmware + QByteArray(3, '\xA5'));
}

TEST_F(Faults, Garbage_KeepsTheLengthButNotTheContent)
{
    sim.faults().garbage = true;
    const QByteArray reply = sim.feed("t00?");
    EXPECT_EQ(reply.size(), 15);
    EXPECT_NE(reply, ident());
}

TEST_F(Faults, IgnoreFirst_ThenAnswers)
{
    sim.faults().ignoreFirst = 2;
    EXPECT_TRUE(sim.feed("t00?").isEmpty());
    EXPECT_TRUE(sim.feed("t00?").isEmpty());
    EXPECT_EQ(sim.feed("t00?"), ident());
}

TEST_F(Faults, DropAfter_GoesSilentForGood)
{
    sim.faults().dropAfter = 2;
    EXPECT_EQ(sim.feed("t00?"), ident());
    EXPECT_EQ(sim.feed("t00?"), ident());
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(sim.feed("t00?").isEmpty());
}

TEST_F(Faults, OneCommand_IsDisturbedAndTheOthersAnswered)
{
    sim.faults().shortBy = 1;
    sim.faults().firstFaulty = 1;
    sim.faults().faultyCount = 1;
    EXPECT_EQ(sim.feed("t00?"), ident());
    EXPECT_EQ(sim.feed("t00?"), ident().left(14));
    EXPECT_EQ(sim.feed("t00?"), ident());
}

TEST_F(Faults, LineLost_AtACommandLeavesItUnansweredUntilTheLineIsBack)
{
    sim.faults().lineLostAt = 1;
    EXPECT_EQ(sim.feed("t00?"), ident());
    EXPECT_TRUE(sim.feed("t00?").isEmpty());
    EXPECT_TRUE(sim.lineLost());
    EXPECT_TRUE(sim.feed("t00?").isEmpty());
    sim.restoreLine();
    EXPECT_EQ(sim.feed("t00?"), ident());
}

// The writes' own faults, counted over the frames that store something:
// two soft-down time writes, 5 then 7.
struct WriteFaultCase {
    const char* name;
    void (*arm)(SimFaults&);
    QByteArray firstEcho;
    QByteArray secondEcho;
    int stored; // the soft-down time the unit holds afterwards (-1 = what it held before)
    bool lineLost;
};

class WriteFaults : public ::testing::TestWithParam<WriteFaultCase> { };

TEST_P(WriteFaults, HitTheCountedWrite)
{
    const WriteFaultCase& k = GetParam();
    EcuSim sim(QStringLiteral("injection-rx4"));
    const auto held = [&sim] {
        const auto it = sim.memory().parameters.find('o');
        return it == sim.memory().parameters.end() ? -1 : it->second;
    };
    const int before = held();
    k.arm(sim.faults());
    EXPECT_EQ(sim.feed(QByteArray("p\x05"
                                  "0?",
                  4)),
        k.firstEcho);
    EXPECT_EQ(sim.feed(QByteArray("p\x07"
                                  "0?",
                  4)),
        k.secondEcho);
    EXPECT_EQ(held(), k.stored < 0 ? before : k.stored);
    EXPECT_EQ(sim.lineLost(), k.lineLost);
}

INSTANTIATE_TEST_SUITE_P(Sim, WriteFaults,
    ::testing::Values(
        WriteFaultCase { "EchoDiffers", [](SimFaults& f) { f.wrongEchoAtWrite = 1; }, "\x05", "\x06", 7, false },
        WriteFaultCase {
            "LineLostBeforeTheEcho", [](SimFaults& f) { f.lineLostAtWrite = 1; }, "\x05", "", 7, true },
        WriteFaultCase { "StoresNothing", [](SimFaults& f) { f.ignoreWrites = true; }, "", "", -1, false }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Faults, CorrectionWrite_GetsNoExtraBytesFromAFault)
{
    sim.faults().extraBytes = 2;
    EXPECT_TRUE(sim.feed(QByteArray("c\x05"
                                    "0?"))
                    .isEmpty());
}

} // namespace
