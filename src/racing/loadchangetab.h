#pragma once

#include "racing/racingtab.h"

#include <array>
#include <optional>

struct ParameterRead;

// Tab 5 "Lastwechsel": load change and overrun of injection units.
class LoadChangeTab : public RacingTab {
    Q_OBJECT
public:
    static inline const QString kCaption = QStringLiteral("Lastwechsel");
    static inline const QString kHelpTopic = QStringLiteral("r_optionen_lastwechsel.html");

    using RacingTab::RacingTab;
    QString caption() const override { return kCaption; }
    QString helpTopic() const override { return kHelpTopic; }
    bool hasPage() const override { return false; }

    // Injection units: sensitivity, enrichment factor,
    // ignition advance and duration. False when the link was lost.
    bool readFirstParameters();
    // The tab's opening reads where the unit has the tab (ReadLoadChangeOnOpening).
    bool readOnOpening();

    static constexpr int kSensitivityMax = 250;
    static constexpr int kSensitivityStandard = 25;
    static constexpr int kEnrichmentMax = 32;
    static constexpr int kEnrichmentStandard = 2;
    static constexpr int kMaxAirMassMin = 400;
    static constexpr int kMaxAirMassMax = 961;
    static constexpr int kMaxAirMassStandard = 795; // what a reply beyond 961 stands for
    static constexpr int kMaxAirMassOpeningStandard = 742;
    static constexpr int kOverrunLeaningMax = 16;
    static constexpr int kOverrunLeaningStandard = 3;
    static constexpr int kBands = 6;

    static inline const QString kSensitivityInvalid = QStringLiteral(
        "Der im Steuergerät gesetzte Empfindlichkeit der Lastwechselerkennung ist ungültig. Der Standardwert wird "
        "verwendet");
    static inline const QString kEnrichmentInvalid
        = QStringLiteral("Der im Steuergerät gesetzte Anreicherungsfaktor bei Lastwechsel ist ungültig. Der "
                         "Standardwert wird verwendet");
    static inline const QString kMaxAirMassInvalid = QStringLiteral(
        "Die im Steuergerät gesetzte maximale Luftmasse für die Lastwechselerkennung ist ungültig. "
        "Der Standardwert wird verwendet");
    static inline const QString kMaxAirMassOutOfRange
        = QStringLiteral("Der im Steuergerät gesetzte Maximalluftmassenwert für die Lastwechselerkennnung ist "
                         "ungültig. Der Standardwert wird verwendet.");
    static inline const QString kOverrunLeaningInvalid
        = QStringLiteral("Der im Steuergerät gesetzte Gemischabmagerungsfaktor für die Schubstartabmagerung ist "
                         "ungültig. Der Standardwert wird verwendet");

    // What the page shows: the unit's raw values.
    struct Values {
        int sensitivity = 0;
        int enrichment = 0; // sixteenths
        int advance = 0; // tenths of a degree
        int duration = 0;
        int maxAirMass = 800; // air-mass meter count
        int overrunDuration = 0;
        int overrunLeaning = 0; // sixteenths
        int overrunSensitivity = 0;
        std::array<int, kBands> warmUpAdaptation {}; // signed sixteenths, band 0 "30 bis 40° C"
    };
    const Values& values() const { return m_values; }

private:
    // TransferLoadChangeParam and its kin: the checked value, 0 when no
    // reply came; nullopt when the link was lost.
    std::optional<int> readValue(const ParameterRead& row);

    Values m_values;
};
