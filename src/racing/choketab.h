#pragma once

#include "racing/chokemodel.h"
#include "racing/racingtab.h"

#include <array>
#include <optional>

// Tab 4 "E-Choke": cold-running enrichment of injection units.
class ChokeTab : public RacingTab {
    Q_OBJECT
public:
    static inline const QString kCaption = QStringLiteral("E-Choke");
    static inline const QString kHelpTopic = QStringLiteral("r_optionen_Choke.html");

    using RacingTab::RacingTab;
    QString caption() const override { return kCaption; }
    QString helpTopic() const override { return kHelpTopic; }
    bool hasPage() const override { return false; }

    // The e-choke opening reads (ReadEChokeOnOpening). False when the link was lost.
    bool readOnOpening();
    // Hot-start settings. Not gated here: the tab's read button transfers the
    // hot-start values even where the opening disables their controls.
    bool readHotStart();
    void disableHotStart();

    static constexpr int kBands = choke::kBands;
    static constexpr int kEntryMax = 250;
    static constexpr int kWarmUpEndMax = 300;
    static constexpr int kWarmUpEndStandard = 40;
    static constexpr int kHotStartStandard = 920;
    static constexpr int kHotStartFactorMin = -16;

    static inline const QString kEntryInvalid = QStringLiteral("Ungültiger Eintrag in Echoke-Tabelle an Poition ");
    static inline const QString kEntryInvalidEnd = QStringLiteral(". Standardwert wird verwendet.");
    static const std::array<QString, kBands> kWarmUpEndInvalid;
    static inline const QString kHotStartInvalid
        = QStringLiteral("Der im Steuergerät gesetzte Wert für die Heisstarterkennung ist unzulässig. Der "
                         "Standardwert wird verwendet.");
    static inline const QString kHotStartFactorInvalid
        = QStringLiteral("Der im Steuergerät gesetzte Wert für die Heisstartanreicherung ist unzulässig. Der "
                         "Standardwert wird verwendet.");

    // What the page shows, per temperature band (band 0 is "30 bis 40° C").
    struct Values {
        std::array<int, kBands> warmUpEnrichment {}; // sixteenths, table index = band
        std::array<int, kBands> crankingEnrichment {}; // sixteenths, table index 6 + band
        std::array<int, kBands> warmUpEnd {}; // tenths of a degree, table index 12 + 2 * band
        int hotStartTemperature = kHotStartStandard; // 1023 minus the sensor count
        int hotStartFactor = 0; // sixteenths, signed
        bool hotStartEnabled = true;
    };
    const Values& values() const { return m_values; }

private:
    // nullopt: the link was lost.
    std::optional<int> readEntry(int index);
    std::optional<int> readWarmUpEnd(int band);

    Values m_values;
};
