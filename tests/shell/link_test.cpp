#include "core/settings.h"
#include "shell/link.h"
#include "shell/timing.h"
#include "shell/trace.h"
#include "sim/ecusim.h"
#include "sim/simtransport.h"
#include "support/simlink.h"
#include "support/testnames.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

class LinkTest : public ::testing::Test, protected SimLink {
protected:
    void SetUp() override
    {
        transport.addUnit(3, &sim);
        ASSERT_EQ(link.OpenPort(3), Transport::OpenResult::Opened);
    }

    TimeScale scale { 0.02 }; // a 5000 ms watchdog runs 100 ms
    void setNoBreakMsg(int value)
    {
        Settings s;
        s.noBreakMsg = value;
        ASSERT_TRUE(settings.write(s));
    }

    EcuSim sim { QStringLiteral("injection-rx4") };
    Watchdog watchdog { link, LinkPolicy::faultMemory(), 5000ms };
};

TEST_F(LinkTest, Reply_IsTheExpectedBytesAndStopsTheWatchdog)
{
    const Bytes reply = link.RequestReply("t00?", 15, watchdog);
    EXPECT_EQ(reply, sim.profile().unitType);
    EXPECT_FALSE(watchdog.isActive());
    EXPECT_EQ(link.TimeoutFlag, 0);
    ASSERT_EQ(transport.written.size(), 1u);
    EXPECT_EQ(transport.written[0].second, QByteArray("t00?"));
}

TEST_F(LinkTest, ReplyInPieces_CompletesOnlyWithTheLastPiece)
{
    transport.setChunking(4, 10);
    QElapsedTimer clock;
    clock.start();
    const Bytes reply = link.RequestReply("t00?", 15, watchdog);
    EXPECT_EQ(reply, sim.profile().unitType);
    EXPECT_GE(clock.elapsed(), 25); // four pieces, 10 ms apart
}

TEST_F(LinkTest, ZeroAndHighBytes_ComeBackUnchanged)
{
    const QByteArray all = [] {
        QByteArray b;
        for (int i = 0; i < 256; ++i)
            b.append(static_cast<char>(i));
        return b;
    }();
    sim.setHandler(200, 4, [all](const QByteArray&, qint64) { return all; });
    const Bytes reply = link.RequestReply(bytes::frame(200, "00?"), 256, watchdog);
    ASSERT_EQ(reply.size(), 256);
    EXPECT_EQ(reply, all);
    EXPECT_EQ(bytes::at(reply, 0), 0);
    EXPECT_EQ(bytes::at(reply, 128), 128);
    EXPECT_EQ(bytes::at(reply, 255), 255);
}

struct LostCase {
    const char* name;
    int noBreakMsg;
    LinkPolicy policy;
    const char* box; // nullptr = no box
};

class LinkLost : public LinkTest, public ::testing::WithParamInterface<LostCase> { };

TEST_P(LinkLost, ShortReply_EndsByTheWatchdogWithBothFlags)
{
    setNoBreakMsg(GetParam().noBreakMsg);
    link.NoBreakMsgSetting = GetParam().noBreakMsg;
    Watchdog wd(link, GetParam().policy, 5000ms);
    bool timersStopped = false;
    wd.setStopWindowTimers([&] { timersStopped = true; });
    sim.faults().shortBy = 1;
    const Bytes reply = link.RequestReply("t00?", 15, wd);
    EXPECT_TRUE(reply.isEmpty());
    EXPECT_EQ(link.TimeoutFlag, -1);
    EXPECT_EQ(link.LinkLostFlag, -1);
    EXPECT_TRUE(timersStopped);
    EXPECT_FALSE(wd.isActive());
    if (GetParam().box) {
        ASSERT_EQ(platform.boxes.size(), 1u);
        EXPECT_EQ(platform.boxes[0].title, QStringLiteral("Fehler"));
        EXPECT_EQ(platform.boxes[0].text, QString::fromUtf8(GetParam().box));
        EXPECT_EQ(platform.boxes[0].icon, Platform::Icon::Critical);
    } else {
        EXPECT_TRUE(platform.boxes.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Table, LinkLost,
    ::testing::Values(LostCase { "FaultMemoryNoBox", 1, LinkPolicy::faultMemory(), nullptr },
        LostCase { "FaultMemory", 0, LinkPolicy::faultMemory(), "Verbindung zum Motorsteuergerät verloren!" },
        LostCase { "StatusWindow", 0, LinkPolicy::statusWindow(), "Verbindung zum Motorsteuergerät verloren!" },
        LostCase { "RacingOptions", 0, LinkPolicy::racingOptions(), "Verbindung zum Motorsteuergerät verloren! " },
        LostCase { "SoftDown", 0, LinkPolicy::softDown(), "Verbindung zum Motorsteuergerät verloren! " },
        LostCase { "SoftDownNoBox", 1, LinkPolicy::softDown(), nullptr }),
    [](const auto& info) { return testName(info.param.name); });

TEST_F(LinkTest, WatchdogRereadsTheSettingOrUsesTheHeldValue)
{
    // The file says 0 (show the box), the held value says 1.
    setNoBreakMsg(0);
    link.NoBreakMsgSetting = 1;
    sim.faults().silent = true;
    Watchdog held(link, LinkPolicy::racingOptions(), 5000ms);
    EXPECT_TRUE(link.RequestReply("t00?", 15, held).isEmpty());
    EXPECT_TRUE(platform.boxes.empty());

    link.TimeoutFlag = 0;
    EXPECT_TRUE(link.RequestReply("t00?", 15, watchdog).isEmpty());
    EXPECT_EQ(link.NoBreakMsgSetting, 0);
    EXPECT_EQ(platform.boxes.size(), 1u);
}

TEST_F(LinkTest, AfterAWatchdogRun_NothingMoreGoesOutUntilTheFlagIsReset)
{
    sim.faults().silent = true;
    EXPECT_TRUE(link.RequestReply("t00?", 15, watchdog).isEmpty());
    sim.faults().silent = false;
    const auto sent = transport.written.size();
    EXPECT_TRUE(link.RequestReply("t00?", 15, watchdog).isEmpty());
    EXPECT_EQ(transport.written.size(), sent);
    link.TimeoutFlag = 0;
    EXPECT_EQ(link.RequestReply("t00?", 15, watchdog), sim.profile().unitType);
}

TEST_F(LinkTest, LongerReply_TakesTheExpectedBytesAndTheNextTransactionDiscardsTheRest)
{
    QTemporaryDir traceDir;
    Trace trace;
    ASSERT_TRUE(trace.open(traceDir.filePath(QStringLiteral("t.log"))));
    link.setTrace(&trace);
    sim.faults().extraBytes = 3;
    const Bytes first = link.RequestReply("v00?", 6, watchdog);
    EXPECT_EQ(first, sim.profile().firmware);
    sim.faults().extraBytes = 0;
    const Bytes second = link.RequestReply("s00?", 13, watchdog);
    EXPECT_EQ(second, sim.profile().serial);
    link.setTrace(nullptr);

    QFile f(traceDir.filePath(QStringLiteral("t.log")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString log = QString::fromUtf8(f.readAll());
    EXPECT_TRUE(log.contains(QStringLiteral("> 76 30 30 3F"))) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("< 30 34 2E 30 31 32"))) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("! discarded 3 bytes"))) << log.toStdString();
}

