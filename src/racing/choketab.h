#pragma once

#include "racing/racingtab.h"

// Tab 4 "E-Choke": cold-running enrichment of injection units.
class ChokeTab : public RacingTab {
    Q_OBJECT
public:
    static inline const QString kCaption = QStringLiteral("E-Choke");
    static inline const QString kHelpTopic = QStringLiteral("r_optionen_Choke.html");

    using RacingTab::RacingTab;
    QString caption() const override { return kCaption; }
    QString helpTopic() const override { return kHelpTopic; }

    // Capability row 8 (ReadEChokeOnOpening). False when the link was lost.
    bool readOnOpening();
    // Capability row 11.
    bool readHotStart();
    void disableHotStart();
};
