#include "core/settings.h"
#include "shell/frmhaupt.h"
#include "shell/link.h"
#include "shell/timing.h"
#include "shell/trace.h"
#include "sim/ecusim.h"
#include "sim/simtransport.h"
#include "support/simlink.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// Stands in for the status window: records that it was shown and runs the
// test's idea of what happened while it was open.
class TestStatusWindow : public QDialog {
public:
    TestStatusWindow(std::function<void()> whileOpen, QWidget* parent)
        : QDialog(parent)
        , m_whileOpen(std::move(whileOpen))
    {
    }
    int exec() override
    {
        if (m_whileOpen)
            m_whileOpen();
        return QDialog::Accepted;
    }

private:
    std::function<void()> m_whileOpen;
};

class FrmHauptTest : public ::testing::Test, protected SimLink {
protected:
    TimeScale scale { 0.01 }; // 4000 ms pacing runs 40 ms, 260 ms probe 2.6 ms

    void start()
    {
        ASSERT_TRUE(settings.write(fileSettings));
        window = std::make_unique<FrmHaupt>(session);
        window->setStatusWindowFactory([this](QWidget* parent) {
            ++statusWindows;
            statusTextWhenShown = window->statusText();
            portWhenShown = session.currentPort();
            return std::make_unique<TestStatusWindow>(whileOpen, parent);
        });
        window->setExitHandler([] {});
        QObject::connect(&session, &Session::mainStatusTextChanged, window.get(),
            [this](const QString& text) { statusHistory << text; });
    }

    void open() { window->findChild<QPushButton*>(QStringLiteral("btnCmdOpenMStg"))->click(); }
    bool openEnabled() const
    {
        return window->findChild<QPushButton*>(QStringLiteral("btnCmdOpenMStg"))->isEnabled();
    }

    std::vector<QString> opensAndCloses() const
    {
        std::vector<QString> out;
        for (const QString& e : transport.events)
            out.push_back(e);
        return out;
    }

    Settings fileSettings;
    std::unique_ptr<FrmHaupt> window;
    int statusWindows = 0;
    QString statusTextWhenShown;
    int portWhenShown = 0;
    std::function<void()> whileOpen;
    // What a watchdog run inside the status window leaves behind.
    void loseTheLink()
    {
        link.setLinkLost(true);
        link.closePort();
    }
    QStringList statusHistory;
};

const QString kLostRetrying
    = QStringLiteral("Verbindung zum Motorsteuergerät verloren - neuer Verbindungsversuch alle 3 Sekunden...");
const QString kLost = QStringLiteral("Verbindung zum Motorsteuergerät verloren!");

TEST_F(FrmHauptTest, Load_ShowsTheReleaseAndCaption)
{
    start();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Velmora - DARUri"));
    EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("lblRelease"))->text(), QStringLiteral("Version 2.412"));
    EXPECT_FALSE(link.linkLost());
    for (const char* name : { "btnCmdOpenMStg", "btnCmdOptions", "btnCmdInfo", "btnCmdExit", "sbHauptDlg" })
        EXPECT_NE(window->findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;
    EXPECT_EQ(window->findChild<QPushButton*>(QStringLiteral("btnCmdOpenMStg"))->text(),
        QStringLiteral("&Motorsteuergerät öffnen"));
}

TEST_F(FrmHauptTest, NoPortAtAll_ShowsThePlainBox)
{
    start();
    open();
    ASSERT_EQ(platform.boxes.size(), 1u);
    EXPECT_EQ(platform.boxes[0].text, QStringLiteral("Derzeit ist keine Hardwareschnittstelle verfügbar"));
    EXPECT_EQ(platform.boxes[0].icon, Platform::Icon::None);
    EXPECT_TRUE(openEnabled());
    EXPECT_EQ(window->statusText(), QString());
    EXPECT_EQ(statusWindows, 0);
}

