#pragma once

#include "core/unithistory.h"
#include "racing/loadchangemodel.h"
#include "racing/racingtab.h"

#include <array>
#include <functional>
#include <optional>

class BuddyUpDown;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
struct ParameterRead;

// Tab 5 "Lastwechsel": load change and overrun of injection units, read on
// opening and with "&Lesen", written with "&Schreiben".
class LoadChangeTab : public RacingTab {
    Q_OBJECT
public:
    static inline const QString kCaption = QStringLiteral("Lastwechsel");
    static inline const QString kHelpTopic = QStringLiteral("r_optionen_lastwechsel.html");

    LoadChangeTab(RacingContext& context, QWidget* parent = nullptr);
    QString caption() const override { return kCaption; }
    QString helpTopic() const override { return kHelpTopic; }

    // Injection units: sensitivity, enrichment factor,
    // ignition advance and duration. False when the link was lost.
    bool readFirstParameters();
    // The tab's opening reads where the unit has the tab (ReadLoadChangeOnOpening).
    bool readOnOpening();

    // The buttons; the window runs them as actions (one request at a time).
    void readAll(); // cmd_ReadLWechsel
    void writeAll(); // cmd_WriteLWechsel
    // Command5: a write of 0 to the adaptation of the coldest band, its
    // answer awaited for one watchdog interval at most and not judged.
    void resetColdestAdaptation();
    // cmdHistory: a stored version's values onto the page, to be written as usual.
    void loadFromHistory();

    static inline const QString kComplete = QStringLiteral("Datenübertragung vollstaendig");
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
    // What the end box names for a band whose adaptation the unit did not confirm.
    static inline const QString kAdaptationName = QStringLiteral("Adaption %1");

    // What the page holds: the unit's raw values. A value the read button
    // takes beyond its control's range is kept, shown and written back as read.
    struct Values {
        int sensitivity = 0;
        int enrichment = 0; // sixteenths
        int advance = 0; // tenths of a degree
        int duration = 0;
        int maxAirMass = loadchange::kMaxAirMassDesign; // air-mass meter count
        int overrunDuration = 0;
        int overrunLeaning = 0; // sixteenths
        int overrunSensitivity = 0;
        std::array<int, loadchange::kBands> warmUpAdaptation {}; // signed sixteenths, band 0 "30 bis 40° C"
    };
    const Values& values() const { return m_values; }

private:
    void buildUi();
    // The controls show the values; `readStyle` writes the enrichment as a
    // read does, with two blanks after the plus sign.
    void showValues(bool readStyle);

    // TransferLoadChangeParam and its kin: the checked value, 0 when no
    // reply came; nullopt when the link was lost.
    std::optional<int> readValue(const ParameterRead& row);
    // The four parameters read on opening and first on "&Lesen"; `progress`
    // moves the bar after each.
    bool readFirstFour(const std::function<void(int)>& progress);
    // TransferMaxLcAirMass, read.
    std::optional<int> readMaxAirMass();
    bool readAdaptations();
    // The values as a stored parameter block names them.
    QList<ParameterBlock::Field> fields();

    Values m_values;
    bool m_adaptations = true; // the unit keeps warm-up adaptations

    QGroupBox* frmLastWechsel = nullptr;
    QGroupBox* Frame7 = nullptr;
    QGroupBox* Frame8 = nullptr;
    BuddyUpDown* udLastChokeSensivity = nullptr;
    QLineEdit* txtLastChokeSense = nullptr;
    BuddyUpDown* udLastChokeFaktor = nullptr;
    QLineEdit* txtLastChokeFaktor = nullptr;
    BuddyUpDown* udZwLastwechsel = nullptr;
    QLineEdit* txtZwLastwechsel = nullptr;
    BuddyUpDown* udLwDauer = nullptr;
    QLineEdit* txtLwDauer = nullptr;
    BuddyUpDown* udMaxLWAirMass = nullptr;
    QLineEdit* txtMaxLWAirMass = nullptr;
    BuddyUpDown* udSchubStartAbDAuer = nullptr;
    QLineEdit* txtSchubStartAbDAuer = nullptr;
    BuddyUpDown* udSchubStartAbSense = nullptr;
    QLineEdit* txtSchubStartAbSense = nullptr;
    BuddyUpDown* udSchubStartAbFaktor = nullptr;
    QLineEdit* txtSchubStartAbFaktor = nullptr;
    std::array<BuddyUpDown*, loadchange::kBands> udWLA {};
    std::array<QLineEdit*, loadchange::kBands> txtWLA {};
    QPushButton* cmd_ReadLWechsel = nullptr;
    QPushButton* cmd_WriteLWechsel = nullptr;
    QPushButton* Command5 = nullptr;
    QPushButton* cmdHistory = nullptr;
};
