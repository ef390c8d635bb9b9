#include "basic/frmsds.h"
#include "core/unithistory.h"
#include "shell/kit/boxes.h"
#include "sim/ecusim.h"
#include "sim/profile.h"
#include "support/historydialog.h"
#include "support/modal.h"
#include "support/simlink.h"
#include "support/testnames.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

QString u(const char* s)
{
    return QString::fromUtf8(s);
}

QByteArray of(std::initializer_list<int> values)
{
    return bytes::of(values);
}

SimProfile profileWith(char line, int variant, int major, int minor)
{
    SimProfile p = *simprofiles::find(simprofiles::kDefault);
    p.line = line;
    p.variant = variant;
    p.major = major;
    p.minor = minor;
    p.firmware = simprofiles::firmwareText(major, minor);
    p.unitType = simprofiles::unitTypeText(line, 2, 4, variant);
    return p;
}

class SoftDownWindowTest : public ::testing::Test, protected SimLink {
protected:
    void connectUnit(const SimProfile& profile)
    {
        sim = plugInUnit(*this, profile);
        ASSERT_TRUE(link.portOpen());
        session.setSensorAngle(332);
        session.setLeadAngle(0);
    }
    void connectUnit() { connectUnit(*simprofiles::find(simprofiles::kDefault)); }

    // Opens the window; once it has loaded, `act` runs once, then the window
    // is left by "&Fertig" (a question, if any, must be scripted).
    void run(const std::function<void()>& act)
    {
        window = std::make_unique<FrmSDS>(session);
        bool acted = false;
        EXPECT_TRUE(runModal(*window, [&] {
            if (!window->loaded() || window->busy())
                return;
            if (!acted) {
                acted = true;
                sim->clearReceived();
                if (act)
                    act();
                return;
            }
            button("Command1")->click();
        })) << "the window did not close in time";
    }

    template <typename W = QWidget> W* find(const char* name) const
    {
        return window->findChild<W*>(QString::fromLatin1(name));
    }
    QPushButton* button(const char* name) const { return find<QPushButton>(name); }
    QString text(const char* name) const { return find<QLineEdit>(name)->text(); }
    QString status() const { return find<QLabel>("StatusBar1")->text(); }
    QStringList boxTexts() const
    {
        QStringList t;
        for (const auto& b : platform.boxes)
            t << b.text;
        return t;
    }

    std::unique_ptr<EcuSim> sim;
    std::unique_ptr<FrmSDS> window;
};

TEST_F(SoftDownWindowTest, Loading_ReadsInOrderAndShowsTheValues)
{
    connectUnit();
    sim->memory().softDown = 9;
    window = std::make_unique<FrmSDS>(session);
    EXPECT_TRUE(runModal(*window, [&] {
        if (window->loaded())
            window->done(0);
    }));
    const std::vector<QByteArray> expected { "n00?", "n00?", "v00?", "o00?", of({ 'o', 255, '0', '?' }),
        of({ 134, 'r', '0', '?' }), of({ 'h', 0, '0', '?' }), of({ 129, 'r', 0, '?' }) };
    EXPECT_EQ(sim->received(), expected);
    // Two toggles leave the unit as it was.
    EXPECT_EQ(sim->memory().softDown, 9);
    EXPECT_TRUE(find<QRadioButton>("chkSDAus")->isChecked());
    EXPECT_FALSE(find<QSpinBox>("UpDownSDTime")->isEnabled());
    // Stored 255 with the standard byte 5.
    EXPECT_EQ(find<QSpinBox>("UpDownSDTime")->value(), 6);
    EXPECT_EQ(text("txtSDTime"), u("10,08"));
    EXPECT_TRUE(find<QRadioButton>("chkSTempEin")->isChecked());
    EXPECT_EQ(find<QSpinBox>("UpDownZkTemp")->value(), 395);
    EXPECT_EQ(text("txtZKTemp"), u("37,2"));
    EXPECT_EQ(find<QSpinBox>("UpDownStatZw")->value(), 122);
    EXPECT_EQ(text("txtStatZw"), u("21"));
    EXPECT_EQ(find<QSpinBox>("udCoilLoadTime")->value(), 40);
    EXPECT_EQ(text("txtCoilLoadTime"), u("4"));
    EXPECT_EQ(status(), QString());
    EXPECT_TRUE(platform.boxes.empty());
}

