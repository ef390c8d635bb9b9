#include "basic/correction.h"
#include "basic/zwkor.h"
#include "core/bytes.h"
#include "core/format.h"
#include "status/frmmstg.h"
#include "status/livedata.h"
#include "support/modal.h"
#include "support/simlink.h"
#include "support/testnames.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

Bytes correctionFrame(int code)
{
    return bytes::of({ 'c', code, '0', '?' });
}

// One row per worked example and boundary: the unit's byte, where the slider
// stands for it and what the window shows there.
struct CorrectionCase {
    const char* name;
    int code;
    int position;
    const char* shown;
};

class CorrectionTable : public ::testing::TestWithParam<CorrectionCase> { };

TEST_P(CorrectionTable, CodePositionAndShownAngle_ConvertBothWays)
{
    const auto& c = GetParam();
    EXPECT_EQ(correction::positionFromCode(c.code), c.position);
    EXPECT_EQ(correction::codeFromPosition(c.position), c.code);
    EXPECT_EQ(correction::angleText(c.position), QString::fromUtf8(c.shown));
}

TEST_P(CorrectionTable, Opening_SetsSliderAndAngleAndRepeatsTheUnitsCode)
{
    const auto& c = GetParam();
    ZwKor window(c.code);
    EXPECT_EQ(window.findChild<QSlider*>(QStringLiteral("sldZwKorr"))->value(), c.position);
    EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("lblKorWinkel"))->text(), QString::fromUtf8(c.shown));
    EXPECT_EQ(window.exitCode(), correctionFrame(c.code));
}

TEST_P(CorrectionTable, MovingTheSlider_ShowsTheAngleAndBuildsTheCommand)
{
    const auto& c = GetParam();
    ZwKor window(c.code == 60 ? 61 : 60); // start elsewhere so the move is a change
    window.findChild<QSlider*>(QStringLiteral("sldZwKorr"))->setValue(c.position);
    EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("lblKorWinkel"))->text(), QString::fromUtf8(c.shown));
    EXPECT_EQ(window.exitCode(), correctionFrame(c.code));
}

INSTANTIATE_TEST_SUITE_P(Codes, CorrectionTable,
    ::testing::Values(CorrectionCase { "NoOffset", 0, 129, " 0" },
        CorrectionCase { "Advance5_6", 200, 73, "+ 5.6" }, CorrectionCase { "MostRetard", 127, 256, "-12.7" },
        CorrectionCase { "MostAdvance", 128, 1, "+ 12.8" }, CorrectionCase { "SmallestAdvance", 255, 128, "+ .1" },
        CorrectionCase { "SmallestRetard", 1, 130, "-.1" }),
    [](const auto& info) { return testName(info.param.name, info.param.code); });

class ZwKorTest : public ::testing::Test {
protected:
    QSlider* slider(ZwKor& w) { return w.findChild<QSlider*>(QStringLiteral("sldZwKorr")); }
    QPushButton* button(ZwKor& w, const char* name)
    {
        return w.findChild<QPushButton*>(QString::fromLatin1(name));
    }
};

TEST_F(ZwKorTest, Controls_CarryTheirCaptionsAndTips)
{
    ZwKor w(0);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Zündwinkelkorrektur"));
    EXPECT_EQ(button(w, "btnStd")->text(), QStringLiteral("&Standard"));
    EXPECT_EQ(button(w, "Command2")->text(), QStringLiteral("&Senden"));
    EXPECT_EQ(button(w, "Command1")->text(), QStringLiteral("&Abbruch"));
    EXPECT_EQ(slider(w)->toolTip(), QStringLiteral("Zündwinkeloffset einstellen"));
    EXPECT_EQ(slider(w)->minimum(), 1);
    EXPECT_EQ(slider(w)->maximum(), 256);
}

TEST_F(ZwKorTest, AbbruchAfterAMove_SendsNothing)
{
    ZwKor w(5);
    EXPECT_TRUE(runModal(w, [&] {
        slider(w)->setValue(1);
        button(w, "Command1")->click();
    }));
    EXPECT_TRUE(w.exitCode().isEmpty());
}

TEST_F(ZwKorTest, EscapeAfterAMove_SendsNothing)
{
    ZwKor w(5);
    EXPECT_TRUE(runModal(w, [&] {
        slider(w)->setValue(1);
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&w, &esc);
    }));
    EXPECT_TRUE(w.exitCode().isEmpty());
}

TEST_F(ZwKorTest, SendenAfterAMove_SendsTheNewCode)
{
    ZwKor w(5);
    EXPECT_TRUE(runModal(w, [&] {
        slider(w)->setValue(256);
        button(w, "Command2")->click();
    }));
    EXPECT_EQ(w.exitCode(), correctionFrame(127));
}

TEST_F(ZwKorTest, CloseBoxAfterAMove_SendsLikeSenden)
{
    ZwKor w(5);
    EXPECT_TRUE(runModal(w, [&] {
        slider(w)->setValue(1);
        w.close();
    }));
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.exitCode(), correctionFrame(128));
}

