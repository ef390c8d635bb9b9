#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// What the command line asks for. It is read before the application object
// exists, so that help, version and a usage error need no display.
struct CommandLine {
    enum class Action { Run, Help, HelpAll, Version, Usage };

    Action action = Action::Run;
    QStringList ports;
    QString settingsDir;
    std::optional<QString> traceFile;
    // The link's quiet time instead of the line's own (a slow adapter).
    std::optional<int> quietMs;
    // A log file to show in the viewer alone, without the main window and the unit.
    std::optional<QString> viewLog;
    // Help or version text for standard output, or the usage error (with its
    // hint to --help) for standard error.
    QString text;

    // The exit status for a usage error.
    static constexpr int kUsageStatus = 2;
};

// `arguments` as the program got them, the program path first. Qt's own
// options (-platform, -style, -display, ...) are passed over here; the
// application object takes them.
CommandLine parseCommandLine(const QStringList& arguments);

// Help including Qt's options; needs the application object. Ends the program.
[[noreturn]] void showHelpWithQtOptions();
