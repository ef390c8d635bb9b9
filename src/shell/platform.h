#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

class QWidget;

// Everything the windows ask of the desktop goes through here, so a test can
// script the user's answers and read every box that was shown.
class Platform {
public:
    enum class Icon { None, Information, Warning, Critical, Question };
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
    enum class Answer { Ok, Cancel, Yes, No, Retry };

    struct FileDialog {
        QString title;
        QString filter; // "Velmora-Logfile (*.vml)|*vml" style: description|pattern pairs
        QString defaultExtension; // without the dot
        QString initialName;
    };

    virtual ~Platform() = default;

    virtual Answer messageBox(
        QWidget* parent, const QString& title, const QString& text, Icon icon, Buttons buttons = Buttons::Ok)
        = 0;
    // nullopt when the user cancels.
    virtual std::optional<QString> openFileName(QWidget* parent, const FileDialog& dialog) = 0;
    virtual std::optional<QString> saveFileName(QWidget* parent, const FileDialog& dialog) = 0;
    virtual void setClipboardText(const QString& text) = 0;
    virtual QString clipboardText() const = 0;
    // Prints plain text at the given font size; false when no printer could print it.
    virtual bool printText(QWidget* parent, const QString& text, int pointSize) = 0;
    // Prints a rich-text document on A4 after the print dialog; false when no
    // printer could print it (a cancelled dialog is no failure). Without print
    // support nothing is printed.
    virtual bool printDocument(QWidget*, const QString& /*html*/) { return false; }
    // Writes a rich-text document as an A4 PDF file; false when the file
    // could not be written.
    virtual bool writePdf(const QString& /*path*/, const QString& /*html*/) { return false; }
    // Opens a file in the text editor: notepad of the system directory on
    // Windows, the desktop's handler for text files elsewhere. False when
    // none could be started.
    virtual bool openInTextEditor(const QString& path) = 0;
    // Shows a help topic; an empty topic shows the start page.
    virtual void showHelp(const QString& topic) = 0;
    virtual bool openUrl(const QString& url) = 0;
    // The folder that holds notepad, named when it cannot be started; empty
    // where the editor is not found there.
    virtual QString systemDirectory() const = 0;
    // Local date and time for the time stamps the program writes and shows.
    virtual QDateTime now() const = 0;
};

// The program's title for boxes that carry none of their own.
inline const QString kAppTitle = QStringLiteral("DARuri");

// The one instance the windows use; set by main() or by a test.
Platform& platform();
void setPlatform(Platform* p);
