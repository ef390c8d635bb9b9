#pragma once

#include "racing/racingtab.h"

// Tab 3 "Zusatzfunktionen": coils, sensor lead angle, fuel pump and air-mass
// settings. Each opening read returns false when the link was lost.
class ExtrasTab : public RacingTab {
    Q_OBJECT
public:
    static inline const QString kCaption = QStringLiteral("Zusatzfunktionen");
    static inline const QString kHelpTopic = QStringLiteral("r_optionen_zusatz.html");

    using RacingTab::RacingTab;
    QString caption() const override { return kCaption; }
    QString helpTopic() const override { return kHelpTopic; }

    // Capability row 4.
    bool readDwellStart();
    void disableDwellStart();
    // Capability row 6.
    bool readPumpTime();
    void disablePump();
    // Capability row 7.
    bool readCoilLoadTime();
    void disableCoilLoadTime();
    // Capability row 9.
    bool readAirMassSettings();
    void disableAirMassSettings();
    // Capability row 12: sets the session's lead angle (AngleOffset).
    bool readCoilAndLeadAngle();
    void disableCoilAndLeadAngle();
};
