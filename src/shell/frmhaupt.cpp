#include "frmhaupt.h"

#include "core/bytes.h"
#include "core/commands.h"
#include "core/portmap.h"
#include "core/settings.h"
#include "shell/kit/helpkey.h"
#include "shell/link.h"
#include "shell/platform.h"
#include "shell/session.h"
#include "shell/timing.h"
#include "shell/watchdog.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QStatusBar>
#include <QVBoxLayout>

#include <algorithm>

namespace {
const QString kOpening = QStringLiteral("Versuche Motorsteuergerät zu öffnen...");
const QString kOpeningAgain = QStringLiteral("Versuche Motorsteuergerät erneut zu öffnen...");
const QString kSearching = QStringLiteral("Steuergerät wird gesucht...");
const QString kProbingPorts = QStringLiteral("Schnittstellen werden gesucht...");
// Between attempts after a lost link, so that a window chain closed without a
// box (NoBreakMsg=1) does not leave the user guessing.
const QString kLinkLostRetrying
    = QStringLiteral("Verbindung zum Motorsteuergerät verloren - neuer Verbindungsversuch alle 3 Sekunden...");
} // namespace

FrmHaupt::FrmHaupt(Session& session, QWidget* parent)
    : QWidget(parent)
    , m_session(session)
    , m_link(session.link())
    , m_settings(session.settings())
{
    setObjectName(QStringLiteral("FrmHaupt"));
    setWindowTitle(kCaption);

    m_btnOpen = new QPushButton(QStringLiteral("&Motorsteuergerät öffnen"), this);
    m_btnOpen->setObjectName(QStringLiteral("btnCmdOpenMStg"));
    m_btnOpen->setToolTip(QStringLiteral("Öffnet das Motorsteuergerät"));
    m_btnOpen->setMinimumHeight(48);
    m_btnOptions = new QPushButton(QStringLiteral("&Optionen"), this);
    m_btnOptions->setObjectName(QStringLiteral("btnCmdOptions"));
    m_btnInfo = new QPushButton(QStringLiteral("&Info"), this);
    m_btnInfo->setObjectName(QStringLiteral("btnCmdInfo"));
    m_btnViewLog = new QPushButton(QStringLiteral("&Logdatei anzeigen..."), this);
    m_btnViewLog->setObjectName(QStringLiteral("cmdViewLog"));
    m_btnViewLog->setToolTip(QStringLiteral("Zeigt eine aufgezeichnete Logdatei als Diagramm"));
    m_btnExit = new QPushButton(QStringLiteral("&Exit"), this);
    m_btnExit->setObjectName(QStringLiteral("btnCmdExit"));
    m_lblRelease = new QLabel(this);
    m_lblRelease->setObjectName(QStringLiteral("lblRelease"));
    m_statusBar = new QStatusBar(this);
    m_statusBar->setObjectName(QStringLiteral("sbHauptDlg"));
    m_statusBar->setSizeGripEnabled(false);
    m_statusLabel = new QLabel(m_statusBar);
    m_statusLabel->setObjectName(QStringLiteral("sbHauptDlgText"));
    m_statusBar->addWidget(m_statusLabel, 1);

    auto* title = new QLabel(QStringLiteral("DARuri"), this);
    QFont big = title->font();
    big.setPointSizeF(big.pointSizeF() * 2.0);
    big.setBold(true);
    title->setFont(big);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_btnOptions);
    buttons->addWidget(m_btnInfo);
    buttons->addWidget(m_btnViewLog);
    buttons->addStretch(1);
    buttons->addWidget(m_btnExit);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(m_lblRelease);
    layout->addSpacing(12);
    layout->addWidget(m_btnOpen);
    layout->addLayout(buttons);
    layout->addWidget(m_statusBar);
    // Room for the longest status text: the lost-link line, or the progress text with its dots.
    setMinimumWidth(std::max(fontMetrics().horizontalAdvance(kOpeningAgain + QStringLiteral("..........")),
                        fontMetrics().horizontalAdvance(kLinkLostRetrying))
        + 40);

    m_portSearchTimer.setInterval(timing::interval(kPortSearchInterval));
    m_avrSearchTimer.setInterval(timing::interval(kAvrSearchInterval));
    m_tmAutoCon.setInterval(timing::interval(kAutoConInterval));
    connect(&m_portSearchTimer, &QTimer::timeout, this, &FrmHaupt::PortSearchTimer_Timer);
    connect(&m_avrSearchTimer, &QTimer::timeout, this, &FrmHaupt::AvrSearchTimer_Timer);
    connect(&m_tmAutoCon, &QTimer::timeout, this, &FrmHaupt::tmAutoCon_Timer);

    connect(m_btnOpen, &QPushButton::clicked, this, &FrmHaupt::btnCmdOpenMStg_Click);
    connect(m_btnOptions, &QPushButton::clicked, this, &FrmHaupt::btnCmdOptions_Click);
    connect(m_btnInfo, &QPushButton::clicked, this, &FrmHaupt::btnCmdInfo_Click);
    connect(m_btnViewLog, &QPushButton::clicked, this, &FrmHaupt::cmdViewLog_Click);
    connect(m_btnExit, &QPushButton::clicked, this, &FrmHaupt::BtncmdExit_Click);

    m_exit = [this] {
        m_link.shutdown();
        QCoreApplication::exit(0);
    };

    // F1 opens the start page of the help.
    help::installF1(this, QString());

    Form_Load();
}

