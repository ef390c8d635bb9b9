// daruri-ecusim: a simulated engine control unit on a pseudo-terminal.
#include "areas.h"
#include "ecusim.h"
#include "enginecontrol.h"
#include "profile.h"
#include "ptyserver.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {
int g_wakeFd = -1;

void onSignal(int)
{
    if (g_wakeFd >= 0) {
        const char c = 's';
        [[maybe_unused]] const auto n = ::write(g_wakeFd, &c, 1);
    }
}

int fail(const QString& text)
{
    std::fprintf(stderr, "daruri-ecusim: %s\n", qPrintable(text));
    return 2;
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("daruri-ecusim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Simulated engine control unit on a pseudo-terminal."));
    parser.addHelpOption();
    const QCommandLineOption profileOption(
        QStringLiteral("profile"), QStringLiteral("Unit profile."), QStringLiteral("NAME"), simprofiles::kDefault);
    const QCommandLineOption linkOption(
        QStringLiteral("link"), QStringLiteral("Symlink to the device."), QStringLiteral("PATH"));
    const QCommandLineOption wireOption(
        QStringLiteral("wire-time"), QStringLiteral("Pace bytes as a 19200-baud line does."));
    const QCommandLineOption faultOption(
        QStringLiteral("fault"), QStringLiteral("Fault: ") + simfaults::help(), QStringLiteral("SPEC"));
    const QCommandLineOption faultMemoryOption(QStringLiteral("fault-memory"),
        QStringLiteral("Fault memory entry or input wiring: ") + simfaultmem::help(), QStringLiteral("SPEC"));
    const QCommandLineOption listOption(QStringLiteral("list-profiles"), QStringLiteral("List the profiles."));
    const QCommandLineOption actuatorOption(QStringLiteral("actuator-test-ms"),
        QStringLiteral("How long an actuator test runs before the unit ends it."), QStringLiteral("MS"));
    const QCommandLineOption engineOption(QStringLiteral("engine"),
        QStringLiteral("How the engine runs: ") + simengine::help()
            + QStringLiteral(". Change it while serving with a line \"engine MODE\" on standard input."),
        QStringLiteral("MODE"), QStringLiteral("cycle"));
    parser.addOptions(
        { profileOption, linkOption, wireOption, faultOption, faultMemoryOption, listOption, actuatorOption });
    parser.addOption(engineOption);
    parser.process(app);

    if (parser.isSet(listOption)) {
        for (const SimProfile& p : simprofiles::all())
            std::printf("%-26s %s\n", qPrintable(p.name), qPrintable(p.description));
        return 0;
    }
    const SimProfile* profile = simprofiles::find(parser.value(profileOption));
    if (!profile)
        return fail(QStringLiteral("unknown profile '%1' (see --list-profiles)").arg(parser.value(profileOption)));

    EcuSim sim(*profile);
    for (const QString& spec : parser.values(faultOption)) {
        QString error;
        if (!simfaults::parse(spec, sim.faults(), &error))
            return fail(error);
    }
    for (const QString& spec : parser.values(faultMemoryOption)) {
        QString error;
        if (!simfaultmem::parse(spec, sim.memory(), &error))
            return fail(error);
    }

    if (parser.isSet(actuatorOption)) {
        bool ok = false;
        const int ms = parser.value(actuatorOption).toInt(&ok);
        if (!ok || ms < 0)
            return fail(QStringLiteral("--actuator-test-ms wants milliseconds, not '%1'")
                            .arg(parser.value(actuatorOption)));
        sim.memory().actuators.durationMs = ms;
    }

    {
        QString error;
        if (!simengine::apply(parser.value(engineOption), sim, &error))
            return fail(error);
    }

    PtyServer server(sim, parser.isSet(wireOption));
    server.setControlInput(STDIN_FILENO, [&sim](const QByteArray& line) {
        QString report;
        simengine::command(QString::fromLocal8Bit(line), sim, &report);
        if (!report.isEmpty()) {
            std::fprintf(stderr, "daruri-ecusim: %s\n", qPrintable(report));
            std::fflush(stderr);
        }
    });
    QString error;
    if (!server.open(&error))
        return fail(error);

    const QString link = parser.value(linkOption);
    const QByteArray linkPath = QFile::encodeName(link);
    if (!link.isEmpty()) {
        const QFileInfo info(link);
        if (info.isSymLink())
            ::unlink(linkPath.constData());
        else if (info.exists())
            return fail(QStringLiteral("%1 exists and is not a symlink").arg(link));
        if (::symlink(QFile::encodeName(server.slavePath()).constData(), linkPath.constData()) != 0)
            return fail(QStringLiteral("cannot create symlink %1").arg(link));
    }

    g_wakeFd = server.wakeFd();
    struct sigaction action { };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    // Started in the background of a terminal: a read of it fails instead of
    // stopping the simulator, and the control input is given up.
    std::signal(SIGTTIN, SIG_IGN);

    std::printf("%s\n", qPrintable(server.slavePath()));
    std::fflush(stdout);

    server.run();

    if (!link.isEmpty() && QFileInfo(link).isSymLink()
        && QFileInfo(link).symLinkTarget() == QFileInfo(server.slavePath()).absoluteFilePath())
        ::unlink(linkPath.constData());
    return 0;
}
