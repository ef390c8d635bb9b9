// daruri-soak: the program as users run it (main window with reconnect on,
// the real status window polling) against daruri-ecusim on a pseudo-terminal,
// for a long time, while the simulator's side goes away at random moments and
// comes back after a random pause. It proves that every lost link is followed
// by a reconnect, that memory stays flat, and that nothing hangs.
#include "benchsupport.h"
#include "core/commands.h"
#include "core/portmap.h"
#include "core/settings.h"
#include "shell/frmhaupt.h"
#include "shell/link.h"
#include "shell/programwindows.h"
#include "shell/serialtransport.h"
#include "shell/session.h"
#include "shell/timing.h"
#include "shell/trace.h"
#include "shell/watchdog.h"
#include "status/frmmstg.h"
#include "status/unitwindows.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>
#include <random>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;

double cpuSeconds(int who = RUSAGE_SELF)
{
    rusage u {};
    getrusage(who, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec)
        + static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Resident memory of this process in KiB, 0 when it cannot be read.
long residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return 0;
}

// The serial transport the program uses, counting the poll ticks it carries:
// every tick starts with the period request.
class CountingTransport : public SerialTransport {
public:
    using SerialTransport::SerialTransport;
    std::function<void(const QByteArray&)> onWrite;
    bool write(const QByteArray& data) override
    {
        if (onWrite)
            onWrite(data);
        return SerialTransport::write(data);
    }
};

// Boxes are answered at once and counted by their text.
class CountingPlatform : public bench::ConsolePlatform {
public:
    QMap<QString, int> boxes;
    int total = 0;
    Answer messageBox(QWidget*, const QString& title, const QString& text, Icon, Buttons) override
    {
        ++boxes[title + QStringLiteral(": ") + text];
        ++total;
        return Answer::Ok;
    }
};

enum class OutageKind { Kill, Terminate, Freeze };

const char* kindName(OutageKind k)
{
    switch (k) {
    case OutageKind::Kill:
        return "killed";
    case OutageKind::Terminate:
        return "terminated";
    case OutageKind::Freeze:
        return "frozen";
    }
    return "?";
}

struct Outage {
    OutageKind kind;
    double start = 0; // seconds into the run
    double back = -1; // the simulator serves again
    double recovered = -1; // the status window answered a poll again
    double cpu = 0; // this process's CPU time while the simulator was away
    bool lostSeen = false; // the program noticed (a status window closed with the link lost)
    bool superseded = false; // the next outage began before polling resumed
};

// The main thread beats; a thread of its own ends the run when the beat stops.
std::atomic<qint64> g_beat { 0 };
std::atomic<bool> g_done { false };
std::atomic<pid_t> g_simulatorPid { 0 };

