#include "frmfmem.h"

#include "core/commands.h"
#include "core/gates.h"
#include "diagnostics/frmreport.h"
#include "shell/link.h"
#include "shell/platform.h"
#include "shell/session.h"
#include "shell/timing.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QPushButton* button(QWidget* parent, const char* name, const QString& caption, const QString& toolTip)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(toolTip);
    b->setEnabled(false);
    return b;
}

} // namespace

FrmFMem::FrmFMem(Session& session, QWidget* parent)
    : UnitDialog(
        session, LinkPolicy::faultMemory(), kWatchdogInterval, [] { return kHelpTopic; }, parent)
{
    setObjectName(QStringLiteral("FrmFMem"));
    setWindowTitle(kCaption);
    buildUi();
    m_timer1.setObjectName(QStringLiteral("Timer1"));
    m_timer1.setInterval(timing::interval(kReadDelay));
    connect(&m_timer1, &QTimer::timeout, this, &FrmFMem::Timer1_Timer);
    channel().watchdog().setStopWindowTimers([this] { m_timer1.stop(); });
    // However the window is left, no read may start after it.
    connect(this, &QDialog::finished, &m_timer1, &QTimer::stop);
}

void FrmFMem::buildUi()
{
    tfMessages = new QPlainTextEdit(this);
    tfMessages->setObjectName(QStringLiteral("tfMessages"));
    tfMessages->setToolTip(QStringLiteral("gelesener Fehlerspeicherinhalt"));
    tfMessages->setLineWrapMode(QPlainTextEdit::NoWrap);
    // The report stays editable before it is copied or printed, but Tab moves
    // on to the buttons so that keyboard users are not caught in the text.
    tfMessages->setTabChangesFocus(true);
    QFont mono = tfMessages->font();
    mono.setStyleHint(QFont::Monospace);
    mono.setFamily(QStringLiteral("monospace"));
    tfMessages->setFont(mono);
    tfMessages->setMinimumSize(tfMessages->fontMetrics().horizontalAdvance(QString(62, QLatin1Char('M'))), 320);
    setReport(kReading + QStringLiteral("\r\n"));

    BtncmdRead
        = button(this, "BtncmdRead", QStringLiteral("&Neu Lesen"), QStringLiteral("Fehlerspeicher auslesen"));
    BtncmdErase = button(this, "BtncmdErase", QStringLiteral("&Löschen"),
        QStringLiteral("Fehlerspeicher des Steuergerätes löschen"));
    cmdCopy = button(this, "cmdCopy", QStringLiteral("&Kopieren"),
        QStringLiteral("Inhalt des Textfeldes in die Zwischenablage kopieren"));
    cmdPrint = button(
        this, "cmdPrint", QStringLiteral("&Drucken"), QStringLiteral("Inhalt des Textfensters ausdrucken"));
    cmdTstAkt = button(this, "cmdTstAkt", QStringLiteral("Aktoren Testen..."),
        QStringLiteral("Öffnet den Dialog zum Testen von Aktoren"));
    cmdReport = button(this, "cmdReport", QStringLiteral("&Bericht..."),
        QStringLiteral("Servicebericht mit Steuergerät, Fehlerspeicher, Aktorentest und Tabellen"));
    BtncmdExit = button(this, "BtncmdExit", QStringLiteral("E&xit"),
        QStringLiteral("Dialog beenden (der Fehlerspeicher wird dabei nicht gelöscht)"));

    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : { BtncmdRead, BtncmdErase, cmdCopy, cmdPrint, cmdTstAkt, cmdReport })
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(BtncmdExit);
    auto* main = new QHBoxLayout(this);
    main->addWidget(tfMessages, 1);
    main->addLayout(buttons);

    connect(BtncmdRead, &QPushButton::clicked, this, &FrmFMem::BtncmdRead_Click);
    connect(BtncmdErase, &QPushButton::clicked, this, [this] { runAction([this] { BtncmdErase_Click(); }); });
    connect(cmdCopy, &QPushButton::clicked, this, &FrmFMem::cmdCopy_Click);
    connect(cmdPrint, &QPushButton::clicked, this, &FrmFMem::cmdPrint_Click);
    connect(cmdTstAkt, &QPushButton::clicked, this, [this] { runAction([this] { cmdTstAkt_Click(); }); });
    connect(cmdReport, &QPushButton::clicked, this, &FrmFMem::cmdReport_Click);
    connect(BtncmdExit, &QPushButton::clicked, this, [this] { unload(); });
}

