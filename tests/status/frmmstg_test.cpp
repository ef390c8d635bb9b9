#include "core/commands.h"
#include "core/format.h"
#include "core/settings.h"
#include "shell/frmhaupt.h"
#include "shell/link.h"
#include "shell/timing.h"
#include "sim/ecusim.h"
#include "sim/simtransport.h"
#include "status/frmmstg.h"
#include "support/modal.h"
#include "support/simlink.h"
#include "support/testnames.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

QByteArray frames(const std::vector<QByteArray>& received, size_t from = 0, size_t count = SIZE_MAX)
{
    QByteArray out;
    for (size_t i = from; i < received.size() && i - from < count; ++i)
        out += received[i].toHex(' ') + " | ";
    return out;
}

class StatusWindowTest : public ::testing::Test, protected SimLink {
protected:
    StatusWindowTest()
    {
        windows.faultMemory = [this](QWidget*) {
            ++faultMemoryOpened;
            if (whileUnitWindowOpen)
                whileUnitWindowOpen();
            return std::unique_ptr<QDialog>();
        };
        windows.dwgTest = [](QWidget*) { return std::unique_ptr<QDialog>(); };
        windows.softDown = [](QWidget*) { return std::unique_ptr<QDialog>(); };
        windows.racingOptions = [](QWidget*) { return std::unique_ptr<QDialog>(); };
        windows.zwKor = [](QWidget*, int) { return Bytes(); };
    }

    void connectUnit(const QString& profile)
    {
        sim = std::make_unique<EcuSim>(profile);
        transport.addUnit(4, sim.get());
        ASSERT_EQ(link.openPort(4), Transport::OpenResult::Opened);
        session.setCurrentPort(4);
        ASSERT_TRUE(settings.write(fileSettings));
        window = std::make_unique<FrmMStg>(session, windows);
    }

    // Runs the window modally; `step` is called every few milliseconds until
    // the window unloads or the time is up (then the test fails).
    void run(const std::function<void()>& step, int timeoutMs = 5000)
    {
        const auto exit = [&] { window->findChild<QPushButton*>(QStringLiteral("BtncmdExit"))->click(); };
        EXPECT_TRUE(runModal(*window, step, timeoutMs, exit)) << "the status window did not close in time";
    }

    // Lets the window load and poll `ticks` times, then closes it by its button.
    void runTicks(int ticks)
    {
        run([&] {
            if (sim->received().size() >= loadRequests() + size_t(ticks) * tickRequests())
                window->findChild<QPushButton*>(QStringLiteral("BtncmdExit"))->click();
        });
    }
    size_t loadRequests() const { return m_loadRequests; }
    size_t tickRequests() const { return m_tickRequests; }

    QString text(const char* name) const
    {
        if (auto* e = window->findChild<QLineEdit*>(QString::fromLatin1(name)))
            return e->text();
        if (auto* l = window->findChild<QLabel*>(QString::fromLatin1(name)))
            return l->text();
        ADD_FAILURE() << "no control " << name;
        return {};
    }
    bool enabled(const char* name) const
    {
        return window->findChild<QWidget*>(QString::fromLatin1(name))->isEnabled();
    }
    QPushButton* pushButton(const char* name) const
    {
        return window->findChild<QPushButton*>(QString::fromLatin1(name));
    }
    QCheckBox* checkBox(const char* name) const
    {
        return window->findChild<QCheckBox*>(QString::fromLatin1(name));
    }

    TimeScale scale { 0.05 }; // 300 ms ticks run 15 ms, the 5000 ms watchdog 250 ms
    Settings fileSettings;
    std::unique_ptr<EcuSim> sim;
    UnitWindows windows;
    std::unique_ptr<FrmMStg> window;
    int faultMemoryOpened = 0;
    std::function<void()> whileUnitWindowOpen;
    size_t m_loadRequests = 7;
    size_t m_tickRequests = 10;
};

