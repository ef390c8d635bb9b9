// The adapter pulled out while the program talks to the unit: the simulator
// program serving a pseudo-terminal is killed in the middle of a poll tick or
// of an ignition table write, and started again a few seconds later. The main
// window, the real status window and the racing options are assembled as the
// program assembles them.
#include "core/commands.h"
#include "core/portmap.h"
#include "core/settings.h"
#include "racing/frmroptionen.h"
#include "racing/ignitiontab.h"
#include "shell/frmhaupt.h"
#include "shell/link.h"
#include "shell/serialtransport.h"
#include "shell/session.h"
#include "shell/watchdog.h"
#include "status/frmmstg.h"
#include "status/unitwindows.h"
#include "support/scriptedplatform.h"
#include "support/simlink.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/resource.h>

namespace {

using namespace std::chrono_literals;

double cpuSeconds()
{
    rusage u {};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec)
        + static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The program's serial transport, telling the test what goes out.
class WatchedTransport : public SerialTransport {
public:
    using SerialTransport::SerialTransport;
    std::function<void(const QByteArray&)> onWrite;
    bool write(const QByteArray& data) override
    {
        const bool written = SerialTransport::write(data);
        if (onWrite)
            onWrite(data);
        return written;
    }
};

enum class Moment { PollTick, TableWrite };

struct UnplugCase {
    const char* name;
    Moment moment;
    int noBreakMsg;
    QStringList boxes; // what the user is shown, in order
};

const QString kLostBox = QString::fromUtf8(Watchdog::kLostText);

class UnpluggedAdapter : public ::testing::TestWithParam<UnplugCase> {
protected:
    // Design intervals at a fifth: watchdog 1 s, reconnect every 0.6 s.
    TimeScale scale { 0.2 };
    static constexpr double kOutageSeconds = 5.0;

    void SetUp() override
    {
        if (!QFileInfo::exists(QStringLiteral("/dev/ptmx")))
            GTEST_SKIP() << "no /dev/ptmx";
    }
    void TearDown() override
    {
        if (simulator.state() != QProcess::NotRunning) {
            simulator.kill();
            simulator.waitForFinished(3000);
        }
    }

    bool plugIn()
    {
        simulator.start(QStringLiteral(DARURI_ECUSIM_PATH),
            { QStringLiteral("--link"), device, QStringLiteral("--profile"), QStringLiteral("ignition-rx4-racing"),
                QStringLiteral("--engine"), QStringLiteral("stopped"), QStringLiteral("--wire-time") });
        if (!simulator.waitForStarted(3000))
            return false;
        while (!simulator.canReadLine())
            if (!simulator.waitForReadyRead(3000))
                return false;
        simulator.readLine();
        return true;
    }
    void pullOut()
    {
        simulator.kill();
        simulator.waitForFinished(3000);
    }

