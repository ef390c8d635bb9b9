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

    // ReadSwitching (opening step 13). False when the link was lost.
    bool readSwitching();
    // Capability row 1: frmOfsSchalter reads "Schalteingang 3".
    void showInput1AsSwitchInput3();
    // Capability row 2: the offset switch controls are disabled.
    void disableOffsetSwitch();
    // Capability row 5 on ignition-only units: switch input 2 disabled.
    void disableInput2();
    // Capability row 5 on injection units: the input 2 enrichment.
    bool readInput2Enrichment();
};