TEST_F(StatusWindowTest, InjectionUnit_LoadsIdentityAndPollsEveryLiveValue)
{
    connectUnit(QStringLiteral("injection-rx4"));
    runTicks(2);
    const auto& rx = sim->received();
    // Load: release, type, injector delivery, serial, soft-down state twice, sensor lead angle.
    const std::vector<QByteArray> load
        = { "v00?", "t00?", bytes::frame(96, "00?"), "s00?", "n00?", "n00?", bytes::frame(154, "r0?") };
    ASSERT_GE(rx.size(), load.size() + 10);
    EXPECT_EQ(std::vector<QByteArray>(rx.begin(), rx.begin() + 7), load) << frames(rx, 0, 7).toStdString();
    // One tick: every live request in its order.
    const std::vector<QByteArray> tick = { "r00?", bytes::frame(128, "00?"), "l00?", "z00?", "i00?", "q00?",
        "g00?", "^00?", bytes::frame(144, "00?") };
    EXPECT_EQ(std::vector<QByteArray>(rx.begin() + 7, rx.begin() + 16), tick) << frames(rx, 7, 9).toStdString();
    EXPECT_EQ(text("txtStgSwRelease"), QStringLiteral("04.012"));
    EXPECT_EQ(text("txtStgType"), QString::fromLatin1(sim->profile().unitType));
    EXPECT_EQ(text("txtStgSerial"), QString::fromLatin1(sim->profile().serial));
    EXPECT_EQ(text("stbMsgPort"), QStringLiteral("COM 4"));
    EXPECT_NE(text("txtRPM"), QStringLiteral("N/A"));
    EXPECT_NE(text("txtLambda"), QStringLiteral("N/A"));
    EXPECT_TRUE(platform.boxes.empty());
    EXPECT_FALSE(link.portOpen()); // closing the window closes the port
    EXPECT_FALSE(link.linkLost());
}

struct GateCase {
    const char* profile;
    int dwgGrdPos;
    int sensorAngle;
    bool faultMemory;
    bool softDown;
    bool dwgTest;
    bool racing;
    const char* txtSDaktiv;
    std::vector<const char*> hints;
};

class StatusWindowGates : public StatusWindowTest, public ::testing::WithParamInterface<GateCase> { };

TEST_P(StatusWindowGates, LoadEnablesByFirmwareAndHardware)
{
    const GateCase& c = GetParam();
    fileSettings.warnings = 0;
    fileSettings.dwgGrdPos = c.dwgGrdPos;
    connectUnit(QString::fromLatin1(c.profile));
    run([&] {
        if (window->polling())
            pushButton("BtncmdExit")->click();
    });
    EXPECT_EQ(session.sensorAngle(), c.sensorAngle);
    EXPECT_EQ(enabled("cmdFSpeicher"), c.faultMemory);
    EXPECT_EQ(enabled("cmdSoftDown"), c.softDown);
    EXPECT_EQ(enabled("cmdDwgTest"), c.dwgTest);
    EXPECT_EQ(enabled("cmdROpt"), c.racing);
    EXPECT_EQ(text("txtSDaktiv"), QString::fromUtf8(c.txtSDaktiv));
    QStringList expected;
    for (const char* h : c.hints)
        expected << QString::fromUtf8(h);
    EXPECT_EQ(platform.boxTexts(), expected);
    for (const auto& b : platform.boxes)
        EXPECT_EQ(b.title, QStringLiteral("Hinweis"));
}

const char* kMaf = "MAF- und AT-Sensor werden vom verwendeten Steuegerät nicht unterstützt";
const char* kHeadTemp = "Zylinderkopftemperaturmessung wird vom Steuergerät nicht unterstützt";
const char* kInjection = "Einspritzsystem wird vom Steuergerät nicht unterstützt";
const char* kFaultMem = "Die Fehlerspeicherfunktion wird erst ab Version 0.5xx der Zündungssoftware unterstützt";
const char* kSoftDown
    = "Die Deaktivierung der Soft-Down-Steuerung wird erst ab Version 0.6xx der Zündungssoftware unterstützt";

INSTANTIATE_TEST_SUITE_P(Table, StatusWindowGates,
    ::testing::Values(GateCase { "ignition-fw0450", 382, 382, false, false, false, false, "Nicht unterstützt",
                          { kMaf, kHeadTemp, kInjection, kFaultMem, kSoftDown } },
        GateCase { "ignition-fw0550", 382, 382, true, false, false, false, "Nicht unterstützt",
            { kMaf, kHeadTemp, kInjection, kSoftDown } },
        GateCase {
            "ignition-fw2450", 382, 349, true, true, false, false, "Aktiv", { kMaf, kHeadTemp, kInjection } },
        GateCase { "ignition-fw2450-racing", 382, 382, true, true, false, true, "Aktiv",
            { kMaf, kHeadTemp, kInjection } },
        GateCase {
            "ignition-rx3-racing", 382, 382, true, true, false, true, "Aktiv", { kMaf, kHeadTemp, kInjection } },
        GateCase { "ignition-rx4", 380, 380, true, true, true, false, "Aktiv", { kMaf } },
        GateCase {
            "ignition-rx4-racing", 382, 382, true, true, true, true, "Aktiv", { kMaf, kHeadTemp, kInjection } },
        GateCase { "injection-rx4", 382, 382, true, true, true, false, "Aktiv", {} }),
    [](const auto& info) { return testName(info.param.profile); });

