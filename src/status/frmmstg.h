#pragma once

#include "shell/kit/channel.h"
#include "status/livedata.h"
#include "status/recording.h"
#include "status/unitwindows.h"

#include <QDialog>
#include <QTimer>

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class Session;
class SettingsFile;

// The status window: identifies the unit, shows its live values on every
// poll tick, records them, and opens the unit windows between two ticks.
class FrmMStg : public QDialog {
    Q_OBJECT
public:
    static inline const QString kCaption = QStringLiteral("Velmora - Motorsteuergerät");
    static inline const QString kHelpTopic = QStringLiteral("zustandsanzeige.html");
    // The watchdog bounds one poll tick; long request times get a longer one.
    static constexpr std::chrono::milliseconds kWatchdogInterval { 5000 };
    // A hand-edited request time of 0 would make the poll timer fire
    // continuously; the options dialog's shortest interval is used instead.
    static constexpr std::chrono::milliseconds kMinRequestTime { 100 };

    // Where the window stands. The watchdog bounds a whole poll tick only
    // while polling; otherwise each request is bounded by itself, so a box the
    // user reads for a while never counts as a lost link.
    enum class Phase {
        Loading, // reading the unit's identity and set-up
        Polling, // the poll timer runs
        UnitWindow, // polling stopped for a unit window and the reads around it
        Closed, // unloaded
    };

    FrmMStg(Session& session, const UnitWindows& windows, QWidget* parent = nullptr);
    ~FrmMStg() override;

    // Loads (identity, gates) inside the modal loop, so the window is visible
    // while the unit is read; returns when the window unloads.
    int exec() override;

    Phase phase() const { return m_phase; }
    bool polling() const { return m_timer1.isActive(); }
    bool recordingActive() const { return m_log != nullptr; }
    int pollInterval() const { return m_timer1.interval(); }
    std::chrono::milliseconds watchdogInterval() const { return m_channel.watchdog().interval(); }
    const live::Context& context() const { return m_ctx; }

    // One poll tick (the timer's handler; public so tests can run it).
    void Timer1_Timer();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void buildUi();
    void Form_Load();
    void loadSteps();
    void CloseStatusWindow();
    Reply request(const Request& request);
    bool linkLost() const { return m_channel.lost(); }

    // Load steps.
    void loadMessageSwitches();
    void loadNotInjectionLine();
    void loadHeadTemperature();
    void loadInputs();
    void loadRacingVariant();
    void loadFirmwareGates();
    void loadLeadAngle();
    std::optional<int> ReadSoftDownState();
    void showSoftDownState();
    void ReadSwitchConfig();
    int ReadInjectorFlow();

    // Tick steps: the requests go out in a row, and their values are shown
    // only once the line has been quiet after the last of them.
    static constexpr int kDisturbedTicks = 3; // in a row, then the link counts as lost
    std::vector<Request> tickRequests() const;
    bool askTick();
    Bytes answer(const Request& request) const;
    void tickSpeed();
    void tickOutputs();
    void tickInputs();
    void tickAngles();
    void tickCorrection();
    void tickAnalog();
    void tickLambda();
    void tickConsumption();
    void writeRecordingRow();
    void endOfTick();
    void correctionStep();
    // Shows a unit window with polling stopped; `beforeRestart` runs after it
    // when the link still stands. False when the status window unloaded.
    bool openUnitWindow(
        const UnitWindows::Factory& factory, QPushButton* button, const std::function<void()>& beforeRestart = {});
    void restartPolling();

    // Recording.
    void toggleRecording();
    void startRecording();
    void stopRecording();
    void openLogInEditor();
    void recordingFailed();
    rec::Selection selection() const;
    rec::Displays displays() const;

    void requestWindow(bool& flag, QPushButton* button);
    void BtncmdExit_Click();
    void hint(const QString& text);
    void setPanel2(const QString& text);
    void enableButton(QPushButton* button, bool byGate);
    bool registered(QPushButton* button) const;

    Session& m_session;
    Link& m_link;
    SettingsFile& m_settings;
    const UnitWindows& m_windows;
    Channel m_channel;
    QTimer m_timer1;
    live::Context m_ctx;
    Phase m_phase = Phase::Loading;
    double m_period = 0; // of this tick's speed read, for the consumption

    int m_requestTime = 300;
    bool m_closeRequested = false;
    bool m_faultMemRequested = false;
    bool m_dwgTestRequested = false;
    bool m_softDownRequested = false;
    bool m_zwKorRequested = false;
    bool m_rOptRequested = false;
    bool m_recordRequested = false;
    bool m_inTick = false;
    std::vector<std::pair<Request, Bytes>> m_answers; // of the running tick
    int m_disturbedTicks = 0;

    std::unique_ptr<rec::LogWriter> m_log;
    QString m_lastDialogPath;

    // Controls, named as the object names say.
    QLineEdit *txtStgSwRelease = nullptr, *txtStgType = nullptr, *txtStgSerial = nullptr, *txtSDaktiv = nullptr;
    QLineEdit *txtRPM = nullptr, *txtStgLast = nullptr, *txtZndWinkel = nullptr, *txtZndWinkelZ2 = nullptr;
    QLineEdit *txtZndWnkKorr = nullptr, *txtDkPos = nullptr, *txtAnlStat = nullptr, *txtBenzPump = nullptr;
    QLineEdit *txtLMM = nullptr, *txtAirtemp = nullptr, *txtMTemp = nullptr, *txtLambda = nullptr;
    QLineEdit* txtVerbrauch = nullptr;
    QLabel *lblDkPos = nullptr, *lblAnlasser = nullptr, *LabelZ2 = nullptr;
    QLabel *lblSE1Mode = nullptr, *lblSE2Mode = nullptr, *lblSA1Mode = nullptr, *lblSA2Mode = nullptr;
    QLabel *lblSE1Stat = nullptr, *lblSE2Stat = nullptr, *lblSA1Stat = nullptr, *lblSA2Stat = nullptr;
    QPushButton *cmdFSpeicher = nullptr, *cmdDwgTest = nullptr, *cmdSoftDown = nullptr, *cmdZwKor = nullptr;
    QPushButton *cmdROpt = nullptr, *cmdRecord = nullptr, *BtncmdExit = nullptr;
    std::array<QCheckBox*, rec::BoxCount> m_boxes {};
    QProgressBar* pgbRecord = nullptr;
    QLabel *stbMsgPort = nullptr, *stbMsgText = nullptr;
};