// --- values the unit holds --------------------------------------------------------

struct StoredCase {
    const char* name;
    int idleRaw; // stored "h" value with flags
    int coilCount; // -1: as stored
    int tempStep;
    int coilStep;
    const char* box; // nullptr: none
};

class SoftDownStoredValues : public SoftDownWindowTest, public ::testing::WithParamInterface<StoredCase> { };

TEST_P(SoftDownStoredValues, FallBackToTheDefaultWithItsBox)
{
    const auto& c = GetParam();
    connectUnit();
    sim->memory().parameters['h'] = c.idleRaw;
    if (c.coilCount >= 0) {
        const int count = c.coilCount;
        sim->setHandler(129, 4, [count](const QByteArray&, qint64) {
            return bytes::of({ count & 255, (count >> 8) & 255, count >> 16 });
        });
    }
    window = std::make_unique<FrmSDS>(session);
    EXPECT_TRUE(runModal(*window, [&] {
        if (window->loaded())
            window->done(0);
    }));
    EXPECT_EQ(find<QSpinBox>("UpDownZkTemp")->value(), c.tempStep);
    EXPECT_EQ(find<QSpinBox>("udCoilLoadTime")->value(), c.coilStep);
    EXPECT_EQ(boxTexts(), c.box ? QStringList { u(c.box) } : QStringList {});
}

INSTANTIATE_TEST_SUITE_P(Table, SoftDownStoredValues,
    ::testing::Values(StoredCase { "raw_1023_silently_50", 1023, -1, 50, 40, nullptr },
        StoredCase { "raw_40_beyond_the_control", 40, -1, 50, 40,
            "Der im Steuergerät gesetzte Temperaturwert ist ungültig. Der Standardwert wird verwendet." },
        StoredCase { "count_500_rounds_to_0", 385, 500, 395, 40,
            "Die im Steuergerät gesetzte Zündspulenladezeit ist ungültig. Der Standardwert wird verwendet" },
        StoredCase { "count_1500_rounds_to_2", 385, 1500, 395, 2, nullptr }),
    [](const auto& info) { return testName(info.param.name); });

// --- gates ----------------------------------------------------------------------

struct GateCase {
    char line;
    int major;
    int minor;
    bool idle;
};

class SoftDownGates : public SoftDownWindowTest, public ::testing::WithParamInterface<GateCase> { };

TEST_P(SoftDownGates, IdleControlOrItsNotice)
{
    const auto& c = GetParam();
    connectUnit(profileWith(c.line, 0, c.major, c.minor));
    session.setWarnings(0);
    window = std::make_unique<FrmSDS>(session);
    EXPECT_TRUE(runModal(*window, [&] {
        if (window->loaded())
            window->done(0);
    }));
    EXPECT_EQ(find<QRadioButton>("chkSTempEin")->isEnabled(), c.idle);
    EXPECT_EQ(find<QSpinBox>("UpDownStatZw")->isEnabled(), c.idle);
    const bool noticed = boxTexts().contains(FrmSDS::kIdleNotice);
    EXPECT_EQ(noticed, !c.idle);
    if (noticed) {
        EXPECT_EQ(platform.boxes.front().title, u("Hinweis"));
    }
}

INSTANTIATE_TEST_SUITE_P(Table, SoftDownGates,
    ::testing::Values(GateCase { 'Z', 2, 499, false }, GateCase { 'Z', 2, 500, true },
        GateCase { 'E', 2, 499, true }, GateCase { 'E', 1, 600, true }),
    [](const auto& info) {
        return testName(std::string(1, info.param.line), info.param.major, info.param.minor);
    });

// --- changes and the standard buttons ----------------------------------------------

TEST_F(SoftDownWindowTest, StandardStaticAngle_ImpossibleLeavesTheAngle)
{
    connectUnit();
    session.setSensorAngle(200);
    run([&] {
        button("cmdStatZwDef")->click();
        EXPECT_EQ(find<QSpinBox>("UpDownStatZw")->value(), 122);
        EXPECT_EQ(boxTexts(), QStringList { FrmSDS::kStandardAngleImpossible });
        // The box alone changed nothing, so no question on leaving.
        EXPECT_EQ(status(), QString());
    });
}