TEST_F(StatusWindowTest, WarningsOff_ShowsNoHints)
{
    fileSettings.warnings = 1;
    connectUnit(QStringLiteral("ignition-fw0450"));
    run([&] {
        if (window->polling())
            pushButton("BtncmdExit")->click();
    });
    EXPECT_TRUE(platform.boxes.empty());
    EXPECT_FALSE(enabled("cmdFSpeicher"));
}

TEST_F(StatusWindowTest, VariantWithoutInputs_DisablesThemAndNeverAsksForThem)
{
    connectUnit(QStringLiteral("ignition-rx4-noinputs"));
    run([&] {
        if (sim->received().size() > 20)
            pushButton("BtncmdExit")->click();
    });
    EXPECT_EQ(text("txtDkPos"), QStringLiteral("Nicht unterstützt"));
    EXPECT_EQ(text("txtAnlStat"), QStringLiteral("Nicht unterstützt"));
    EXPECT_FALSE(enabled("txtDkPos"));
    EXPECT_FALSE(checkBox("chkDkpo")->isEnabled());
    EXPECT_FALSE(checkBox("chkAnl")->isEnabled());
    for (const QByteArray& f : sim->received())
        EXPECT_NE(f, QByteArray("l00?"));
}

TEST_F(StatusWindowTest, RacingIgnitionUnit_ReadsTheSwitchConfigurationAndRenamesInputs)
{
    connectUnit(QStringLiteral("ignition-rx4-racing"));
    run([&] {
        if (window->polling())
            pushButton("BtncmdExit")->click();
    });
    const auto& rx = sim->received();
    const std::vector<QByteArray> tail
        = { bytes::frame(92, "r0?"), bytes::frame(126, "r0?"), bytes::frame(135, "r0?"), "j00?" };
    ASSERT_GE(rx.size(), 11u);
    // After the lead angle: input 1 mode, offset angle, (input 2 is not read on
    // the ignition line), enrichment, output modes.
    EXPECT_EQ(std::vector<QByteArray>(rx.begin() + 6, rx.begin() + 10), tail) << frames(rx).toStdString();
    EXPECT_EQ(text("lblDkPos"), QStringLiteral("Schalter 1-2:"));
    EXPECT_EQ(text("lblAnlasser"), QStringLiteral("Schalter 3"));
    EXPECT_EQ(text("lblSE2Mode"), QStringLiteral("Nicht unterstützt"));
}

TEST_F(StatusWindowTest, RequestTimes_SetPollAndWatchdogIntervals)
{
    fileSettings.requestTimeMs = 6000;
    connectUnit(QStringLiteral("injection-rx4"));
    run([&] {
        if (window->polling())
            pushButton("BtncmdExit")->click();
    });
    EXPECT_EQ(window->watchdogInterval(), std::chrono::milliseconds(7500));
    EXPECT_EQ(window->pollInterval(), timing::interval(std::chrono::milliseconds(6000)));
}

TEST_F(StatusWindowTest, RequestTimeZero_PollsAtTheShortestIntervalInstead)
{
    fileSettings.requestTimeMs = 0;
    connectUnit(QStringLiteral("injection-rx4"));
    run([&] {
        if (window->polling())
            pushButton("BtncmdExit")->click();
    });
    EXPECT_EQ(window->pollInterval(), timing::interval(std::chrono::milliseconds(100)));
    EXPECT_EQ(window->watchdogInterval(), std::chrono::milliseconds(5000));
}

TEST_F(StatusWindowTest, EmptyIdentityReply_ClosesAtOnce)
{
    connectUnit(QStringLiteral("injection-rx4"));
    sim->faults().dropAfter = 1; // "v00?" answered, "t00?" not
    run(nullptr);
    EXPECT_EQ(sim->received().size(), 2u);
    EXPECT_TRUE(link.linkLost());
    EXPECT_FALSE(link.portOpen());
}

TEST_F(StatusWindowTest, LinkLostDuringATick_ClosesTheWindowAndSetsTheFlags)
{
    connectUnit(QStringLiteral("injection-rx4"));
    sim->faults().dropAfter = 7 + 12; // the unit falls silent inside the second tick
    run(nullptr);
    EXPECT_TRUE(link.timedOut());
    EXPECT_TRUE(link.linkLost());
    EXPECT_FALSE(link.portOpen());
    EXPECT_TRUE(platform.boxes.empty()); // NoBreakMsg is 1 in the default file
    // After the watchdog no further request of the same tick went out.
    EXPECT_EQ(sim->received().size(), 7u + 12u + 1u);
}

