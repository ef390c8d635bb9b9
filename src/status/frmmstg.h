#pragma once

#include "shell/link.h"
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

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class SettingsFile;

// The status window: identifies the unit, shows its live values on every
// poll tick, records them, and opens the unit windows between two ticks.
class FrmMStg : public QDialog {
    Q_OBJECT
public:
    static inline const QString kCaption = QStringLiteral("Velmora - Motorsteuergerät");
    static inline const QString kHelpTopic = QStringLiteral("zustandsanzeige.html");
    // A hand-edited request time of 0 would make the poll timer fire
    // continuously; the options dialog's shortest interval is used instead.
    static constexpr std::chrono::milliseconds kMinRequestTime { 100 };

    FrmMStg(Link& link, SettingsFile& settings, const UnitWindows& windows, QWidget* parent = nullptr);
    ~FrmMStg() override;

    // Loads (identity, gates) inside the modal loop, so the window is visible
    // while the unit is read; returns when the window unloads.
    int exec() override;

    bool polling() const { return m_timer1.isActive(); }
    bool recordingActive() const { return m_recordingActive; }
    int pollInterval() const { return m_timer1.interval(); }
    std::chrono::milliseconds watchdogInterval() const { return m_watchdog.interval(); }
    const live::Context& context() const { return m_ctx; }

    // One poll tick (the timer's handler; public so tests can run it).
    void Timer1_Timer();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override;

private:
    void buildUi();
    void Form_Load();
    void loadSteps();
    void CloseStatusWindow();
    Bytes RequestReply(const Bytes& command, int length);
    bool linkLost() const { return m_link.TimeoutFlag == -1; }

    // Load steps.
    void loadNotInjectionLine();
    void loadHeadTemperature();
    void loadFirmwareGates();
    int ReadSoftDownState();
    void ReadSwitchConfig();
    int ReadInjectorFlow();

    // Tick steps.
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
    // Shows a unit window with polling stopped; `beforeRestart` runs after it
    // when the link still stands. False when the status window unloaded.
    bool openUnitWindow(
        const UnitWindows::Factory& factory, QPushButton* button, const std::function<void()>& beforeRestart = {});

    // Recording.
    void StartRecording();
    rec::Selection selection() const;
    rec::Displays displays() const;

    void requestWindow(bool& flag, QPushButton* button);
    void BtncmdExit_Click();
    void hint(const QString& text);
    void setPanel2(const QString& text);
    void enableButton(QPushButton* button, bool byGate);
    bool registered(QPushButton* button) const;

    Link& m_link;
    SettingsFile& m_settings;
    const UnitWindows& m_windows;
    QTimer m_timer1;
    Watchdog m_watchdog;
    live::Context m_ctx;
    double m_period = 0; // of this tick's speed read, for the consumption

    int m_requestTime = 300;
    bool m_closeRequested = false;
    bool m_faultMemRequested = false;
    bool m_dwgTestRequested = false;
    bool m_softDownRequested = false;
    bool m_zwKorRequested = false;
    bool m_rOptRequested = false;
    bool m_recordRequested = false;
    bool m_recordingActive = false;
    bool m_inTick = false;
    bool m_loading = false;
    bool m_unloaded = false;

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
