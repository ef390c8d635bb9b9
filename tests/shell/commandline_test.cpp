#include "shell/commandline.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

using Action = CommandLine::Action;

struct Row {
    const char* name;
    QStringList args; // after the program name
    Action action;
    QString complaint; // the usage error's first line, without the program name
    QStringList ports = {};
    QString settingsDir = {};
    std::optional<QString> trace = std::nullopt;
    std::optional<int> quietMs = std::nullopt;
    std::optional<QString> viewLog = std::nullopt;
};

class CommandLineParse : public ::testing::TestWithParam<Row> { };

TEST_P(CommandLineParse, GivesTheActionAndValues)
{
    const Row& row = GetParam();
    const CommandLine c = parseCommandLine(QStringList { QStringLiteral("/usr/bin/daruri") } + row.args);
    EXPECT_EQ(c.action, row.action);
    if (row.action == Action::Usage) {
        EXPECT_EQ(c.text,
            QStringLiteral("daruri: ") + row.complaint
                + QStringLiteral("\nEine Übersicht der Optionen zeigt \"daruri --help\".\n"));
        return;
    }
    EXPECT_EQ(c.ports, row.ports);
    EXPECT_EQ(c.settingsDir, row.settingsDir);
    EXPECT_EQ(c.traceFile, row.trace);
    EXPECT_EQ(c.quietMs, row.quietMs);
    EXPECT_EQ(c.viewLog, row.viewLog);
}

const Row kRows[] = {
    { "Nothing", {}, Action::Run, {} },
    { "EveryValueOption", { "--port", "/dev/a", "--port=/dev/b", "--settings-dir", "/s", "--trace", "t.log" },
        Action::Run, {}, { "/dev/a", "/dev/b" }, "/s", QStringLiteral("t.log") },
    { "QuietTime", { "--quiet-ms", "20" }, Action::Run, {}, {}, {}, std::nullopt, 20 },
    { "ViewLog", { "--view", "fahrt.vml" }, Action::Run, {}, {}, {}, std::nullopt, std::nullopt,
        QStringLiteral("fahrt.vml") },
    { "ViewWithoutValue", { "--view" }, Action::Usage, "Nach --view fehlt der Wert." },
    { "QtOptionsArePassedOver", { "-platform", "offscreen", "--style=fusion", "-reverse", "--port", "/dev/a" },
        Action::Run, {}, { "/dev/a" } },
    { "Help", { "-h" }, Action::Help, {} },
    { "Version", { "--version" }, Action::Version, {} },
    { "HelpWithQtOptions", { "--help-all" }, Action::HelpAll, {} },
    { "UnknownLongOption", { "--bogus" }, Action::Usage, "Unbekannte Option: --bogus" },
    { "UnknownOptionWithValue", { "--port", "/dev/a", "--bogus=1" }, Action::Usage, "Unbekannte Option: --bogus" },
    { "UnknownShortOption", { "-x" }, Action::Usage, "Unbekannte Option: -x" },
    { "PortWithoutValue", { "--port" }, Action::Usage, "Nach --port fehlt der Wert." },
    { "SettingsDirWithoutValue", { "--port", "/dev/a", "--settings-dir" }, Action::Usage,
        "Nach --settings-dir fehlt der Wert." },
    { "TraceWithoutValue", { "--trace" }, Action::Usage, "Nach --trace fehlt der Wert." },
    { "SwitchWithValue", { "--version=2" }, Action::Usage, "Die Option --version erwartet keinen Wert." },
    { "QuietTimeOutOfRange", { "--quiet-ms", "0" }, Action::Usage,
        "Der Wert von --quiet-ms muss eine ganze Zahl von 1 bis 250 sein, nicht \"0\"." },
    { "QuietTimeNoNumber", { "--quiet-ms=abc" }, Action::Usage,
        "Der Wert von --quiet-ms muss eine ganze Zahl von 1 bis 250 sein, nicht \"abc\"." },
    { "StrayArgument", { "/dev/ttyUSB0" }, Action::Usage, "Unerwartetes Argument: /dev/ttyUSB0" },
};

INSTANTIATE_TEST_SUITE_P(Arguments, CommandLineParse, ::testing::ValuesIn(kRows),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CommandLineHelp, ListsTheProgramsOptions)
{
    const CommandLine c = parseCommandLine({ QStringLiteral("./daruri"), QStringLiteral("--help") });
    EXPECT_TRUE(c.text.startsWith(QStringLiteral("Usage: "))) << c.text.toStdString();
    for (const char* option : { "--port <DEVICE>", "--settings-dir <DIR>", "--trace <FILE>" })
        EXPECT_TRUE(c.text.contains(QLatin1String(option))) << option;
}

} // namespace
