#pragma once

#include "racing/racingtab.h"

// Tab 2 "Kraftstoffeinspritzung": injection map and lambda table. Nothing of
// it is read on opening.
class InjectionTab : public RacingTab {
    Q_OBJECT
public:
    static inline const QString kCaption = QStringLiteral("Kraftstoffeinspritzung");
    static inline const QString kHelpTopic = QStringLiteral("r_optionen_injection.html");

    using RacingTab::RacingTab;
    QString caption() const override { return kCaption; }
    QString helpTopic() const override { return kHelpTopic; }
    bool hasPage() const override { return false; }
    QString sourceHeading() const override { return QStringLiteral("LA-Tabelle:"); }
};