TEST_F(FrmHauptTest, PortsButNoUnit_ShowsTheConnectionErrorBox)
{
    transport.addEmptyPort(2);
    transport.addEmptyPort(40);
    start();
    open();
    ASSERT_EQ(platform.boxes.size(), 1u);
    EXPECT_EQ(platform.boxes[0].title, QStringLiteral("Verbindungsfehler"));
    EXPECT_EQ(platform.boxes[0].text, QStringLiteral("Kein Motorsteuergerät angeschlossen oder Port belegt."));
    EXPECT_EQ(platform.boxes[0].icon, Platform::Icon::Critical);
    EXPECT_FALSE(link.portOpen());
    EXPECT_TRUE(openEnabled());
}

TEST_F(FrmHauptTest, SeveralPorts_AreProbedInAscendingOrderAndTheFirstUnitIsUsed)
{
    EcuSim unit7(QStringLiteral("injection-rx4"));
    EcuSim unit9(QStringLiteral("ignition-rx4"));
    transport.addEmptyPort(5);
    transport.addUnit(9, &unit9);
    transport.addEmptyPort(3);
    transport.addUnit(7, &unit7);
    start();
    open();
    EXPECT_EQ(statusWindows, 1);
    EXPECT_EQ(portWhenShown, 7);
    EXPECT_TRUE(unit9.received().empty());
    // The scan opens and closes each port, then the probes run in order; the
    // ports before the answering one are closed again.
    const std::vector<QString> expected = { QStringLiteral("open 3"), QStringLiteral("close 3"),
        QStringLiteral("open 5"), QStringLiteral("close 5"), QStringLiteral("open 7"), QStringLiteral("close 7"),
        QStringLiteral("open 9"), QStringLiteral("close 9"), QStringLiteral("open 3"), QStringLiteral("close 3"),
        QStringLiteral("open 5"), QStringLiteral("close 5"), QStringLiteral("open 7") };
    std::vector<QString> opens;
    for (const QString& e : transport.events)
        if (!e.endsWith(QStringLiteral("failed")))
            opens.push_back(e);
    ASSERT_GE(opens.size(), expected.size());
    EXPECT_EQ(std::vector<QString>(opens.begin(), opens.begin() + expected.size()), expected);
    // Probes and the identification of the search are "t00?" frames only.
    for (const auto& [port, frame] : transport.written)
        EXPECT_EQ(frame, QByteArray("t00?")) << port;
    EXPECT_TRUE(platform.boxes.empty());
}

TEST_F(FrmHauptTest, UnitAnsweringTheThirdRequest_IsPacedByTheSearchTimerWithOneDotPerTick)
{
    fileSettings.comPort = 4;
    EcuSim unit(QStringLiteral("injection-rx4"));
    QStringList statusAtRequest;
    QList<qint64> requestTimes;
    QElapsedTimer clock;
    clock.start();
    const QByteArray ident = unit.profile().unitType;
    unit.setHandler('t', 4, [&](const QByteArray&, qint64) {
        statusAtRequest << window->statusText();
        requestTimes << clock.elapsed();
        return statusAtRequest.size() < 3 ? QByteArray() : ident;
    });
    transport.addUnit(4, &unit);
    start();
    open();
    EXPECT_EQ(statusWindows, 1);
    ASSERT_EQ(statusAtRequest.size(), 3);
    const QString base = QStringLiteral("Versuche Motorsteuergerät zu öffnen...");
    EXPECT_EQ(statusAtRequest[0], base);
    EXPECT_EQ(statusAtRequest[1], base + QStringLiteral("."));
    EXPECT_EQ(statusAtRequest[2], base + QStringLiteral(".."));
    // 4000 ms apart at the design scale (40 ms here).
    EXPECT_GE(requestTimes[1] - requestTimes[0], 30);
    EXPECT_GE(requestTimes[2] - requestTimes[1], 30);
    EXPECT_EQ(statusTextWhenShown, QString());
    // The port is closed and reopened before each new request.
    const std::vector<QString> expected = { QStringLiteral("open 4"), QStringLiteral("close 4"),
        QStringLiteral("open 4"), QStringLiteral("close 4"), QStringLiteral("open 4") };
    EXPECT_EQ(transport.events, expected);
    EXPECT_FALSE(window->searchTimerActive());
}