TEST_F(StatusWindowTest, LineGoneBetweenTicks_CountsAsALostLink)
{
    connectUnit(QStringLiteral("injection-rx4"));
    bool dropped = false;
    run([&] {
        if (!dropped && window->polling() && !link.transactionRunning()) {
            dropped = true;
            transport.dropLine(); // adapter unplugged between two ticks
        }
    });
    EXPECT_TRUE(dropped);
    // The next tick meets a silent line: the watchdog runs, so the main window
    // will reconnect.
    EXPECT_TRUE(link.linkLost());
    EXPECT_FALSE(link.portOpen());
}

TEST_F(StatusWindowTest, CloseBoxDuringAWaitingTick_ClosesAtTheEndOfTheTick)
{
    connectUnit(QStringLiteral("injection-rx4"));
    transport.setReplyDelayMs(20);
    QString panelWhileWaiting;
    bool pressed = false;
    size_t requestsAtPress = 0;
    run([&] {
        if (!pressed && window->polling() && link.transactionRunning()) {
            pressed = true;
            requestsAtPress = sim->received().size();
            window->close(); // the close box
            panelWhileWaiting = text("stbMsgText");
            EXPECT_TRUE(window->isVisible());
        }
    });
    EXPECT_TRUE(pressed);
    EXPECT_EQ(panelWhileWaiting, QStringLiteral("Motorsteuergerät wird geschlossen..."));
    // The running tick finished all its requests before the window closed.
    EXPECT_EQ((sim->received().size() - 7) % 9, 0u) << frames(sim->received()).toStdString();
    EXPECT_GE(sim->received().size(), requestsAtPress);
    EXPECT_FALSE(link.linkLost());
    EXPECT_FALSE(link.portOpen());
}

TEST_F(StatusWindowTest, FaultMemoryButton_OpensBetweenTicksWithPollingStopped)
{
    connectUnit(QStringLiteral("injection-rx4"));
    bool pollingWhileOpen = true;
    whileUnitWindowOpen = [&] { pollingWhileOpen = window->polling(); };
    bool pressed = false;
    run([&] {
        if (!pressed && window->polling()) {
            pressed = true;
            pushButton("cmdFSpeicher")->click();
            EXPECT_EQ(text("stbMsgText"), QStringLiteral("Warte auf Ende der Übertragung..."));
            EXPECT_FALSE(enabled("cmdFSpeicher"));
        }
        if (faultMemoryOpened == 1 && window->polling())
            pushButton("BtncmdExit")->click();
    });
    EXPECT_EQ(faultMemoryOpened, 1);
    EXPECT_FALSE(pollingWhileOpen);
    EXPECT_TRUE(enabled("cmdFSpeicher"));
}

TEST_F(StatusWindowTest, CorrectionWindow_GetsTheUnitsByteAndItsCommandIsWrittenWithoutAReply)
{
    int initCode = -1;
    bool pollingWhileOpen = true;
    windows.zwKor = [&](QWidget*, int code) {
        initCode = code;
        pollingWhileOpen = window->polling();
        return bytes::of({ 'c', 0xFB, '0', '?' });
    };
    connectUnit(QStringLiteral("injection-rx4"));
    sim->feed(bytes::of({ 'c', 0x05, '0', '?' })); // the unit holds a correction of 0.5 degrees
    sim->clearReceived();
    bool pressed = false;
    size_t written = 0;
    run([&] {
        if (!pressed && window->polling()) {
            pressed = true;
            pushButton("cmdZwKor")->click();
        }
        if (initCode >= 0 && window->polling() && written == 0) {
            written = sim->received().size();
            pushButton("BtncmdExit")->click();
        }
    });
    EXPECT_EQ(initCode, 0x05);
    EXPECT_FALSE(pollingWhileOpen);
    const auto& rx = sim->received();
    const auto it = std::find(rx.begin(), rx.end(), bytes::of({ 'c', 0xFB, '0', '?' }));
    ASSERT_NE(it, rx.end()) << frames(rx).toStdString();
    EXPECT_EQ(*(it - 1), QByteArray("q00?")); // the read just before the window opened
    EXPECT_TRUE(enabled("cmdZwKor"));
    EXPECT_TRUE(platform.boxes.empty());
}

TEST_F(StatusWindowTest, SoftDownWindow_RefreshesTheStateBeforePollingResumes)
{
    int opened = 0;
    size_t requestsAtOpen = 0;
    windows.softDown = [&](QWidget*) {
        ++opened;
        requestsAtOpen = sim->received().size();
        return std::unique_ptr<QDialog>();
    };
    connectUnit(QStringLiteral("injection-rx4"));
    bool pressed = false;
    run([&] {
        if (!pressed && window->polling()) {
            pressed = true;
            pushButton("cmdSoftDown")->click();
        }
        if (opened == 1 && window->polling())
            pushButton("BtncmdExit")->click();
    });
    ASSERT_EQ(opened, 1);
    const auto& rx = sim->received();
    ASSERT_GE(rx.size(), requestsAtOpen + 2);
    // The state is read twice (each read toggles it), then polling goes on.
    EXPECT_EQ(rx[requestsAtOpen], QByteArray("n00?"));
    EXPECT_EQ(rx[requestsAtOpen + 1], QByteArray("n00?"));
    EXPECT_EQ(text("txtSDaktiv"), QStringLiteral("Aktiv"));
    EXPECT_TRUE(enabled("cmdSoftDown"));
}

