#include "core/commands.h"
#include "core/settings.h"
#include "diagnostics/frmdwgtest.h"
#include "shell/frmhaupt.h"
#include "sim/ecusim.h"
#include "status/frmmstg.h"
#include "support/modal.h"
#include "support/simlink.h"

#include <QCloseEvent>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace sensor {
// Failures name what the window showed.
void PrintTo(const Display& d, std::ostream* os)
{
    *os << d.cylinder1.colour.name().toStdString() << ' ' << d.cylinder1.text.toStdString() << " / "
        << d.cylinder2.colour.name().toStdString() << ' ' << d.cylinder2.text.toStdString();
}
} // namespace sensor

namespace {

const QByteArray kSensorFrame = bytes::of({ 155, '0', '0', '?' });

class DwgTestWindow : public ::testing::Test, protected OpenSimUnit {
protected:
    DwgTestWindow() { window = std::make_unique<FrmDwgTest>(session); }

    // Runs the window modally; `step` is called every few milliseconds until
    // the window unloads or the time is up (then the test fails).
    void run(const std::function<void()>& step, int timeoutMs = 5000)
    {
        EXPECT_TRUE(runModal(*window, step, timeoutMs, {}, 2)) << "the window did not close in time";
    }

    void exitAfterReads(size_t reads)
    {
        run([&] {
            if (sim.received().size() >= reads && !window->busy())
                button()->click();
        });
    }

    // The unit answers the sensor request with these bytes in turn, then
    // repeats the last.
    void answerWith(std::vector<int> states)
    {
        sim.setHandler(155, 4, [states, n = size_t(0)](const QByteArray&, qint64) mutable {
            const int state = states[std::min(n++, states.size() - 1)];
            return bytes::of({ state });
        });
    }

    QString text(const char* name) const { return window->findChild<QLabel*>(QString::fromLatin1(name))->text(); }
    QColor colour(const char* name) const
    {
        return window->findChild<QWidget*>(QString::fromLatin1(name))->property("fillColor").value<QColor>();
    }
    sensor::Display shown() const
    {
        return { { colour("shpZylEins"), text("lblZ1Stat") }, { colour("shpZylZwei"), text("lblZ2Stat") } };
    }
    QPushButton* button() const { return window->findChild<QPushButton*>(QStringLiteral("cmdExit")); }

