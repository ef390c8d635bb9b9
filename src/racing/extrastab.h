#pragma once

#include "core/unithistory.h"
#include "racing/extrasmodel.h"
#include "racing/racingtab.h"

class BuddyUpDown;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
struct ParameterRead;

// Tab 3 "Zusatzfunktionen": coils, sensor lead angle, fuel pump and air-mass
// settings, read on opening and with "&Lesen", written with "&Schreiben".
// Each opening read returns false when the link was lost.
class ExtrasTab : public RacingTab {
    Q_OBJECT
public:
    static inline const QString kCaption = QStringLiteral("Zusatzfunktionen");
    static inline const QString kHelpTopic = QStringLiteral("r_optionen_zusatz.html");

    ExtrasTab(RacingContext& context, QWidget* parent = nullptr);
    QString caption() const override { return kCaption; }
    QString helpTopic() const override { return kHelpTopic; }

    // Dwell control start.
    bool readDwellStart();
    void disableDwellStart();
    // Fuel pump pre-pressure time.
    bool readPumpTime();
    void disablePump();
    // Coil charge time.
    bool readCoilLoadTime();
    void disableCoilLoadTime();
    // Sampling factor and full-load air mass.
    bool readAirMassSettings();
    void disableAirMassSettings();
    // Coil type, switch-off delay and lead angle; sets the session's lead angle (AngleOffset).
    bool readCoilAndLeadAngle();
    void disableCoilAndLeadAngle();

    // The buttons; the window runs them as actions (one request at a time).
    void readAll();
    void writeAll();
    // cmdHistory: a stored version's values onto the page, to be written as usual.
    void loadFromHistory();

    static inline const QString kPumpTimeInvalid
        = QStringLiteral("Die im Steuergerät gesetzte Vordruckzeit der Kraftstoffpumpe ist ungültig. Der "
                         "Standardwert wird verwendet");
    static inline const QString kFullLoadAirMassInvalid
        = QStringLiteral("Der im Steuergerät gesetzte Luftmassenwert für den Beginn des Vollastbereiches ist "
                         "ungültig. Der Standardwert wird verwendet.");
    static inline const QString kCoilDelayImplausible
        = QStringLiteral("Der im Steuergeraet gesetzte Wert für die Schaltverzögerung der Zündspulen ist nicht "
                         "plausibel. Der Standardwert wird verwendet.");
    // What the end box names when the unit did not confirm the charge time.
    static inline const QString kChargeTimeName = QStringLiteral("Ladezeit der Zündspulen");

    // What the page holds: the unit's raw values (CoilTypeCode, CoilDelayValue
    // and LeadAngleValue among them) and which controls are enabled.
    struct Values {
        int dwellStart = 0;
        bool dwellStartEnabled = true;
        int pumpTime = 0;
        bool pumpEnabled = true;
        int coilLoadTime = extras::kChargeTimeStandard;
        bool coilLoadTimeEnabled = true;
        int airMassSampling = 0;
        int fullLoadAirMass = extras::kFullLoadAirMassStandard;
        bool airMassEnabled = true;
        int coilType = extras::kCoilTypeOther;
        int coilDelay = extras::kCoilDelayStandard;
        bool coilDelayEnabled = true;
        int leadAngle = 0;
        bool coilSettingsEnabled = true; // coil type, delay and lead angle
        bool coilFrameEnabled = false; // the frame "Zündspule(n)"
    };
    const Values& values() const { return m_values; }

signals:
    // The unit took a new lead angle: the ignition table's limits shift by it.
    void leadAngleWritten();

private:
    void buildUi();
    // The controls show the values and their enabling.
    void showValues();
    // cmbCoilType_Click: the chosen type and what it enables.
    void coilTypeChosen(int row);
    void applyCoilType(int code);

    // One checked read into `field`; false when the link was lost. A missing
    // answer on a standing link leaves the value as it was.
    bool read(const ParameterRead& row, int& field);
    bool readChargeTime();
    bool readPump();
    bool readCoilSettings();

    // The values as a stored parameter block names them.
    QList<ParameterBlock::Field> fields();

    Values m_values;

    QGroupBox* frmCoilConfig = nullptr;
    QComboBox* cmbCoilType = nullptr;
    QLabel* lblCoilType = nullptr;
    QLabel* lblCLtText1 = nullptr;
    QLineEdit* txt_CoilLoadTime = nullptr;
    BuddyUpDown* udCoilLoadTime = nullptr;
    QLabel* lblCoilDelay = nullptr;
    QLineEdit* txtCOilDelay = nullptr;
    BuddyUpDown* udCOilDelay = nullptr;
    QLabel* lblTwellOn = nullptr;
    QLineEdit* txt_TwellRotation = nullptr;
    BuddyUpDown* udTwellRotation = nullptr;
    QLabel* lblVHWinkel = nullptr;
    QLineEdit* txtVHWinkel = nullptr;
    BuddyUpDown* udVHWinkel = nullptr;
    QGroupBox* frm_BPump = nullptr;
    QLabel* lbl_BVD1 = nullptr;
    QLineEdit* txtVDruck = nullptr;
    BuddyUpDown* udVDruck = nullptr;
    QLabel* lblPVD2 = nullptr;
    QGroupBox* frmWaitHfmADC = nullptr;
    QLabel* lblWaitHfmADC = nullptr;
    QLineEdit* txtWaitHfmADC = nullptr;
    BuddyUpDown* udWaitHfmADC = nullptr;
    QGroupBox* frmVLLM = nullptr;
    QLabel* lblVLLM1 = nullptr;
    QLineEdit* txtVLLM = nullptr;
    BuddyUpDown* udVLLM = nullptr;
    QLabel* lblVLLM2 = nullptr;
    QPushButton* cmd_ReadZusatz2 = nullptr;
    QPushButton* cmd_WriteZusatz2 = nullptr;
    QPushButton* cmdHistory = nullptr;
};
