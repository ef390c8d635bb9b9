#include "core/commands.h"
#include "core/settings.h"
#include "shell/link.h"
#include "shell/session.h"
#include "shell/timing.h"
#include "shell/trace.h"
#include "shell/watchdog.h"
#include "sim/ecusim.h"
#include "sim/simtransport.h"
#include "support/simlink.h"
#include "support/testnames.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

class LinkTest : public ::testing::Test, protected OpenSimUnit {
protected:
    void SetUp() override { ASSERT_TRUE(link.portOpen()); }

    TimeScale scale { 0.02 }; // a 5000 ms watchdog runs 100 ms
    void setNoBreakMsg(int value)
    {
        Settings s;
        s.noBreakMsg = value;
        ASSERT_TRUE(settings.write(s));
    }

    Watchdog watchdog { session, LinkPolicy::faultMemory(), 5000ms };

    Reply ask(const Request& r) { return link.transact(r, watchdog); }
    Reply ask(const Request& r, Watchdog& wd) { return link.transact(r, wd); }
};

TEST_F(LinkTest, Reply_IsTheExpectedBytesAndStopsTheWatchdog)
{
    const Reply reply = ask(cmd::identify());
    EXPECT_EQ(reply, sim.profile().unitType);
    EXPECT_FALSE(watchdog.isActive());
    EXPECT_FALSE(link.timedOut());
    ASSERT_EQ(transport.written.size(), 1u);
    EXPECT_EQ(transport.written[0].second, QByteArray("t00?"));
}

TEST_F(LinkTest, ReplyInPieces_CompletesOnlyWithTheLastPiece)
{
    transport.setChunking(4, 10);
    QElapsedTimer clock;
    clock.start();
    const Reply reply = ask(cmd::identify());
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
    const Reply reply = ask({ cmd::plainRead(200), 256 });
    ASSERT_TRUE(reply);
    ASSERT_EQ(reply->size(), 256);
    EXPECT_EQ(*reply, all);
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
    session.setNoBreakMsg(GetParam().noBreakMsg);
    Watchdog wd(session, GetParam().policy, 5000ms);
    bool timersStopped = false;
    wd.setStopWindowTimers([&] { timersStopped = true; });
    sim.faults().shortBy = 1;
    EXPECT_FALSE(ask(cmd::identify(), wd));
    EXPECT_TRUE(link.timedOut());
    EXPECT_TRUE(link.linkLost());
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
    session.setNoBreakMsg(1);
    sim.faults().silent = true;
    Watchdog held(session, LinkPolicy::racingOptions(), 5000ms);
    EXPECT_FALSE(ask(cmd::identify(), held));
    EXPECT_TRUE(platform.boxes.empty());

    link.resetTimeout();
    EXPECT_FALSE(ask(cmd::identify()));
    EXPECT_EQ(session.noBreakMsg(), 0);
    EXPECT_EQ(platform.boxes.size(), 1u);
}

TEST_F(LinkTest, AfterAWatchdogRun_NothingMoreGoesOutUntilTheFlagIsReset)
{
    sim.faults().silent = true;
    EXPECT_FALSE(ask(cmd::identify()));
    sim.faults().silent = false;
    const auto sent = transport.written.size();
    EXPECT_FALSE(ask(cmd::identify()));
    EXPECT_EQ(transport.written.size(), sent);
    link.resetTimeout();
    EXPECT_EQ(ask(cmd::identify()), sim.profile().unitType);
}

TEST_F(LinkTest, StatusWindowPolicy_ClosedPortGivesAnEmptyReplyAtOnce)
{
    Watchdog tick(session, LinkPolicy::statusWindow(), 5000ms);
    link.closePort();
    EXPECT_FALSE(ask(cmd::period(), tick));
    EXPECT_TRUE(link.timedOut());
    EXPECT_FALSE(link.linkLost()); // no watchdog run: no lost link, no box
    EXPECT_FALSE(tick.isActive());
    EXPECT_TRUE(platform.boxes.empty());
}

TEST_F(LinkTest, StatusWindowPolicy_WatchdogBoundsTheWholeTick)
{
    Watchdog tick(session, LinkPolicy::statusWindow(), 5000ms);
    EXPECT_TRUE(ask(cmd::identify(), tick));
    EXPECT_TRUE(tick.isActive()); // the tick's end disables it, not the transaction
    tick.disable();
}

TEST_F(LinkTest, LineLostDuringTheWait_EndsByTheWatchdog)
{
    sim.faults().silent = true;
    QTimer::singleShot(10, [&] { transport.dropLine(); });
    EXPECT_FALSE(ask(cmd::identify()));
    EXPECT_TRUE(link.linkLost());
    EXPECT_TRUE(link.timedOut());
    // The port stays open to the link as a silent line until it is closed.
    EXPECT_TRUE(link.portOpen());
    link.closePort();
    EXPECT_FALSE(link.portOpen());
}

