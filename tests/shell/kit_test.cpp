#include "core/commands.h"
#include "shell/kit/boxes.h"
#include "shell/kit/channel.h"
#include "shell/kit/pacer.h"
#include "shell/kit/transferscope.h"
#include "shell/kit/unitdialog.h"
#include "sim/ecusim.h"
#include "support/simlink.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

class KitTest : public ::testing::Test, protected OpenSimUnit {
protected:
    void SetUp() override { ASSERT_TRUE(link.portOpen()); }

    TimeScale scale { 0.05 }; // a 5000 ms watchdog runs 250 ms
    QWidget window;
    Channel channel { session, LinkPolicy::racingOptions(), 5000ms, &window };
};

// --- channel: what became of a write -----------------------------------------

struct EchoCase {
    const char* name;
    int storedInstead; // -1: the unit stores what it is sent
    bool silent;
    Echo expected;
};

class ChannelEcho : public KitTest, public ::testing::WithParamInterface<EchoCase> { };

TEST_P(ChannelEcho, TellsWhatTheUnitStored)
{
    const EchoCase& c = GetParam();
    if (c.storedInstead >= 0)
        sim.setHandler(152, 4, [v = c.storedInstead](const QByteArray&, qint64) { return bytes::of({ v }); });
    sim.faults().silent = c.silent;
    EXPECT_EQ(channel.writeParam(152, 0), c.expected);
    EXPECT_EQ(channel.lost(), c.expected == Echo::Lost);
    EXPECT_EQ(sim.received().back(), bytes::of({ 152, 'w', 0, '?' }));
    EXPECT_FALSE(channel.watchdog().isActive());
}