TEST_F(FrmHauptTest, SilentUnit_GivesUpAfterTenTicksWithTheErrorBox)
{
    fileSettings.comPort = 4;
    EcuSim unit(QStringLiteral("injection-rx4"));
    unit.faults().silent = true;
    transport.addUnit(4, &unit);
    start();
    QElapsedTimer clock;
    clock.start();
    open();
    EXPECT_GE(clock.elapsed(), 90); // ten ticks of 40 ms, less timer slack
    ASSERT_EQ(platform.boxes.size(), 1u);
    EXPECT_EQ(platform.boxes[0].title, QStringLiteral("Fehler"));
    EXPECT_EQ(platform.boxes[0].text, QStringLiteral("Kann keine Verbindung zum Motorsteuergerät herstellen."));
    EXPECT_EQ(unit.received().size(), 10u);
    EXPECT_FALSE(link.portOpen());
    EXPECT_FALSE(window->autoConActive());
}

TEST_F(FrmHauptTest, CloseBoxDuringTheSearch_EndsTheWaitAtOnce)
{
    fileSettings.comPort = 4;
    EcuSim unit(QStringLiteral("injection-rx4"));
    unit.faults().silent = true;
    transport.addUnit(4, &unit);
    timing::setScale(1.0); // a real 40 s search
    start();
    window->setExitHandler([this] { link.shutdown(); });
    window->show();
    QTimer::singleShot(100, window.get(), [this] { window->close(); });
    QElapsedTimer clock;
    clock.start();
    open();
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_FALSE(link.portOpen());
    EXPECT_TRUE(platform.boxes.empty());
}

TEST_F(FrmHauptTest, PortHeldByAnotherProgram_ShowsTheBlockedText)
{
    fileSettings.comPort = 5;
    transport.addBusyPort(5);
    start();
    open();
    ASSERT_EQ(platform.boxes.size(), 1u);
    EXPECT_EQ(platform.boxes[0].title, QStringLiteral("Systemfehler (DARuri)"));
    EXPECT_EQ(platform.boxes[0].text,
        QStringLiteral("Die gewünschte Operation konnte nicht ausgeführt werden, da die angeforderte "
                       "physikalische Schnittstelle zur Zeit von einer anderen Anwendung blockiert wird."));
    EXPECT_TRUE(openEnabled());
    EXPECT_FALSE(window->searchTimerActive());
}

TEST_F(FrmHauptTest, MissingPort_ShowsTheNotAvailableText)
{
    fileSettings.comPort = 6;
    start();
    open();
    ASSERT_EQ(platform.boxes.size(), 1u);
    EXPECT_EQ(platform.boxes[0].text,
        QStringLiteral("Die angeforderte physikalische Schnittstelle ist zur Zeit nicht verfügbar."));
}

TEST_F(FrmHauptTest, LostLink_ReconnectsSilentlyUntilTheUnitAnswersAgain)
{
    fileSettings.comPort = 4;
    EcuSim unit(QStringLiteral("injection-rx4"));
    transport.addUnit(4, &unit);
    QStringList statusAtRequest;
    const QByteArray ident = unit.profile().unitType;
    unit.setHandler('t', 4, [&](const QByteArray&, qint64) {
        statusAtRequest << window->statusText();
        return ident;
    });
    // The first status window loses the link; the unit then stays silent for
    // two whole searches before it answers again.
    whileOpen = [&] {
        if (statusWindows == 1) {
            loseTheLink();
            unit.faults().silent = true;
            QTimer::singleShot(2 * 400 + 300, [&] { unit.faults().silent = false; });
        } else {
            link.setLinkLost(false); // the user closes it
            link.closePort();
        }
    };
    start();
    open();
    EXPECT_EQ(statusWindows, 1);
    EXPECT_TRUE(window->autoConActive());
    EXPECT_EQ(window->statusText(), kLostRetrying);
    ASSERT_TRUE(QTest::qWaitFor([&] { return statusWindows == 2; }, 5000));
    EXPECT_TRUE(platform.boxes.empty());
    EXPECT_GE(unit.received().size(), 21u); // 1 + two searches of 10 + the answered one
    EXPECT_TRUE(statusAtRequest.last().startsWith(QStringLiteral("Versuche Motorsteuergerät erneut zu öffnen...")))
        << statusAtRequest.last().toStdString();
    EXPECT_FALSE(window->autoConActive());
    // Between the attempts (after the unwinding and after each failed search)
    // the status line tells what happened; the second window was closed by the user.
    EXPECT_GE(statusHistory.count(kLostRetrying), 3) << statusHistory.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(window->statusText(), QString());
}

