#include "core/commands.h"
#include "diagnostics/actuators.h"
#include "diagnostics/akttest.h"
#include "sim/areas.h"
#include "sim/ecusim.h"
#include "support/modal.h"
#include "support/simlink.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace {

const Bytes kState = bytes::of({ 140, 'q', '0', '?' });
const Bytes kStart = bytes::of({ 140, 'e', '0', '?' });
const Bytes kStop = bytes::of({ 140, 'd', '0', '?' });
Bytes maskFrame(int mask)
{
    return bytes::of({ 140, 'f', mask, '?' });
}

std::string show(const std::vector<Bytes>& frames)
{
    std::string out;
    for (const Bytes& f : frames)
        out += f.toHex(' ').toStdString() + " | ";
    return out;
}

// --- the state query's answer and the boxes a unit offers --------------------

struct StateCase {
    const char* name;
    Bytes reply;
    std::optional<actuators::State> expected;
};

class StateReply : public ::testing::TestWithParam<StateCase> { };

TEST_P(StateReply, DecodesRunningAndMask)
{
    EXPECT_EQ(actuators::decodeState(GetParam().reply), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Replies, StateReply,
    ::testing::Values(StateCase { "Idle", bytes::of({ 0, 5 }), actuators::State { false, 5 } },
        StateCase { "RunningAnyNonZero", bytes::of({ 200, 1 }), actuators::State { true, 1 } },
        StateCase { "MaskHighByte", bytes::of({ 1, 255 }), actuators::State { true, 255 } },
        StateCase { "TooShort", bytes::of({ 1 }), std::nullopt }),
    [](const auto& info) { return std::string(info.param.name); });

// --- the simulated unit's test -----------------------------------------------

TEST(ActuatorSim, StoresTheMaskAndEndsATestAfterItsDuration)
{
    EcuSim sim(QStringLiteral("injection-rx4"));
    sim.memory().actuators.durationMs = 500;
    EXPECT_EQ(sim.feed(maskFrame(5), 0), bytes::of({ 5 }));
    EXPECT_EQ(sim.feed(kState, 10), bytes::of({ 0, 5 }));
    EXPECT_EQ(sim.feed(kStart, 100).size(), 1);
    EXPECT_EQ(sim.feed(kState, 599), bytes::of({ 1, 5 }));
    EXPECT_EQ(sim.feed(kState, 600), bytes::of({ 0, 5 })) << "ended by itself";
    sim.feed(kStart, 700);
    EXPECT_EQ(sim.feed(kStop, 710).size(), 1);
    EXPECT_EQ(sim.feed(kState, 720), bytes::of({ 0, 5 })) << "stopped";
}

// --- the window against the simulated unit -----------------------------------

class ActuatorWindow : public ::testing::Test, protected SimLink {
protected:
    void open(const char* profile = "injection-rx4")
    {
        sim = std::make_unique<EcuSim>(QString::fromLatin1(profile));
        transport.addUnit(3, sim.get());
        ASSERT_EQ(link.openPort(3), Transport::OpenResult::Opened);
        UnitIdentity id;
        id.setFirmware(sim->profile().firmware);
        id.setUnitType(sim->profile().unitType);
        session.setIdentity(id);
        window = std::make_unique<AktTest>(session);
    }

    // Runs the window modally through `steps`: each is called every few
    // milliseconds until it returns true, then the next one; the window must
    // have closed when the steps are done, else the test fails.
    void run(std::vector<std::function<bool()>> steps, int timeoutMs = 5000)
    {
        size_t next = 0;
        const auto step = [&] {
            if (next < steps.size() && steps[next]())
                ++next;
        };
        EXPECT_TRUE(runModal(*window, step, timeoutMs))
            << "stuck at step " << next << ": " << show(sim->received());
    }

    // Steps.
    std::function<bool()> loaded()
    {
        return [this] {
            return !sim->received().empty() && (button("cmdStart")->isEnabled() || button("cmdStop")->isEnabled());
        };
    }
    std::function<bool()> click(const char* name)
    {
        return [this, name] {
            window->findChild<QAbstractButton*>(QString::fromLatin1(name))->click();
            return true;
        };
    }
    std::function<bool()> until(std::function<bool()> condition) { return condition; }
    std::function<bool()> polls(int count)
    {
        return [this, count, seen = std::optional<size_t>()]() mutable {
            if (!seen)
                seen = countOf(kState);
            return countOf(kState) >= *seen + count;
        };
    }

    size_t countOf(const Bytes& frame) const
    {
        return std::count(sim->received().begin(), sim->received().end(), frame);
    }
    QPushButton* button(const char* name) const
    {
        return window->findChild<QPushButton*>(QString::fromLatin1(name));
    }
    QCheckBox* box(const char* name) const { return window->findChild<QCheckBox*>(QString::fromLatin1(name)); }
    bool enabled(const char* name) const
    {
        return window->findChild<QWidget*>(QString::fromLatin1(name))->isEnabled();
    }
    std::vector<Bytes> received() const { return sim->received(); }

    TimeScale scale { 0.2 }; // polls every 120 ms, watchdog 200 ms
    std::unique_ptr<EcuSim> sim;
    std::unique_ptr<AktTest> window;
};

struct OfferCase {
    const char* profile;
    bool injector;
    bool fuelSupply;
};

class ActuatorOffer : public ActuatorWindow, public ::testing::WithParamInterface<OfferCase> { };

TEST_P(ActuatorOffer, OpeningOffersTheBoxesOfTheUnitAndAsksItsState)
{
    open(GetParam().profile);
    run({ loaded(), click("cmdExit") });
    EXPECT_TRUE(enabled("chkIgn"));
    EXPECT_EQ(enabled("chkEv"), GetParam().injector);
    EXPECT_EQ(enabled("Frm_Hinweis_KEDX"), GetParam().injector);
    EXPECT_EQ(enabled("lbl_Hinweis_KEDX"), GetParam().injector);
    EXPECT_EQ(enabled("chkIPU"), GetParam().fuelSupply);
    EXPECT_TRUE(enabled("cmdStart"));
    EXPECT_FALSE(enabled("cmdStop"));
    EXPECT_EQ(received(), (std::vector<Bytes> { kState, kStop })) << show(received());
    EXPECT_TRUE(platform.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(Units, ActuatorOffer,
    ::testing::Values(OfferCase { "injection-rx4", true, true }, OfferCase { "ignition-rx4-racing", false, true },
        OfferCase { "ignition-rx3-racing", false, false }, OfferCase { "ignition-rx4-noinputs", false, false }),
    [](const auto& info) {
        std::string name = info.param.profile;
        std::replace(name.begin(), name.end(), '-', '_');
        return name;
    });

TEST_F(ActuatorWindow, EveryClickSendsTheMask_IgnitionThenFuelSupplyGive1And5)
{
    open();
    run({ loaded(), click("chkIgn"), click("chkIPU"), click("chkIgn"), click("cmdExit") });
    EXPECT_EQ(received(), (std::vector<Bytes> { kState, maskFrame(1), maskFrame(5), maskFrame(4), kStop }))
        << show(received());
    EXPECT_EQ(sim->memory().actuators.mask, 4);
    EXPECT_TRUE(platform.boxes.empty());
}

TEST_F(ActuatorWindow, StartSendsMaskAndStart_PollsUntilTheUnitEndsTheTest)
{
    open();
    sim->memory().actuators.durationMs = 400;
    bool runningSeen = false;
    run({ loaded(), click("chkEv"), click("cmdStart"), until([&] {
             runningSeen = runningSeen || (!enabled("cmdStart") && enabled("cmdStop") && window->polling());
             return runningSeen && enabled("cmdStart");
         }),
        click("cmdExit") });
    EXPECT_TRUE(runningSeen);
    EXPECT_FALSE(window->polling()) << "an ended test is not polled";
    const auto rx = received();
    ASSERT_GE(rx.size(), 6u);
    EXPECT_EQ(std::vector<Bytes>(rx.begin(), rx.begin() + 4),
        (std::vector<Bytes> { kState, maskFrame(2), maskFrame(2), kStart }))
        << show(rx);
    // Between start and exit only state queries: an unchanged mask is not sent again.
    for (size_t i = 4; i + 1 < rx.size(); ++i)
        EXPECT_EQ(rx[i], kState) << i << ": " << show(rx);
    EXPECT_EQ(rx.back(), kStop);
    // The service report learns what ran and that the unit ended it.
    EXPECT_EQ(session.serviceRecord().actuatorRun(),
        (ActuatorRun { platform.clock, { QStringLiteral("Einspritzventil") }, true, true, true, true }));
}

TEST_F(ActuatorWindow, StopSendsTheStopAndEndsThePolling)
{
    open();
    run({ loaded(), click("cmdStart"), polls(2), click("cmdStop"), until([&] { return !window->polling(); }),
        click("cmdExit") });
    EXPECT_FALSE(sim->memory().actuators.running);
    EXPECT_EQ(countOf(kStop), 2u); // "&Aus" and the way out
    EXPECT_TRUE(enabled("cmdStart"));
    EXPECT_FALSE(enabled("cmdStop"));
    EXPECT_EQ(
        session.serviceRecord().actuatorRun(), (ActuatorRun { platform.clock, {}, true, true, true, false }));
}

TEST_F(ActuatorWindow, UnitClearingTheMask_ClearsTheBoxAtTheNextPollAndIsSentBackOnce)
{
    open();
    run({ loaded(), click("chkIgn"), click("cmdStart"), polls(1), until([&] {
             sim->memory().actuators.mask = 0;
             return true;
         }),
        until([&] { return !box("chkIgn")->isChecked(); }), polls(3), click("cmdExit") });
    EXPECT_EQ(window->mask(), 0);
    EXPECT_EQ(countOf(maskFrame(0)), 1u) << show(received());
    EXPECT_EQ(countOf(maskFrame(1)), 2u) << "the click and the start";
}

TEST_F(ActuatorWindow, UnitReportingAMask_ChecksItsBoxes)
{
    open();
    run({ loaded(), click("cmdStart"), until([&] {
             sim->memory().actuators.mask = 0x0D; // bit 3 has no box
             return true;
         }),
        until([&] { return box("chkIPU")->isChecked(); }), polls(2), click("cmdExit") });
    EXPECT_TRUE(box("chkIgn")->isChecked());
    EXPECT_FALSE(box("chkEv")->isChecked());
    EXPECT_EQ(window->mask(), 5);
    EXPECT_EQ(countOf(maskFrame(5)), 1u) << show(received());
}

TEST_F(ActuatorWindow, TestRunningAtOpening_IsFollowed)
{
    open();
    sim->memory().actuators.running = true;
    sim->memory().actuators.endsAtMs = std::numeric_limits<qint64>::max();
    run({ loaded(), polls(2), click("cmdExit") });
    EXPECT_FALSE(enabled("cmdStart"));
    EXPECT_TRUE(enabled("cmdStop"));
    EXPECT_EQ(received().back(), kStop);
}

enum class Way { ExitButton, CloseBox, Escape };

class LeavingWhileRunning : public ActuatorWindow, public ::testing::WithParamInterface<Way> { };

TEST_P(LeavingWhileRunning, StopsTheTestAndCloses)
{
    open();
    run({ loaded(), click("chkIgn"), click("cmdStart"), polls(1), [&] {
             switch (GetParam()) {
             case Way::ExitButton:
                 button("cmdExit")->click();
                 break;
             case Way::CloseBox:
                 window->close();
                 break;
             case Way::Escape: {
                 QKeyEvent key(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                 QApplication::sendEvent(window.get(), &key);
                 break;
             }
             }
             return true;
         } });
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(received().back(), kStop) << show(received());
    EXPECT_EQ(countOf(kStop), 1u);
    EXPECT_FALSE(sim->memory().actuators.running);
    EXPECT_FALSE(window->polling());
}

INSTANTIATE_TEST_SUITE_P(Ways, LeavingWhileRunning, ::testing::Values(Way::ExitButton, Way::CloseBox, Way::Escape),
    [](const auto& info) {
        switch (info.param) {
        case Way::ExitButton:
            return std::string("ExitButton");
        case Way::CloseBox:
            return std::string("CloseBox");
        case Way::Escape:
            return std::string("Escape");
        }
        return std::string();
    });

TEST_F(ActuatorWindow, ClickWhileAPollWaits_IsSentAfterIt)
{
    open();
    sim->faults().lateMs = 40;
    bool clickedDuringPoll = false;
    run({ loaded(), click("cmdStart"), until([&] {
             if (!link.transactionRunning() || !window->polling())
                 return false;
             box("chkIgn")->click();
             clickedDuringPoll = true;
             return true;
         }),
        until([&] { return countOf(maskFrame(1)) == 1; }), click("cmdExit") });
    EXPECT_TRUE(clickedDuringPoll);
    EXPECT_EQ(link.refusals(), 0);
    EXPECT_TRUE(box("chkIgn")->isChecked());
    EXPECT_EQ(window->mask(), 1);
}

TEST_F(ActuatorWindow, CloseWhileAPollWaits_SendsTheEarlierClickThenTheStopAndNotTheLaterClick)
{
    open();
    sim->faults().lateMs = 40;
    bool closedDuringPoll = false;
    run({ loaded(), click("cmdStart"), until([&] {
             if (!link.transactionRunning() || !window->polling())
                 return false;
             box("chkIgn")->click();
             window->close();
             box("chkIPU")->click();
             closedDuringPoll = true;
             return true;
         }) });
    EXPECT_TRUE(closedDuringPoll);
    EXPECT_FALSE(window->isVisible());
    const auto rx = received();
    ASSERT_GE(rx.size(), 3u);
    EXPECT_EQ(std::vector<Bytes>(rx.end() - 3, rx.end()), (std::vector<Bytes> { kState, maskFrame(1), kStop }))
        << show(rx);
    EXPECT_EQ(countOf(maskFrame(5)), 0u) << "a click after the close is not sent";
    EXPECT_EQ(countOf(kStop), 1u);
    EXPECT_EQ(link.refusals(), 0);
}

TEST_F(ActuatorWindow, CloseDuringTheOpening_StopsOnceTheStateIsRead)
{
    open();
    sim->faults().lateMs = 40;
    bool openAfterClose = false;
    run({ until([&] {
        if (!link.transactionRunning())
            return false;
        window->close();
        openAfterClose = window->isVisible();
        return true;
    }) });
    EXPECT_TRUE(openAfterClose) << "the opening is not cut off";
    EXPECT_EQ(received(), (std::vector<Bytes> { kState, kStop })) << show(received());
    EXPECT_FALSE(window->isVisible());
}

TEST_F(ActuatorWindow, EchoMismatch_ShowsTheBoxAndKeepsTheSelection)
{
    open();
    // The unit stores nothing and answers 0.
    sim->setHandler(140, 4, [](const QByteArray& frame, qint64) {
        return frame.at(1) == 'q' ? bytes::of({ 0, 0 }) : bytes::of({ 0 });
    });
    run({ loaded(), click("chkIgn"), click("cmdExit") });
    ASSERT_EQ(platform.boxes.size(), 1u);
    EXPECT_EQ(platform.boxes[0].title, QStringLiteral("Fehler"));
    EXPECT_EQ(platform.boxes[0].text, QStringLiteral("Übertraungsfehler"));
    EXPECT_EQ(platform.boxes[0].icon, Platform::Icon::Critical);
    EXPECT_TRUE(box("chkIgn")->isChecked());
    EXPECT_EQ(window->mask(), 1);
    EXPECT_EQ(received().back(), kStop);
}

TEST_F(ActuatorWindow, StartOnAnUnconfirmedChoice_SendsNoStartAndIsRecordedUnconfirmed)
{
    open();
    sim->setHandler(140, 4, [](const QByteArray& frame, qint64) {
        return frame.at(1) == 'q' ? bytes::of({ 0, 0 }) : bytes::of({ 0 });
    });
    run({ loaded(), click("chkIPU"), click("cmdStart"), click("cmdExit") });
    EXPECT_EQ(countOf(kStart), 0u) << show(received());
    EXPECT_EQ(platform.boxes.size(), 2u);
    EXPECT_EQ(session.serviceRecord().actuatorRun(),
        (ActuatorRun { platform.clock, { QStringLiteral("Kraftstoffversorgung") }, false, false, false, false }));
}

TEST_F(ActuatorWindow, LostLink_ClosesTheWindowWithTheFlagsSet)
{
    Settings s;
    s.noBreakMsg = 0;
    ASSERT_TRUE(settings.write(s));
    open();
    run({ loaded(), click("cmdStart"), polls(1), until([&] {
             sim->faults().silent = true;
             return true;
         }) });
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(link.timedOut());
    EXPECT_TRUE(link.linkLost());
    EXPECT_FALSE(window->polling());
    EXPECT_EQ(platform.boxTexts(), QStringList { QStringLiteral("Verbindung zum Motorsteuergerät verloren!") });
    EXPECT_NE(received().back(), kStop) << "nothing goes out on a lost link";
}

TEST_F(ActuatorWindow, LostLinkAtOpening_ClosesTheWindow)
{
    open();
    sim->faults().silent = true;
    run({});
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(link.timedOut());
    EXPECT_TRUE(link.linkLost());
    EXPECT_EQ(received(), std::vector<Bytes> { kState });
}

} // namespace
