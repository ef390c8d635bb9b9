#include "core/portmap.h"
#include "core/settings.h"
#include "shell/link.h"
#include "shell/serialtransport.h"
#include "shell/session.h"
#include "shell/watchdog.h"
#include "sim/ecusim.h"
#include "sim/ptyserver.h"
#include "support/scriptedplatform.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <thread>

namespace {

using namespace std::chrono_literals;

constexpr int kPort = PortMap::kFirstNamedPort;

bool ptysAvailable()
{
    return QFileInfo::exists(QStringLiteral("/dev/ptmx"));
}

QByteArray frame(std::initializer_list<int> bytes)
{
    QByteArray b;
    for (int v : bytes)
        b.append(static_cast<char>(v));
    return b;
}

// The simulator served on a pseudo-terminal from a thread of the test, and
// the program's own serial transport and link opened on its slave side.
class PtyLink : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!ptysAvailable())
            GTEST_SKIP() << "no /dev/ptmx";
    }

    // The simulator is set up by the test before this; afterwards only the
    // server thread touches it until stopServer().
    void start(bool wireTime = false)
    {
        server = std::make_unique<PtyServer>(sim, wireTime);
        QString error;
        ASSERT_TRUE(server->open(&error)) << error.toStdString();
        thread = std::thread([this] { server->run(); });
        transport = std::make_unique<SerialTransport>(PortMap({ server->slavePath() }));
        link = std::make_unique<Link>(*transport);
        session = std::make_unique<Session>(*link, settings);
        watchdog = std::make_unique<Watchdog>(*session, LinkPolicy::faultMemory(), 400ms);
        ASSERT_EQ(link->openPort(kPort), Transport::OpenResult::Opened);
    }

    void stopServer()
    {
        if (thread.joinable()) {
            server->stop();
            thread.join();
        }
    }

    void TearDown() override
    {
        if (link)
            link->closePort();
        stopServer();
    }

    Bytes ask(const Bytes& command, int length)
    {
        return link->transact(Request { command, length }, *watchdog).value_or(Bytes());
    }

    ScriptedPlatform platform;
    QTemporaryDir dir;
    SettingsFile settings { dir.path() };
    EcuSim sim { QStringLiteral("injection-rx4") };
    std::unique_ptr<PtyServer> server;
    std::thread thread;
    std::unique_ptr<SerialTransport> transport;
    std::unique_ptr<Link> link;
    std::unique_ptr<Session> session;
    std::unique_ptr<Watchdog> watchdog;
};

TEST_F(PtyLink, Identity_IsAnsweredOverTheDevice)
{
    start();
    EXPECT_EQ(ask("t00?", 15), sim.profile().unitType);
    EXPECT_EQ(ask("v00?", 6), sim.profile().firmware);
    EXPECT_EQ(ask("s00?", 13), sim.profile().serial);
    EXPECT_FALSE(link->timedOut());
}

TEST_F(PtyLink, WireTime_ReplyArrivesInPiecesAndCompletesOnlyWhole)
{
    start(true);
    QSignalSpy notifications(transport.get(), &Transport::readyRead);
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(ask("t00?", 15), sim.profile().unitType);
    // 4 bytes out, 15 back, ten bits each at 19200 baud.
    EXPECT_GE(clock.nsecsElapsed(), static_cast<qint64>(19 * PtyServer::kByteMicros * 1000 * 0.95));
    EXPECT_GE(notifications.count(), 2);
}

TEST_F(PtyLink, BinaryBytes_PassUnchangedBothWays)
{
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(static_cast<char>(i));
    sim.setHandler(200, 4, [all](const QByteArray&, qint64) { return all; });
    sim.setHandler(201, 4, [](const QByteArray& f, qint64) { return f; });
    start();
    EXPECT_EQ(ask(frame({ 200, '0', '0', '?' }), 256).toHex(), all.toHex());
    // Bytes a terminal would translate or act on: NUL, LF, CR, XON, XOFF, DEL, 0xFF.
    for (const QByteArray& f : { frame({ 201, 0x00, 0x0A, '?' }), frame({ 201, 0x0D, 0x11, '?' }),
             frame({ 201, 0x13, 0x7F, '?' }), frame({ 201, 0xFF, 0x80, '?' }) })
        EXPECT_EQ(ask(f, 4).toHex(), f.toHex());
}