    TimeScale scale { 0.2 }; // polls every 20 ms, the watchdog runs 200 ms
    std::unique_ptr<FrmDwgTest> window;
};

const sensor::Display kCylinder1 { { QColor(0, 255, 0), "Ein" }, { QColor(0, 0, 0), "Aus" } };
const sensor::Display kCylinder2 { { QColor(0, 0, 0), "Aus" }, { QColor(255, 255, 0), "Ein" } };
const sensor::Display kNeither { { QColor(0, 0, 0), "Aus" }, { QColor(0, 0, 0), "Aus" } };

// --- what each sensor byte shows ---------------------------------------------

struct StateCase {
    const char* name;
    std::vector<int> replies;
    sensor::Display expected;
};

class SensorByte : public DwgTestWindow, public ::testing::WithParamInterface<StateCase> { };

TEST_P(SensorByte, ShowsTheActiveCylinder)
{
    answerWith(GetParam().replies);
    exitAfterReads(GetParam().replies.size() + 2);
    EXPECT_EQ(shown(), GetParam().expected);
    for (const QByteArray& frame : sim.received())
        EXPECT_EQ(frame.toHex(' '), kSensorFrame.toHex(' '));
    EXPECT_TRUE(platform.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(Table, SensorByte,
    ::testing::Values(StateCase { "Byte1_Cylinder1", { 1 }, kCylinder1 },
        StateCase { "Byte0_Cylinder2", { 0 }, kCylinder2 },
        StateCase { "Byte254_OnlyBit0Counts_Cylinder2", { 254 }, kCylinder2 },
        StateCase { "Byte3_OnlyBit0Counts_Cylinder1", { 3 }, kCylinder1 },
        StateCase { "Byte255First_BothStayAus", { 255 }, kNeither },
        StateCase { "Byte255AfterCylinder1_KeepsCylinder1", { 1, 255 }, kCylinder1 },
        StateCase { "Byte255AfterCylinder2_KeepsCylinder2", { 0, 255 }, kCylinder2 },
        StateCase { "Cylinder1ThenCylinder2_FollowsTheUnit", { 1, 0 }, kCylinder2 }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DwgTestWindow, BeforeTheFirstReply_BothCylindersReadAusInBlack)
{
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Test Drehwinkelgeber"));
    EXPECT_EQ(shown(), kNeither);
    EXPECT_EQ(window->findChild<QGroupBox*>(QStringLiteral("frmHinweis"))->title(), QStringLiteral("Hinweis"));
    EXPECT_EQ(text("lblHinweis"),
        QStringLiteral(
            "Die Anzeige dient als Funktionstest und Hilfe bei der statischen Gebereinstellung. Ab etwa "
            "3 Hz (>180 U/min) liefert sie keine Darstellung in Echtzeit."));
    EXPECT_EQ(button()->text(), QStringLiteral("E&xit"));
    EXPECT_TRUE(sim.received().empty());
}

// --- polling against the simulated engine ------------------------------------

TEST_F(DwgTestWindow, RunningEngine_PollsOneReadPerTickAndShowsBothCylindersInTurn)
{
    sim.setEngine(150); // the crank turns once in 400 ms: slow enough to see each half
    bool sawCylinder1 = false;
    bool sawCylinder2 = false;
    run([&] {
        sawCylinder1 = sawCylinder1 || shown() == kCylinder1;
        sawCylinder2 = sawCylinder2 || shown() == kCylinder2;
        if (sawCylinder1 && sawCylinder2 && !window->busy())
            button()->click();
    });
    EXPECT_TRUE(sawCylinder1);
    EXPECT_TRUE(sawCylinder2);
    const auto& log = sim.receivedLog();
    ASSERT_GE(log.size(), 2u);
    for (size_t i = 0; i < log.size(); ++i) {
        EXPECT_EQ(log[i].frame.toHex(' '), kSensorFrame.toHex(' '));
        if (i > 0) {
            EXPECT_GE(log[i].atMs - log[i - 1].atMs, 19) << "read " << i << " came before the poll interval";
        }
    }
    EXPECT_FALSE(link.timedOut());
    EXPECT_FALSE(window->polling());
}

TEST_F(DwgTestWindow, EngineStanding_TheUnitHasNoValidStateAndTheDisplayStays)
{
    sim.setEngine(0);
    exitAfterReads(4);
    EXPECT_EQ(shown(), kNeither);
}

// The window is closed while a read waits for a slow unit: the read ends
// with its reply, nothing counts as a lost link and no read follows.
struct CloseCase {
    const char* name;
    std::function<void(FrmDwgTest&)> close;
};

class CloseWhileReading : public DwgTestWindow, public ::testing::WithParamInterface<CloseCase> { };

TEST_P(CloseWhileReading, WaitsForTheReplyThenCloses)
{
    answerWith({ 1 });
    sim.faults().lateMs = 60; // within the 200 ms watchdog
    size_t readsAtClose = 0;
    run([&] {
        if (readsAtClose == 0 && window->busy()) {
            readsAtClose = sim.received().size();
            GetParam().close(*window);
        }
    });
    EXPECT_EQ(sim.received().size(), readsAtClose);
    EXPECT_FALSE(link.timedOut());
    EXPECT_FALSE(link.linkLost());
    EXPECT_TRUE(platform.boxes.empty());
    EXPECT_FALSE(window->polling());
}

INSTANTIATE_TEST_SUITE_P(Ways, CloseWhileReading,
    ::testing::Values(CloseCase { "ExitButton",
                          [](FrmDwgTest& w) { w.findChild<QPushButton*>(QStringLiteral("cmdExit"))->click(); } },
        CloseCase { "CloseBox", [](FrmDwgTest& w) { w.close(); } },
        CloseCase { "Escape", [](FrmDwgTest& w) { QTest::keyClick(&w, Qt::Key_Escape); } }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DwgTestWindow, CloseBoxWhileTheUnitIsSilent_TheReadStillEndsByItsWatchdog)
{
    answerWith({ 1 });
    bool closed = false;
    QElapsedTimer sinceClose;
    run([&] {
        // Past the link's probation, when a request goes out without waiting
        // for a quiet line first.
        if (!sim.faults().silent && !window->busy() && sim.received().size() > size_t(Link::kProbation) + 2)
            sim.faults().silent = true;
        if (!closed && sim.faults().silent && window->busy()) {
            closed = true;
            window->close();
            sinceClose.start();
        }
        // A read left without its watchdog would wait for ever; end it so the
        // failure shows instead of a hang.
        if (closed && sinceClose.elapsed() > 1000 && window->busy()) {
            ADD_FAILURE() << "the read waits without a watchdog";
            link.markLost();
        }
    });
    EXPECT_TRUE(link.timedOut());
    EXPECT_TRUE(link.linkLost());
}

// --- a lost link -------------------------------------------------------------

struct LostCase {
    const char* name;
    int noBreakMsg;
    size_t boxes;
};

class LostLink : public DwgTestWindow, public ::testing::WithParamInterface<LostCase> { };

TEST_P(LostLink, ClosesTheWindowAndSetsBothFlags)
{
    Settings s;
    s.noBreakMsg = GetParam().noBreakMsg;
    ASSERT_TRUE(settings.write(s));
    sim.setEngine(900);
    sim.faults().dropAfter = 3;
    run([] {});
    EXPECT_TRUE(link.timedOut());
    EXPECT_TRUE(link.linkLost());
    EXPECT_EQ(sim.received().size(), 4u) << "nothing is asked after the unanswered read";
    ASSERT_EQ(platform.boxes.size(), GetParam().boxes);
    if (GetParam().boxes) {
        EXPECT_EQ(platform.boxes.front().text, QStringLiteral("Verbindung zum Motorsteuergerät verloren!"));
    }
    EXPECT_FALSE(window->polling());
}

INSTANTIATE_TEST_SUITE_P(Messages, LostLink,
    ::testing::Values(LostCase { "NoBreakMsg1_Silently", 1, 0 }, LostCase { "NoBreakMsg0_WithTheBox", 0, 1 }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DwgTestWindow, Opening_ResetsAnEarlierTimeout)
{
    link.setTimedOut();
    sim.setEngine(900);
    exitAfterReads(2);
    EXPECT_FALSE(link.timedOut());
    EXPECT_GE(sim.received().size(), 2u);
}

// Opened from the status window: a lost link unwinds the chain to the main
// window, which then reconnects by itself.
TEST(DwgTestChain, LostLinkClosesTheStatusWindowToo)
{
    TimeScale scale(0.05);
    SimLink env;
    Settings s;
    s.comPort = 4;
    ASSERT_TRUE(env.settings.write(s));
    EcuSim sim(QStringLiteral("injection-rx4"));
    env.transport.addUnit(4, &sim);

    int dwgOpened = 0;
    size_t readsAtOpen = 0;
    UnitWindows windows;
    windows.dwgTest = [&](QWidget* parent) {
        ++dwgOpened;
        readsAtOpen = sim.received().size();
        sim.faults().dropAfter = sim.commandCount() + 3;
        return std::make_unique<FrmDwgTest>(env.session, parent);
    };
    FrmHaupt main(env.session);
    int statusOpened = 0;
    main.setStatusWindowFactory([&](QWidget* parent) {
        ++statusOpened;
        auto w = std::make_unique<FrmMStg>(env.session, windows, parent);
        auto* driver = new QTimer(w.get());
        QObject::connect(driver, &QTimer::timeout, w.get(), [p = w.get(), driver] {
            auto* b = p->findChild<QPushButton*>(QStringLiteral("cmdDwgTest"));
            if (p->polling() && b->isEnabled()) {
                driver->stop();
                b->click();
            }
        });
        driver->start(5);
        return w;
    });
    main.findChild<QPushButton*>(QStringLiteral("btnCmdOpenMStg"))->click();

    EXPECT_EQ(statusOpened, 1);
    EXPECT_EQ(dwgOpened, 1);
    const auto& rx = sim.received();
    ASSERT_GT(rx.size(), readsAtOpen);
    for (size_t i = readsAtOpen; i < rx.size(); ++i)
        EXPECT_EQ(rx[i].toHex(' '), kSensorFrame.toHex(' ')) << "request " << i << " after the test window opened";
    EXPECT_TRUE(env.link.timedOut());
    EXPECT_TRUE(env.link.linkLost());
    EXPECT_FALSE(env.link.portOpen());
    EXPECT_TRUE(main.autoConActive());
    EXPECT_TRUE(env.platform.boxes.empty());
}

} // namespace