void FrmFMem::load()
{
    channel().watchdog().disable();
    session().link().resetTimeout();
    m_timer1.start();
}

void FrmFMem::Timer1_Timer()
{
    // A tick while the unit is asked comes again.
    if (busy())
        return;
    m_timer1.stop();
    // The close box and Escape wait for the read and follow it.
    runAction([this] { ReadFaultMemory(); });
}

void FrmFMem::ReadFaultMemory()
{
    const QDateTime stamp = platform().now();
    const std::optional<QString> body = decodeFaults();
    if (closeIfLost())
        return;
    m_readAt = stamp;
    if (body)
        setReport(*body);
    setButtonsEnabled(true);
    cmdTstAkt->setEnabled(gates::actuatorTestButton(session().identity()) && bool(m_actuatorTest));
}

std::optional<QString> FrmFMem::decodeFaults()
{
    const UnitIdentity& unit = session().identity();
    const gates::FaultMemoryLayout layout = gates::faultMemoryLayout(unit);
    const Reply reply = channel().ask(cmd::faultRead(layout));
    if (!reply || channel().lost())
        return std::nullopt;
    return faults::reportBody(*reply, layout, gates::faultReportNamesInjectionLine(unit),
        [this](faults::SensorCheck check) { return CheckSensorInput(check); });
}

std::optional<bool> FrmFMem::CheckSensorInput(faults::SensorCheck check)
{
    const Reply reply = channel().ask(cmd::analog());
    if (!reply || channel().lost())
        return std::nullopt;
    return faults::checkHolds(*reply, check);
}

void FrmFMem::startReading(const QString& text)
{
    setButtonsEnabled(false);
    cmdTstAkt->setEnabled(false);
    setReport(text);
    m_timer1.start();
}

void FrmFMem::BtncmdRead_Click()
{
    startReading(kReading);
}

void FrmFMem::BtncmdErase_Click()
{
    // No confirmation: the report stays on screen until the fresh read.
    setButtonsEnabled(false);
    cmdTstAkt->setEnabled(false);
    channel().send(cmd::faultErase());
    if (closeIfLost())
        return;
    startReading(kErasing);
}

void FrmFMem::cmdCopy_Click()
{
    platform().setClipboardText(
        faults::clipboardText(faults::reportHeader(session().identity(), m_readAt), reportText()));
}

void FrmFMem::cmdPrint_Click()
{
    const QString text = faults::printText(faults::reportHeader(session().identity(), m_readAt), reportText());
    if (!platform().printText(this, text, kPrintPointSize))
        platform().messageBox(this, kAppTitle, kNoPrinter, Platform::Icon::Warning);
}

void FrmFMem::cmdTstAkt_Click()
{
    if (!m_actuatorTest)
        return;
    if (std::unique_ptr<QDialog> test = m_actuatorTest(this))
        test->exec();
}

service::Report FrmFMem::serviceReport() const
{
    service::Sources sources;
    sources.unit = session().identity();
    sources.port = session().currentPort();
    sources.createdAt = platform().now();
    sources.faultsReadAt = m_readAt;
    sources.faultReport = reportText();
    sources.record = &session().serviceRecord();
    return service::build(sources);
}

void FrmFMem::cmdReport_Click()
{
    // The preview sends nothing to the unit, and this window's watchdog is off.
    FrmReport preview(serviceReport(), this);
    preview.exec();
}

bool FrmFMem::reading() const
{
    return !BtncmdRead->isEnabled();
}

QString FrmFMem::reportText() const
{
    return tfMessages->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

void FrmFMem::setReport(const QString& text)
{
    // The text area keeps its own line breaks; reportText() gives the unit's back.
    tfMessages->setPlainText(QString(text).remove(QLatin1Char('\r')));
}

void FrmFMem::setButtonsEnabled(bool enabled)
{
    for (QPushButton* b : { BtncmdRead, BtncmdErase, cmdCopy, cmdPrint, cmdReport, BtncmdExit })
        b->setEnabled(enabled);
}