TEST_F(LinkTest, SecondTransactionWhileOneWaits_IsRefused)
{
    transport.setReplyDelayMs(30);
    Bytes inner = "not run";
    QTimer::singleShot(5, [&] { inner = link.RequestReply("v00?", 6, watchdog); });
    const Bytes outer = link.RequestReply("t00?", 15, watchdog);
    EXPECT_EQ(outer, sim.profile().unitType);
    EXPECT_TRUE(inner.isEmpty());
    EXPECT_EQ(transport.written.size(), 1u);
}

TEST_F(LinkTest, StatusWindowPolicy_ClosedPortGivesAnEmptyReplyAtOnce)
{
    Watchdog tick(link, LinkPolicy::statusWindow(), 5000ms);
    link.ClosePort();
    EXPECT_TRUE(link.RequestReply("r00?", 3, tick).isEmpty());
    EXPECT_EQ(link.TimeoutFlag, -1);
    EXPECT_EQ(link.LinkLostFlag, 0); // no watchdog run: no lost link, no box
    EXPECT_FALSE(tick.isActive());
    EXPECT_TRUE(platform.boxes.empty());
}

TEST_F(LinkTest, StatusWindowPolicy_WatchdogBoundsTheWholeTick)
{
    Watchdog tick(link, LinkPolicy::statusWindow(), 5000ms);
    EXPECT_FALSE(link.RequestReply("t00?", 15, tick).isEmpty());
    EXPECT_TRUE(tick.isActive()); // the tick's end disables it, not the transaction
    tick.disable();
}

TEST_F(LinkTest, LineLostDuringTheWait_EndsByTheWatchdog)
{
    sim.faults().silent = true;
    QTimer::singleShot(10, [&] { transport.dropLine(); });
    EXPECT_TRUE(link.RequestReply("t00?", 15, watchdog).isEmpty());
    EXPECT_EQ(link.LinkLostFlag, -1);
    EXPECT_EQ(link.TimeoutFlag, -1);
    // The port stays open to the link as a silent line until it is closed.
    EXPECT_TRUE(link.portOpen());
    link.ClosePort();
    EXPECT_FALSE(link.portOpen());
}

TEST_F(LinkTest, Shutdown_EndsAWaitAtOnce)
{
    sim.faults().silent = true;
    QTimer::singleShot(10, [&] { link.shutdown(); });
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(link.RequestReply("t00?", 15, watchdog).isEmpty());
    EXPECT_LT(clock.elapsed(), 90); // well before the watchdog's 100 ms
    EXPECT_EQ(link.LinkLostFlag, 0);
}

TEST(WatchdogInterval, EnablingARunningWatchdogDoesNotRestartIt)
{
    TimeScale designIntervals(1.0);
    SimLink env;
    Link& link = env.link;
    Watchdog wd(link, LinkPolicy::faultMemory(), 60ms);
    QElapsedTimer clock;
    clock.start();
    wd.enable();
    QTimer::singleShot(40, [&] { wd.enable(); });
    link.waitUntil([&] { return link.TimeoutFlag == -1; });
    EXPECT_LT(clock.elapsed(), 95);
}

} // namespace