TEST_F(FrmHauptTest, LostLinkWithoutAutoReconnect_StaysIdle)
{
    fileSettings.comPort = 4;
    fileSettings.autoReCon = 0;
    EcuSim unit(QStringLiteral("injection-rx4"));
    transport.addUnit(4, &unit);
    whileOpen = [&] { loseTheLink(); };
    start();
    open();
    EXPECT_FALSE(window->autoConActive());
    EXPECT_TRUE(openEnabled());
    EXPECT_EQ(window->statusText(), kLost);
    EXPECT_TRUE(platform.boxes.empty());
    // A press of the button is one more silent attempt, and the line stays.
    unit.faults().silent = true;
    open();
    EXPECT_EQ(window->statusText(), kLost);
    EXPECT_TRUE(platform.boxes.empty());
}

TEST_F(FrmHauptTest, LostLinkThenInfo_EndsTheReconnectAndTheStatusLineSaysOnlyLost)
{
    fileSettings.comPort = 4;
    EcuSim unit(QStringLiteral("injection-rx4"));
    transport.addUnit(4, &unit);
    whileOpen = [&] { loseTheLink(); };
    start();
    open();
    ASSERT_EQ(window->statusText(), kLostRetrying);
    window->btnCmdInfo_Click();
    EXPECT_FALSE(window->autoConActive());
    EXPECT_EQ(window->statusText(), kLost);
}

TEST_F(FrmHauptTest, LostLinkAndNoPorts_RetriesWithoutABox)
{
    EcuSim unit(QStringLiteral("injection-rx4"));
    transport.addUnit(4, &unit);
    whileOpen = [&] {
        loseTheLink();
        transport.removePort(4);
    };
    start();
    open();
    ASSERT_TRUE(window->autoConActive());
    // The reconnect finds no port at all: silent, and it keeps trying (every
    // search tries all 256 port numbers).
    const auto before = transport.events.size();
    ASSERT_TRUE(QTest::qWaitFor([&] { return transport.events.size() >= before + 2 * 256; }, 2000));
    EXPECT_TRUE(openEnabled());
    EXPECT_TRUE(platform.boxes.empty());
    EXPECT_TRUE(window->autoConActive());
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->statusText() == kLostRetrying; }, 2000));
}

TEST_F(FrmHauptTest, LostLinkOnAFixedPortWhoseAdapterIsGone_RetriesSilentlyUntilItIsBack)
{
    fileSettings.comPort = 129;
    EcuSim unit(QStringLiteral("injection-rx4"));
    transport.addUnit(129, &unit);
    // The adapter is unplugged with the link; it comes back a few attempts later.
    whileOpen = [&] {
        if (statusWindows == 1) {
            link.setLinkLost(true);
            transport.removePort(129);
            link.closePort();
            QTimer::singleShot(3 * 30, [&] { transport.addUnit(129, &unit); });
        } else {
            link.setLinkLost(false);
            link.closePort();
        }
    };
    start();
    open();
    EXPECT_EQ(statusWindows, 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return statusWindows == 2; }, 5000));
    EXPECT_TRUE(platform.boxes.empty()) << platform.boxTexts().join(QLatin1Char('|')).toStdString();
    const auto failed
        = std::count(transport.events.begin(), transport.events.end(), QStringLiteral("open 129 failed"));
    EXPECT_GE(failed, 1);
    EXPECT_EQ(portWhenShown, 129);
}

