#include "commandline.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>
#include <cstdlib>

namespace {

const QString kPort = QStringLiteral("port");
const QString kSettingsDir = QStringLiteral("settings-dir");
const QString kTrace = QStringLiteral("trace");
const QString kQuietMs = QStringLiteral("quiet-ms");
const QString kView = QStringLiteral("view");
constexpr int kLongestQuietMs = 250;

struct Options {
    QCommandLineOption help { QStringLiteral("h") };
    QCommandLineOption version { QStringLiteral("v") };
};

Options describe(QCommandLineParser& parser)
{
    parser.setApplicationDescription(QStringLiteral("Diagnose und Einstellung des Motorsteuergeräts"));
    // "-port X" as well as "--port X"; and an unknown "-xyz" is named whole.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    Options o;
    o.help = parser.addHelpOption();
    o.version = parser.addVersionOption();
    parser.addOption(QCommandLineOption(kPort,
        QStringLiteral("Weitere serielle Schnittstelle (Gerätedatei), wiederholbar; erhält die Nummern ab 129."),
        QStringLiteral("DEVICE")));
    parser.addOption(QCommandLineOption(
        kSettingsDir, QStringLiteral("Ordner der Einstellungsdatei vlm.ini."), QStringLiteral("DIR")));
    parser.addOption(QCommandLineOption(kTrace,
        QStringLiteral("Protokoll aller Übertragungen in diese Datei schreiben."), QStringLiteral("FILE")));
    parser.addOption(QCommandLineOption(kQuietMs,
        QStringLiteral("Ruhezeit der Leitung nach einer Antwort in Millisekunden, bevor sie als ungestört gilt "
                       "(Vorgabe: aus der Leitung bestimmt; für langsame Adapter)."),
        QStringLiteral("MS")));
    parser.addOption(QCommandLineOption(kView,
        QStringLiteral("Nur die Logdatei (*.vml) als Diagramm anzeigen, ohne Verbindung zum Steuergerät."),
        QStringLiteral("FILE")));
    return o;
}

// The options QGuiApplication, QApplication and the X11 platform take out of
// the argument list, and whether a value follows them.
struct QtOption {
    const char* name;
    bool takesValue;
};
constexpr QtOption kQtOptions[] = { { "platform", true }, { "platformpluginpath", true },
    { "platformtheme", true }, { "plugin", true }, { "qwindowgeometry", true }, { "geometry", true },
    { "qwindowtitle", true }, { "title", true }, { "qwindowicon", true }, { "icon", true }, { "session", true },
    { "reverse", false }, { "testability", false }, { "qmljsdebugger", true }, { "style", true },
    { "stylesheet", true }, { "widgetcount", false }, { "display", true }, { "name", true }, { "visual", true },
    { "dograb", false }, { "nograb", false } };

bool isOption(const QString& argument)
{
    return argument.size() > 1 && argument.startsWith(QLatin1Char('-')) && argument != QStringLiteral("--");
}

// "--port=x" -> "port", "-platform" -> "platform".
QString optionName(const QString& argument)
{
    return argument.mid(argument.startsWith(QStringLiteral("--")) ? 2 : 1).section(QLatin1Char('='), 0, 0);
}

QStringList withoutQtOptions(const QStringList& arguments)
{
    QStringList out = arguments.mid(0, 1);
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments.at(i);
        if (a == QStringLiteral("--")) {
            out << arguments.mid(i);
            break;
        }
        const QString name = isOption(a) ? optionName(a) : QString();
        const auto* qt = std::find_if(std::begin(kQtOptions), std::end(kQtOptions),
            [&](const QtOption& o) { return !name.isEmpty() && name == QLatin1String(o.name); });
        if (qt == std::end(kQtOptions))
            out << a;
        else if (qt->takesValue && !a.contains(QLatin1Char('=')))
            ++i;
    }
    return out;
}

