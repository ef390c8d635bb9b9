#include "scriptedplatform.h"

#include <gtest/gtest.h>

ScriptedPlatform::ScriptedPlatform()
{
    setPlatform(this);
}

ScriptedPlatform::~ScriptedPlatform()
{
    setPlatform(nullptr);
}

Platform::Answer ScriptedPlatform::messageBox(
    QWidget*, const QString& title, const QString& text, Icon icon, Buttons buttons)
{
    boxes.push_back({ title, text, icon, buttons });
    if (onBox)
        onBox(boxes.back());
    if (!answers.empty()) {
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    // A question nobody scripted: the test did not expect it, so it fails,
    // and the answer is the one that changes nothing.
    ADD_FAILURE() << "unscripted question box \"" << title.toStdString() << "\": " << text.toStdString();
    return buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
}

std::optional<QString> ScriptedPlatform::openFileName(QWidget*, const FileDialog& dialog)
{
    openDialogs.push_back(dialog);
    if (openAnswers.empty())
        return std::nullopt;
    auto a = openAnswers.front();
    openAnswers.pop_front();
    return a;
}

std::optional<QString> ScriptedPlatform::saveFileName(QWidget*, const FileDialog& dialog)
{
    saveDialogs.push_back(dialog);
    if (saveAnswers.empty())
        return std::nullopt;
    auto a = saveAnswers.front();
    saveAnswers.pop_front();
    return a;
}

bool ScriptedPlatform::printText(QWidget*, const QString& text, int pointSize)
{
    if (!printerWorks)
        return false;
    printed.push_back({ text, pointSize });
    return true;
}

bool ScriptedPlatform::printDocument(QWidget*, const QString& html)
{
    if (!printerWorks)
        return false;
    printedDocuments << html;
    return true;
}

bool ScriptedPlatform::writePdf(const QString& path, const QString& html)
{
    if (!pdfWorks)
        return false;
    pdfs.push_back({ path, html });
    return true;
}

bool ScriptedPlatform::openInTextEditor(const QString& path)
{
    if (!editorWorks)
        return false;
    editorFiles << path;
    return true;
}

QStringList ScriptedPlatform::boxTexts() const
{
    QStringList out;
    for (const auto& b : boxes)
        out << b.text;
    return out;
}
