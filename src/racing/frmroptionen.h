#pragma once

#include "racing/racingcontext.h"
#include "shell/kit/unitdialog.h"

#include <chrono>

class ChokeTab;
class ExtrasTab;
class IgnitionTab;
class InjectionTab;
class LoadChangeTab;
class QLabel;
class QProgressBar;
class QPushButton;
class QTabWidget;
class RacingTab;
class SwitchingTab;

// The racing options window: the ignition table, switching module, fuel
// injection, additional functions, electronic choke and load change of a
// racing unit, one tab each.
class FrmROptionen : public UnitDialog {
    Q_OBJECT
public:
    static inline const QString kCaption = QStringLiteral("Rennsport-Optionen");
    static inline const QString kExitQuestion
        = QStringLiteral("Die Zündwinkeltabelle wurde verändert aber noch nicht gespeichert. Trotzdem Beenden?");
    static inline const QString kOffsetNotice = QStringLiteral(
        "Konfiguration des zuschaltbaren Zündwinkeloffsets wird vom Steuergerät nicht unterstützt.");
    static inline const QString kDwellNotice = QStringLiteral("Die Konfiguration des Einsatzpunktes der "
                                                              "Schließwinkelregelung wird vom Steuergerät nicht "
                                                              "unterstützt.");
    static inline const QString kInjectionNotice
        = QStringLiteral("Einspritzsystem wird vom Steuergerät nicht unterstützt");
    static constexpr std::chrono::milliseconds kWatchdogInterval { 5000 };

    enum Tab { Ignition, Switching, Injection, Extras, Choke, LoadChange, TabCount };

    explicit FrmROptionen(Session& session, QWidget* parent = nullptr);
    ~FrmROptionen() override;

    RacingContext& context() { return m_context; }
    IgnitionTab& ignitionTab() const { return *m_ignition; }
    // Whether the unit offers a tab (some are left out by firmware or line).
    bool tabAvailable(int tab) const { return m_available[tab]; }
    // The opening ran to its end.
    bool opened() const { return m_opened; }

protected:
    void load() override;
    // The close box and Escape behave like "&Fertig".
    void leave() override { exitWindow(); }

private:
    void buildUi();
    void installTabKeys();
    RacingTab* tab(int index) const;
    void offerTabs();
    QString helpTopic() const;

    // Opening.
    void prepare();
    bool capabilities();
    void offsetSwitchRows();
    bool hotStartRow();
    // A read of the opening returned: false when the window closes.
    bool carryOn(bool read);
    void offerJournals();

    // The tab shown changed: the source label follows.
    void showSource();
    // cmdExit and the close box.
    void exitWindow();

    RacingContext m_context;
    IgnitionTab* m_ignition = nullptr;
    SwitchingTab* m_switching = nullptr;
    InjectionTab* m_injection = nullptr;
    ExtrasTab* m_extras = nullptr;
    ChokeTab* m_choke = nullptr;
    LoadChangeTab* m_loadChange = nullptr;
    bool m_available[TabCount] = { true, true, true, true, true, true };
    bool m_opened = false;

    QTabWidget* SSTab1 = nullptr;
    QPushButton* cmdExit = nullptr;
    QLabel* stbAction = nullptr;
    QProgressBar* pgBComPos = nullptr;
    QLabel* lbl_TabQuelle = nullptr;
    QLabel* txtTSLabel = nullptr;
};
