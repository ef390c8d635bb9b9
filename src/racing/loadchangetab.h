#pragma once

#include "racing/racingtab.h"

// Tab 5 "Lastwechsel": load change and overrun of injection units.
class LoadChangeTab : public RacingTab {
    Q_OBJECT
public:
    static inline const QString kCaption = QStringLiteral("Lastwechsel");
    static inline const QString kHelpTopic = QStringLiteral("r_optionen_lastwechsel.html");

    using RacingTab::RacingTab;
    QString caption() const override { return kCaption; }
    QString helpTopic() const override { return kHelpTopic; }

    // Capability row 5 on injection units: sensitivity, enrichment factor,
    // ignition advance and duration. False when the link was lost.
    bool readFirstParameters();
    // Capability row 10 (ReadLoadChangeOnOpening).
    bool readOnOpening();
};
