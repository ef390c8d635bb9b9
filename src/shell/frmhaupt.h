#pragma once

#include "shell/transport.h"

#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <functional>
#include <memory>

class QLabel;
class QPushButton;
class QStatusBar;
class Link;
class Session;
class SettingsFile;

// The start window: finds the port and the unit, opens the status window and
// reconnects by itself after a lost link.
class FrmHaupt : public QWidget {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kPortSearchInterval { 260 };
    static constexpr std::chrono::milliseconds kAvrSearchInterval { 4000 };
    static constexpr std::chrono::milliseconds kAutoConInterval { 3000 };
    static constexpr int kIdentLength = 15;
    static inline const QString kCaption = QStringLiteral("Velmora - DARUri");
    static inline const QString kRelease = QStringLiteral("Version 2.412");

    // The windows it opens; the status window modally, the options dialog
    // modally, the about box modelessly.
    using DialogFactory = std::function<std::unique_ptr<QDialog>(QWidget* parent)>;
    using WidgetFactory = std::function<QWidget*(QWidget* parent)>;
    // A viewer window for a log file, or nullptr when the file cannot be shown
    // (the factory has told the user why).
    using LogViewerFactory = std::function<QWidget*(QWidget* parent, const QString& path)>;

    explicit FrmHaupt(Session& session, QWidget* parent = nullptr);
    ~FrmHaupt() override;

    void setStatusWindowFactory(DialogFactory f) { m_statusWindow = std::move(f); }
    void setOptionsDialogFactory(DialogFactory f) { m_optionsDialog = std::move(f); }
    void setAboutBoxFactory(WidgetFactory f) { m_aboutBox = std::move(f); }
    void setLogViewerFactory(LogViewerFactory f) { m_logViewer = std::move(f); }
    // How "&Exit" ends the program (the test harness replaces it).
    void setExitHandler(std::function<void()> f) { m_exit = std::move(f); }

    QString statusText() const;
    bool autoConActive() const { return m_tmAutoCon.isActive(); }
    bool searchTimerActive() const { return m_avrSearchTimer.isActive(); }

    void btnCmdOpenMStg_Click();
    void btnCmdOptions_Click();
    void btnCmdInfo_Click();
    void cmdViewLog_Click();
    void BtncmdExit_Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Load();
    int ScanPorts();
    int ProbePort(int port);
    void ShowInterfaceError(Transport::OpenResult result);
    void setStatus(const QString& text);
    // Empty, or what the lost link left behind when no attempt runs.
    void showIdleStatus();
    void PortSearchTimer_Timer();
    void AvrSearchTimer_Timer();
    void tmAutoCon_Timer();
    void showStatusWindow();
    void infoBox(const QString& title, const QString& text, int icon);

    Session& m_session;
    Link& m_link;
    SettingsFile& m_settings;
    QPushButton* m_btnOpen = nullptr;
    QPushButton* m_btnOptions = nullptr;
    QPushButton* m_btnInfo = nullptr;
    QPushButton* m_btnViewLog = nullptr;
    QPushButton* m_btnExit = nullptr;
    QLabel* m_lblRelease = nullptr;
    QStatusBar* m_statusBar = nullptr;
    QLabel* m_statusLabel = nullptr;
    QTimer m_portSearchTimer;
    QTimer m_avrSearchTimer;
    QTimer m_tmAutoCon;

    int m_portInUse = 0;
    int m_searchTicks = 0;
    int m_searchExpired = 0;
    int m_autoReConSetting = 1;
    int m_lastSendTick = 0;
    int m_probeExpired = 0;

    DialogFactory m_statusWindow;
    DialogFactory m_optionsDialog;
    WidgetFactory m_aboutBox;
    LogViewerFactory m_logViewer;
    QPointer<QWidget> m_about;
    std::function<void()> m_exit;
};