TEST_F(StatusWindowTest, LinkLostInsideAUnitWindow_UnloadsAfterItReturns)
{
    connectUnit(QStringLiteral("injection-rx4"));
    whileUnitWindowOpen = [&] {
        link.setTimedOut();
        link.setLinkLost(true);
    };
    bool pressed = false;
    run([&] {
        if (!pressed && window->polling()) {
            pressed = true;
            pushButton("cmdFSpeicher")->click();
        }
    });
    EXPECT_EQ(faultMemoryOpened, 1);
    EXPECT_FALSE(link.portOpen());
}

TEST_F(StatusWindowTest, LeadAngleWrittenByAUnitWindow_IsUsedFromTheNextTick)
{
    // The racing options' coil tab writes a new lead angle to the unit and
    // the session; the live angles must go on showing the true advance.
    windows.racingOptions = [&](QWidget*) {
        sim->memory().parameters[cmd::param::kLeadAngle] = 80;
        session.setLeadAngle(80);
        return std::unique_ptr<QDialog>();
    };
    connectUnit(QStringLiteral("injection-rx4-racing"));
    sim->setEngine(2000);
    QString before;
    size_t requestsAfterWindow = 0;
    run([&] {
        if (before.isEmpty() && window->polling() && text("txtZndWinkel") != live::kNoAngle) {
            before = text("txtZndWinkel");
            pushButton("cmdROpt")->click();
        } else if (!before.isEmpty() && requestsAfterWindow == 0 && pushButton("cmdROpt")->isEnabled()) {
            requestsAfterWindow = sim->received().size();
        } else if (requestsAfterWindow > 0 && sim->received().size() >= requestsAfterWindow + 2 * tickRequests()) {
            pushButton("BtncmdExit")->click();
        }
    });
    ASSERT_FALSE(before.isEmpty());
    EXPECT_EQ(text("txtZndWinkel"), before);
    EXPECT_EQ(window->context().angleOffset, 80);
}

TEST_F(StatusWindowTest, SwitchConfigurationWrittenByTheRacingOptions_IsShownWhenTheyClose)
{
    // The switching tab sets input 1 to table selection; the status window
    // reads the configuration again once the racing window has closed.
    windows.racingOptions = [&](QWidget*) {
        sim->memory().parameters[cmd::param::kInput1Mode] = 0;
        return std::unique_ptr<QDialog>();
    };
    connectUnit(QStringLiteral("injection-rx4-racing"));
    bool clicked = false;
    run([&] {
        if (!clicked && window->polling()) {
            EXPECT_EQ(text("lblSE1Mode"), QStringLiteral("Offsetschalter"));
            clicked = true;
            pushButton("cmdROpt")->click();
        } else if (clicked && pushButton("cmdROpt")->isEnabled()) {
            pushButton("BtncmdExit")->click();
        }
    });
    EXPECT_EQ(text("lblSE1Mode"), QStringLiteral("Tabellenauswahl"));
}

// Surplus right behind every reply, or so late that it lands in front of
// the next one: the window shows the unit's true identity and values, never
// bytes of a shifted reply.
class SurplusBytes : public StatusWindowTest, public ::testing::WithParamInterface<int> { };

TEST_P(SurplusBytes, NeverShowAsValues)
{
    // Wide enough for a loaded machine's timers, and a watchdog that leaves
    // room for a quiet check before each request of a tick.
    link.setQuietTime(std::chrono::milliseconds(25));
    timing::setScale(0.5);
    transport.setChunking(1, 1);
    fileSettings.requestTimeMs = 100;
    sim = nullptr;
    EcuSim clean(QStringLiteral("injection-rx4"));
    clean.setEngine(2000);
    clean.memory().correction = 0xFB;
    const auto speed = live::decodeSpeed(clean.feed(cmd::period().frame));
    ASSERT_TRUE(speed);
    connectUnit(QStringLiteral("injection-rx4"));
    sim->setEngine(2000);
    sim->memory().correction = 0xFB;
    sim->faults().extraBytes = 3;
    sim->faults().extraDelayMs = GetParam();
    QStringList shown;
    run([&] {
        if (!window->polling())
            return;
        if (!shown.contains(text("txtRPM")))
            shown << text("txtRPM");
        if (shown.contains(speed->txtRPM) || sim->received().size() > 200)
            pushButton("BtncmdExit")->click();
    });
    EXPECT_EQ(text("txtStgSwRelease"), QString::fromLatin1(sim->profile().firmware));
    EXPECT_EQ(text("txtStgType"), QString::fromLatin1(sim->profile().unitType));
    EXPECT_EQ(text("txtStgSerial"), QString::fromLatin1(sim->profile().serial));
    EXPECT_EQ(text("txtRPM"), speed->txtRPM);
    // Before the first clean tick the field stays as loaded; it never shows another speed.
    shown.removeAll(speed->txtRPM);
    shown.removeAll(live::kNotAvailable);
    EXPECT_TRUE(shown.isEmpty()) << shown.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(text("txtZndWnkKorr"), *live::decodeCorrection(bytes::of({ 0xFB }), fmt::regionalSeparator()));
}