TEST_F(SoftDownWindowTest, Changes_ShowTheValueAndAskBeforeLeaving)
{
    connectUnit();
    platform.answers = { Platform::Answer::No, Platform::Answer::No, Platform::Answer::Yes };
    run([&] {
        find<QSpinBox>("UpDownZkTemp")->setValue(730);
        EXPECT_EQ(text("txtZKTemp"), u("117,9"));
        button("cmdZkTempDef")->click();
        EXPECT_EQ(text("txtZKTemp"), u("37,2"));
        find<QSpinBox>("udCoilLoadTime")->setValue(255);
        EXPECT_EQ(text("txtCoilLoadTime"), u("25,5"));
        find<QRadioButton>("chkSTempAus")->setChecked(true);
        EXPECT_FALSE(find<QSpinBox>("UpDownZkTemp")->isEnabled());
        EXPECT_EQ(status(), FrmSDS::kNotSent);
        button("Command1")->click();
        EXPECT_TRUE(window->isVisible());
        window->close(); // the close box asks the same
        EXPECT_TRUE(window->isVisible());
    });
    ASSERT_EQ(platform.boxes.size(), 3u);
    EXPECT_EQ(platform.boxes[1].text, FrmSDS::kLeaveQuestion);
    EXPECT_EQ(platform.boxes[0].text, FrmSDS::kLeaveQuestion);
    EXPECT_EQ(platform.boxes[0].buttons, Platform::Buttons::YesNo);
    EXPECT_TRUE(sim->received().empty());
}

TEST_F(SoftDownWindowTest, SoftDownTime_BeyondTheControlAndTheStandardButtonUseTheStandardTime)
{
    connectUnit();
    platform.answers = { Platform::Answer::Yes };
    sim->memory().parameters['o'] = 254; // 255 steps: more than the control holds
    run([&] {
        EXPECT_EQ(find<QSpinBox>("UpDownSDTime")->value(), 6);
        find<QSpinBox>("UpDownSDTime")->setValue(10);
        button("cmdStdSDTime")->click();
        EXPECT_EQ(find<QSpinBox>("UpDownSDTime")->value(), 6);
        EXPECT_EQ(text("txtSDTime"), u("10,08"));
        EXPECT_TRUE(button("cmdStdSDTime")->isEnabled());
    });
    EXPECT_EQ(sim->received(), std::vector<QByteArray> { of({ 'o', 255, '0', '?' }) });
    EXPECT_EQ(platform.boxes.size(), 1u); // the question on leaving
}

// --- stepping ---------------------------------------------------------------------

// Each up-down control against its shown value: up by key or arrow raises it,
// ten steps at once on Page Up; the raw value for the unit moves as it must.
struct StepCase {
    const char* name;
    const char* upDown;
    const char* shownIn;
    int start;
    const char* shownAtStart;
    int afterUp;
    const char* shownAfterUp;
    int afterPageUp;
    const char* shownAfterPageUp;
    int top; // where the shown value is highest
};

class SoftDownStepping : public SoftDownWindowTest, public ::testing::WithParamInterface<StepCase> {
protected:
    // Centre of the control's up or down arrow.
    static QPoint arrow(QSpinBox* box, QStyle::SubControl which)
    {
        QStyleOptionSpinBox opt;
        opt.initFrom(box);
        opt.subControls = QStyle::SC_SpinBoxUp | QStyle::SC_SpinBoxDown | QStyle::SC_SpinBoxFrame;
        opt.buttonSymbols = box->buttonSymbols();
        opt.frame = box->hasFrame();
        return box->style()->subControlRect(QStyle::CC_SpinBox, &opt, which, box).center();
    }
};