FrmHaupt::~FrmHaupt()
{
    delete m_about;
}

void FrmHaupt::Form_Load()
{
    m_lblRelease->setText(kRelease);
    m_link.setLinkLost(false);
    m_autoReConSetting = m_settings.ReadAutoReCon();
    m_btnOpen->setFocus();
    // Other windows set the status text through the session.
    connect(&m_session, &Session::mainStatusTextChanged, m_statusLabel, &QLabel::setText);
}

QString FrmHaupt::statusText() const
{
    return m_session.mainStatusText();
}

void FrmHaupt::setStatus(const QString& text)
{
    m_session.setMainStatusText(text);
}

void FrmHaupt::btnCmdOpenMStg_Click()
{
    m_btnOpen->setEnabled(false);
    // A file dialog opened inside the search would hold the search until it closes.
    m_btnViewLog->setEnabled(false);
    const auto viewLogAgain = qScopeGuard([this] { m_btnViewLog->setEnabled(true); });
    setStatus(kOpening);

    m_portInUse = m_settings.ReadComPort();
    if (m_portInUse == 0) {
        setStatus(kSearching);
        QCoreApplication::processEvents();
        m_portInUse = ScanPorts();
        if (m_link.isShutDown())
            return;
        if (m_portInUse == 0) {
            showIdleStatus();
            if (!m_link.linkLost())
                infoBox(kAppTitle, QStringLiteral("Derzeit ist keine Hardwareschnittstelle verfügbar"), 0);
            m_btnOpen->setEnabled(true);
            return;
        }
        if (m_portInUse == -1) {
            showIdleStatus();
            if (!m_link.linkLost())
                infoBox(QStringLiteral("Verbindungsfehler"),
                    QStringLiteral("Kein Motorsteuergerät angeschlossen oder Port belegt."), 1);
            m_btnOpen->setEnabled(true);
            return;
        }
    }

    // Unit search. The request goes out at the start and again after every
    // pacing tick; the pacing restarts from zero on every search.
    m_searchTicks = 0;
    m_lastSendTick = 0;
    m_avrSearchTimer.start();
    m_tmAutoCon.stop();
    m_searchExpired = 0;
    setStatus(m_link.linkLost() ? kOpeningAgain : kOpening);

    for (;;) {
        m_session.setCurrentPort(m_portInUse);
        if (!m_link.portOpen()) {
            const auto result = m_link.openPort(m_portInUse);
            if (result != Transport::OpenResult::Opened && m_link.linkLost() && m_autoReConSetting == 1) {
                // After a lost link the adapter may be unplugged for a while:
                // a port that cannot be opened is one more silent attempt.
                m_avrSearchTimer.stop();
                m_btnOpen->setEnabled(true);
                m_tmAutoCon.start();
                showIdleStatus();
                return;
            }
            if (result != Transport::OpenResult::Opened) {
                ShowInterfaceError(result);
                showIdleStatus();
                QCoreApplication::processEvents();
                m_avrSearchTimer.stop();
                m_btnOpen->setEnabled(true);
                return;
            }
        }
        m_link.start(cmd::identify());
        m_link.waitUntil(
            [this] { return m_link.replyComplete() || m_searchExpired == -1 || m_lastSendTick < m_searchTicks; });
        if (m_link.isShutDown())
            return;

        if (m_link.replyComplete()) {
            m_avrSearchTimer.stop();
            setStatus(QString());
            showStatusWindow();
            if (m_link.isShutDown())
                return;
            m_btnOpen->setEnabled(true);
            if (m_link.linkLost() && m_autoReConSetting == 1)
                m_tmAutoCon.start();
            showIdleStatus();
            return;
        }
        m_link.traceEvent(
            QStringLiteral("no identity in time (%1 of %2 bytes)").arg(m_link.reply().size()).arg(kIdentLength));
        if (m_searchExpired == -1) {
            m_link.traceEvent(QStringLiteral("search given up"));
            m_avrSearchTimer.stop();
            m_link.closePort();
            if (m_link.linkLost()) {
                m_btnOpen->setEnabled(true);
                if (m_autoReConSetting == 1)
                    m_tmAutoCon.start();
                showIdleStatus();
            } else {
                setStatus(QString());
                infoBox(QStringLiteral("Fehler"),
                    QStringLiteral("Kann keine Verbindung zum Motorsteuergerät herstellen."), 1);
                m_btnOpen->setEnabled(true);
            }
            return;
        }
        m_lastSendTick = m_searchTicks;
        m_link.closePort();
    }
}

