// daruri-tablebench: how long the racing options window's ignition table
// transfers take over a pseudo-terminal, against what the pacing and a
// 19200-baud line alone would take.
#include "benchsupport.h"
#include "core/commands.h"
#include "core/portmap.h"
#include "core/settings.h"
#include "racing/ignitiontable.h"
#include "racing/ignitiontransfer.h"
#include "racing/racingcontext.h"
#include "shell/kit/channel.h"
#include "shell/link.h"
#include "shell/serialtransport.h"
#include "shell/session.h"
#include "shell/timing.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr double kBitsPerByte = 10.0;
constexpr double kBaud = 19200.0;

double seconds(qint64 nanos)
{
    return static_cast<double>(nanos) / 1e9;
}

// The serial transport with a clock on every frame out and every byte in, so
// a transfer that runs as a whole can still be taken apart afterwards.
class ClockedTransport : public Transport {
public:
    struct Exchange {
        qint64 sentAt = 0; // ns
        qint64 doneAt = 0; // ns, the last byte of the answer
        int bytesOut = 0;
        int bytesIn = 0;
    };

    explicit ClockedTransport(PortMap map)
        : m_line(std::move(map))
    {
        connect(&m_line, &Transport::readyRead, this, &Transport::readyRead);
        connect(&m_line, &Transport::lineLost, this, &Transport::lineLost);
        m_clock.start();
    }

    OpenResult open(int port) override { return m_line.open(port); }
    void close() override { m_line.close(); }
    bool isOpen() const override { return m_line.isOpen(); }
    QString deviceName(int port) const override { return m_line.deviceName(port); }
    bool write(const QByteArray& data) override
    {
        exchanges.push_back({ m_clock.nsecsElapsed(), 0, static_cast<int>(data.size()), 0 });
        return m_line.write(data);
    }
    qint64 bytesAvailable() const override { return m_line.bytesAvailable(); }
    QByteArray read(qint64 maxBytes) override
    {
        const QByteArray data = m_line.read(maxBytes);
        if (!data.isEmpty() && !exchanges.empty()) {
            exchanges.back().doneAt = m_clock.nsecsElapsed();
            exchanges.back().bytesIn += static_cast<int>(data.size());
        }
        return data;
    }
    qint64 discardInput() override { return m_line.discardInput(); }
    void pollInput() override { m_line.pollInput(); }
    qint64 now() const { return m_clock.nsecsElapsed(); }

    std::vector<Exchange> exchanges;

private:
    SerialTransport m_line;
    QElapsedTimer m_clock;
};

// One timed transfer, taken apart by the exchanges it made.
struct Run {
    double seconds = 0;
    int requests = 0;
    int paced = 0; // requests that followed a pacing wait
    double wire = 0; // the bytes' time on a 19200-baud line
    double waits = 0; // from an answer to the next paced request
    double lateAfterWait = 0; // beyond the wire, requests after a wait
    double lateBackToBack = 0; // beyond the wire, requests after a request
    bool ok = false;

    double expected(std::chrono::milliseconds interval) const
    {
        return paced * std::chrono::duration<double>(interval).count() + wire;
    }
};

Run timed(ClockedTransport& line, std::chrono::milliseconds interval, const std::function<bool()>& transfer)
{
    line.exchanges.clear();
    const qint64 start = line.now();
    Run run;
    run.ok = transfer();
    run.seconds = seconds(line.now() - start);
    const auto& ex = line.exchanges;
    for (size_t i = 0; i < ex.size(); ++i) {
        const double wire = (ex[i].bytesOut + ex[i].bytesIn) * kBitsPerByte / kBaud;
        const double late = seconds(ex[i].doneAt - ex[i].sentAt) - wire;
        const double gap = seconds(ex[i].sentAt - (i == 0 ? start : ex[i - 1].doneAt));
        // A pacing wait is the only pause of a transfer longer than a request.
        const bool paced = gap > std::chrono::duration<double>(interval).count() / 2;
        ++run.requests;
        run.wire += wire;
        if (paced) {
            ++run.paced;
            run.waits += gap;
            run.lateAfterWait += late;
        } else {
            run.lateBackToBack += late;
        }
    }
    return run;
}