TEST_P(SoftDownStepping, UpRaisesTheShownValue_TheControlShowsNoNumber)
{
    const auto& c = GetParam();
    connectUnit();
    platform.answers = { Platform::Answer::Yes };
    run([&] {
        auto* box = find<QSpinBox>(c.upDown);
        ASSERT_TRUE(box->isEnabled());
        const auto expect = [&](int raw, const char* shown, const char* after) {
            EXPECT_EQ(box->value(), raw) << after;
            EXPECT_EQ(text(c.shownIn), u(shown)) << after;
        };
        box->setValue(c.start);
        expect(c.start, c.shownAtStart, "start");
        EXPECT_EQ(box->text(), QString());
        EXPECT_FALSE(box->findChild<QLineEdit*>()->isVisible());

        QTest::keyClick(box, Qt::Key_Up);
        expect(c.afterUp, c.shownAfterUp, "Up");
        QTest::keyClick(box, Qt::Key_Down);
        expect(c.start, c.shownAtStart, "Down");
        QTest::mouseClick(box, Qt::LeftButton, {}, arrow(box, QStyle::SC_SpinBoxUp));
        expect(c.afterUp, c.shownAfterUp, "up arrow");
        QTest::mouseClick(box, Qt::LeftButton, {}, arrow(box, QStyle::SC_SpinBoxDown));
        expect(c.start, c.shownAtStart, "down arrow");
        QTest::keyClick(box, Qt::Key_PageUp);
        expect(c.afterPageUp, c.shownAfterPageUp, "PageUp");
        QTest::keyClick(box, Qt::Key_PageDown);
        expect(c.start, c.shownAtStart, "PageDown");

        box->setValue(c.top);
        QTest::keyClick(box, Qt::Key_Up);
        QTest::mouseClick(box, Qt::LeftButton, {}, arrow(box, QStyle::SC_SpinBoxUp));
        EXPECT_EQ(box->value(), c.top) << "Up at the top";
    });
}

INSTANTIATE_TEST_SUITE_P(Table, SoftDownStepping,
    ::testing::Values(
        StepCase { "soft_down_time", "UpDownSDTime", "txtSDTime", 10, "16,8", 11, "18,48", 20, "33,6", 254 },
        StepCase {
            "idle_start_temperature", "UpDownZkTemp", "txtZKTemp", 395, "37,2", 400, "37,8", 445, "43,5", 730 },
        // A larger step is a smaller angle before top dead centre.
        StepCase { "static_angle", "UpDownStatZw", "txtStatZw", 122, "21", 121, "21,1", 112, "22", 0 },
        StepCase { "coil_charge_time", "udCoilLoadTime", "txtCoilLoadTime", 40, "4", 41, "4,1", 50, "5", 255 }),
    [](const auto& info) { return testName(info.param.name); });

// --- keys on the buttons ------------------------------------------------------------

struct ReturnKey {
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
};

class SoftDownReturnKey : public SoftDownWindowTest, public ::testing::WithParamInterface<ReturnKey> { };

