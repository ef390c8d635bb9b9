#pragma once

#include "core/unithistory.h"
#include "shell/kit/unitdialog.h"

#include <QStringList>
#include <QTimer>

#include <chrono>
#include <optional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

// The unit's basic settings: soft-down with its waiting time, the idle
// control during warm-up with its start temperature and static angle, and the
// maximum coil charge time. Values are edited here and sent only on "S&enden".
class FrmSDS : public UnitDialog {
    Q_OBJECT
public:
    static inline const QString kCaption = QStringLiteral("Grundeinstellung Steuergerät");
    static inline const QString kHelpTopic = QStringLiteral("st_optionen.html");
    static inline const QString kNotSent = QStringLiteral("Konfiguration nicht gesendet!");
    static inline const QString kSoftDownNotice
        = QStringLiteral("Die Anpassung der maximalen Zündspuleneinschaltdauer wird vom verwendeten Steuergerät "
                         "nicht unterstützt.");
    static inline const QString kIdleNotice
        = QStringLiteral("Die Anpassung der Leerlaufregelung wird vom verwendeten Steuergerät nicht unterstützt.");
    static inline const QString kTempInvalid = QStringLiteral(
        "Der im Steuergerät gesetzte Temperaturwert ist ungültig. Der Standardwert wird verwendet.");
    static inline const QString kStandardAngleImpossible
        = QStringLiteral("Der Standardzündwinkel von 21 Grad ist in Ihrer Kombination aus Geberzeitpunkt und "
                         "Vorhaltewinkel nicht umsetzbar. Bitte nutzen Sie die manuelle Einstellung.");
    static inline const QString kEngineTurning
        = QStringLiteral("Motor steht nicht still - Übertragung abgebrochen!");
    static inline const QString kLeaveQuestion
        = QStringLiteral("Die vorgenommenen Einstellungen wurden noch nicht zum Steuergerät übertragen.\n"
                         "Den Dialog trotzdem verlassen?");
    static constexpr std::chrono::milliseconds kWatchdogInterval { 5000 };
    static constexpr std::chrono::milliseconds kStatusClearInterval { 2000 };

    explicit FrmSDS(Session& session, QWidget* parent = nullptr);

    bool loaded() const { return m_loaded; }

protected:
    void load() override;
    // "&Fertig", the close box and Escape: asks before unsent changes are lost.
    void leave() override;

private:
    void buildUi();

    // Loading.
    bool ReadSoftDownState();
    bool readFirmware();
    bool ReadSoftDownTime();
    bool loadIdleControl();
    bool ReadIdleControl();
    bool ReadCoilChargeTime();

    // Changes and their displays.
    void chkSDEin_Click();
    void chkSDAus_Click();
    void chkSTempAus_Click();
    void chkSTempEin_Click();
    void UpDownSDTime_Change();
    void UpDownZkTemp_Change();
    void UpDownStatZw_Change();
    void udCoilLoadTime_Change();
    void changed();
    void setSoftDownTimeEnabled(bool on);
    void setIdleValuesEnabled(bool on);
    void setIdleGroupEnabled(bool on);

    // The stored versions: the controls' raw values as a parameter block.
    struct Values {
        int softDownOff = 0;
        int softDownStep = 0;
        int softDownStandard = 0; // the control holds the unit's standard time
        int idleDynamic = 0;
        int tempStep = 0;
        int staticAngle = 0;
        int coilChargeStep = 0;
    };
    Values shownValues() const;
    static QList<ParameterBlock::Field> fields(Values& v);
    // cmdHistory: a stored version onto the controls, sent as usual.
    void loadFromHistory();

    // Standard buttons.
    void cmdStdSDTime_Click();
    void cmdZkTempDef_Click();
    void cmdStatZwDef_Click();
    std::optional<int> ReadStandardSoftDownTime();
    // Sets the soft-down control to the unit's standard time, from its byte.
    void showStandardSoftDownTime(int standardByte);

    // Sending.
    void cmdExit_Click();
    bool send();
    std::optional<bool> EngineIsTurning();
    bool SwitchSoftDownOn();
    bool SwitchSoftDownOff();
    bool switchSoftDown(bool off);
    // One toggle: the unit's state after it, from its answer, or, when the
    // line disturbed the answer, from the state known before (every toggle
    // flips it). Nothing when neither is known or the link is lost.
    std::optional<bool> toggleSoftDown();
    bool WriteSoftDownTime();
    bool TransferStaticAngle();
    bool WriteIdleControl();
    bool WriteCoilChargeTime();
    void setSendControlsEnabled(bool on);
    // A value the unit did not confirm: the box at once, the name at the end.
    void notConfirmed(const QString& name);
    // Clears the completion text, and only that: a change made since keeps
    // its "not sent" text and with it the question on leaving.
    void Timer1_Timer();

    float m_major = 0;
    float m_minor = 0;
    UnitIdentity m_unit; // the window's own firmware over the session's identity
    bool m_softDownTime = false;
    QStringList m_unconfirmed; // of the running send
    // Whether the soft-down control holds the unit's standard time as read and
    // untouched since, so a send keeps the unit following its standard.
    bool m_softDownStandardHeld = false;
    // Whether the unit's soft-down is switched off, as far as its trusted answers tell.
    std::optional<bool> m_unitSoftDownOff;
    bool m_idleControl = false;
    bool m_loaded = false;
    QTimer m_timer1;

    QRadioButton* chkSDEin = nullptr;
    QRadioButton* chkSDAus = nullptr;
    QSpinBox* UpDownSDTime = nullptr;
    QLineEdit* txtSDTime = nullptr;
    QPushButton* cmdStdSDTime = nullptr;
    QList<QLabel*> sdTimeLabels;
    QGroupBox* frmZKTemp = nullptr;
    QRadioButton* chkSTempAus = nullptr;
    QRadioButton* chkSTempEin = nullptr;
    QSpinBox* UpDownZkTemp = nullptr;
    QLineEdit* txtZKTemp = nullptr;
    QPushButton* cmdZkTempDef = nullptr;
    QSpinBox* UpDownStatZw = nullptr;
    QLineEdit* txtStatZw = nullptr;
    QPushButton* cmdStatZwDef = nullptr;
    QList<QLabel*> idleLabels;
    QList<QLabel*> idleValueLabels;
    QGroupBox* frmCoilLoadTime = nullptr;
    QSpinBox* udCoilLoadTime = nullptr;
    QLineEdit* txtCoilLoadTime = nullptr;
    QPushButton* cmdExit = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* cmdHistory = nullptr;
    QLabel* StatusBar1 = nullptr;
};