TEST_F(FrmHauptTest, PortSearch_IsTraced)
{
    QTemporaryDir traceDir;
    Trace trace;
    ASSERT_TRUE(trace.open(traceDir.filePath(QStringLiteral("t.log"))));
    link.setTrace(&trace);
    EcuSim unit(QStringLiteral("injection-rx4"));
    transport.addEmptyPort(2);
    transport.addBusyPort(3);
    transport.addUnit(4, &unit);
    start();
    open();
    link.setTrace(nullptr);
    QFile f(traceDir.filePath(QStringLiteral("t.log")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString log = QString::fromUtf8(f.readAll());
    for (const char* line :
        { "! search: port 2 (sim:2) can be opened", "! search: port 3 (sim:3) held by another program",
            "! search: port 4 (sim:4) can be opened", "! open port 2 (sim:2)", "! open port 4 (sim:4)" })
        EXPECT_TRUE(log.contains(QString::fromUtf8(line))) << line << "\n" << log.toStdString();
    EXPECT_EQ(statusWindows, 1);
}

TEST_F(FrmHauptTest, F1_ShowsTheHelpStartPage)
{
    start();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &press);
    EXPECT_EQ(platform.helpTopics, QStringList { QString() });
}

TEST_F(FrmHauptTest, Options_ClearsTheLostLinkAndRereadsAutoReconnect)
{
    start();
    link.setLinkLost(true);
    QString statusDuring;
    window->setOptionsDialogFactory([&](QWidget*) {
        statusDuring = window->statusText();
        Settings s;
        s.autoReCon = 0;
        settings.write(s);
        return std::unique_ptr<QDialog>();
    });
    window->btnCmdOptions_Click();
    EXPECT_EQ(statusDuring, QStringLiteral("Schnittstellen werden gesucht..."));
    EXPECT_FALSE(link.linkLost());
    EXPECT_EQ(window->statusText(), QString());
}

} // namespace

TEST_F(FrmHauptTest, ViewLog_AsksForTheFileAndOpensTheViewerWithoutStoppingTheReconnect)
{
    fileSettings.comPort = 4;
    EcuSim unit(QStringLiteral("injection-rx4"));
    transport.addUnit(4, &unit);
    auto* viewLog = static_cast<QPushButton*>(nullptr);
    bool enabledDuringSearch = true;
    whileOpen = [&] {
        enabledDuringSearch = viewLog->isEnabled();
        loseTheLink();
    };
    start();
    viewLog = window->findChild<QPushButton*>(QStringLiteral("cmdViewLog"));
    ASSERT_NE(viewLog, nullptr);
    EXPECT_EQ(viewLog->text(), QStringLiteral("&Logdatei anzeigen..."));
    QStringList opened;
    window->setLogViewerFactory([&](QWidget* parent, const QString& path) -> QWidget* {
        opened << path;
        auto* viewer = new QWidget(parent, Qt::Window);
        viewer->setAttribute(Qt::WA_DeleteOnClose);
        return viewer;
    });
    open();
    EXPECT_FALSE(enabledDuringSearch);
    EXPECT_TRUE(viewLog->isEnabled());
    ASSERT_TRUE(window->autoConActive());

    platform.openAnswers = { std::nullopt, QStringLiteral("/logs/fahrt.vml") };
    viewLog->click();
    EXPECT_TRUE(opened.isEmpty());
    viewLog->click();
    EXPECT_EQ(opened, QStringList { QStringLiteral("/logs/fahrt.vml") });
    ASSERT_EQ(platform.openDialogs.size(), 2u);
    EXPECT_EQ(platform.openDialogs[1].title, QStringLiteral("Logdatei öffnen"));
    EXPECT_EQ(platform.openDialogs[1].filter, QStringLiteral("Velmora-Logfile (*.vml)|*vml"));
    EXPECT_TRUE(window->autoConActive());
    EXPECT_EQ(window->statusText(), kLostRetrying);
    EXPECT_TRUE(platform.boxes.empty());
}
