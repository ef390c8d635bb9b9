#include "scriptedplatform.h"

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
    switch (buttons) {
    case Buttons::YesNo:
    case Buttons::YesNoCancel:
        return Answer::Yes;
    case Buttons::RetryCancel:
        return Answer::Retry;
    default:
        return Answer::Ok;
    }
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

bool ScriptedPlatform::printText(QWidget*, const QString& text)
{
    if (!printerWorks)
        return false;
    printed << text;
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
