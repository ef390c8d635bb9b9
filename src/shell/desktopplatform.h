#pragma once

#include "shell/platform.h"

#include <functional>

class QPrinter;

// The platform services on a real desktop.
class DesktopPlatform : public Platform {
public:
    // Shows a help topic in the program's help window.
    void setHelpHandler(std::function<void(const QString&)> handler) { m_help = std::move(handler); }

    Answer messageBox(
        QWidget* parent, const QString& title, const QString& text, Icon icon, Buttons buttons) override;
    std::optional<QString> openFileName(QWidget* parent, const FileDialog& dialog) override;
    std::optional<QString> saveFileName(QWidget* parent, const FileDialog& dialog) override;
    void setClipboardText(const QString& text) override;
    QString clipboardText() const override;
    bool printText(QWidget* parent, const QString& text, int pointSize) override;
    bool printDocument(QWidget* parent, const QString& html) override;
    bool writePdf(const QString& path, const QString& html) override;
    bool openInTextEditor(const QString& path) override;
    void showHelp(const QString& topic) override;
    bool openUrl(const QString& url) override;
    QString systemDirectory() const override;
    QDateTime now() const override;

    // "Velmora-Logfile (*.vml)|*vml" -> "Velmora-Logfile (*.vml)" in Qt's filter syntax;
    // "Tabelle|*vmz" -> "Tabelle (*.vmz)".
    static QString qtFilter(const QString& filter);

    // Prints plain text at the given font size, page by page, on a printer
    // that is already chosen; false when the job could not start or failed.
    static bool printOn(QPrinter& printer, const QString& text, int pointSize);

    // Lays a rich-text document out on the printer's A4 page and prints it;
    // false when the job could not start or failed.
    static bool printDocumentOn(QPrinter& printer, const QString& html);

private:
    std::function<void(const QString&)> m_help;
};