INSTANTIATE_TEST_SUITE_P(Writes, ChannelEcho,
    ::testing::Values(EchoCase { "StoredAsSent", -1, false, Echo::Ok },
        EchoCase { "StoredOtherwise", 7, false, Echo::Mismatch }, EchoCase { "NoAnswer", -1, true, Echo::Lost }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(KitTest, Channel_WritesAPairedParameterWithItsTwoByteEcho)
{
    EXPECT_EQ(channel.writePaired(142, { 1, 44 }, bytes::of({ 1, 44 })), Echo::Ok);
    EXPECT_EQ(sim.received().back(), bytes::of({ 142, 1, 44, '?' }));
    EXPECT_EQ(channel.ask(cmd::pairRead(141, { '0', '0' }, 2)), bytes::of({ 1, 44 }));
}

TEST_F(KitTest, Channel_ReadsAParameterAndSendsWithoutReply)
{
    sim.memory().parameters[cmd::param::kLeadAngle] = 73;
    EXPECT_EQ(channel.readParam(cmd::param::kLeadAngle), 73);
    EXPECT_TRUE(channel.send(cmd::setCorrection(0)));
    EXPECT_EQ(sim.received().back(), bytes::of({ 'c', 0, '0', '?' }));
    sim.faults().silent = true;
    EXPECT_EQ(channel.readParam(cmd::param::kLeadAngle), std::nullopt);
    EXPECT_FALSE(channel.send(cmd::setCorrection(0))) << "nothing goes out once the link is lost";
}

// --- pacer -------------------------------------------------------------------

TEST(PacerTiming, WaitsOneIntervalAndEndsEarlyOnALostLink)
{
    TimeScale designIntervals(1.0);
    SimLink env;
    Pacer pacer(env.link);
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(pacer.wait());
    EXPECT_GE(clock.elapsed(), 19);

    pacer.setInterval(Pacer::kSlowInterval);
    EXPECT_EQ(pacer.interval(), 250ms);
    clock.restart();
    QTimer::singleShot(20, [&] { env.link.markLost(); });
    EXPECT_FALSE(pacer.wait());
    EXPECT_LT(clock.elapsed(), 200);
    EXPECT_FALSE(pacer.running());
}

// A unit that ignores frames for a while after each write: the pacing wait
// before every write is what keeps the transfer whole.
struct PacingCase {
    const char* name;
    bool paced;
    Echo lastEcho;
};

class PacedWrites : public KitTest, public ::testing::WithParamInterface<PacingCase> { };

TEST_P(PacedWrites, KeepTheUnitListening)
{
    TimeScale designIntervals(1.0);
    Pacer pacer(link);
    sim.faults().busyAfterWriteMs = 12;
    Echo echo = Echo::Ok;
    for (int value = 1; value <= 4 && echo == Echo::Ok; ++value) {
        if (GetParam().paced) {
            ASSERT_TRUE(pacer.wait());
        }
        echo = channel.writeParam(152, value);
    }
    EXPECT_EQ(echo, GetParam().lastEcho);
    if (GetParam().paced) {
        const auto& log = sim.receivedLog();
        for (size_t i = 1; i < log.size(); ++i)
            EXPECT_GE(log[i].atMs - log[i - 1].atMs, 19) << "frame " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Pacing, PacedWrites,
    ::testing::Values(
        PacingCase { "WithPacing", true, Echo::Ok }, PacingCase { "WithoutPacing", false, Echo::Lost }),
    [](const auto& info) { return std::string(info.param.name); });

// --- transfer scope ----------------------------------------------------------

// A small transfer in the shape of the table writes: pacing, progress, write
// with echo, one outcome.
TransferOutcome writeThree(Channel& channel, Pacer& pacer, TransferScope& scope)
{
    for (int address = 1; address <= 3; ++address) {
        scope.progress(address * 10);
        if (!pacer.wait())
            return TransferOutcome::LinkLost;
        switch (channel.writeParam(152, address)) {
        case Echo::Ok:
            break;
        case Echo::Mismatch:
            return TransferOutcome::EchoMismatch;
        case Echo::Lost:
            return TransferOutcome::LinkLost;
        }
    }
    return TransferOutcome::Done;
}

struct ScopeCase {
    const char* name;
    int storedInstead; // -1 = as sent
    bool silent;
    TransferOutcome expected;
};

class TransferScopeEnd : public KitTest, public ::testing::WithParamInterface<ScopeCase> { };

TEST_P(TransferScopeEnd, ResetsProgressStatusAndLocks)
{
    const ScopeCase& c = GetParam();
    if (c.storedInstead >= 0)
        sim.setHandler(152, 4, [v = c.storedInstead](const QByteArray&, qint64) { return bytes::of({ v }); });
    sim.faults().silent = c.silent;

    QTabWidget tabs(&window);
    QPushButton exit(&window);
    QLabel status(&window);
    QProgressBar bar(&window);
    bar.setRange(1, 111);
    bar.setValue(1);
    const TransferControls controls { &window, { &tabs, &exit }, &status, &bar };
    Pacer pacer(link);

    TransferOutcome outcome;
    {
        TransferScope scope(controls);
        EXPECT_FALSE(tabs.isEnabled());
        EXPECT_FALSE(exit.isEnabled());
        EXPECT_EQ(status.text(), QStringLiteral("Übertrage Daten..."));
        EXPECT_TRUE(TransferScope::running(&window));
        outcome = writeThree(channel, pacer, scope);
        EXPECT_GT(bar.value(), 1);
    }
    EXPECT_EQ(outcome, c.expected);
    EXPECT_EQ(bar.value(), 1);
    EXPECT_EQ(status.text(), QString());
    EXPECT_TRUE(tabs.isEnabled());
    EXPECT_TRUE(exit.isEnabled());
    EXPECT_FALSE(TransferScope::running(&window));
}

INSTANTIATE_TEST_SUITE_P(Ends, TransferScopeEnd,
    ::testing::Values(ScopeCase { "Success", -1, false, TransferOutcome::Done },
        ScopeCase { "EchoMismatch", 99, false, TransferOutcome::EchoMismatch },
        ScopeCase { "LinkLost", -1, true, TransferOutcome::LinkLost }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(KitTest, TransferScope_LeavesWhatWasDisabledBeforeDisabled)
{
    QPushButton exit(&window);
    QPushButton other(&window);
    other.setEnabled(false);
    {
        TransferScope scope(TransferControls { &window, { &exit, &other }, nullptr, nullptr }, QString());
    }
    EXPECT_TRUE(exit.isEnabled());
    EXPECT_FALSE(other.isEnabled());
}

// --- boxes -------------------------------------------------------------------

struct BoxCase {
    const char* name;
    int warnings;
    bool noUpdateMessage;
    QStringList expected;
};

class Boxes : public KitTest, public ::testing::WithParamInterface<BoxCase> { };

TEST_P(Boxes, NoticeAndCompletionFollowTheSettings)
{
    session.setWarnings(GetParam().warnings);
    boxes::notice(session, &window, QStringLiteral("nicht unterstützt"));
    boxes::completion(GetParam().noUpdateMessage, &window);
    EXPECT_EQ(platform.boxTexts(), GetParam().expected);
    for (const auto& box : platform.boxes)
        if (box.text == QStringLiteral("nicht unterstützt")) {
            EXPECT_EQ(box.title, QStringLiteral("Hinweis"));
        }
}

INSTANTIATE_TEST_SUITE_P(Settings, Boxes,
    ::testing::Values(
        BoxCase { "WarningsShownUpdateShown", 0, false,
            { QStringLiteral("nicht unterstützt"), QStringLiteral("Datenübertragung vollständig") } },
        BoxCase { "WarningsHiddenUpdateShown", 1, false, { QStringLiteral("Datenübertragung vollständig") } },
        BoxCase { "WarningsHiddenUpdateHidden", 1, true, {} }),
    [](const auto& info) { return std::string(info.param.name); });

// --- unit dialog -------------------------------------------------------------

class TestUnitWindow : public UnitDialog {
public:
    TestUnitWindow(Session& session, Link& link)
        : UnitDialog(
            session, LinkPolicy::racingOptions(), 5000ms, [] { return QStringLiteral("test.html"); }, nullptr)
        , m_pacer(link)
    {
    }
    bool closedDuringTransfer = true;
    std::optional<int> read;

protected:
    void load() override
    {
        QPushButton exit(this);
        {
            TransferScope scope(TransferControls { this, { &exit }, nullptr, nullptr });
            QTimer::singleShot(0, this, [this] { close(); });
            for (int i = 0; i < 3; ++i)
                m_pacer.wait();
            closedDuringTransfer = !isVisible();
            read = channel().readParam(cmd::param::kLeadAngle);
        }
        if (closeIfLost())
            return;
        unload();
    }

private:
    Pacer m_pacer;
};

TEST_F(KitTest, UnitDialog_CloseBoxWaitsForTheRunningTransfer)
{
    TestUnitWindow w(session, link);
    w.exec();
    EXPECT_FALSE(w.closedDuringTransfer);
    EXPECT_EQ(w.read, sim.memory().parameters[cmd::param::kLeadAngle]);
    EXPECT_FALSE(w.isVisible());
}

class IdleUnitWindow : public UnitDialog {
public:
    IdleUnitWindow(Session& session, std::function<void(IdleUnitWindow&)> opening)
        : UnitDialog(
            session, LinkPolicy::faultMemory(), 5000ms, [] { return QString(); }, nullptr)
        , m_opening(std::move(opening))
    {
    }
    Channel& line() { return channel(); }

protected:
    void load() override
    {
        if (m_opening)
            m_opening(*this);
    }

private:
    std::function<void(IdleUnitWindow&)> m_opening;
};

TEST_F(KitTest, UnitDialog_CloseBoxAndEscapeCloseAnIdleWindow)
{
    for (const bool escape : { false, true }) {
        IdleUnitWindow w(session, {});
        QTimer::singleShot(20, &w, [&] {
            if (escape) {
                QKeyEvent key(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                QApplication::sendEvent(&w, &key);
            } else {
                w.close();
            }
        });
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, &w, [&] {
            ADD_FAILURE() << "the window did not close";
            w.done(0);
        });
        guard.start(2000);
        w.exec();
        EXPECT_FALSE(w.isVisible()) << escape;
    }
}

TEST_F(KitTest, UnitDialog_CloseDuringTheOpening_FollowsIt)
{
    std::optional<int> read;
    IdleUnitWindow w(session, [&](IdleUnitWindow& self) {
        self.close(); // the user closes at once; the opening is not cut off
        Pacer pacer(link);
        pacer.wait();
        read = self.line().readParam(cmd::param::kLeadAngle);
    });
    w.exec();
    EXPECT_TRUE(read.has_value());
    EXPECT_FALSE(w.isVisible());
}

TEST_F(KitTest, UnitDialog_LostLinkDuringTheOpening_ClosesTheWindow)
{
    sim.faults().silent = true;
    TestUnitWindow w(session, link);
    w.exec();
    EXPECT_EQ(w.read, std::nullopt);
    EXPECT_TRUE(link.linkLost());
    EXPECT_FALSE(w.isVisible());
}

} // namespace
