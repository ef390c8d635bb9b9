#pragma once

#include "core/coilcharge.h"
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

    static constexpr int kPumpTimeLimit = 21; // from here on invalid
    static constexpr int kPumpTimeStandard = 5;
    static constexpr int kFullLoadAirMassMin = 400;
    static constexpr int kFullLoadAirMassMax = 961;
    static constexpr int kFullLoadAirMassStandard = 665;
    static constexpr int kCoilTypeOther = 0; // "Andere": the only type with a delay setting
    static constexpr int kCoilDelayMax = 4090;
    static constexpr int kCoilDelayStandard = 2200;

    static inline const QString kPumpTimeInvalid
        = QStringLiteral("Die im Steuergerät gesetzte Vordruckzeit der Kraftstoffpumpe ist ungültig. Der "
                         "Standardwert wird verwendet");
    static inline const QString kFullLoadAirMassInvalid
        = QStringLiteral("Der im Steuergerät gesetzte Luftmassenwert für den Beginn des Vollastbereiches ist "
                         "ungültig. Der Standardwert wird verwendet.");
    static inline const QString kCoilDelayImplausible
        = QStringLiteral("Der im Steuergeraet gesetzte Wert für die Schaltverzögerung der Zündspulen ist nicht "
                         "plausibel. Der Standardwert wird verwendet.");

    // What the page shows: the unit's raw values.
    struct Values {
        int dwellStart = 0;
        bool dwellStartEnabled = true;
        int pumpTime = 0;
        bool pumpEnabled = true;
        int coilLoadTime = coilcharge::kStandard;
        bool coilLoadTimeEnabled = true;
        int airMassSampling = 0;
        int fullLoadAirMass = kFullLoadAirMassStandard;
        bool airMassEnabled = true;
        int coilType = kCoilTypeOther;
        int coilDelay = kCoilDelayStandard;
        bool coilDelayEnabled = true;
        int leadAngle = 0;
        bool coilSettingsEnabled = true; // coil type, delay and lead angle
    };
    const Values& values() const { return m_values; }

private:
    bool readCoilDelay();

    Values m_values;
};