TEST_F(PtyLink, ShortReply_EndsByTheWatchdogWithBothFlags)
{
    sim.faults().shortBy = 1;
    start();
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(ask("t00?", 15).isEmpty());
    EXPECT_GE(clock.elapsed(), 350);
    EXPECT_TRUE(link->timedOut());
    EXPECT_TRUE(link->linkLost());
}

TEST_F(PtyLink, LongerReply_OnlyTheExpectedBytesAreTakenTheRestDiscarded)
{
    sim.faults().extraBytes = 3;
    start();
    EXPECT_EQ(ask("v00?", 6), sim.profile().firmware);
    EXPECT_EQ(ask("s00?", 13), sim.profile().serial);
    EXPECT_EQ(ask("t00?", 15), sim.profile().unitType);
}

TEST_F(PtyLink, LateReply_ArrivesAfterTheDelay)
{
    sim.faults().lateMs = 200;
    start();
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(ask("v00?", 6), sim.profile().firmware);
    EXPECT_GE(clock.elapsed(), 195);
}

TEST_F(PtyLink, OpeningAndClosingRepeatedly_KeepsTheSimulatorServing)
{
    start();
    for (int i = 0; i < 25; ++i) {
        ASSERT_EQ(link->openPort(kPort), Transport::OpenResult::Opened) << i;
        ASSERT_EQ(ask("v00?", 6), sim.profile().firmware) << i;
        link->closePort();
    }
    // A reply left behind by a port closed before it was read is not taken
    // for the next one.
    ASSERT_EQ(link->openPort(kPort), Transport::OpenResult::Opened);
    transport->write("t00?");
    QTest::qWait(50); // out, and the reply back into the port's buffer, unread
    link->closePort();
    ASSERT_EQ(link->openPort(kPort), Transport::OpenResult::Opened);
    EXPECT_EQ(ask("s00?", 13), sim.profile().serial);
    link->closePort();
    stopServer();
    EXPECT_EQ(sim.received().size(), 27u);
}

TEST_F(PtyLink, PortHeldByAnotherProgram_OpensAsBusy)
{
    start();
    SerialTransport other(PortMap({ server->slavePath() }));
    EXPECT_EQ(other.open(kPort), Transport::OpenResult::Busy);
    EXPECT_EQ(ask("v00?", 6), sim.profile().firmware);
}

TEST_F(PtyLink, SimulatorGoneDuringAWait_EndsByTheWatchdogAndTheLineStaysSilentUntilClosed)
{
    start();
    sim.faults().silent = true;
    QSignalSpy lost(transport.get(), &Transport::lineLost);
    QTimer::singleShot(50, [&] {
        stopServer();
        server.reset(); // the other end of the line goes away
    });
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(ask("v00?", 6).isEmpty());
    EXPECT_GE(clock.elapsed(), 300); // by the 400 ms watchdog, not an early error return
    EXPECT_TRUE(link->timedOut());
    EXPECT_TRUE(link->linkLost());
    EXPECT_EQ(lost.count(), 1); // one report, however often the device signals the error
    EXPECT_TRUE(link->portOpen());
    link->closePort();
    EXPECT_FALSE(link->portOpen());
}

// The program itself: started as a process, found through its symlink.
class EcuSimProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!ptysAvailable())
            GTEST_SKIP() << "no /dev/ptmx";
    }
    void TearDown() override
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(2000);
        }
    }

    QString startProgram(const QStringList& arguments)
    {
        process.start(QStringLiteral(DARURI_ECUSIM_PATH), arguments);
        if (!process.waitForStarted(3000) || !process.waitForReadyRead(3000))
            return {};
        while (!process.canReadLine() && process.waitForReadyRead(1000)) { }
        return QString::fromLocal8Bit(process.readLine()).trimmed();
    }

    ScriptedPlatform platform;
    QTemporaryDir dir;
    SettingsFile settings { dir.path() };
    QProcess process;
};

