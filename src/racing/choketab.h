#pragma once

#include "core/unithistory.h"
#include "racing/chokemodel.h"
#include "racing/racingtab.h"

#include <array>
#include <optional>

class BuddyUpDown;
class QGroupBox;
class QLabel;
class QLineEdit;
class ParameterTransfer;
class QPushButton;

// Tab 4 "E-Choke": cold-running enrichment of injection units, per engine
// temperature band, and the hot-start detection. Read on opening and with
// "&Lesen", written with "&Schreiben".
class ChokeTab : public RacingTab {
    Q_OBJECT
public:
    static inline const QString kCaption = QStringLiteral("E-Choke");
    static inline const QString kHelpTopic = QStringLiteral("r_optionen_Choke.html");

    explicit ChokeTab(RacingContext& context, QWidget* parent = nullptr);
    QString caption() const override { return kCaption; }
    QString helpTopic() const override { return kHelpTopic; }

    // The e-choke opening reads (ReadEChokeOnOpening). False when the link was lost.
    bool readOnOpening();
    // Hot-start settings. Not gated here: the tab's buttons transfer the
    // hot-start values even where the opening disables their controls.
    bool readHotStart();
    void disableHotStart();

    // The buttons; the window runs them as actions (one request at a time).
    void readAll();
    void writeAll();
    // cmdHistory: a stored version's values onto the page, to be written as usual.
    void loadFromHistory();

    static constexpr int kBands = choke::kBands;
    static constexpr int kEntryMax = 250;
    static constexpr int kWarmUpEnrichmentMax = 64;
    static constexpr int kWarmUpEndMax = 300;
    static constexpr int kWarmUpEndStep = 2;
    static constexpr int kWarmUpEndStandard = 40;
    static constexpr int kHotStartMin = 700;
    static constexpr int kHotStartStandard = 920;
    static constexpr int kHotStartFactorMin = -16;
    static constexpr int kHotStartFactorMax = 127;

    static inline const QString kEntryInvalid = QStringLiteral("Ungültiger Eintrag in Echoke-Tabelle an Poition ");
    static inline const QString kEntryInvalidEnd = QStringLiteral(". Standardwert wird verwendet.");
    static const std::array<QString, kBands> kWarmUpEndInvalid;
    static inline const QString kHotStartInvalid
        = QStringLiteral("Der im Steuergerät gesetzte Wert für die Heisstarterkennung ist unzulässig. Der "
                         "Standardwert wird verwendet.");
    static inline const QString kHotStartFactorInvalid
        = QStringLiteral("Der im Steuergerät gesetzte Wert für die Heisstartanreicherung ist unzulässig. Der "
                         "Standardwert wird verwendet.");
    // A stored value the unit accepts but the control cannot hold; %1 names it.
    static inline const QString kOutOfRange
        = QStringLiteral("Der im Steuergerät gesetzte Wert für %1 liegt außerhalb des einstellbaren Bereichs. "
                         "Angezeigt wird der nächstliegende Wert; er wird erst mit „Schreiben“ übertragen.");
    // The write's completion box, spelled as the unit's other parameter writes do.
    static inline const QString kWriteComplete = QStringLiteral("Datenübertragung vollstaendig");

    // The per-band groups, in the order of the page.
    enum Group { WarmUp, Cranking, WarmUpEnd, GroupCount };

    // What the page shows, per temperature band (band 0 is "30 bis 40° C").
    struct Values {
        std::array<int, kBands> warmUpEnrichment {}; // sixteenths, table index = band
        std::array<int, kBands> crankingEnrichment {}; // sixteenths, table index 6 + band
        std::array<int, kBands> warmUpEnd {}; // tenths of a degree, table index 12 + 2 * band
        int hotStartTemperature = kHotStartStandard; // 1023 minus the sensor count
        int hotStartFactor = 0; // sixteenths, signed
        bool hotStartEnabled = true;
        bool hotStartRead = false; // the unit's hot-start values are on the page
    };
    const Values& values() const { return m_values; }

private:
    void buildUi();
    // The controls show the values.
    void showValues();

    // nullopt: the link was lost.
    std::optional<int> readEntry(int index);
    std::optional<int> readWarmUpEnd(int band);
    // One band's value of a group into the values; false when the link was lost.
    bool readBand(Group group, int band);
    // The button's reads up to the hot start; false when the link was lost.
    bool readBands(ParameterTransfer& t);
    bool writeBands(ParameterTransfer& t);
    // A value the unit holds beyond its control: the nearest the control can show.
    int fitted(int value, int min, int max, const QString& what);

    // The values as a stored parameter block names them.
    QList<ParameterBlock::Field> fields();

    Values m_values;

    std::array<QGroupBox*, GroupCount> m_frames {};
    std::array<std::array<QLabel*, kBands>, GroupCount> m_bandLabels {};
    std::array<std::array<BuddyUpDown*, kBands>, GroupCount> m_upDowns {};
    std::array<std::array<QLineEdit*, kBands>, GroupCount> m_texts {};
    QGroupBox* Frame9 = nullptr;
    QLabel* lblHotStartTemp = nullptr;
    QLineEdit* txtEchokeHeissStartTemp = nullptr;
    BuddyUpDown* udEchokeHeissStartTemp = nullptr;
    QLabel* lblHotStartFakt = nullptr;
    QLineEdit* txtEChokeHeissFaktor = nullptr;
    BuddyUpDown* udEChokeHeissFaktor = nullptr;
    QPushButton* cmd_ReadEChoke = nullptr;
    QPushButton* cmd_WriteEChoke = nullptr;
    QPushButton* cmdHistory = nullptr;
};
