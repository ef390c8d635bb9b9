// daruri-linkbench: how close poll ticks over a pseudo-terminal come to the
// time the same bytes take on a real 19200-baud line, what the waiting and the
// line checks cost, and whether any value the program would show is wrong.
#include "benchsupport.h"
#include "core/commands.h"
#include "core/portmap.h"
#include "core/settings.h"
#include "shell/link.h"
#include "shell/serialtransport.h"
#include "shell/session.h"
#include "shell/timing.h"
#include "shell/watchdog.h"
#include "sim/ecusim.h"
#include "sim/profile.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <sys/resource.h>
#include <vector>

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
    timing::usePreciseWakeUps();
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption ticksOption(
        QStringLiteral("ticks"), QStringLiteral("Poll ticks to run."), QStringLiteral("N"), QStringLiteral("200"));
    const QCommandLineOption simOption(QStringLiteral("ecusim"), QStringLiteral("The simulator program."),
        QStringLiteral("PATH"), bench::defaultSimulator());
    const QCommandLineOption faultOption(QStringLiteral("fault"),
        QStringLiteral("A fault for the simulator (e.g. extra=3), repeatable."), QStringLiteral("SPEC"));
    const QCommandLineOption gapOption(QStringLiteral("gap"),
        QStringLiteral("Idle time between two ticks in ms, as the request time leaves it (default 0)."),
        QStringLiteral("MS"), QStringLiteral("0"));
    const QCommandLineOption loadOption(QStringLiteral("load"),
        QStringLiteral("Busy processes to run beside the benchmark (default 0)."), QStringLiteral("N"),
        QStringLiteral("0"));
    parser.addOptions({ ticksOption, simOption, faultOption, gapOption, loadOption });
    parser.process(app);
    const int ticks = std::max(1, parser.value(ticksOption).toInt());
    const int gapMs = std::max(0, parser.value(gapOption).toInt());

    // Busy neighbours: each spins on a core until the benchmark ends.
    std::vector<std::unique_ptr<QProcess>> load;
    for (int i = 0; i < parser.value(loadOption).toInt(); ++i) {
        load.push_back(std::make_unique<QProcess>());
        load.back()->start(QStringLiteral("sh"), { QStringLiteral("-c"), QStringLiteral("while :; do :; done") });
    }

    QProcess simulator;
    QStringList simArgs { QStringLiteral("--engine"), QStringLiteral("1500") };
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

    // What the unit really answers: the same simulated unit with the engine
    // held at the same speed, asked in-process.
    EcuSim truth(simprofiles::kDefault);
    truth.setEngine(1500);
    std::vector<Bytes> expected;
    for (const Request& r : kTick)
        expected.push_back(truth.feed(r.frame).left(r.replyLength));

    int shown = 0;
    int disturbed = 0;
    int wrong = 0;
    double busy = 0;
    double quiet = 0;
    const double cpuBefore = cpuSeconds();
    QElapsedTimer clock;
    clock.start();
    // The first requests after the port opens wait for a quiet line (nothing
    // is known of it yet); two ticks run before the clock does.
    const int warmUp = 2;
    for (int t = -warmUp; t < ticks && !link.timedOut(); ++t) {
        if (t == 0) {
            busy = quiet = 0;
            shown = disturbed = wrong = 0;
            clock.restart();
        }
        if (gapMs > 0) {
            bool idleOver = false;
            QTimer::singleShot(gapMs, &link, [&] {
                idleOver = true;
                link.wake();
            });
            link.waitUntil([&] { return idleOver; });
        }
        // A tick as the status window runs it: the requests in a row, their
        // values shown only when the line was quiet after the last of them.
        const qint64 start = clock.nsecsElapsed();
        std::vector<Bytes> replies;
        for (const Request& r : kTick) {
            const Reply reply = link.transact(r, watchdog);
            replies.push_back(reply.value_or(Bytes()));
        }
        const qint64 answered = clock.nsecsElapsed();
        const LineVerdict verdict = link.settle();
        busy += static_cast<double>(answered - start) / 1e9;
        quiet += static_cast<double>(clock.nsecsElapsed() - answered) / 1e9;
        watchdog.disable();
        if (verdict != LineVerdict::Clean) {
            ++disturbed;
            continue;
        }
        ++shown;
        if (replies != expected)
            ++wrong;
    }
    const double measured = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    const double cpu = cpuSeconds() - cpuBefore;
    link.closePort();
    simulator.terminate();
    simulator.waitForFinished(3000);
    for (auto& p : load) {
        p->kill();
        p->waitForFinished(1000);
    }
    const double simulatorCpu = cpuSeconds(RUSAGE_CHILDREN);

    const double wire = static_cast<double>(ticks) * bytesPerTick * 10.0 / 19200.0;
    std::printf("device          %s\n", qPrintable(device));
    std::printf("poll ticks      %d after 2 to warm up (%zu transactions, %d bytes each tick)\n", ticks,
        static_cast<size_t>(ticks) * std::size(kTick), bytesPerTick);
    std::printf(
        "requests        %.3f s (%.2f ms per tick, first request to last answer)\n", busy, busy * 1000 / ticks);
    std::printf(
        "wire time       %.3f s (%.2f ms per tick at 19200 baud, 10 bits per byte)\n", wire, wire * 1000 / ticks);
    std::printf("ratio           %.3f\n", busy / wire);
    std::printf("quiet check     %.2f ms per tick (after the last answer, in the idle time between ticks)\n",
        quiet * 1000 / ticks);
    std::printf("whole run       %.3f s (idle gap %d ms per tick)\n", measured, gapMs);
    std::printf("CPU time        %.3f s (%.1f %% of the whole run)\n", cpu, 100.0 * cpu / measured);
    std::printf("simulator CPU   %.3f s (whole run)\n", simulatorCpu);
    std::printf("ticks shown     %d (disturbed, not shown: %d)\n", shown, disturbed);
    std::printf("wrong values    %d (ticks shown whose values differ from the unit's)\n", wrong);
    return wrong == 0 && !link.timedOut() ? 0 : 1;
}