void FrmHaupt::showIdleStatus()
{
    if (!m_link.linkLost())
        setStatus(QString());
    else
        setStatus(m_tmAutoCon.isActive() ? kLinkLostRetrying : QString::fromUtf8(Watchdog::kLostText));
}

void FrmHaupt::showStatusWindow()
{
    if (!m_statusWindow)
        return;
    std::unique_ptr<QDialog> window = m_statusWindow(this);
    if (window)
        window->exec();
}

int FrmHaupt::ScanPorts()
{
    // Which ports can be opened at all; only these are probed.
    QList<int> openable;
    for (int n = PortMap::kFirstPort; n <= PortMap::kLastPort; ++n) {
        if (m_link.canOpen(n))
            openable.append(n);
    }
    if (openable.isEmpty())
        return 0;
    for (int n : openable) {
        if (ProbePort(n) == -1)
            return n;
        if (m_link.isShutDown())
            return 0;
    }
    return -1;
}

int FrmHaupt::ProbePort(int port)
{
    if (m_link.openPort(port) != Transport::OpenResult::Opened)
        return 0;
    m_link.start(cmd::identify());
    m_probeExpired = 0;
    m_portSearchTimer.start();
    m_link.waitUntil([this] { return m_link.replyComplete() || m_probeExpired == -1; });
    m_portSearchTimer.stop();
    const Bytes& reply = m_link.reply();
    if (!m_link.replyComplete() || reply.size() != kIdentLength || m_probeExpired == -1) {
        // A trace of a search that never finds the unit tells why.
        m_link.traceEvent(QStringLiteral("search: port %1 gave no identity in time (%2 of %3 bytes)")
                              .arg(port)
                              .arg(reply.size())
                              .arg(kIdentLength));
        m_link.closePort();
        return 0;
    }
    if (reply.at(0) == 'K' && reply.at(3) == 'X')
        return -1;
    m_link.traceEvent(
        QStringLiteral("search: port %1 answered, but not as a unit: %2").arg(port).arg(bytes::hex(reply)));
    m_link.closePort();
    return 0;
}

