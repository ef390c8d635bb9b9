#include "frmreport.h"

#include "shell/kit/helpkey.h"
#include "shell/platform.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QSaveFile>
#include <QTextBrowser>
#include <QVBoxLayout>

FrmReport::FrmReport(const service::Report& report, QWidget* parent)
    : QDialog(parent)
    , m_report(report)
    , m_html(service::toHtml(report))
{
    setObjectName(QStringLiteral("FrmReport"));
    setWindowTitle(report.title);

    txtReport = new QTextBrowser(this);
    txtReport->setObjectName(QStringLiteral("txtReport"));
    txtReport->setReadOnly(true);
    txtReport->setOpenLinks(false);
    // Tab leaves the text for the buttons; the arrows still scroll it.
    txtReport->setTabChangesFocus(true);
    txtReport->setHtml(m_html);
    txtReport->setMinimumSize(560, 480);

    auto button = [this](const char* name, const QString& caption, const QString& tip) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(tip);
        b->setAutoDefault(false);
        return b;
    };
    cmdPrintReport = button("cmdPrintReport", QStringLiteral("&Drucken..."), QStringLiteral("Bericht ausdrucken"));
    cmdSavePdf = button(
        "cmdSavePdf", QStringLiteral("&PDF speichern..."), QStringLiteral("Bericht als PDF-Dokument speichern"));
    cmdSaveCsv = button(
        "cmdSaveCsv", QStringLiteral("&CSV speichern..."), QStringLiteral("Bericht als CSV-Datei speichern"));
    cmdCloseReport = button("cmdCloseReport", QStringLiteral("&Schließen"), QStringLiteral("Vorschau schließen"));

    connect(cmdPrintReport, &QPushButton::clicked, this, &FrmReport::cmdPrintReport_Click);
    connect(cmdSavePdf, &QPushButton::clicked, this, &FrmReport::cmdSavePdf_Click);
    connect(cmdSaveCsv, &QPushButton::clicked, this, &FrmReport::cmdSaveCsv_Click);
    connect(cmdCloseReport, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : { cmdPrintReport, cmdSavePdf, cmdSaveCsv })
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(cmdCloseReport);
    auto* main = new QVBoxLayout(this);
    main->addWidget(txtReport, 1);
    main->addLayout(buttons);

    help::installF1(this, kHelpTopic);
    txtReport->setFocus();
}

void FrmReport::cmdPrintReport_Click()
{
    if (!platform().printDocument(this, m_html))
        platform().messageBox(this, kAppTitle, kNoPrinter, Platform::Icon::Warning);
}

std::optional<QString> FrmReport::askPath(const QString& filter, const QString& extension)
{
    Platform::FileDialog dialog;
    dialog.title = QStringLiteral("Bericht speichern unter");
    dialog.filter = filter;
    dialog.defaultExtension = extension;
    dialog.initialName = service::kTitle + QLatin1Char('.') + extension;
    const std::optional<QString> path = platform().saveFileName(this, dialog);
    if (!path || path->isEmpty())
        return std::nullopt;
    return path;
}

void FrmReport::notWritten(const QString& path)
{
    platform().messageBox(this, kAppTitle, kNotWritten.arg(path), Platform::Icon::Critical);
}

void FrmReport::cmdSavePdf_Click()
{
    const std::optional<QString> path = askPath(kPdfFilter, QStringLiteral("pdf"));
    if (path && !platform().writePdf(*path, m_html))
        notWritten(*path);
}

void FrmReport::cmdSaveCsv_Click()
{
    const std::optional<QString> path = askPath(kCsvFilter, QStringLiteral("csv"));
    if (!path)
        return;
    const QByteArray content = service::toCsv(m_report);
    QSaveFile file(*path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit())
        notWritten(*path);
}