void report(const char* what, const std::vector<Run>& runs, std::chrono::milliseconds interval)
{
    const Run& first = runs.front();
    std::printf("%s: %d requests, %d after a %lld ms pacing wait; expected %.3f s = %d x %lld ms + %.3f s wire\n",
        what, first.requests, first.paced, static_cast<long long>(interval.count()), first.expected(interval),
        first.paced, static_cast<long long>(interval.count()), first.wire);
    std::vector<double> ratios;
    for (size_t i = 0; i < runs.size(); ++i) {
        const Run& r = runs[i];
        const double ratio = r.seconds / r.expected(interval);
        ratios.push_back(ratio);
        const int waits = std::max(1, r.paced);
        const int backToBack = std::max(1, r.requests - r.paced);
        std::printf("  run %zu  %.3f s  ratio %.3f  wait %.2f ms  beyond the wire per request: %.2f ms after a "
                    "wait, %.2f ms back to back%s\n",
            i + 1, r.seconds, ratio, r.waits * 1000 / waits, r.lateAfterWait * 1000 / std::max(1, r.paced),
            r.lateBackToBack * 1000 / backToBack, r.ok ? "" : "  FAILED");
    }
    std::sort(ratios.begin(), ratios.end());
    std::printf(
        "  ratio best %.3f, median %.3f, worst %.3f\n", ratios.front(), ratios[ratios.size() / 2], ratios.back());
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
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Reads and writes to time."),
        QStringLiteral("N"), QStringLiteral("5"));
    const QCommandLineOption simOption(QStringLiteral("ecusim"), QStringLiteral("The simulator program."),
        QStringLiteral("PATH"), bench::defaultSimulator());
    const QCommandLineOption profileOption(QStringLiteral("profile"),
        QStringLiteral("The simulator's unit profile."), QStringLiteral("NAME"),
        QStringLiteral("ignition-rx4-racing"));
    parser.addOptions({ runsOption, simOption, profileOption });
    parser.process(app);
    const int runs = std::max(1, parser.value(runsOption).toInt());

    QProcess simulator;
    const std::optional<QString> started = bench::startSimulator(simulator, parser.value(simOption),
        { QStringLiteral("--profile"), parser.value(profileOption), QStringLiteral("--engine"),
            QStringLiteral("stopped") },
        "daruri-tablebench");
    if (!started)
        return 2;
    const QString device = *started;

    bench::ConsolePlatform console;
    setPlatform(&console);
    QTemporaryDir dir;
    SettingsFile settings(dir.path());
    ClockedTransport transport(PortMap({ device }));
    Link link(transport);
    Session session(link, settings);
    Channel channel(session, LinkPolicy::racingOptions(), 5000ms, nullptr);
    if (link.openPort(PortMap::kFirstNamedPort) != Transport::OpenResult::Opened) {
        std::fprintf(stderr, "daruri-tablebench: cannot open %s\n", qPrintable(device));
        return 2;
    }

    // After the open the link waits for a quiet line before each of its
    // first requests. In the program the identification and the window's
    // opening reads take those; here they are timed on their own.
    QElapsedTimer probationClock;
    probationClock.start();
    UnitIdentity unit;
    unit.setUnitType(channel.ask(cmd::identify()).value_or(Bytes()));
    unit.setFirmware(channel.ask(cmd::firmware()).value_or(Bytes()));
    session.setIdentity(unit);
    const Request filler = cmd::firmware();
    for (int i = 2; i < Link::kProbation; ++i)
        channel.ask(filler);
    const double probation = seconds(probationClock.nsecsElapsed());
    double probationWire = 0;
    for (const auto& e : transport.exchanges)
        probationWire += (e.bytesOut + e.bytesIn) * kBitsPerByte / kBaud;

    RacingContext context(session, channel, nullptr);
    IgnitionTable table(bands::schemeFor(unit));
    std::vector<Run> reads;
    std::vector<Run> writes;
    for (int i = 0; i < runs; ++i)
        reads.push_back(timed(transport, context.pacer().interval(),
            [&] { return ignition::read(context, table).outcome == TransferOutcome::Done; }));
    for (int i = 0; i < runs; ++i)
        writes.push_back(timed(transport, context.pacer().interval(),
            [&] { return ignition::write(context, table).outcome == TransferOutcome::Done; }));
    // The pacing timer alone, without traffic: what the waits cost by themselves.
    QElapsedTimer pacerClock;
    pacerClock.start();
    const int bands = table.rows();
    for (int i = 0; i < bands; ++i)
        context.waitPacingTick();
    const double pacerOnly = seconds(pacerClock.nsecsElapsed());

    link.closePort();
    simulator.terminate();
    simulator.waitForFinished(3000);

    std::printf("device %s, profile %s, %d bands\n", qPrintable(device), qPrintable(parser.value(profileOption)),
        table.rows());
    std::printf("after the open: %d requests with a quiet wait before each took %.1f ms (wire %.1f ms, %.2f ms "
                "more each)\n",
        Link::kProbation, probation * 1000, probationWire * 1000,
        (probation - probationWire) * 1000 / Link::kProbation);
    std::printf("pacing alone: %d waits took %.3f s, %.3f ms each\n", bands, pacerOnly, pacerOnly * 1000 / bands);
    report("read", reads, context.pacer().interval());
    report("write, engine stopped", writes, context.pacer().interval());
    bool ok = true;
    for (const Run& r : reads)
        ok &= r.ok;
    for (const Run& r : writes)
        ok &= r.ok;
    return ok ? 0 : 1;
}