QString usageError(const QString& program, const QString& what)
{
    return QStringLiteral("%1: %2\nEine Übersicht der Optionen zeigt \"%1 --help\".\n").arg(program, what);
}

// The option named `name` as the user typed it, without a value.
QString typedOption(const QStringList& arguments, const QString& name)
{
    for (const QString& a : arguments.mid(1)) {
        if (isOption(a) && optionName(a) == name)
            return a.section(QLatin1Char('='), 0, 0);
    }
    return QStringLiteral("--") + name;
}

// The parser's complaint in the program's words.
QString whatIsWrong(const QCommandLineParser& parser, const QStringList& arguments)
{
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty())
        return QStringLiteral("Unbekannte Option: %1").arg(typedOption(arguments, unknown.first()));
    // A value option at the very end: every other argument would be its value.
    const QString last = arguments.last();
    if (isOption(last) && !last.contains(QLatin1Char('='))
        && QStringList { kPort, kSettingsDir, kTrace, kQuietMs, kView }.contains(optionName(last)))
        return QStringLiteral("Nach %1 fehlt der Wert.").arg(last);
    // The rest is a switch given a value ("--help=x").
    for (const QString& a : arguments.mid(1)) {
        if (isOption(a) && a.contains(QLatin1Char('=')))
            return QStringLiteral("Die Option %1 erwartet keinen Wert.").arg(a.section(QLatin1Char('='), 0, 0));
    }
    return parser.errorText();
}

} // namespace

CommandLine parseCommandLine(const QStringList& rawArguments)
{
    const QStringList arguments = withoutQtOptions(rawArguments);
    const QString program = QFileInfo(arguments.value(0, QStringLiteral("daruri"))).fileName();
    QCommandLineParser parser;
    const Options o = describe(parser);

    CommandLine out;
    if (!parser.parse(arguments)) {
        out.action = CommandLine::Action::Usage;
        out.text = usageError(program, whatIsWrong(parser, arguments));
        return out;
    }
    if (parser.isSet(o.help)) {
        out.action = CommandLine::Action::Help;
        // Without an application object Qt cannot name the program itself.
        out.text = parser.helpText().replace(QStringLiteral("<executable_name>"), arguments.value(0, program));
        return out;
    }
    if (parser.isSet(o.version)) {
        out.action = CommandLine::Action::Version;
        out.text = QCoreApplication::applicationName() + QLatin1Char(' ') + QCoreApplication::applicationVersion()
            + QLatin1Char('\n');
        return out;
    }
    if (parser.isSet(QStringLiteral("help-all"))) {
        out.action = CommandLine::Action::HelpAll;
        return out;
    }
    if (!parser.positionalArguments().isEmpty()) {
        out.action = CommandLine::Action::Usage;
        out.text = usageError(
            program, QStringLiteral("Unerwartetes Argument: %1").arg(parser.positionalArguments().first()));
        return out;
    }
    out.ports = parser.values(kPort);
    out.settingsDir = parser.value(kSettingsDir);
    if (parser.isSet(kTrace))
        out.traceFile = parser.value(kTrace);
    if (parser.isSet(kView))
        out.viewLog = parser.value(kView);
    if (parser.isSet(kQuietMs)) {
        bool ok = false;
        const int ms = parser.value(kQuietMs).toInt(&ok);
        if (!ok || ms < 1 || ms > kLongestQuietMs) {
            out.action = CommandLine::Action::Usage;
            out.text = usageError(program,
                QStringLiteral("Der Wert von --quiet-ms muss eine ganze Zahl von 1 bis %1 sein, nicht \"%2\".")
                    .arg(kLongestQuietMs)
                    .arg(parser.value(kQuietMs)));
            return out;
        }
        out.quietMs = ms;
    }
    return out;
}

void showHelpWithQtOptions()
{
    QCommandLineParser parser;
    describe(parser);
    parser.process(QCoreApplication::arguments());
    std::exit(0);
}