TEST_F(EcuSimProgram, PrintsItsDeviceLinksItAnswersAndCleansUpOnTerminate)
{
    const QString linkPath = dir.filePath(QStringLiteral("ecu"));
    const QString device = startProgram(
        { QStringLiteral("--profile"), QStringLiteral("ignition-rx4"), QStringLiteral("--link"), linkPath,
            QStringLiteral("--fault"), QStringLiteral("ignore-first=1"), QStringLiteral("--wire-time") });
    ASSERT_TRUE(device.startsWith(QStringLiteral("/dev/"))) << device.toStdString();
    ASSERT_TRUE(QFileInfo(linkPath).isSymLink());
    EXPECT_EQ(QFileInfo(linkPath).symLinkTarget(), device);

    SerialTransport transport(PortMap({ linkPath }));
    Link link(transport);
    Session session(link, settings);
    Watchdog watchdog(session, LinkPolicy::faultMemory(), 400ms);
    ASSERT_EQ(link.openPort(kPort), Transport::OpenResult::Opened);
    EXPECT_FALSE(link.transact(cmd::identify(), watchdog)); // the first one is ignored
    link.resetTimeout();
    EXPECT_EQ(link.transact(cmd::identify(), watchdog), QByteArray("KZDX 2Zyl RX40D"));
    link.closePort();

    process.terminate();
    ASSERT_TRUE(process.waitForFinished(3000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_FALSE(QFileInfo(linkPath).isSymLink());
}

TEST_F(EcuSimProgram, EngineMode_FromTheOptionThenFromStandardInput)
{
    const QString device = startProgram({ QStringLiteral("--profile"), QStringLiteral("ignition-rx4-racing"),
        QStringLiteral("--engine"), QStringLiteral("stopped") });
    ASSERT_TRUE(device.startsWith(QStringLiteral("/dev/"))) << device.toStdString();
    SerialTransport transport(PortMap({ device }));
    Link link(transport);
    Session session(link, settings);
    Watchdog watchdog(session, LinkPolicy::faultMemory(), 400ms);
    ASSERT_EQ(link.openPort(kPort), Transport::OpenResult::Opened);
    const auto period = [&] { return link.transact(Request { "r00?", 3 }, watchdog).value_or(Bytes()).toHex(); };
    const auto control = [&](const char* line) {
        process.write(line);
        QByteArray said;
        for (int i = 0; i < 100 && !said.endsWith('\n'); ++i) {
            process.waitForReadyRead(20);
            said += process.readAllStandardError();
        }
        return said;
    };
    EXPECT_EQ(period(), QByteArray("ffffff"));
    EXPECT_EQ(control("engine 1500\n"), QByteArray("daruri-ecusim: engine held at 1500 rpm\n"));
    EXPECT_EQ(period(), QByteArray("061a80"));
    EXPECT_EQ(control("engine warp\n"),
        QByteArray("daruri-ecusim: engine mode 'warp' is not cycle, stopped or an rpm (e.g. 1500)\n"));
    EXPECT_EQ(control("engine stopped\n"), QByteArray("daruri-ecusim: engine stopped\n"));
    EXPECT_EQ(period(), QByteArray("ffffff"));
    // Without standard input it serves on.
    process.closeWriteChannel();
    QTest::qWait(50);
    EXPECT_EQ(period(), QByteArray("ffffff"));
    link.closePort();
}

TEST_F(EcuSimProgram, BadArguments_EndWithAnErrorAndNoDevice)
{
    for (const QStringList& args : { QStringList { QStringLiteral("--profile"), QStringLiteral("nope") },
             QStringList { QStringLiteral("--fault"), QStringLiteral("loud") },
             QStringList { QStringLiteral("--engine"), QStringLiteral("fast") } }) {
        process.start(QStringLiteral(DARURI_ECUSIM_PATH), args);
        ASSERT_TRUE(process.waitForFinished(3000));
        EXPECT_EQ(process.exitCode(), 2);
        EXPECT_TRUE(process.readAllStandardOutput().isEmpty());
    }
}

TEST_F(EcuSimProgram, ListProfiles_NamesEveryProfile)
{
    process.start(QStringLiteral(DARURI_ECUSIM_PATH), { QStringLiteral("--list-profiles") });
    ASSERT_TRUE(process.waitForFinished(3000));
    const QString out = QString::fromLocal8Bit(process.readAllStandardOutput());
    for (const QString& name : simprofiles::names())
        EXPECT_TRUE(out.contains(name)) << name.toStdString();
}

} // namespace