TEST_F(LinkTest, Shutdown_EndsAWaitAtOnce)
{
    sim.faults().silent = true;
    QTimer::singleShot(10, [&] { link.shutdown(); });
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(ask(cmd::identify()));
    EXPECT_LT(clock.elapsed(), 90); // well before the watchdog's 100 ms
    EXPECT_FALSE(link.linkLost());
    EXPECT_FALSE(watchdog.isActive()) << "no watchdog may run on into the closing windows";
}

TEST(WatchdogInterval, EnablingARunningWatchdogDoesNotRestartIt)
{
    TimeScale designIntervals(1.0);
    SimLink env;
    Link& link = env.link;
    Watchdog wd(env.session, LinkPolicy::faultMemory(), 60ms);
    QElapsedTimer clock;
    clock.start();
    wd.enable();
    QTimer::singleShot(40, [&] { wd.enable(); });
    link.waitUntil([&] { return link.timedOut(); });
    EXPECT_LT(clock.elapsed(), 95);
}

TEST_F(LinkTest, CommandWithoutReply_ReturnsAtOnceAfterTheWrite)
{
    sim.setHandler('e', 4, [](const QByteArray&, qint64) { return QByteArray(); });
    QElapsedTimer clock;
    clock.start();
    const Reply reply = ask(cmd::faultErase());
    ASSERT_TRUE(reply.has_value()) << "a command without reply is not a lost link";
    EXPECT_TRUE(reply->isEmpty());
    EXPECT_LT(clock.elapsed(), 50); // the watchdog would end it after 100 ms
    EXPECT_FALSE(link.timedOut());
    EXPECT_FALSE(watchdog.isActive());
    ASSERT_FALSE(transport.written.empty());
    EXPECT_EQ(transport.written.back().second, QByteArray("e00?"));
}

TEST_F(LinkTest, SecondTransactionWhileOneWaits_StopsADebugBuild)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    link.setAssertOnNesting(true);
    transport.setReplyDelayMs(30);
    EXPECT_DEATH(
        {
            QTimer::singleShot(5, [&] { ask(cmd::firmware()); });
            ask(cmd::identify());
        },
        "second transaction");
}

TEST_F(LinkTest, SecondTransactionWhileOneWaits_IsRefusedWithoutReadingAsALostLink)
{
    link.setAssertOnNesting(false); // as a release build does
    transport.setReplyDelayMs(30);
    Reply inner = Bytes("not run");
    bool written = true;
    QTimer::singleShot(5, [&] {
        inner = ask(cmd::firmware());
        written = link.writeOnly(cmd::setCorrection(0).frame);
    });
    EXPECT_EQ(ask(cmd::identify()), sim.profile().unitType);
    EXPECT_FALSE(inner.has_value()) << "a refused transaction must not read as an answer";
    EXPECT_TRUE(inner.refused()) << "nor as a lost link";
    EXPECT_FALSE(written);
    EXPECT_EQ(link.refusals(), 2);
    EXPECT_FALSE(link.timedOut());
    EXPECT_FALSE(link.linkLost());
    EXPECT_EQ(transport.written.size(), 1u);
}

// Frames whose arguments hold a zero byte reach the unit whole.
struct ZeroByteCase {
    const char* name;
    Request request;
    QByteArray frame;
};

class ZeroByteFrame : public LinkTest, public ::testing::WithParamInterface<ZeroByteCase> { };

TEST_P(ZeroByteFrame, ReachesTheUnitWhole)
{
    ask(GetParam().request);
    ASSERT_FALSE(sim.received().empty());
    EXPECT_EQ(sim.received().back(), GetParam().frame);
    ASSERT_FALSE(transport.written.empty());
    EXPECT_EQ(transport.written.back().second, GetParam().frame);
}

INSTANTIATE_TEST_SUITE_P(Frames, ZeroByteFrame,
    ::testing::Values(ZeroByteCase { "CorrectionZero", cmd::setCorrection(0), bytes::of({ 'c', 0, '0', '?' }) },
        ZeroByteCase { "ParameterWriteZero", cmd::paramWrite(154, 0), bytes::of({ 154, 'w', 0, '?' }) },
        ZeroByteCase {
            "PairedReadAddressZero", cmd::pairRead(129, { 'r', 0 }, 3), bytes::of({ 129, 'r', 0, '?' }) },
        ZeroByteCase {
            "CodeWithZeroArgument", { cmd::frame(96, { 0, '0' }), 2 }, bytes::of({ 96, 0, '0', '?' }) }),
    [](const auto& info) { return std::string(info.param.name); });

// A unit that sends more than was asked for: the surplus, arriving with the
// reply or trailing behind it, never becomes part of the next reply.
struct SurplusCase {
    const char* name;
    int chunk; // bytes per piece, 0 = the whole reply at once
    int gapMs;
};

class Surplus : public LinkTest, public ::testing::WithParamInterface<SurplusCase> { };

