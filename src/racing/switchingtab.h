#pragma once

#include "racing/racingtab.h"

// Tab 1 "Schaltmodul": switched outputs and digital inputs. Its page and its
// read and write buttons come later; the opening reads are made already, so
// the unit is read in full and checked as the window opens.
class SwitchingTab : public RacingTab {
    Q_OBJECT
public:
    static inline const QString kCaption = QStringLiteral("Schaltmodul");
    static inline const QString kHelpTopic = QStringLiteral("r_optionen_switching.html");

    using RacingTab::RacingTab;
    QString caption() const override { return kCaption; }
    QString helpTopic() const override { return kHelpTopic; }

    // ReadSwitching, the window's first read. False when the link was lost.
    bool readSwitching();
    // Variant 2 units before firmware 2: frmOfsSchalter reads "Schalteingang 3".
    void showInput1AsSwitchInput3();
    // Units without the offset switch: its controls are disabled.
    void disableOffsetSwitch();
    // Ignition-only units: switch input 2 disabled.
    void disableInput2();
    // Injection units: the input 2 enrichment.
    bool readInput2Enrichment();

    static constexpr int kOffsetSwitch = 255; // input function "Offsetschalter"
    static constexpr int kTableSelection = 0; // input 1 "Tabellenauswahl"
    static constexpr int kDisabledMode = 255; // output mode "Deaktiviert"
    static constexpr int kLatestAngle = 255; // retard to the latest table angle
    static constexpr int kEnrichmentMax = 16;
    static constexpr int kEnrichmentStandard = 1;

    static inline const QString kInput1Caption = QStringLiteral("Schalteingang 1");
    static inline const QString kInput3Caption = QStringLiteral("Schalteingang 3");
    static inline const QString kInput1FunctionInvalid = QStringLiteral(
        "Der im Steuergerät gesetzte Betriebsmodus für den digitalen Schalteingang 1 ist ungültig. "
        "Der Standardwert wird verwendet");
    static inline const QString kEnrichmentInvalid = QStringLiteral(
        "Der im Steuergerät gesetzte Faktor für die zuschaltbare Gemischanreicherung ist ungültig. "
        "Der Standardwert wird verwendet");

    // What the page shows; the unit's codes and raw values.
    struct Values {
        int output1Mode = kDisabledMode;
        int output2Mode = kDisabledMode;
        // Band index, or 835 minus the period count on older firmware.
        int threshold1 = 0;
        int threshold2 = 0;
        bool threshold1Enabled = false;
        bool threshold2Enabled = false;
        QString input1Caption = kInput1Caption;
        bool offsetSwitchEnabled = true; // frame and slider of input 1
        int input1Retard = 0;
        bool input1RetardEnabled = true;
        int input1Function = kOffsetSwitch;
        bool input2Enabled = true; // the whole input 2 frame
        int input2Function = kOffsetSwitch;
        int input2Enrichment = 0;
        bool input2EnrichmentEnabled = true;
    };
    const Values& values() const { return m_values; }

private:
    bool readBlock();
    bool readInput1Retard();
    bool readInput1Function();
    bool readInput2Function();

    Values m_values;
};
