// daruri-linkbench: how close poll ticks over a pseudo-terminal come to the
// time the same bytes take on a real 19200-baud line, and what the waiting costs.
#include "benchsupport.h"
#include "core/commands.h"
#include "core/portmap.h"
#include "core/settings.h"
#include "shell/link.h"
#include "shell/serialtransport.h"
#include "shell/session.h"
#include "shell/watchdog.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <sys/resource.h>

namespace {

using namespace std::chrono_literals;

// The live poll of an injection unit, in its order.
const Request kTick[] = {
    cmd::period(),
    cmd::outputs(),
    cmd::inputs(),
    cmd::angle1(),
    cmd::angle2(),
    cmd::correction(),
    cmd::analog(),
    cmd::lambda(),
    cmd::injectionTime(),
};

double cpuSeconds(int who = RUSAGE_SELF)
{
    rusage u {};
    getrusage(who, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec)
        + static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM",
        qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption ticksOption(
        QStringLiteral("ticks"), QStringLiteral("Poll ticks to run."), QStringLiteral("N"), QStringLiteral("200"));
    const QCommandLineOption simOption(QStringLiteral("ecusim"), QStringLiteral("The simulator program."),
        QStringLiteral("PATH"), bench::defaultSimulator());
    const QCommandLineOption faultOption(QStringLiteral("fault"),
        QStringLiteral("A fault for the simulator (e.g. extra=3), repeatable."), QStringLiteral("SPEC"));
    parser.addOptions({ ticksOption, simOption, faultOption });
    parser.process(app);
    const int ticks = std::max(1, parser.value(ticksOption).toInt());

    QProcess simulator;
    QStringList simArgs;
    for (const QString& fault : parser.values(faultOption))
        simArgs << QStringLiteral("--fault") << fault;
    const std::optional<QString> started
        = bench::startSimulator(simulator, parser.value(simOption), simArgs, "daruri-linkbench");
    if (!started)
        return 2;
    const QString device = *started;

    bench::ConsolePlatform console;
    setPlatform(&console);
    QTemporaryDir dir;
    SettingsFile settings(dir.path());
    SerialTransport transport(PortMap({ device }));
    Link link(transport);
    Session session(link, settings);
    Watchdog watchdog(session, LinkPolicy::statusWindow(), 5000ms);
    if (link.openPort(PortMap::kFirstNamedPort) != Transport::OpenResult::Opened) {
        std::fprintf(stderr, "daruri-linkbench: cannot open %s\n", qPrintable(device));
        return 2;
    }

    int bytesPerTick = 0;
    for (const Request& r : kTick)
        bytesPerTick += r.frame.size() + r.replyLength;

    int failures = 0;
    const double cpuBefore = cpuSeconds();
    QElapsedTimer clock;
    clock.start();
    for (int t = 0; t < ticks && !link.timedOut(); ++t) {
        for (const Request& r : kTick) {
            const Reply reply = link.transact(r, watchdog);
            // The simulated unit's correction is 0: anything else is a
            // shifted reply.
            if (!reply || reply->size() != r.replyLength || (r == cmd::correction() && reply->at(0) != 0))
                ++failures;
        }
        watchdog.disable();
    }
    const double measured = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    const double cpu = cpuSeconds() - cpuBefore;
    link.closePort();
    simulator.terminate();
    simulator.waitForFinished(3000);
    const double simulatorCpu = cpuSeconds(RUSAGE_CHILDREN);

    const double wire = static_cast<double>(ticks) * bytesPerTick * 10.0 / 19200.0;
    std::printf("device          %s\n", qPrintable(device));
    std::printf("poll ticks      %d (%zu transactions, %d bytes each tick)\n", ticks,
        static_cast<size_t>(ticks) * std::size(kTick), bytesPerTick);
    std::printf("measured        %.3f s (%.2f ms per tick)\n", measured, measured * 1000 / ticks);
    std::printf(
        "wire time       %.3f s (%.2f ms per tick at 19200 baud, 10 bits per byte)\n", wire, wire * 1000 / ticks);
    std::printf("ratio           %.3f\n", measured / wire);
    std::printf("CPU time        %.3f s (%.1f %% of the measured time)\n", cpu, 100.0 * cpu / measured);
    std::printf("simulator CPU   %.3f s (whole run)\n", simulatorCpu);
    std::printf("failed replies  %d\n", failures);
    return failures == 0 ? 0 : 1;
}
