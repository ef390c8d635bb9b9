#pragma once

#include "core/portmap.h"
#include "core/settings.h"

#include <QDialog>
#include <QSpinBox>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class Transport;

// An up-down control without a text of its own; its buddy text field shows
// the value.
class UpDown : public QSpinBox {
    Q_OBJECT
public:
    explicit UpDown(QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
};

// The program options: port, request time, message switches and the crank
// angle sensor set-up. The one writer of the settings file.
class FrmOptionen : public QDialog {
    Q_OBJECT
public:
    static inline const QString kCaption = QStringLiteral("Velmora - Optionen");
    static inline const QString kHelpTopic = QStringLiteral("optionen.html");
    static inline const QString kAuto = QStringLiteral("Auto");
    static inline const QString kGeoZ62 = QStringLiteral("Serienmotor Z62");
    static inline const QString kGeoOther = QStringLiteral("Andere");
    static inline const QString kOtherValueText = QStringLiteral("anderen Wert");
    static constexpr int kZ62Stroke = 730; // 0.1 mm
    static constexpr int kZ62Rod = 1530; // 0.1 mm
    static constexpr double kAdjustRange = 25.5; // degrees of dynamic retard
    static constexpr int kMaxStoredAngle = 999; // 0.1 degree, three digits in the file

    // `probe` is the dialog's own port, used only to find the ports that open.
    FrmOptionen(SettingsFile& settings, Transport& probe, const PortMap& ports, QWidget* parent = nullptr);

    // The values the dialog would save now (the angle as shown).
    Settings values() const;

    void BtnCmdSave_Click();
    void BtnCmdBreak_Click();

private:
    struct Preset {
        QString text;
        int dwgPos;
    };
    static const Preset kPresets[2];

    void buildControls();
    void Form_Load();
    void probePorts();
    void cmboPort_Click();
    void sldReqTime_Change();
    void cmbGeo_Click();
    void cmbGeberKonfig_Click();
    void DwgUpDown_Change();
    void txtHub_Change();
    void txtWinkel_Change();
    void udMaxHub_Change();
    void udPleuel_Change();
    void enableGeometry(bool enabled);
    void enableTravel(bool enabled);
    void commitText(QLineEdit* text, UpDown* upDown);
    void adoptTypedValue(QLineEdit* text, UpDown* upDown);
    void closeProbe();

    SettingsFile& m_settings;
    Transport& m_probe;
    PortMap m_ports;
    Settings m_values;

    QComboBox* m_cmboPort = nullptr;
    QSlider* m_sldReqTime = nullptr;
    QLabel* m_lblSelTime = nullptr;
    QCheckBox* m_chkRelWarungen = nullptr;
    QCheckBox* m_chkConnectWarungen = nullptr;
    QCheckBox* m_chkReAutoConnect = nullptr;
    QCheckBox* m_chkNoMsgAfterDataUpdate = nullptr;
    QComboBox* m_cmbGeberKonfig = nullptr;
    QLabel* m_lblHub = nullptr;
    QLineEdit* m_txtHub = nullptr;
    UpDown* m_DwgUpDown = nullptr;
    QLineEdit* m_txtWinkel = nullptr;
    QComboBox* m_cmbGeo = nullptr;
    QLabel* m_lblMaxHub = nullptr;
    QLineEdit* m_txtMaxHub = nullptr;
    UpDown* m_udMaxHub = nullptr;
    QLabel* m_lblPleuel = nullptr;
    QLineEdit* m_txtPleuel = nullptr;
    UpDown* m_udPleuel = nullptr;
    QLabel* m_lblMinFenster = nullptr;
    QLabel* m_lblMaxFenster = nullptr;
    QPushButton* m_BtnCmdSave = nullptr;
    QPushButton* m_BtnCmdBreak = nullptr;

    bool m_loading = false;
    bool m_travelLoaded = false; // txtHub holds the stored travel
};
