#pragma once

#include "core/unithistory.h"
#include "racing/racingtab.h"
#include "racing/switchingmodel.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;

// Tab 1 "Schaltmodul": switched outputs 1 and 2 with the switching speeds of
// output 2, switch input 1 with its ignition retard and, on injection units,
// switch input 2 with its mixture enrichment.
class SwitchingTab : public RacingTab {
    Q_OBJECT
public:
    static inline const QString kCaption = QStringLiteral("Schaltmodul");
    static inline const QString kHelpTopic = QStringLiteral("r_optionen_switching.html");

    explicit SwitchingTab(RacingContext& context, QWidget* parent = nullptr);
    QString caption() const override { return kCaption; }
    QString helpTopic() const override { return kHelpTopic; }

    // ReadSwitching, the window's first read. False when the link was lost.
    bool readSwitching();
    // Variant 2 units before firmware 2: frmOfsSchalter reads "Schalteingang 3".
    void showInput1AsSwitchInput3();
    // Units without the offset switch: its controls are disabled.
    void disableOffsetSwitch();
    // Injection units: the input 2 enrichment; ignition-only units: input 2
    // disabled. False when the link was lost.
    bool readInput2Enrichment();

    // Whether input 2 can select the injection map: the injection tab's map
    // selection (grEvKfSel, optEVK1, optEVK2) is enabled only then.
    bool mapSelectionOffered() const { return m_mapSelectionOffered; }

    static constexpr int kEnrichmentStandard = 1;

    static inline const QString kInput1Caption = QStringLiteral("Schalteingang 1");
    static inline const QString kInput3Caption = QStringLiteral("Schalteingang 3");
    static inline const QString kInput1FunctionInvalid = QStringLiteral(
        "Der im Steuergerät gesetzte Betriebsmodus für den digitalen Schalteingang 1 ist ungültig. "
        "Der Standardwert wird verwendet");
    static inline const QString kEnrichmentInvalid = QStringLiteral(
        "Der im Steuergerät gesetzte Faktor für die zuschaltbare Gemischanreicherung ist ungültig. "
        "Der Standardwert wird verwendet");
    // A stored speed the slider cannot hold; %1 is the slider's number.
    static inline const QString kThresholdOutOfRange = QStringLiteral(
        "Die im Steuergerät gesetzte Schaltdrehzahl %1 liegt außerhalb des einstellbaren Bereichs. Angezeigt "
        "wird der nächstliegende Wert; er wird erst mit „Schreiben“ übertragen.");
    // Writing is refused while an output shows a mode without a code; %1 is
    // the output's number.
    static inline const QString kUnknownModeRefused
        = QStringLiteral("Für die Betriebsart „Unbekannt“ gibt es keinen Code. Bitte wählen Sie eine Betriebsart "
                         "für Schaltausgang %1.");

    // cmdHistory: a stored version's values onto the page, to be written as usual.
    void loadFromHistory();

private:
    // The raw values the page would write; a mode without a code is -1.
    struct Values {
        int output1Mode = -1;
        int output2Mode = -1;
        int threshold1 = 0;
        int threshold2 = 0;
        int input1Retard = 0;
        int input1Function = 0;
        int input2Function = 0;
        int input2Enrichment = 0;
    };
    Values shownValues() const;
    void showValues(const Values& v);
    static QList<ParameterBlock::Field> fields(Values& v);

    void buildUi();
    void fillLists();

    // The read: false when a request got no answer.
    bool readAll();
    bool readBlock();
    bool readInput1Retard();
    bool readInput1Function();
    bool readInput2Function();

    // cmdLesen and cmdSchreiben.
    void readButton();
    void writeSwitching();

    // EnableThresholds, by the output 2 mode shown.
    void enableThresholds();
    void threshold1Moved();
    void threshold2Moved();
    void showOffset();
    void showEnrichment();
    void showInput1Function(bool offsetSwitch);
    void showInput2Function(bool offsetSwitch);

    switching::Generation m_generation;
    std::vector<switching::Mode> m_output1Modes;
    bool m_mapSelectionOffered = false;

    QGroupBox* frmSchaltausgang1 = nullptr;
    QComboBox* cmbS1Akt = nullptr;
    QGroupBox* frmSchaltausgang2 = nullptr;
    QComboBox* cmbS2Akt = nullptr;
    QLabel* lblSchaltdrehzahl1 = nullptr;
    QSlider* SliderN21 = nullptr;
    QLabel* lblNS21 = nullptr;
    QLabel* lblSchaltdrehzahl2 = nullptr;
    QSlider* SliderN22 = nullptr;
    QLabel* lblNS22 = nullptr;
    QGroupBox* frmOfsSchalter = nullptr;
    QLabel* lblSIFkt = nullptr;
    QComboBox* cmbSIFkt = nullptr;
    QLabel* lblZwOfs = nullptr;
    QSlider* sldZwOffset = nullptr;
    QLabel* lblZwOffset = nullptr;
    QGroupBox* frmInjektOfsSchalter = nullptr;
    QLabel* lblInjOfs1 = nullptr;
    QComboBox* cmbS2Fkt = nullptr;
    QLabel* lblInjOfs2 = nullptr;
    QSlider* sldInjektOffset = nullptr;
    QLabel* lblInjektOffset = nullptr;
    QPushButton* cmdLesen = nullptr;
    QPushButton* cmdSchreiben = nullptr;
    QPushButton* cmdHistory = nullptr;
};
