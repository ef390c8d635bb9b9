#include "desktopplatform.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QMessageBox>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextDocument>
#include <QUrl>

Platform::Answer DesktopPlatform::messageBox(
    QWidget* parent, const QString& title, const QString& text, Icon icon, Buttons buttons)
{
    QMessageBox box(parent);
    box.setWindowTitle(title);
    box.setText(text);
    switch (icon) {
    case Icon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Icon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case Icon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    }
    switch (buttons) {
    case Buttons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Buttons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case Buttons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case Buttons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    case Buttons::RetryCancel:
        box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Cancel:
        return Answer::Cancel;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Retry:
        return Answer::Retry;
    default:
        return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
    }
}

namespace {

// True when a description such as "Velmora-Logfile (*.vml)" already shows its
// pattern, which Qt then takes from the parentheses.
bool namesItsPattern(const QString& description)
{
    const qsizetype open = description.lastIndexOf(QLatin1Char('('));
    if (open < 0 || !description.endsWith(QLatin1Char(')')))
        return false;
    const QString inside = description.mid(open + 1, description.size() - open - 2);
    return inside.contains(QLatin1Char('*')) || inside.contains(QLatin1Char('?'));
}

// "*vml" -> "*.vml": the dialog shows the usual form and still lists every
// *.vml file. Several patterns are separated by ";" there and by blanks here.
QString qtPatterns(const QString& patterns)
{
    QStringList out;
    for (QString p : patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        p = p.trimmed();
        if (p.size() > 1 && p.startsWith(QLatin1Char('*')) && p.indexOf(QLatin1Char('.')) < 0
            && p.indexOf(QLatin1Char('*'), 1) < 0 && p.indexOf(QLatin1Char('?')) < 0)
            p.insert(1, QLatin1Char('.'));
        out << p;
    }
    return out.join(QLatin1Char(' '));
}

} // namespace

QString DesktopPlatform::qtFilter(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        out << (namesItsPattern(description)
                ? description
                : description + QStringLiteral(" (") + qtPatterns(parts[i + 1]) + QLatin1Char(')'));
    }
    return out.join(QStringLiteral(";;"));
}

namespace {
QString withExtension(const QString& path, const QString& extension)
{
    if (extension.isEmpty() || !QFileInfo(path).suffix().isEmpty())
        return path;
    return path + QLatin1Char('.') + extension;
}
} // namespace

std::optional<QString> DesktopPlatform::openFileName(QWidget* parent, const FileDialog& dialog)
{
    const QString path
        = QFileDialog::getOpenFileName(parent, dialog.title, dialog.initialName, qtFilter(dialog.filter));
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

std::optional<QString> DesktopPlatform::saveFileName(QWidget* parent, const FileDialog& dialog)
{
    QFileDialog fd(parent, dialog.title, dialog.initialName, qtFilter(dialog.filter));
    fd.setAcceptMode(QFileDialog::AcceptSave);
    fd.setDefaultSuffix(dialog.defaultExtension);
    if (fd.exec() != QDialog::Accepted || fd.selectedFiles().isEmpty())
        return std::nullopt;
    return withExtension(fd.selectedFiles().constFirst(), dialog.defaultExtension);
}

void DesktopPlatform::setClipboardText(const QString& text)
{
    QApplication::clipboard()->setText(text);
}

QString DesktopPlatform::clipboardText() const
{
    return QApplication::clipboard()->text();
}

bool DesktopPlatform::printText(QWidget*, const QString& text, int pointSize)
{
    // Without a default printer QPrinter still reports itself valid and only
    // the painter fails, so the printer is looked up first.
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return false;
    QPrinter printer(info);
    return printOn(printer, text, pointSize);
}

bool DesktopPlatform::printOn(QPrinter& printer, const QString& text, int pointSize)
{
    if (!printer.isValid())
        return false;
    QPainter painter;
    if (!painter.begin(&printer))
        return false;

    QTextDocument doc;
    doc.documentLayout()->setPaintDevice(&printer);
    // Fixed pitch, as on screen: the report lines up its entries with blanks.
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(pointSize);
    doc.setDefaultFont(font);
    doc.setPlainText(text);
    const QSizeF page = painter.viewport().size();
    doc.setPageSize(page);

    for (int i = 0; i < doc.pageCount(); ++i) {
        if (i > 0 && !printer.newPage()) {
            painter.end();
            return false;
        }
        const QRectF shown(QPointF(0, i * page.height()), page);
        painter.save();
        painter.translate(0, -shown.top());
        doc.drawContents(&painter, shown);
        painter.restore();
    }
    // A job the system refused shows only in the printer's state.
    if (!painter.end())
        return false;
    return printer.printerState() != QPrinter::Error && printer.printerState() != QPrinter::Aborted;
}

bool DesktopPlatform::printDocument(QWidget* parent, const QString& html)
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return false;
    QPrinter printer(info, QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    QPrintDialog dialog(&printer, parent);
    if (dialog.exec() != QDialog::Accepted)
        return true;
    return printDocumentOn(printer, html);
}

bool DesktopPlatform::writePdf(const QString& path, const QString& html)
{
    // Written beside the target and moved over it only when complete, so a
    // failed write leaves an older file as it was.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    {
        QPdfWriter writer(&file);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageOrientation(QPageLayout::Portrait);
        writer.setTitle(QFileInfo(path).completeBaseName());
        writer.setCreator(kAppTitle);
        QTextDocument doc;
        doc.setHtml(html);
        doc.print(&writer);
    }
    return file.error() == QFileDevice::NoError && file.size() > 0 && file.commit();
}

bool DesktopPlatform::printDocumentOn(QPrinter& printer, const QString& html)
{
    if (!printer.isValid())
        return false;
    QTextDocument doc;
    doc.setHtml(html);
    doc.print(&printer);
    return printer.printerState() != QPrinter::Error && printer.printerState() != QPrinter::Aborted;
}

bool DesktopPlatform::openInTextEditor(const QString& path)
{
#ifdef Q_OS_WIN
    return QProcess::startDetached(systemDirectory() + QStringLiteral("\\notepad.exe"), { path });
#else
    // The user's own choice first, else whatever the desktop opens text files
    // with. The path is one argument, never a shell line.
    const QString own = qEnvironmentVariable("DARURI_EDITOR");
    if (!own.isEmpty()) {
        const QString exe = QStandardPaths::findExecutable(own);
        return !exe.isEmpty() && QProcess::startDetached(exe, { path });
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
#endif
}

void DesktopPlatform::showHelp(const QString& topic)
{
    if (m_help)
        m_help(topic);
}

bool DesktopPlatform::openUrl(const QString& url)
{
    return QDesktopServices::openUrl(QUrl(url));
}

QDateTime DesktopPlatform::now() const
{
    return QDateTime::currentDateTime();
}

QString DesktopPlatform::systemDirectory() const
{
#ifdef Q_OS_WIN
    return QString::fromLocal8Bit(qgetenv("SystemRoot")) + QStringLiteral("\\System32");
#else
    return {};
#endif
}