    ScriptedPlatform platform;
    QTemporaryDir dir;
    QString device = dir.filePath(QStringLiteral("adapter"));
    QProcess simulator;
};

TEST_P(UnpluggedAdapter, ClosesTheChainWithItsBoxesIdlesAndReconnects)
{
    const UnplugCase& c = GetParam();
    Settings values;
    values.comPort = PortMap::kFirstNamedPort;
    values.noBreakMsg = c.noBreakMsg;
    values.autoReCon = 1;
    SettingsFile settings(dir.path());
    ASSERT_TRUE(settings.write(values));
    ASSERT_TRUE(plugIn());

    WatchedTransport transport(PortMap({ device }));
    Link link(transport);
    Session session(link, settings);
    FrmHaupt main(session);
    UnitWindows windows;
    QPointer<FrmROptionen> racing;
    windows.racingOptions = [&](QWidget* parent) {
        auto w = std::make_unique<FrmROptionen>(session, parent);
        racing = w.get();
        return std::unique_ptr<QDialog>(std::move(w));
    };
    QPointer<FrmMStg> status;
    int statusWindows = 0;
    main.setStatusWindowFactory([&](QWidget* parent) {
        ++statusWindows;
        auto w = std::make_unique<FrmMStg>(session, windows, parent);
        status = w.get();
        return std::unique_ptr<QDialog>(std::move(w));
    });

    // The adapter goes when the chosen request has just gone out.
    enum class Step { Polling, RacingOpen, TableRead, Writing, Out, Back, Done } step = Step::Polling;
    int tableWrites = 0;
    QElapsedTimer outage;
    double cpuAtPull = 0;
    double outageCpu = -1, outageWall = 0;
    size_t boxesBeforePull = 0;
    bool chainClosedDuringOutage = false;
    QString statusLineDuringOutage;
    const QByteArray tickFrame = cmd::period().frame;
    const auto pull = [&] {
        boxesBeforePull = platform.boxes.size();
        pullOut();
        cpuAtPull = cpuSeconds();
        outage.start();
        step = Step::Out;
    };
    transport.onWrite = [&](const QByteArray& frame) {
        if (step == Step::Polling && c.moment == Moment::PollTick && status
            && status->phase() == FrmMStg::Phase::Polling && frame == tickFrame && statusWindows == 1)
            pull(); // the tick's first request is on the wire, its answer not

        if (step == Step::Writing && !frame.isEmpty() && frame[0] == 'a' && ++tableWrites == 10)
            pull(); // a band on the wire, its echo not
    };

    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        switch (step) {
        case Step::Polling:
            if (c.moment == Moment::TableWrite && status && status->polling()) {
                status->findChild<QPushButton*>(QStringLiteral("cmdROpt"))->click();
                step = Step::RacingOpen;
            }
            break;
        case Step::RacingOpen:
            if (racing && racing->opened() && !racing->busy()
                && QApplication::activeModalWidget() == racing.data()) {
                racing->findChild<QPushButton*>(QStringLiteral("cmdReadZwTab"))->click();
                step = Step::TableRead;
            }
            break;
        case Step::TableRead:
            if (racing && !racing->busy()) {
                step = Step::Writing;
                racing->findChild<QPushButton*>(QStringLiteral("cmdWriteZwTab"))->click();
            }
            break;
        case Step::Writing:
            break;
        case Step::Out:
            if (outage.elapsed() < kOutageSeconds * 1000)
                break;
            outageCpu = cpuSeconds() - cpuAtPull;
            outageWall = static_cast<double>(outage.elapsed()) / 1000;
            chainClosedDuringOutage = !status && !racing && QApplication::activeModalWidget() == nullptr;
            statusLineDuringOutage = main.statusText();
            if (!plugIn())
                ADD_FAILURE() << "the simulator did not start again";
            step = Step::Back;
            break;
        case Step::Back:
            // The reconnect: a new status window answered a tick.
            if (statusWindows == 2 && status && status->polling()) {
                step = Step::Done;
                status->findChild<QPushButton*>(QStringLiteral("BtncmdExit"))->click();
            }
            break;
        case Step::Done:
            break;
        }
    });
    driver.start(10);

    QElapsedTimer clock;
    clock.start();
    main.show();
    main.findChild<QPushButton*>(QStringLiteral("btnCmdOpenMStg"))->click();
    // The click returns when the chain is back at the main window for good:
    // after the user closed the reconnected status window.
    ASSERT_TRUE(QTest::qWaitFor([&] { return step == Step::Done && !status; }, 30000))
        << "step " << static_cast<int>(step) << ", " << clock.elapsed() << " ms";
    driver.stop();

    EXPECT_EQ(statusWindows, 2);
    EXPECT_TRUE(chainClosedDuringOutage);
    EXPECT_EQ(statusLineDuringOutage,
        QStringLiteral("Verbindung zum Motorsteuergerät verloren - neuer Verbindungsversuch alle 3 Sekunden..."));
    QStringList shown;
    for (size_t i = boxesBeforePull; i < platform.boxes.size(); ++i)
        shown << platform.boxes[i].text.section(QStringLiteral("\n\n"), 0, 0);
    EXPECT_EQ(shown, c.boxes) << platform.boxTexts().join(QLatin1Char('|')).toStdString();
    if (c.moment == Moment::TableWrite) {
        EXPECT_EQ(tableWrites, 10);
    }
    // Nothing spins on the dead line while the adapter is out.
    ASSERT_GE(outageCpu, 0);
    EXPECT_LT(outageCpu, 0.1 * outageWall) << outageCpu << " s CPU in " << outageWall << " s";
    RecordProperty("outage_cpu_ms", static_cast<int>(outageCpu * 1000));
    RecordProperty("outage_ms", static_cast<int>(outageWall * 1000));
    EXPECT_FALSE(main.autoConActive());
    EXPECT_EQ(main.statusText(), QString());
}

INSTANTIATE_TEST_SUITE_P(Moments, UnpluggedAdapter,
    ::testing::Values(UnplugCase { "PollTick_NoBox", Moment::PollTick, 1, {} },
        UnplugCase { "PollTick_LostBox", Moment::PollTick, 0, { kLostBox } },
        UnplugCase {
            "TableWrite_PartialTableWarning", Moment::TableWrite, 1, { IgnitionTab::kLinkLostWhileWriting } },
        // One box at most: the warning names the lost link, so the lost-link box is held back.
        UnplugCase { "TableWrite_LostBoxOn_OnlyThePartialTableWarning", Moment::TableWrite, 0,
            { IgnitionTab::kLinkLostWhileWriting } }),
    [](const ::testing::TestParamInfo<UnplugCase>& info) { return std::string(info.param.name); });

} // namespace