INSTANTIATE_TEST_SUITE_P(Timing, SurplusBytes, ::testing::Values(0, 4), [](const auto& info) {
    return info.param == 0 ? std::string("RightBehind") : std::string("LateInFrontOfTheNext");
});

TEST_F(StatusWindowTest, UnregisteredUnitWindows_KeepTheirButtonsDisabled)
{
    windows = UnitWindows {};
    connectUnit(QStringLiteral("injection-rx4-racing"));
    run([&] {
        if (window->polling())
            pushButton("BtncmdExit")->click();
    });
    for (const char* name : { "cmdFSpeicher", "cmdDwgTest", "cmdSoftDown", "cmdZwKor", "cmdROpt" })
        EXPECT_FALSE(enabled(name)) << name;
    EXPECT_TRUE(enabled("cmdRecord"));
}

TEST_F(StatusWindowTest, F1_ShowsTheStatusTopic)
{
    connectUnit(QStringLiteral("injection-rx4"));
    bool pressed = false;
    run([&] {
        if (!pressed && window->polling()) {
            pressed = true;
            QKeyEvent press(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
            QApplication::sendEvent(window.get(), &press);
            pushButton("BtncmdExit")->click();
        }
    });
    EXPECT_EQ(platform.helpTopics, QStringList { QStringLiteral("zustandsanzeige.html") });
}

// --- recording ---------------------------------------------------------

class RecordingTest : public StatusWindowTest {
protected:
    QString logPath() const { return dir.filePath(QStringLiteral("fahrt.vml")); }
    QByteArray logBytes() const
    {
        QFile f(logPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

TEST_F(RecordingTest, StartAndStop_WritesHeaderAndRowsAndOpensTheEditor)
{
    connectUnit(QStringLiteral("injection-rx4"));
    platform.saveAnswers.push_back(logPath());
    enum { Idle, Started, Stopping, Done } state = Idle;
    int rowsAtStop = 0;
    run([&] {
        if (state == Idle && window->polling()) {
            checkBox("chkRpm")->setChecked(true);
            checkBox("chkZWink")->setChecked(true);
            pushButton("cmdRecord")->click();
            state = Started;
        } else if (state == Started && window->recordingActive()) {
            EXPECT_FALSE(checkBox("chkRpm")->isEnabled());
            EXPECT_EQ(text("stbMsgText"), QStringLiteral("Datenaufzeichnung läuft..."));
            if (logBytes().count("\r\n") >= 6 + 3) {
                pushButton("cmdRecord")->click();
                state = Stopping;
            }
        } else if (state == Stopping && !window->recordingActive()) {
            rowsAtStop = logBytes().count("\r\n") - 6;
            state = Done;
            pushButton("BtncmdExit")->click();
        }
    });
    ASSERT_EQ(state, Done);
    ASSERT_EQ(platform.saveDialogs.size(), 1u);
    EXPECT_EQ(platform.saveDialogs[0].title, QStringLiteral("Logfile speichern unter"));
    EXPECT_EQ(platform.saveDialogs[0].filter, QStringLiteral("Velmora-Logfile (*.vml)|*vml"));
    EXPECT_EQ(platform.saveDialogs[0].defaultExtension, QStringLiteral("vml"));
    EXPECT_EQ(platform.editorFiles, QStringList { logPath() });
    EXPECT_TRUE(platform.boxes.empty());
    const QList<QByteArray> lines = logBytes().split('\n');
    ASSERT_GE(lines.size(), 9);
    EXPECT_TRUE(lines[0].startsWith("Steuerger"));
    EXPECT_EQ(
        lines[5], QByteArray("Index;Uhrzeit;U/Min;eff. Z-Winkel vor OT Zyl. 1; eff. Z-Winkel vor OT Zyl. 2\r"));
    // The time stamps come from the platform's clock.
    EXPECT_EQ(lines[3], QByteArray("Beginne Datenaufzeichnung am 14.3.2026 um 9.26.53 Uhr;;\r"));
    EXPECT_TRUE(lines[6].startsWith("1;9.26.53;")) << lines[6].toStdString();
    EXPECT_EQ(lines[6].count(';'), 4); // index, time, speed, two angles
    EXPECT_GE(rowsAtStop, 3);
    EXPECT_TRUE(checkBox("chkRpm")->isEnabled());
    EXPECT_EQ(pushButton("cmdRecord")->text(), QStringLiteral("Aufzeichnung starten >>"));
}

TEST_F(RecordingTest, FileNoLongerWritable_TellsOnceWithThePathAndStops)
{
    connectUnit(QStringLiteral("injection-rx4"));
    platform.saveAnswers.push_back(logPath());
    // The user reads the box for longer than the tick's watchdog would wait.
    platform.onBox = [](const ScriptedPlatform::Box&) { QTest::qWait(400); };
    enum { Idle, Started, Broken, Done } state = Idle;
    size_t requestsAtFailure = 0;
    run([&] {
        if (state == Idle && window->polling()) {
            checkBox("chkRpm")->setChecked(true);
            pushButton("cmdRecord")->click();
            state = Started;
        } else if (state == Started && logBytes().count("\r\n") >= 6 + 2) {
            // The medium is gone: the file's place can no longer be written.
            ASSERT_TRUE(QFile::remove(logPath()));
            ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("fahrt.vml")));
            state = Broken;
        } else if (state == Broken && !window->recordingActive() && requestsAtFailure == 0) {
            requestsAtFailure = sim->received().size();
        } else if (requestsAtFailure > 0 && sim->received().size() >= requestsAtFailure + 3 * tickRequests()) {
            state = Done;
            pushButton("BtncmdExit")->click();
        }
    });
    ASSERT_EQ(state, Done);
    ASSERT_EQ(platform.boxes.size(), 1u) << platform.boxTexts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(platform.boxes[0].text,
        QStringLiteral(
            "Die Logdatei \"%1\" kann nicht mehr geschrieben werden. Die Aufzeichnung wurde beendet; die "
            "bis dahin aufgezeichneten Werte bleiben in der Datei erhalten.")
            .arg(logPath()));
    EXPECT_TRUE(platform.editorFiles.isEmpty());
    EXPECT_FALSE(link.linkLost()) << "reading the box is no lost link";
    EXPECT_TRUE(checkBox("chkRpm")->isEnabled());
    EXPECT_EQ(text("stbMsgText"), QString());
}

TEST_F(RecordingTest, TickThatLostTheLink_WritesNoRow)
{
    fileSettings.requestTimeMs = 2000; // ticks far apart, so the test sees between them
    connectUnit(QStringLiteral("injection-rx4"));
    platform.saveAnswers.push_back(logPath());
    constexpr int kTick = 9; // live requests of this unit per tick
    bool started = false;
    bool armed = false;
    run([&] {
        if (!started && window->polling()) {
            checkBox("chkRpm")->setChecked(true);
            pushButton("cmdRecord")->click();
            started = true;
        } else if (started && !armed && window->recordingActive()) {
            // Two whole ticks, then the unit falls silent within the third.
            sim->faults().dropAfter = sim->commandCount() + 2 * kTick + 4;
            armed = true;
        }
    });
    ASSERT_TRUE(armed);
    EXPECT_TRUE(link.linkLost());
    EXPECT_EQ(logBytes().count("\r\n"), 6 + 2) << logBytes().toStdString();
}

TEST_F(RecordingTest, NothingSelected_ShowsTheHintAndCreatesNoFile)
{
    connectUnit(QStringLiteral("injection-rx4"));
    bool pressed = false;
    run([&] {
        if (!pressed && window->polling()) {
            pressed = true;
            pushButton("cmdRecord")->click();
        } else if (pressed && platform.boxes.size() == 1) {
            pushButton("BtncmdExit")->click();
        }
    });
    ASSERT_EQ(platform.boxes.size(), 1u);
    EXPECT_EQ(platform.boxes[0].title, QStringLiteral("Hinweis"));
    EXPECT_EQ(platform.boxes[0].text, QStringLiteral("Kein Wert zur Aufzeichnung ausgewählt"));
    EXPECT_TRUE(platform.saveDialogs.empty());
}

TEST_F(RecordingTest, DialogCancelled_ChangesNothing)
{
    connectUnit(QStringLiteral("injection-rx4"));
    bool pressed = false;
    run([&] {
        if (!pressed && window->polling()) {
            pressed = true;
            checkBox("chkLambda")->setChecked(true);
            pushButton("cmdRecord")->click();
        } else if (pressed && platform.saveDialogs.size() == 1) {
            pushButton("BtncmdExit")->click();
        }
    });
    EXPECT_FALSE(window->recordingActive());
    EXPECT_TRUE(checkBox("chkLambda")->isEnabled());
    EXPECT_FALSE(QFile::exists(logPath()));
}

// Where notepad is the editor the box names the system directory; elsewhere
// it says that no editor started and names the file.
struct EditorMissingCase {
    const char* name;
    const char* systemDir;
    const char* text; // %1: the log file
};

class RecordingEditorMissing : public RecordingTest, public ::testing::WithParamInterface<EditorMissingCase> { };

TEST_P(RecordingEditorMissing, WarnsAndKeepsTheFile)
{
    connectUnit(QStringLiteral("ignition-rx4"));
    platform.editorWorks = false;
    platform.systemDir = QString::fromUtf8(GetParam().systemDir);
    platform.saveAnswers.push_back(logPath());
    int clicks = 0;
    run([&] {
        if (clicks == 0 && window->polling()) {
            checkBox("chkRpm")->setChecked(true);
            pushButton("cmdRecord")->click();
            ++clicks;
        } else if (clicks == 1 && window->recordingActive() && logBytes().count("\r\n") >= 7) {
            pushButton("cmdRecord")->click();
            ++clicks;
        } else if (clicks == 2 && !window->recordingActive()) {
            pushButton("BtncmdExit")->click();
        }
    });
    ASSERT_EQ(platform.boxes.size(), 1u);
    EXPECT_EQ(platform.boxes[0].title, QStringLiteral("Hinweis"));
    EXPECT_EQ(platform.boxes[0].icon, Platform::Icon::Warning);
    EXPECT_EQ(platform.boxes[0].text, QString::fromUtf8(GetParam().text).replace(QStringLiteral("%1"), logPath()));
    EXPECT_TRUE(platform.editorFiles.isEmpty());
    EXPECT_GE(logBytes().count("\r\n"), 7);
    // Stopping enables the mixture boxes only for the injection line.
    EXPECT_FALSE(checkBox("chkLambda")->isEnabled());
    EXPECT_TRUE(checkBox("chkDkpo")->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(Table, RecordingEditorMissing,
    ::testing::Values(
        EditorMissingCase { "NotepadInTheSystemDirectory", "C:\\WINDOWS\\system32",
            "Notepad.exe wurde im Systempfad (C:\\WINDOWS\\system32) nicht gefunden. Die Logdatei "
            "wurde auf dem Datenträger gespeichert, kann jedoch im Augenblick nicht angezeigt werden." },
        EditorMissingCase { "DesktopHandler", "",
            "Es konnte kein Texteditor gestartet werden. Die Logdatei \"%1\" wurde auf dem Datenträger "
            "gespeichert, kann jedoch im Augenblick nicht angezeigt werden." }),
    [](const auto& info) { return testName(info.param.name); });

// --- with the main window: lost link and reconnect --------------------------

TEST(StatusWindowReconnect, LostLinkClosesTheWindowAndTheMainWindowReconnectsSilently)
{
    TimeScale scale(0.05);
    SimLink env;
    auto& [platform, dir, settings, transport, link, session] = env;
    Settings s;
    s.comPort = 4;
    ASSERT_TRUE(settings.write(s));
    EcuSim sim(QStringLiteral("injection-rx4"));
    transport.addUnit(4, &sim);
    UnitWindows windows;
    FrmHaupt main(session);
    int opened = 0;
    main.setStatusWindowFactory([&](QWidget* parent) {
        ++opened;
        auto w = std::make_unique<FrmMStg>(session, windows, parent);
        if (opened == 1) {
            // The unit falls silent after a few ticks and comes back 1 s later.
            sim.faults().dropAfter = int(sim.commandCount()) + 7 + 30;
            QTimer::singleShot(1500, [&] { sim.faults().dropAfter = -1; });
        } else {
            QTimer::singleShot(200, w.get(),
                [p = w.get()] { p->findChild<QPushButton*>(QStringLiteral("BtncmdExit"))->click(); });
        }
        return w;
    });
    main.findChild<QPushButton*>(QStringLiteral("btnCmdOpenMStg"))->click();
    EXPECT_EQ(opened, 1);
    EXPECT_TRUE(link.linkLost());
    EXPECT_TRUE(main.autoConActive());
    EXPECT_TRUE(QTest::qWaitFor([&] { return opened == 2; }, 10000));
    EXPECT_EQ(opened, 2);
    EXPECT_TRUE(platform.boxes.empty());
}

} // namespace