TEST_P(SoftDownReturnKey, PressesTheFocusedButtonAndNothingElse)
{
    const auto& k = GetParam();
    connectUnit();
    QList<QPushButton*> buttons;
    QStringList clicked;
    const auto press = [&](QWidget* target) {
        target->setFocus();
        QTest::keyClick(target, k.key, k.modifiers);
    };
    run([&] {
        buttons = window->findChildren<QPushButton*>();
        for (QPushButton* b : buttons)
            QObject::connect(b, &QPushButton::clicked, window.get(), [&, b] { clicked << b->objectName(); });

        // Away from the buttons Return is no shortcut to any of them.
        press(find<QSpinBox>("UpDownSDTime"));
        press(find<QRadioButton>("chkSDEin"));
        press(find<QLineEdit>("txtZKTemp"));
        EXPECT_EQ(clicked, QStringList {});
        EXPECT_TRUE(sim->received().empty());

        find<QSpinBox>("UpDownStatZw")->setValue(100);
        press(button("cmdStatZwDef"));
        EXPECT_EQ(find<QSpinBox>("UpDownStatZw")->value(), 122);
        press(button("cmdStdSDTime"));
        EXPECT_EQ(sim->received(), std::vector<QByteArray> { of({ 'o', 255, '0', '?' }) });
        press(button("cmdZkTempDef"));
        press(button("cmdExit"));
        EXPECT_EQ(status(), boxes::kTransferComplete);
        press(button("Command1"));
        EXPECT_FALSE(window->isVisible());
        EXPECT_EQ(
            clicked, (QStringList { "cmdStatZwDef", "cmdStdSDTime", "cmdZkTempDef", "cmdExit", "Command1" }));
    });
    EXPECT_EQ(buttons.size(), 6) << "the five above and \"Verlauf...\"";
    EXPECT_TRUE(platform.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(Keys, SoftDownReturnKey,
    ::testing::Values(ReturnKey { "Return", Qt::Key_Return, Qt::NoModifier },
        ReturnKey { "Enter", Qt::Key_Enter, Qt::KeypadModifier }),
    [](const auto& info) { return testName(info.param.name); });

// --- sending -----------------------------------------------------------------------

TEST_F(SoftDownWindowTest, Send_WritesEverySettingInOrder)
{
    connectUnit();
    sim->memory().softDown = 9;
    run([&] {
        find<QRadioButton>("chkSDEin")->setChecked(true);
        find<QSpinBox>("UpDownStatZw")->setValue(100);
        find<QRadioButton>("chkSTempAus")->setChecked(true);
        find<QSpinBox>("udCoilLoadTime")->setValue(55);
        button("cmdExit")->click();
    });
    const std::vector<QByteArray> expected {
        "r00?",
        "n00?", // answers 0: on, no second toggle
        of({ 'o', 255, '0', '?' }),
        of({ 'p', 255, '0', '?' }), // N 6 is the standard time: the unit keeps following it
        of({ 134, 'w', 100, '?' }),
        of({ 'h', 0xC1, 0x81, '?' }),
        of({ 129, 'w', 55, '?' }),
    };
    EXPECT_EQ(sim->received(), expected);
    EXPECT_EQ(sim->memory().softDown, 0);
    EXPECT_TRUE(platform.boxes.empty());
}

// A unit that sends surplus after every reply, right behind it or so late
// that it lands in front of the next: sending without a change stores
// nothing new in the unit.
class SoftDownSurplusLine : public SoftDownWindowTest, public ::testing::WithParamInterface<int> { };

TEST_P(SoftDownSurplusLine, SendWithoutAChange_LeavesTheUnitAsItWas)
{
    connectUnit();
    link.setQuietTime(std::chrono::milliseconds(10)); // wide enough for a loaded machine's timers
    sim->memory().softDown = 9;
    const UnitMemory before = sim->memory();
    sim->faults().extraBytes = 3;
    sim->faults().extraDelayMs = GetParam();
    run([&] { button("cmdExit")->click(); });
    EXPECT_EQ(sim->memory().softDown, before.softDown);
    EXPECT_EQ(sim->memory().parameters, before.parameters);
    EXPECT_EQ(sim->memory().tables, before.tables);
}

INSTANTIATE_TEST_SUITE_P(Timing, SoftDownSurplusLine, ::testing::Values(0, 4), [](const auto& info) {
    return info.param == 0 ? std::string("RightBehind") : std::string("LateInFrontOfTheNext");
});

TEST_F(SoftDownWindowTest, Send_OwnTimeAndSwitchingOff)
{
    connectUnit();
    run([&] {
        find<QRadioButton>("chkSDAus")->setChecked(true);
        find<QRadioButton>("chkSDEin")->setChecked(true);
        find<QSpinBox>("UpDownSDTime")->setValue(10);
        find<QRadioButton>("chkSDAus")->setChecked(true);
        button("cmdExit")->click();
        EXPECT_EQ(status(), boxes::kTransferComplete);
        EXPECT_TRUE(button("Command1")->isEnabled());
    });
    ASSERT_GE(sim->received().size(), 4u);
    EXPECT_EQ(sim->received()[1], QByteArray("n00?"));
    EXPECT_EQ(sim->received()[3], of({ 'p', 9, '0', '?' }));
    EXPECT_EQ(sim->memory().softDown, 9);
    EXPECT_EQ(sim->memory().parameters['o'], 9);
}

// A unit whose standard time is longer than the control holds: the control
// shows its longest step, and a send without a change keeps the unit's time.
struct LongStandardCase {
    const char* name;
    int stored;
    int written; // and stored afterwards
};

class SoftDownLongStandard : public SoftDownWindowTest, public ::testing::WithParamInterface<LongStandardCase> { };

TEST_P(SoftDownLongStandard, SendWithoutAChange_WritesTheUnitsTimeBack)
{
    const auto& c = GetParam();
    connectUnit();
    sim->memory().parameters['o'] = c.stored;
    sim->setHandler('o', 4, [&unit = *sim](const QByteArray& frame, qint64) {
        return bytes::of({ bytes::at(frame, 1) == 255 ? 254 : unit.memory().parameters['o'] });
    });
    run([&] {
        EXPECT_EQ(find<QSpinBox>("UpDownSDTime")->value(), 254);
        button("cmdExit")->click();
    });
    // The two toggles that leave soft-down as it was, then the standard and the write.
    ASSERT_GE(sim->received().size(), 5u);
    EXPECT_EQ(sim->received()[3], of({ 'o', 255, '0', '?' }));
    EXPECT_EQ(sim->received()[4], of({ 'p', c.written, '0', '?' }));
    EXPECT_EQ(sim->memory().parameters['o'], c.written);
    EXPECT_TRUE(platform.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(Table, SoftDownLongStandard,
    ::testing::Values(LongStandardCase { "standard_selected", 255, 255 },
        LongStandardCase { "own_time_equal_to_the_standard", 254, 255 },
        LongStandardCase { "own_longest_step", 253, 253 }),
    [](const auto& info) { return testName(info.param.name); });

TEST_F(SoftDownWindowTest, ChangeRightAfterASend_OutlivesTheClearingAndAsksBeforeLeaving)
{
    TimeScale scale { 0.1 };
    connectUnit();
    platform.answers = { Platform::Answer::Yes };
    run([&] {
        button("cmdExit")->click();
        ASSERT_EQ(status(), boxes::kTransferComplete);
        find<QSpinBox>("UpDownSDTime")->setValue(10);
        QTest::qWait(2 * timing::interval(FrmSDS::kStatusClearInterval));
        EXPECT_EQ(status(), FrmSDS::kNotSent);
    });
    EXPECT_EQ(boxTexts(), QStringList { FrmSDS::kLeaveQuestion });
}

TEST_F(SoftDownWindowTest, Send_RefusedWhileTheEngineTurns)
{
    connectUnit();
    sim->setEngine(1500);
    run([&] { button("cmdExit")->click(); });
    EXPECT_EQ(sim->received(), std::vector<QByteArray> { "r00?" });
    EXPECT_EQ(boxTexts(), QStringList { FrmSDS::kEngineTurning });
}

TEST_F(SoftDownWindowTest, Send_EchoMismatchShownTheRestStillSentAndTheEndNamesIt)
{
    connectUnit();
    // The unit stores one more than was sent.
    sim->setHandler(134, 4, [](const QByteArray& frame, qint64) {
        return bytes::of({ frame.at(1) == 'w' ? bytes::at(frame, 2) + 1 : 122 });
    });
    run([&] { button("cmdExit")->click(); });
    // The unit is on: "n00?" switches it off, a second one on again.
    ASSERT_EQ(sim->received().size(), 8u);
    EXPECT_EQ(sim->received()[5], of({ 134, 'w', 122, '?' }));
    EXPECT_EQ(sim->received()[6].at(0), 'h');
    EXPECT_EQ(sim->received()[7], of({ 129, 'w', 40, '?' }));
    // Never reported as complete: the end names the value the unit did not confirm.
    EXPECT_EQ(boxTexts(),
        (QStringList {
            boxes::kTransferError, boxes::kNotConfirmed.arg(QStringLiteral("Statischer Zündwinkel")) }));
    EXPECT_NE(window->findChild<QLabel*>(QStringLiteral("StatusBar1"))->text(), boxes::kTransferComplete);
}

// --- closing while the unit is asked ----------------------------------------------

// --- stored versions ----------------------------------------------------------------

// The opening keeps one version; loading it back sends nothing and leaves
// the settings to be sent, as after a change by hand.
TEST_F(SoftDownWindowTest, Opening_KeepsOneVersionThatLoadsBackUnsent)
{
    connectUnit();
    sim->memory().softDown = 9;
    platform.answers = { Platform::Answer::Yes };
    bool dialogSeen = false;
    run([&] {
        find<QSpinBox>("UpDownStatZw")->setValue(100);
        find<QRadioButton>("chkSTempAus")->setChecked(true);
        HistoryDialogAnswer answer(0);
        button("cmdHistory")->click();
        dialogSeen = answer.seen;
        EXPECT_EQ(find<QSpinBox>("UpDownStatZw")->value(), 122);
        EXPECT_EQ(text("txtStatZw"), u("21"));
        EXPECT_TRUE(find<QRadioButton>("chkSTempEin")->isChecked());
        EXPECT_TRUE(find<QSpinBox>("UpDownZkTemp")->isEnabled());
        EXPECT_EQ(status(), FrmSDS::kNotSent);
    });
    EXPECT_TRUE(dialogSeen);
    EXPECT_TRUE(sim->received().empty());
    EXPECT_EQ(boxTexts(), QStringList { FrmSDS::kLeaveQuestion });

    const QList<UnitHistory::Version> v = session.history().versions(UnitHistory::Kind::BasicSettings);
    ASSERT_EQ(v.size(), 1);
    EXPECT_EQ(v[0].source, UnitHistory::kFromUnit);
    EXPECT_EQ(session.history().load(v[0]),
        u("Grundeinstellung Steuergerät 1\nsoftDownOff=1\nsoftDownStep=6\nsoftDownStandard=1\nidleDynamic=0\n"
          "tempStep=395\nstaticAngle=122\ncoilChargeStep=40\n")
            .toUtf8());
}

TEST_F(SoftDownWindowTest, OpeningCutByALostLink_KeepsNoVersion)
{
    connectUnit();
    TimeScale scale { 0.02 };
    sim->faults().dropAfter = 4;
    window = std::make_unique<FrmSDS>(session);
    EXPECT_TRUE(runModal(*window, {}));
    EXPECT_TRUE(link.timedOut());
    EXPECT_FALSE(window->loaded());
    EXPECT_TRUE(session.history().versions(UnitHistory::Kind::BasicSettings).isEmpty());
}

TEST_F(SoftDownWindowTest, CloseDuringTheOpening_FollowsItWithoutAQuestion)
{
    connectUnit();
    sim->memory().softDown = 9;
    sim->faults().lateMs = 10;
    window = std::make_unique<FrmSDS>(session);
    bool closedWhileReading = false;
    EXPECT_TRUE(runModal(*window, [&] {
        if (!closedWhileReading && window->busy() && !window->loaded()) {
            closedWhileReading = true;
            window->close();
            EXPECT_TRUE(window->isVisible());
        }
    }));
    EXPECT_TRUE(closedWhileReading);
    EXPECT_TRUE(window->loaded()) << "the opening is not cut off";
    EXPECT_EQ(sim->received().size(), 8u);
    EXPECT_EQ(sim->memory().softDown, 9) << "both toggles went out";
    EXPECT_TRUE(platform.boxes.empty());
    EXPECT_FALSE(window->isVisible());
}

TEST_F(SoftDownWindowTest, EscapeDuringTheSend_LeavesOnceEverySettingIsWritten)
{
    connectUnit();
    sim->memory().softDown = 9;
    sim->faults().lateMs = 10;
    window = std::make_unique<FrmSDS>(session);
    bool sent = false;
    bool escaped = false;
    EXPECT_TRUE(runModal(*window, [&] {
        if (!window->loaded())
            return;
        if (!sent && !window->busy()) {
            sent = true;
            sim->clearReceived();
            find<QRadioButton>("chkSDEin")->setChecked(true);
            // Off the driver's own tick, which does not fire again inside itself.
            QTimer::singleShot(0, window.get(), [&] { button("cmdExit")->click(); });
            return;
        }
        // Inside the send: Escape, the close box and "&Fertig" wait for it.
        if (sent && !escaped && window->busy() && link.transactionRunning()) {
            escaped = true;
            QKeyEvent key(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(window.get(), &key);
            window->close();
            button("Command1")->click();
            EXPECT_TRUE(window->isVisible());
        }
    }));
    EXPECT_TRUE(escaped);
    const std::vector<QByteArray> expected { "r00?", "n00?", of({ 'o', 255, '0', '?' }),
        of({ 'p', 255, '0', '?' }), of({ 134, 'w', 122, '?' }), of({ 'h', 0x81, 0x81, '?' }),
        of({ 129, 'w', 40, '?' }) };
    EXPECT_EQ(sim->received(), expected);
    EXPECT_EQ(link.refusals(), 0);
    EXPECT_EQ(status(), boxes::kTransferComplete);
    EXPECT_TRUE(platform.boxes.empty()) << "a sent window leaves without the question";
    EXPECT_FALSE(window->isVisible());
}

TEST_F(SoftDownWindowTest, Send_LostLinkClosesTheWindow)
{
    connectUnit();
    TimeScale scale { 0.02 };
    run([&] {
        transport.dropLine();
        button("cmdExit")->click();
    });
    EXPECT_TRUE(link.timedOut());
}

} // namespace