void FrmHaupt::ShowInterfaceError(Transport::OpenResult result)
{
    const QString text = result == Transport::OpenResult::Busy
        ? QStringLiteral("Die gewünschte Operation konnte nicht ausgeführt werden, da die angeforderte "
                         "physikalische Schnittstelle zur Zeit von einer anderen Anwendung blockiert wird.")
        : QStringLiteral("Die angeforderte physikalische Schnittstelle ist zur Zeit nicht verfügbar.");
    platform().messageBox(this, QStringLiteral("Systemfehler (DARuri)"), text, Platform::Icon::Critical);
}

void FrmHaupt::infoBox(const QString& title, const QString& text, int icon)
{
    platform().messageBox(this, title, text, icon == 0 ? Platform::Icon::None : Platform::Icon::Critical);
}

void FrmHaupt::PortSearchTimer_Timer()
{
    m_probeExpired = -1;
    m_portSearchTimer.stop();
    m_link.wake();
}

void FrmHaupt::AvrSearchTimer_Timer()
{
    setStatus(statusText() + QLatin1Char('.'));
    if (m_searchTicks > 8)
        m_searchExpired = -1;
    ++m_searchTicks;
    m_link.wake();
}

void FrmHaupt::tmAutoCon_Timer()
{
    // A programmatic press; it does nothing while the button is disabled.
    m_btnOpen->click();
}

void FrmHaupt::btnCmdOptions_Click()
{
    m_tmAutoCon.stop();
    setStatus(kProbingPorts);
    m_btnOptions->setEnabled(false);
    QCoreApplication::processEvents();
    if (m_optionsDialog) {
        std::unique_ptr<QDialog> dialog = m_optionsDialog(this);
        if (dialog)
            dialog->exec();
    }
    m_link.setLinkLost(false);
    m_autoReConSetting = m_settings.ReadAutoReCon();
    setStatus(QString());
    m_btnOptions->setEnabled(true);
}

void FrmHaupt::btnCmdInfo_Click()
{
    if (m_tmAutoCon.isActive()) {
        m_tmAutoCon.stop();
        // The reconnect ends here; the status line must not promise it.
        showIdleStatus();
    }
    if (!m_aboutBox)
        return;
    if (!m_about)
        m_about = m_aboutBox(this);
    if (m_about) {
        m_about->show();
        m_about->raise();
        m_about->activateWindow();
    }
}

void FrmHaupt::cmdViewLog_Click()
{
    if (!m_logViewer)
        return;
    // The reconnect waits while the dialogs are open, so that no search runs
    // inside them; it goes on afterwards.
    const bool reconnecting = m_tmAutoCon.isActive();
    m_tmAutoCon.stop();
    const auto resume = qScopeGuard([this, reconnecting] {
        if (reconnecting && m_btnOpen->isEnabled())
            m_tmAutoCon.start();
    });
    Platform::FileDialog dialog;
    dialog.title = QStringLiteral("Logdatei öffnen");
    dialog.filter = QStringLiteral("Velmora-Logfile (*.vml)|*vml");
    dialog.defaultExtension = QStringLiteral("vml");
    const auto path = platform().openFileName(this, dialog);
    if (!path || path->isEmpty())
        return;
    if (QWidget* viewer = m_logViewer(this, *path)) {
        viewer->show();
        viewer->raise();
        viewer->activateWindow();
    }
}

void FrmHaupt::BtncmdExit_Click()
{
    if (m_exit)
        m_exit();
}

void FrmHaupt::closeEvent(QCloseEvent* event)
{
    // The close box ends the program like "&Exit", also inside a search.
    QWidget::closeEvent(event);
    BtncmdExit_Click();
}
