#pragma once

#include "shell/platform.h"

#include <QStringList>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

// Platform services for tests: records every box and call, answers from a
// script. A plain Ok box needs no script; a question box with no scripted
// answer fails the test and is answered Cancel (No for Yes/No). A file
// dialog with no scripted answer is cancelled.
class ScriptedPlatform : public Platform {
public:
    struct Box {
        QString title;
        QString text;
        Icon icon;
        Buttons buttons;
    };

    ScriptedPlatform();
    ~ScriptedPlatform() override;

    std::vector<Box> boxes;
    std::deque<Answer> answers;
    // Run when a box is shown (after it is recorded); lets a test act while
    // "the box is open", as a user would.
    std::function<void(const Box&)> onBox;

    std::deque<std::optional<QString>> openAnswers;
    std::deque<std::optional<QString>> saveAnswers;
    std::vector<FileDialog> openDialogs;
    std::vector<FileDialog> saveDialogs;

    struct Printout {
        QString text;
        int pointSize;
    };

    QString clipboard;
    std::vector<Printout> printed;
    QStringList printedDocuments; // HTML
    bool printerWorks = true;
    struct Pdf {
        QString path;
        QString html;
    };
    std::vector<Pdf> pdfs;
    bool pdfWorks = true;
    QStringList editorFiles;
    bool editorWorks = true;
    QStringList helpTopics;
    QStringList urls;
    // Empty: the editor is the desktop's, not notepad of a system directory.
    QString systemDir;
    // What now() answers; a fixed moment so that time stamps can be compared.
    QDateTime clock { QDate(2026, 3, 14), QTime(9, 26, 53) };

    Answer messageBox(
        QWidget* parent, const QString& title, const QString& text, Icon icon, Buttons buttons) override;
    std::optional<QString> openFileName(QWidget* parent, const FileDialog& dialog) override;
    std::optional<QString> saveFileName(QWidget* parent, const FileDialog& dialog) override;
    void setClipboardText(const QString& text) override { clipboard = text; }
    QString clipboardText() const override { return clipboard; }
    bool printText(QWidget*, const QString& text, int pointSize) override;
    bool printDocument(QWidget*, const QString& html) override;
    bool writePdf(const QString& path, const QString& html) override;
    bool openInTextEditor(const QString& path) override;
    void showHelp(const QString& topic) override { helpTopics << topic; }
    bool openUrl(const QString& url) override
    {
        urls << url;
        return true;
    }
    QString systemDirectory() const override { return systemDir; }
    QDateTime now() const override { return clock; }

    QStringList boxTexts() const;

private:
    Platform* m_previous = nullptr;
};