qint64 monotonicMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM",
        qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    timing::usePreciseWakeUps();
    std::signal(SIGPIPE, SIG_IGN);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Runs the main and status windows against daruri-ecusim while the simulator goes away and comes back."));
    parser.addHelpOption();
    const auto option = [&](const char* name, const char* help, const char* value, const char* def) {
        QCommandLineOption o(QString::fromLatin1(name), QString::fromLatin1(help), QString::fromLatin1(value),
            QString::fromLatin1(def));
        parser.addOption(o);
        return o;
    };
    const auto secondsOption = option("seconds", "Length of the run.", "S", "3600");
    const auto warmUpOption = option(
        "warm-up", "Seconds before the memory baseline (default: a sixth of the run, at most 120).", "S", "");
    const auto upOption
        = option("up", "Seconds the simulator serves between outages, MIN:MAX.", "MIN:MAX", "5:60");
    const auto downOption = option("down", "Seconds an outage lasts, MIN:MAX.", "MIN:MAX", "0.5:10");
    const auto recoverOption
        = option("recover", "Seconds after the simulator is back within which polling must resume.", "S", "45");
    const auto growthOption
        = option("max-growth-mb", "Resident memory growth after the warm-up that fails the run.", "MB", "16");
    const auto seedOption = option("seed", "Random seed (default: from the clock).", "N", "");
    const auto requestOption = option("request-time", "Poll interval of the status window.", "MS", "300");
    const auto profileOption = option("profile", "Simulator profile.", "NAME", "injection-rx4");
    const auto reportOption = option("report", "Seconds between progress lines.", "S", "60");
    const auto hangOption = option("hang", "Seconds without an event loop turn that count as a hang.", "S", "30");
    const auto simOption = option("ecusim", "The simulator program.", "PATH", "");
    const auto traceOption = option("trace", "Protocol trace of the program's link.", "FILE", "");
    const QCommandLineOption quietBoxesOption(
        QStringLiteral("no-boxes"), QStringLiteral("Set NoBreakMsg: no box on a lost link."));
    parser.addOption(quietBoxesOption);
    parser.process(app);

    const auto range = [&](const QCommandLineOption& o) {
        const QStringList parts = parser.value(o).split(QLatin1Char(':'));
        const double lo = parts.value(0).toDouble();
        const double hi = parts.size() > 1 ? parts.value(1).toDouble() : lo;
        return std::uniform_real_distribution<double>(std::max(0.05, lo), std::max(lo, hi) + 1e-9);
    };
    const double seconds = std::max(10.0, parser.value(secondsOption).toDouble());
    const double warmUp = parser.value(warmUpOption).isEmpty() ? std::min(120.0, seconds / 6)
                                                               : parser.value(warmUpOption).toDouble();
    auto upTime = range(upOption);
    auto downTime = range(downOption);
    const double recoverLimit = parser.value(recoverOption).toDouble();
    const double maxGrowthKiB = parser.value(growthOption).toDouble() * 1024;
    const double hangLimit = std::max(5.0, parser.value(hangOption).toDouble());
    const double reportEvery = std::max(1.0, parser.value(reportOption).toDouble());
    const unsigned seed = parser.value(seedOption).isEmpty() ? static_cast<unsigned>(monotonicMs())
                                                             : parser.value(seedOption).toUInt();
    std::mt19937 random(seed);
    const QString simulatorProgram
        = parser.value(simOption).isEmpty() ? bench::defaultSimulator() : parser.value(simOption);

    QTemporaryDir dir;
    const QString device = dir.filePath(QStringLiteral("adapter"));
    const QStringList simArgs { QStringLiteral("--link"), device, QStringLiteral("--profile"),
        parser.value(profileOption), QStringLiteral("--engine"), QStringLiteral("cycle") };

    // The settings a workshop would have: a fixed port, reconnect on.
    Settings values;
    values.comPort = PortMap::kFirstNamedPort;
    values.requestTimeMs = parser.value(requestOption).toInt();
    values.noBreakMsg = parser.isSet(quietBoxesOption) ? 1 : 0;
    values.autoReCon = 1;
    SettingsFile settings(dir.path());
    if (!settings.write(values)) {
        std::fprintf(stderr, "daruri-soak: cannot write the settings file\n");
        return 2;
    }

    QProcess simulator;
    // Standard input stays a pipe that nobody writes: the simulator reads no terminal.
    const auto startSim = [&] {
        const auto started = bench::startSimulator(simulator, simulatorProgram, simArgs, "daruri-soak");
        return started.has_value();
    };
    if (!startSim())
        return 2;

    CountingPlatform desktop;
    setPlatform(&desktop);

    // Assembled as the program assembles itself.
    const PortMap map(QStringList { device });
    CountingTransport transport(map);
    SerialTransport optionsProbe(map);
    Link link(transport);
    Session session(link, settings);
    Trace trace;
    if (parser.isSet(traceOption) && trace.open(parser.value(traceOption)))
        link.setTrace(&trace);
    FrmHaupt main(session);
    const UnitWindows unitWindows = programUnitWindows(session);

    QElapsedTimer clock;
    clock.start();
    const auto now = [&] { return static_cast<double>(clock.nsecsElapsed()) / 1e9; };

    // What the run counts.
    int statusWindows = 0;
    int lostLinks = 0;
    int unprovokedLosses = 0; // lost while the simulator served
    int reconnects = 0;
    bool awaitingReconnect = false;
    double lostAt = 0;
    long ticks = 0;
    long answers = 0;
    std::vector<Outage> outages;
    bool simulatorAway = false;
    QStringList failures;
    QPointer<FrmMStg> window;
    QTimer outageTimer; // until the next outage
    outageTimer.setSingleShot(true);

    main.setStatusWindowFactory([&](QWidget* parent) {
        ++statusWindows;
        auto w = std::make_unique<FrmMStg>(session, unitWindows, parent);
        window = w.get();
        QObject::connect(w.get(), &QObject::destroyed, &link, [&] {
            if (link.isShutDown())
                return;
            // Only a lost link ends a status window in this run.
            if (!link.timedOut()) {
                failures
                    << QStringLiteral("%1 s: the status window closed without a lost link").arg(now(), 0, 'f', 1);
                return;
            }
            ++lostLinks;
            awaitingReconnect = true;
            lostAt = now();
            if (!outages.empty() && (simulatorAway || outages.back().recovered < 0))
                outages.back().lostSeen = true;
            else
                ++unprovokedLosses;
        });
        return std::unique_ptr<QDialog>(std::move(w));
    });
    main.setExitHandler([&] {
        link.shutdown();
        QCoreApplication::exit(0);
    });

    const QByteArray tickFrame = cmd::period().frame;
    transport.onWrite = [&](const QByteArray& data) {
        if (window && window->phase() == FrmMStg::Phase::Polling && data == tickFrame)
            ++ticks;
    };
    QObject::connect(&link, &Link::answered, &link, [&] {
        if (!window || window->phase() != FrmMStg::Phase::Polling)
            return;
        // The outages begin once the user's own first connect stands: a
        // first connect that fails is answered with a box, not a reconnect.
        if (answers++ == 0)
            outageTimer.start(std::chrono::milliseconds(static_cast<long>(upTime(random) * 1000)));
        if (awaitingReconnect) {
            awaitingReconnect = false;
            ++reconnects;
        }
        for (auto o = outages.rbegin(); o != outages.rend() && o->recovered < 0; ++o)
            if (o->back >= 0)
                o->recovered = now();
    });

    // Memory: sampled all the run, the baseline taken after the warm-up.
    struct Sample {
        double at;
        long kib;
    };
    std::vector<Sample> memory;
    long baseline = 0;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        memory.push_back({ now(), residentKiB() });
        if (baseline == 0 && now() >= warmUp)
            baseline = memory.back().kib;
    });
    sampler.start(5000);

    // The simulator's side goes away and comes back.
    const double lastOutageStart = seconds - (downTime.max() + recoverLimit);
    std::function<void()> beginOutage;
    const auto endOutage = [&] {
        Outage& o = outages.back();
        o.cpu = cpuSeconds() - o.cpu;
        if (o.kind == OutageKind::Freeze) {
            ::kill(static_cast<pid_t>(simulator.processId()), SIGCONT);
        } else if (startSim()) {
            g_simulatorPid = static_cast<pid_t>(simulator.processId());
        } else {
            failures << QStringLiteral("%1 s: the simulator did not start again").arg(now(), 0, 'f', 1);
            QCoreApplication::exit(1);
            return;
        }
        o.back = now();
        simulatorAway = false;
        outageTimer.start(std::chrono::milliseconds(static_cast<long>(upTime(random) * 1000)));
    };
    beginOutage = [&] {
        if (now() >= lastOutageStart)
            return;
        // Killed (no clean-up, the device link left dangling), terminated
        // (the device goes away in order), or frozen (the device stays, silent).
        std::uniform_int_distribution<int> pick(0, 9);
        const int p = pick(random);
        // An outage that began before polling resumed after the last one
        // leaves that one unchecked; the chain's recovery is checked at its end.
        if (!outages.empty() && outages.back().recovered < 0)
            outages.back().superseded = true;
        Outage o { p < 4 ? OutageKind::Kill : p < 7 ? OutageKind::Terminate : OutageKind::Freeze };
        o.start = now();
        o.cpu = cpuSeconds();
        switch (o.kind) {
        case OutageKind::Kill:
            simulator.kill();
            simulator.waitForFinished(3000);
            break;
        case OutageKind::Terminate:
            simulator.terminate();
            if (!simulator.waitForFinished(3000)) {
                simulator.kill();
                simulator.waitForFinished(3000);
            }
            break;
        case OutageKind::Freeze:
            ::kill(static_cast<pid_t>(simulator.processId()), SIGSTOP);
            break;
        }
        outages.push_back(o);
        simulatorAway = true;
        QTimer::singleShot(
            std::chrono::milliseconds(static_cast<long>(downTime(random) * 1000)), &link, endOutage);
    };
    QObject::connect(&outageTimer, &QTimer::timeout, beginOutage);

    // An outage whose simulator is back must end in polling within the limit;
    // so must a lost link.
    QTimer checker;
    int reported = 0;
    QObject::connect(&checker, &QTimer::timeout, [&] {
        g_beat = monotonicMs();
        for (int i = reported; i < static_cast<int>(outages.size()); ++i) {
            const Outage& o = outages[i];
            if (o.recovered >= 0 || o.superseded) {
                if (i == reported)
                    ++reported;
                continue;
            }
            if (o.back >= 0 && now() - o.back > recoverLimit) {
                failures << QStringLiteral("%1 s: no polling %2 s after the simulator came back (%3 at %4 s)")
                                .arg(now(), 0, 'f', 1)
                                .arg(recoverLimit)
                                .arg(QLatin1String(kindName(o.kind)))
                                .arg(o.start, 0, 'f', 1);
                reported = i + 1;
            }
        }
    });
    checker.start(250);

    const auto progress = [&] {
        std::printf("%7.0f s  outages %3zu  lost %3d  reconnects %3d  ticks %7ld  RSS %6ld KiB  CPU %7.2f s\n",
            now(), outages.size(), lostLinks, reconnects, ticks, residentKiB(), cpuSeconds());
        std::fflush(stdout);
    };
    QTimer reporter;
    QObject::connect(&reporter, &QTimer::timeout, progress);
    reporter.start(std::chrono::milliseconds(static_cast<long>(reportEvery * 1000)));

    // The end: the user presses Exit, wherever the windows stand.
    QTimer::singleShot(std::chrono::milliseconds(static_cast<long>(seconds * 1000)), &main, [&] {
        memory.push_back({ now(), residentKiB() });
        main.BtncmdExit_Click();
    });

    // Hang guard: the event loop turns at least every quarter second, also
    // inside every wait of the link and every modal window; and the run ends
    // in time, Exit included.
    g_beat = monotonicMs();
    g_simulatorPid = static_cast<pid_t>(simulator.processId());
    std::thread guard([&] {
        const qint64 limitMs = static_cast<qint64>(hangLimit * 1000);
        const qint64 endBy = monotonicMs() + static_cast<qint64>(seconds * 1000) + 2 * limitMs;
        while (!g_done) {
            std::this_thread::sleep_for(200ms);
            const qint64 t = monotonicMs();
            if (!g_done && (t - g_beat > limitMs || t > endBy)) {
                std::fprintf(stderr, "daruri-soak: HANG: %s\n",
                    t > endBy ? "the run did not end in time" : "the event loop stopped turning");
                std::fflush(stderr);
                if (g_simulatorPid > 0)
                    ::kill(g_simulatorPid, SIGKILL);
                std::_Exit(3);
            }
        }
    });

    std::printf("daruri-soak: %.0f s, seed %u, simulator %s, profile %s, boxes %s\n", seconds, seed,
        qPrintable(simulatorProgram), qPrintable(parser.value(profileOption)), values.noBreakMsg ? "off" : "on");
    std::fflush(stdout);
    main.show();
    // The user opens the unit once; everything after is the reconnect's.
    QTimer::singleShot(0, &main, [&] { main.findChild<QPushButton*>(QStringLiteral("btnCmdOpenMStg"))->click(); });

    const int rc = app.exec();
    const double ran = now();
    const double cpu = cpuSeconds();
    if (simulatorAway && !outages.empty() && outages.back().kind == OutageKind::Freeze)
        ::kill(static_cast<pid_t>(simulator.processId()), SIGCONT);
    simulator.terminate();
    if (!simulator.waitForFinished(3000)) {
        simulator.kill();
        simulator.waitForFinished(3000);
    }
    g_done = true;
    guard.join();
    const double simulatorCpu = cpuSeconds(RUSAGE_CHILDREN);

    // A reconnect still running at the end is not a failure; an old one is.
    if (awaitingReconnect && ran - lostAt > recoverLimit)
        failures << QStringLiteral("a lost link at %1 s was never followed by a reconnect").arg(lostAt, 0, 'f', 1);
    int provoked = 0, ridden = 0, recovered = 0, superseded = 0;
    double outageWall = 0, outageCpu = 0, slowest = 0, recoveryTotal = 0;
    for (const Outage& o : outages) {
        if (o.back < 0)
            continue;
        outageWall += o.back - o.start;
        outageCpu += o.cpu;
        superseded += o.superseded;
        provoked += o.lostSeen;
        ridden += !o.lostSeen;
        if (o.recovered >= 0) {
            ++recovered;
            slowest = std::max(slowest, o.recovered - o.back);
            recoveryTotal += o.recovered - o.back;
        }
    }
    const int lostBoxes
        = desktop.boxes.value(QStringLiteral("Fehler: ") + QString::fromUtf8(Watchdog::kLostText), 0);
    if (desktop.total != lostBoxes)
        failures << QStringLiteral("%1 boxes other than the lost-link box").arg(desktop.total - lostBoxes);
    if (lostBoxes > lostLinks)
        failures << QStringLiteral("%1 lost-link boxes for %2 lost links").arg(lostBoxes).arg(lostLinks);
    long end = memory.empty() ? 0 : memory.back().kib;
    long peak = 0;
    for (const Sample& s : memory)
        if (s.at >= warmUp)
            peak = std::max(peak, s.kib);
    if (baseline > 0 && end - baseline > maxGrowthKiB)
        failures << QStringLiteral("resident memory grew by %1 KiB after the warm-up (bound %2 KiB)")
                        .arg(end - baseline)
                        .arg(maxGrowthKiB, 0, 'f', 0);
    // Nothing may spin on a line that is gone.
    if (outageWall > 10 && outageCpu > 0.1 * outageWall)
        failures << QStringLiteral("%1 s CPU while the simulator was away for %2 s")
                        .arg(outageCpu, 0, 'f', 2)
                        .arg(outageWall, 0, 'f', 1);
    if (rc != 0)
        failures << QStringLiteral("the event loop ended with %1").arg(rc);
    if (ticks == 0)
        failures << QStringLiteral("no poll tick at all");

    std::printf("\nduration         %.1f s (seed %u)\n", ran, seed);
    std::printf("outages          %zu (%d killed, %d terminated, %d frozen), %.1f s in all\n", outages.size(),
        static_cast<int>(std::count_if(
            outages.begin(), outages.end(), [](const Outage& o) { return o.kind == OutageKind::Kill; })),
        static_cast<int>(std::count_if(
            outages.begin(), outages.end(), [](const Outage& o) { return o.kind == OutageKind::Terminate; })),
        static_cast<int>(std::count_if(
            outages.begin(), outages.end(), [](const Outage& o) { return o.kind == OutageKind::Freeze; })),
        outageWall);
    std::printf("lost links       %d (%d noticed of the outages, %d outages ridden out, %d without an outage)\n",
        lostLinks, provoked, ridden, unprovokedLosses);
    std::printf("reconnects       %d (polling again after %d of %zu outages, %d cut short by the next)\n",
        reconnects, recovered, outages.size(), superseded);
    std::printf("polling again    %.1f s on average after the simulator was back, %.1f s at the slowest\n",
        recovered > 0 ? recoveryTotal / recovered : 0.0, slowest);
    std::printf("status windows   %d\n", statusWindows);
    std::printf("boxes            %d (lost-link box %d)\n", desktop.total, lostBoxes);
    for (auto it = desktop.boxes.cbegin(); it != desktop.boxes.cend(); ++it)
        std::printf("                 %4d x %s\n", it.value(), qPrintable(it.key()));
    std::printf("poll ticks       %ld (%ld answers while polling)\n", ticks, answers);
    std::printf(
        "resident memory  %ld KiB after %.0f s warm-up, %ld KiB at the end, peak %ld KiB (growth %+ld KiB)\n",
        baseline, warmUp, end, peak, end - baseline);
    std::printf("CPU time         %.2f s (%.2f %% of the run); during outages %.2f s (%.2f %% of %.1f s)\n", cpu,
        100 * cpu / ran, outageCpu, outageWall > 0 ? 100 * outageCpu / outageWall : 0.0, outageWall);
    std::printf("simulator CPU    %.2f s\n", simulatorCpu);
    for (const QString& f : failures)
        std::printf("FAILED: %s\n", qPrintable(f));
    std::printf("%s\n", failures.isEmpty() ? "soak passed" : "soak FAILED");
    std::fflush(stdout);
    return failures.isEmpty() ? 0 : 1;
}
