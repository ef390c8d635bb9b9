#pragma once

#include "diagnostics/actuators.h"
#include "shell/kit/unitdialog.h"

#include <QTimer>

#include <chrono>
#include <deque>
#include <functional>
#include <optional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;

// The actuator test: the user picks actuators, the unit tests them on its own
// between "&Ein" and "&Aus" (or until it ends the test itself), and the window
// follows the unit's state every 600 ms while a test runs. Every way out stops
// the test first.
class AktTest : public UnitDialog {
    Q_OBJECT
public:
    static inline const QString kCaption = QStringLiteral("Aktorentest");
    static inline const QString kHelpTopic = QStringLiteral("aktortest.html");
    // The unit's text for a mask it did not store, spelled as the program always has.
    static inline const QString kEchoError = QStringLiteral("Übertraungsfehler");
    static constexpr std::chrono::milliseconds kWatchdogInterval { 1000 };
    static constexpr std::chrono::milliseconds kPollInterval { 600 };

    AktTest(Session& session, QWidget* parent = nullptr);

    int mask() const { return m_mask; }
    bool polling() const { return m_timer1.isActive(); }

protected:
    void load() override;
    // "E&xit", the close box and Escape: the window closes once the stop went out.
    void leave() override;

private:
    void buildControls();

    // Handlers.
    void chkClick(QCheckBox* box, int bit, bool checked);
    void cmdStart_Click();
    void cmdStop_Click();
    void Timer1_Timer();

    // Requests; each returns false when the link was lost and the window closed.
    bool QueryTestState(std::optional<actuators::State>& state);
    // Also false when the unit confirmed another choice (after its box).
    bool SendActuatorMask();
    bool StartActuatorTest();
    bool StopActuatorTest();

    void showRunning(bool running);
    void setBoxes(int unitMask);
    bool closeOnLost();

    // Runs a handler as the window's action. A click that comes while a
    // request waits is not dropped but runs when the running handler is done
    // (the user's box must reach the unit), so two requests never overlap and
    // a handler's steps are never cut in two. A click after a close is not sent.
    void act(const std::function<void()>& action);
    void runDeferred();

    QCheckBox* chkIgn = nullptr;
    QCheckBox* chkEv = nullptr;
    QCheckBox* chkIPU = nullptr;
    QGroupBox* Frm_Hinweis_KEDX = nullptr;
    QLabel* lbl_Hinweis_KEDX = nullptr;
    QPushButton* cmdStart = nullptr;
    QPushButton* cmdStop = nullptr;
    QPushButton* cmdExit = nullptr;
    QTimer m_timer1;

    int m_mask = 0;
    std::deque<std::function<void()>> m_deferred;
};
