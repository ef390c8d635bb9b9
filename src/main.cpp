#include "basic/frmsds.h"
#include "basic/zwkor.h"
#include "core/portmap.h"
#include "core/settings.h"
#include "diagnostics/akttest.h"
#include "diagnostics/frmdwgtest.h"
#include "diagnostics/frmfmem.h"
#include "options/frmabout.h"
#include "options/frmoptionen.h"
#include "options/help.h"
#include "racing/frmroptionen.h"
#include "shell/desktopplatform.h"
#include "shell/frmhaupt.h"
#include "shell/link.h"
#include "shell/serialtransport.h"
#include "shell/session.h"
#include "shell/trace.h"
#include "shell/translations.h"
#include "status/frmmstg.h"
#include "status/unitwindows.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("DARuri"));
    QCoreApplication::setApplicationVersion(QStringLiteral("2.412"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Diagnose und Einstellung des Motorsteuergeräts"));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption portOption(QStringLiteral("port"),
        QStringLiteral("Weitere serielle Schnittstelle (Gerätedatei), wiederholbar; erhält die Nummern ab 129."),
        QStringLiteral("DEVICE"));
    const QCommandLineOption settingsOption(QStringLiteral("settings-dir"),
        QStringLiteral("Ordner der Einstellungsdatei vlm.ini."), QStringLiteral("DIR"));
    const QCommandLineOption traceOption(QStringLiteral("trace"),
        QStringLiteral("Protokoll aller Übertragungen in diese Datei schreiben."), QStringLiteral("FILE"));
    parser.addOption(portOption);
    parser.addOption(settingsOption);
    parser.addOption(traceOption);

    // --help and --version must work without a display, so they are answered
    // before QApplication connects to the window system. Errors wait for
    // process() below, after Qt has taken its own options (-platform, ...).
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    parser.parse(arguments);
    if (parser.isSet(helpOption)) {
        // Without an application object Qt cannot name the program itself.
        QTextStream(stdout) << parser.helpText().replace(
            QStringLiteral("<executable_name>"), arguments.value(0, QStringLiteral("daruri")));
        return 0;
    }
    if (parser.isSet(versionOption)) {
        QTextStream(stdout) << QCoreApplication::applicationName() << ' ' << QCoreApplication::applicationVersion()
                            << '\n';
        return 0;
    }

    QApplication app(argc, argv);
    const auto translators = installQtTranslations();
    parser.process(app);

    DesktopPlatform desktop;
    setPlatform(&desktop);
    desktop.setHelpHandler(&help::showInHelpWindow);

    SettingsFile settings(parser.value(settingsOption));
    bool reported = false;
    settings.setUnavailableHandler([&reported](const QString& path) {
        if (reported)
            return;
        reported = true;
        platform().messageBox(nullptr, kAppTitle,
            QStringLiteral("Die Einstellungsdatei \"%1\" kann weder gelesen noch angelegt "
                           "werden. Es werden die Standardeinstellungen verwendet.")
                .arg(path),
            Platform::Icon::Warning);
    });

    const PortMap map(PortMap::namedDevicesFrom(parser.values(portOption), qEnvironmentVariable("DARURI_PORTS")));
    SerialTransport transport(map);
    // The options dialog probes on a port of its own, so it never disturbs the link's.
    SerialTransport optionsProbe(map);
    Link link(transport);
    Session session(link, settings);

    Trace trace;
    if (parser.isSet(traceOption)) {
        if (trace.open(parser.value(traceOption)))
            link.setTrace(&trace);
        else
            QTextStream(stderr) << "daruri: cannot write trace file " << parser.value(traceOption) << '\n';
    }

    FrmHaupt main(session);
    // The unit windows register here as they are built; until then their
    // buttons in the status window stay disabled.
    UnitWindows unitWindows;
    const FrmFMem::ActuatorTestFactory actuatorTest = [&session](QWidget* parent) {
        return std::unique_ptr<QDialog>(std::make_unique<AktTest>(session, parent));
    };
    unitWindows.faultMemory = [&session, &actuatorTest](QWidget* parent) {
        auto window = std::make_unique<FrmFMem>(session, parent);
        window->setActuatorTestFactory(actuatorTest);
        return std::unique_ptr<QDialog>(std::move(window));
    };
    unitWindows.dwgTest = [&session](QWidget* parent) { return std::make_unique<FrmDwgTest>(session, parent); };
    unitWindows.zwKor = &ZwKor::run;
    unitWindows.softDown = [&session](QWidget* parent) { return std::make_unique<FrmSDS>(session, parent); };
    unitWindows.racingOptions
        = [&session](QWidget* parent) { return std::make_unique<FrmROptionen>(session, parent); };
    main.setStatusWindowFactory([&session, &unitWindows](QWidget* parent) {
        return std::make_unique<FrmMStg>(session, unitWindows, parent);
    });
    main.setOptionsDialogFactory([&settings, &optionsProbe, &map](QWidget* parent) {
        return std::make_unique<FrmOptionen>(settings, optionsProbe, map, parent);
    });
    main.setAboutBoxFactory([](QWidget* parent) { return new FrmAbout(parent); });
    main.show();
    const int rc = app.exec();
    link.shutdown();
    return rc;
}
