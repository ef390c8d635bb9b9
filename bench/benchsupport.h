#pragma once

// What the benchmarks share: a desktop that prints its boxes, and the
// simulator program started on a pseudo-terminal.
#include "shell/platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>

#include <cstdio>
#include <optional>

namespace bench {

// No desktop here: a box goes to the terminal.
class ConsolePlatform : public Platform {
public:
    Answer messageBox(QWidget*, const QString& title, const QString& text, Icon, Buttons) override
    {
        std::fprintf(stderr, "box: %s: %s\n", qPrintable(title), qPrintable(text));
        return Answer::Ok;
    }
    std::optional<QString> openFileName(QWidget*, const FileDialog&) override { return std::nullopt; }
    std::optional<QString> saveFileName(QWidget*, const FileDialog&) override { return std::nullopt; }
    void setClipboardText(const QString&) override { }
    QString clipboardText() const override { return {}; }
    bool printText(QWidget*, const QString&, int) override { return false; }
    bool openInTextEditor(const QString&) override { return false; }
    void showHelp(const QString&) override { }
    bool openUrl(const QString&) override { return false; }
    QString systemDirectory() const override { return {}; }
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

// The simulator built beside the benchmark, else the one of the build tree.
inline QString defaultSimulator()
{
    const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("daruri-ecusim"));
    return QFileInfo::exists(beside) ? beside : QStringLiteral(DARURI_ECUSIM_PATH);
}

// Starts the simulator with `arguments` (plus --wire-time) and returns the
// pseudo-terminal it serves, or nothing with a message naming `benchmark`.
inline std::optional<QString> startSimulator(
    QProcess& simulator, const QString& program, QStringList arguments, const char* benchmark)
{
    simulator.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    arguments.prepend(QStringLiteral("--wire-time"));
    simulator.start(program, arguments);
    if (!simulator.waitForStarted(3000) || !simulator.waitForReadyRead(3000)) {
        std::fprintf(stderr, "%s: cannot start %s\n", benchmark, qPrintable(program));
        return std::nullopt;
    }
    return QString::fromLocal8Bit(simulator.readLine()).trimmed();
}

} // namespace bench