TEST_P(Surplus, NeverReachesTheNextReply)
{
    QTemporaryDir traceDir;
    Trace trace;
    ASSERT_TRUE(trace.open(traceDir.filePath(QStringLiteral("t.log"))));
    link.setTrace(&trace);
    link.setQuietTime(25ms); // wide enough for a loaded machine's timers
    transport.setChunking(GetParam().chunk, GetParam().gapMs);
    sim.faults().extraBytes = 3;
    const QByteArray outputs = QByteArray(reinterpret_cast<const char*>(sim.memory().switching.data()), 10);
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(ask(cmd::firmware()), sim.profile().firmware) << round;
        EXPECT_EQ(ask(cmd::identify()), sim.profile().unitType) << round;
        EXPECT_EQ(ask(cmd::serialNumber()), sim.profile().serial) << round;
        EXPECT_EQ(ask(cmd::outputModes()), outputs) << round;
        EXPECT_EQ(ask(cmd::correction()), QByteArray(1, '\0')) << round;
    }
    link.setTrace(nullptr);
    QFile f(traceDir.filePath(QStringLiteral("t.log")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString log = QString::fromUtf8(f.readAll());
    EXPECT_TRUE(log.contains(QStringLiteral("! discarded 3 bytes beyond the answer: A5 A5 A5"))
        || log.contains(QStringLiteral("! discarded 1 bytes after the answer: A5")))
        << log.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Arrival, Surplus,
    ::testing::Values(SurplusCase { "WithTheReply", 0, 0 }, SurplusCase { "TrailingByteByByte", 1, 2 }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LinkTest, LineWithoutSurplus_IsNotWaitedOnOnceTrusted)
{
    for (int i = 0; i < Link::kProbation; ++i)
        ASSERT_TRUE(ask(cmd::correction()));
    link.setQuietTime(200ms); // a drain now would show in the time
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(ask(cmd::correction()));
    EXPECT_LT(clock.elapsed(), 150);
}

QString readMasked(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QString text = QString::fromUtf8(f.readAll());
    static const QRegularExpression stamp(
        QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d"), QRegularExpression::MultilineOption);
    return text.replace(stamp, QStringLiteral("hh:mm:ss.zzz"));
}

TEST_F(LinkTest, Trace_OfAShortConnection)
{
    link.closePort();
    QTemporaryDir traceDir;
    Trace trace;
    const QString path = traceDir.filePath(QStringLiteral("t.log"));
    ASSERT_TRUE(trace.open(path));
    link.setTrace(&trace);
    sim.setEngine(3000);
    sim.memory().correction = 0xFB;
    EcuSim oracle(sim.profile());
    oracle.setEngine(3000);
    oracle.memory().correction = 0xFB;
    const auto answer = [&](const Request& r) { return bytes::hex(oracle.feed(r.frame)); };

    ASSERT_EQ(link.openPort(3), Transport::OpenResult::Opened);
    ASSERT_TRUE(ask(cmd::identify()));
    Watchdog tick(session, LinkPolicy::statusWindow(), 5000ms);
    for (const Request& r : { cmd::period(), cmd::outputs(), cmd::angle1(), cmd::correction() })
        ASSERT_TRUE(ask(r, tick));
    tick.disable();
    sim.faults().shortBy = 1; // the reply stops one byte short
    EXPECT_FALSE(ask(cmd::serialNumber()));
    link.resetTimeout();
    transport.dropLine();
    EXPECT_FALSE(ask(cmd::firmware())); // never written, so never traced as sent
    link.closePort();
    link.setTrace(nullptr);

    const QStringList expected = {
        QStringLiteral("! open port 3 (sim:3)"),
        QStringLiteral("> 74 30 30 3F"),
        QStringLiteral("< ") + answer(cmd::identify()),
        QStringLiteral("> 72 30 30 3F"),
        QStringLiteral("< ") + answer(cmd::period()),
        QStringLiteral("> 80 30 30 3F"),
        QStringLiteral("< ") + answer(cmd::outputs()),
        QStringLiteral("> 7A 30 30 3F"),
        QStringLiteral("< ") + answer(cmd::angle1()),
        QStringLiteral("> 71 30 30 3F"),
        QStringLiteral("< FB"),
        QStringLiteral("> 73 30 30 3F"),
        QStringLiteral("< ") + bytes::hex(sim.profile().serial.left(12)),
        QStringLiteral("! watchdog"),
        QStringLiteral("! line lost"),
        QStringLiteral("! discarded 12 bytes before the request: ") + bytes::hex(sim.profile().serial.left(12)),
        QStringLiteral("! disturbed: bytes while the line should be quiet"),
        QStringLiteral("! not written: 76 30 30 3F"),
        QStringLiteral("! watchdog"),
        QStringLiteral("! close"),
    };
    QString text;
    for (const QString& line : expected)
        text += QStringLiteral("hh:mm:ss.zzz ") + line + QLatin1Char('\n');
    EXPECT_EQ(readMasked(path).toStdString(), text.toStdString());
}

} // namespace