TEST_F(ZwKorTest, Standard_ReturnsToNoOffset)
{
    ZwKor w(200);
    button(w, "btnStd")->click();
    EXPECT_EQ(slider(w)->value(), 129);
    EXPECT_EQ(w.findChild<QLabel*>(QStringLiteral("lblKorWinkel"))->text(), QStringLiteral(" 0"));
    EXPECT_EQ(w.exitCode(), correctionFrame(0));
}

TEST_F(ZwKorTest, UnitsSetting_StaysMarkedWhileTheSliderMoves)
{
    ZwKor w(200);
    auto* marked = w.findChild<MarkedSlider*>(QStringLiteral("sldZwKorr"));
    ASSERT_NE(marked, nullptr);
    marked->setValue(1);
    EXPECT_EQ(marked->markedPosition(), 73);
}

// Return and Enter on the focused control, after a move to +12.8 degrees.
struct KeyCase {
    const char* name;
    const char* target;
    bool closes;
    int exitCode; // -1: nothing to send
};

class ZwKorReturnKey : public ZwKorTest, public ::testing::WithParamInterface<KeyCase> { };

TEST_P(ZwKorReturnKey, PressesTheFocusedButtonOnly)
{
    const auto& c = GetParam();
    const std::pair<Qt::Key, Qt::KeyboardModifiers> keys[]
        = { { Qt::Key_Return, Qt::NoModifier }, { Qt::Key_Enter, Qt::KeypadModifier } };
    for (const auto& [key, modifiers] : keys) {
        SCOPED_TRACE(key == Qt::Key_Return ? "Return" : "Enter");
        ZwKor w(5);
        bool closedByKey = false;
        EXPECT_TRUE(runModal(w, [&] {
            slider(w)->setValue(1);
            auto* target = w.findChild<QWidget*>(QString::fromLatin1(c.target));
            target->setFocus();
            QTest::keyClick(target, key, modifiers);
            closedByKey = !w.isVisible();
            if (!closedByKey)
                w.done(QDialog::Accepted); // as the close box: the code stays
        }));
        EXPECT_EQ(closedByKey, c.closes);
        EXPECT_EQ(w.exitCode(), c.exitCode < 0 ? Bytes() : correctionFrame(c.exitCode));
    }
}

INSTANTIATE_TEST_SUITE_P(Table, ZwKorReturnKey,
    ::testing::Values(KeyCase { "Senden_sends_the_move", "Command2", true, 128 },
        KeyCase { "Abbruch_sends_nothing", "Command1", true, -1 },
        KeyCase { "Standard_returns_to_no_offset", "btnStd", false, 0 },
        KeyCase { "slider_presses_no_button", "sldZwKorr", false, 128 }),
    [](const auto& info) { return testName(info.param.name); });

// The whole road: status window reads the unit's byte, the real window is
// moved and sent, the unit gets the command and the next tick shows it.
class CorrectionFlow : public ::testing::Test, protected SimLink {
protected:
    TimeScale scale { 0.05 };
    Settings fileSettings;
    std::unique_ptr<EcuSim> sim;
    UnitWindows windows;
    std::unique_ptr<FrmMStg> window;
};

TEST_F(CorrectionFlow, MovedAndSent_TheNextTickShowsTheNewCorrection)
{
    windows.zwKor = &ZwKor::run;
    sim = std::make_unique<EcuSim>(QStringLiteral("injection-rx4"));
    transport.addUnit(4, sim.get());
    ASSERT_EQ(link.openPort(4), Transport::OpenResult::Opened);
    session.setCurrentPort(4);
    ASSERT_TRUE(settings.write(fileSettings));
    window = std::make_unique<FrmMStg>(session, windows);
    sim->feed(correctionFrame(0x05)); // the unit holds a retard of 0.5 degrees

    auto* shown = [&] { return window->findChild<QLineEdit*>(QStringLiteral("txtZndWnkKorr")); }();
    ASSERT_NE(shown, nullptr);
    const QString expected = *live::decodeCorrection(bytes::of({ 200 }), fmt::regionalSeparator());
    QString openedWith;
    bool pressed = false;
    bool sent = false;
    const auto exit = [&] { window->findChild<QPushButton*>(QStringLiteral("BtncmdExit"))->click(); };
    EXPECT_TRUE(runModal(
        *window,
        [&] {
            if (!pressed && window->polling()) {
                pressed = true;
                window->findChild<QPushButton*>(QStringLiteral("cmdZwKor"))->click();
            }
            if (auto* zw = qobject_cast<ZwKor*>(QApplication::activeModalWidget()); zw && !sent) {
                sent = true;
                openedWith = zw->findChild<QLabel*>(QStringLiteral("lblKorWinkel"))->text();
                zw->findChild<QSlider*>(QStringLiteral("sldZwKorr"))->setValue(73);
                zw->findChild<QPushButton*>(QStringLiteral("Command2"))->click();
            }
            if (sent && window->polling() && shown->text() == expected)
                exit();
        },
        5000, exit))
        << "the status window did not show the new correction";
    EXPECT_EQ(openedWith, QStringLiteral("-.5"));
    const auto& rx = sim->received();
    EXPECT_NE(std::find(rx.begin(), rx.end(), correctionFrame(200)), rx.end());
    EXPECT_EQ(shown->text(), expected);
    EXPECT_TRUE(platform.boxes.empty());
}

} // namespace
