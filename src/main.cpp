#include "core/portmap.h"
#include "core/settings.h"
#include "options/frmabout.h"
#include "options/frmoptionen.h"
#include "options/help.h"
#include "shell/commandline.h"
#include "shell/desktopplatform.h"
#include "shell/frmhaupt.h"
#include "shell/link.h"
#include "shell/programwindows.h"
#include "shell/serialtransport.h"
#include "shell/session.h"
#include "shell/timing.h"
#include "shell/trace.h"
#include "shell/translations.h"
#include "status/frmlogview.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QStandardPaths>
#include <QTextStream>

#include <chrono>

namespace {

// An installed program runs from the system's program folder, where its user
// may not write; its settings then live in the user's configuration folder
// (~/.config/DARuri). A program run from its build keeps them in the folder
// it is started from.
QString settingsDirectory(const QString& given)
{
    if (!given.isEmpty())
        return given;
    if (QDir(QCoreApplication::applicationDirPath()) != QDir(QStringLiteral(DARURI_INSTALL_BINDIR)))
        return {};
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(dir);
    return dir;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("DARuri"));
    QCoreApplication::setApplicationVersion(QStringLiteral("2.412"));

    // Help, version and usage errors are answered before QApplication
    // connects to the window system, so they work without a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine commandLine = parseCommandLine(arguments);
    switch (commandLine.action) {
    case CommandLine::Action::Help:
    case CommandLine::Action::Version:
        QTextStream(stdout) << commandLine.text;
        return 0;
    case CommandLine::Action::Usage:
        QTextStream(stderr) << commandLine.text;
        return CommandLine::kUsageStatus;
    case CommandLine::Action::HelpAll:
    case CommandLine::Action::Run:
        break;
    }

    QApplication app(argc, argv);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/daruri.png")));
    timing::usePreciseWakeUps();
    const auto translators = installQtTranslations();
    if (commandLine.action == CommandLine::Action::HelpAll)
        showHelpWithQtOptions();

    DesktopPlatform desktop;
    setPlatform(&desktop);
    desktop.setHelpHandler(&help::showInHelpWindow);

    // The viewer alone: no settings file, no port, no unit.
    if (commandLine.viewLog) {
        FrmLogView* viewer = FrmLogView::open(*commandLine.viewLog, FrmLogView::kDefaultPollPeriod);
        if (!viewer)
            return 1;
        viewer->show();
        return app.exec();
    }

    SettingsFile settings(settingsDirectory(commandLine.settingsDir));
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

    const PortMap map(PortMap::namedDevicesFrom(commandLine.ports, qEnvironmentVariable("DARURI_PORTS")));
    SerialTransport transport(map);
    // The options dialog probes on a port of its own, so it never disturbs the link's.
    SerialTransport optionsProbe(map);
    Link link(transport);
    Session session(link, settings);
    if (commandLine.quietMs)
        link.setQuietTime(std::chrono::milliseconds(*commandLine.quietMs));

    Trace trace;
    if (commandLine.traceFile) {
        if (trace.open(*commandLine.traceFile))
            link.setTrace(&trace);
        else
            QTextStream(stderr) << QStringLiteral("daruri: Die Protokolldatei %1 kann nicht geschrieben werden.\n")
                                       .arg(*commandLine.traceFile);
    }

    FrmHaupt main(session);
    const UnitWindows unitWindows = programUnitWindows(session);
    attachStatusWindow(main, session, unitWindows);
    main.setOptionsDialogFactory([&settings, &optionsProbe, &map](QWidget* parent) {
        return std::make_unique<FrmOptionen>(settings, optionsProbe, map, parent);
    });
    main.setAboutBoxFactory([](QWidget* parent) { return new FrmAbout(parent); });
    attachLogViewer(main, settings);
    main.show();
    const int rc = app.exec();
    link.shutdown();
    return rc;
}
