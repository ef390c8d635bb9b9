// daruri-tablebench: how long a whole ignition table takes to read and to
// write over a pseudo-terminal, against what the pacing and a 19200-baud
// line alone would take.
#include "core/commands.h"
#include "core/portmap.h"
#include "core/settings.h"
#include "shell/kit/channel.h"
#include "shell/kit/pacer.h"
#include "shell/link.h"
#include "shell/platform.h"
#include "shell/serialtransport.h"
#include "shell/session.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr int kBands = 111;
constexpr double kBitsPerByte = 10.0;
constexpr double kBaud = 19200.0;

// No desktop here: a box goes to the terminal.
class ConsolePlatform : public Platform {
public:
    Answer messageBox(QWidget*, const QString& title, const QString& text, Icon, Buttons) override
    {
        std::fprintf(stderr, "box: %s: %s\n", qPrintable(title), qPrintable(text));
        return Answer::Ok;
    }
    std::optional<QString> openFileName(QWidget*, const FileDialog&) override { return std::nullopt; }
    std::optional<QString> saveFileName(QWidget*, const FileDialog&) override { return std::nullopt; }
    void setClipboardText(const QString&) override { }
    bool printText(QWidget*, const QString&, int) override { return false; }
    bool openInTextEditor(const QString&) override { return false; }
    void showHelp(const QString&) override { }
    bool openUrl(const QString&) override { return false; }
    QString systemDirectory() const override { return {}; }
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

QString defaultSimulator()
{
    const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("daruri-ecusim"));
    return QFileInfo::exists(beside) ? beside : QStringLiteral(DARURI_ECUSIM_PATH);
}

Request tableRead(int cylinder, int address)
{
    return { cmd::frame(cylinder == 0 ? 'b' : 'm', { address, '0' }), 1 };
}

Request tableWrite(int cylinder, int address, int value)
{
    return { cmd::frame(cylinder == 0 ? 'a' : '{', { address, value }), 1 };
}

double wireSeconds(const Request& r)
{
    return (r.frame.size() + r.replyLength) * kBitsPerByte / kBaud;
}

// What one run did and how long it took.
struct Run {
    double seconds = 0;
    double waitSeconds = 0; // inside the pacer's waits
    // Time a request took beyond its bytes' wire time, for requests right
    // after a pacing wait and for requests right after another request.
    double lateAfterWait = 0;
    int afterWait = 0;
    double lateBackToBack = 0;
    int backToBack = 0;
    int failures = 0;

    void noteRequest(const Request& r, qint64 nanos, bool pacedBefore)
    {
        const double late = static_cast<double>(nanos) / 1e9 - wireSeconds(r);
        (pacedBefore ? lateAfterWait : lateBackToBack) += late;
        ++(pacedBefore ? afterWait : backToBack);
    }
};

// One pacing tick before each band, both cylinders' bytes after it.
Run readTable(Channel& channel, Pacer& pacer, std::vector<int>& table)
{
    Run run;
    QElapsedTimer clock;
    clock.start();
    for (int address = 1; address <= kBands; ++address) {
        const qint64 before = clock.nsecsElapsed();
        if (!pacer.wait())
            return ++run.failures, run;
        run.waitSeconds += static_cast<double>(clock.nsecsElapsed() - before) / 1e9;
        for (int cylinder = 0; cylinder < 2; ++cylinder) {
            const qint64 start = clock.nsecsElapsed();
            const std::optional<int> byte = channel.readByte(tableRead(cylinder, address));
            run.noteRequest(tableRead(cylinder, address), clock.nsecsElapsed() - start, cylinder == 0);
            if (!byte)
                ++run.failures;
            else
                table[2 * (address - 1) + cylinder] = *byte;
        }
    }
    run.seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    return run;
}

// Per band the standstill test unpaced, then each cylinder's byte paced.
Run writeTable(Channel& channel, Pacer& pacer, const std::vector<int>& table)
{
    Run run;
    QElapsedTimer clock;
    clock.start();
    for (int address = 1; address <= kBands; ++address) {
        const qint64 start = clock.nsecsElapsed();
        const Reply period = channel.ask(cmd::period());
        run.noteRequest(cmd::period(), clock.nsecsElapsed() - start, false);
        if (!period || period->size() != 3 || static_cast<unsigned char>(period->at(0)) < 254)
            return ++run.failures, run;
        for (int cylinder = 0; cylinder < 2; ++cylinder) {
            const qint64 before = clock.nsecsElapsed();
            if (!pacer.wait())
                return ++run.failures, run;
            run.waitSeconds += static_cast<double>(clock.nsecsElapsed() - before) / 1e9;
            const int value = table[2 * (address - 1) + cylinder];
            const qint64 start = clock.nsecsElapsed();
            const Echo echo
                = channel.write(tableWrite(cylinder, address, value), Bytes(1, static_cast<char>(value)));
            run.noteRequest(tableWrite(cylinder, address, value), clock.nsecsElapsed() - start, true);
            if (echo != Echo::Ok)
                ++run.failures;
        }
    }
    run.seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    return run;
}

// The same 222 reads without pacing: what a request costs beyond its wire time.
Run readUnpaced(Channel& channel)
{
    Run run;
    QElapsedTimer clock;
    clock.start();
    for (int address = 1; address <= kBands; ++address)
        for (int cylinder = 0; cylinder < 2; ++cylinder)
            if (!channel.readByte(tableRead(cylinder, address)))
                ++run.failures;
    run.seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    return run;
}

void report(const char* what, const std::vector<Run>& runs, int waits, double wire)
{
    std::vector<double> seconds;
    for (const Run& r : runs)
        seconds.push_back(r.seconds);
    std::sort(seconds.begin(), seconds.end());
    const double paced = waits * std::chrono::duration<double>(Pacer::kInterval).count();
    const double expected = paced + wire;
    std::printf("%s: expected %.3f s = %d x %lld ms pacing + %.3f s wire\n", what, expected, waits,
        static_cast<long long>(Pacer::kInterval.count()), wire);
    for (size_t i = 0; i < runs.size(); ++i) {
        const Run& r = runs[i];
        std::printf("  run %zu   measured %.3f s  ratio %.3f  waits %.2f ms each  beyond the wire per request: "
                    "%.2f ms after a wait, %.2f ms back to back  failures %d\n",
            i + 1, r.seconds, r.seconds / expected, r.waitSeconds * 1000 / waits,
            r.afterWait ? r.lateAfterWait * 1000 / r.afterWait : 0.0,
            r.backToBack ? r.lateBackToBack * 1000 / r.backToBack : 0.0, r.failures);
    }
    const double median = seconds[seconds.size() / 2];
    std::printf("  best %.3f s (ratio %.3f), median %.3f s (ratio %.3f)\n", seconds.front(),
        seconds.front() / expected, median, median / expected);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM",
        qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Reads and writes to time."),
        QStringLiteral("N"), QStringLiteral("3"));
    const QCommandLineOption simOption(QStringLiteral("ecusim"), QStringLiteral("The simulator program."),
        QStringLiteral("PATH"), defaultSimulator());
    const QCommandLineOption profileOption(QStringLiteral("profile"),
        QStringLiteral("The simulator's unit profile."), QStringLiteral("NAME"),
        QStringLiteral("ignition-rx4-racing"));
    parser.addOptions({ runsOption, simOption, profileOption });
    parser.process(app);
    const int runs = std::max(1, parser.value(runsOption).toInt());

    QProcess simulator;
    simulator.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    simulator.start(parser.value(simOption),
        { QStringLiteral("--wire-time"), QStringLiteral("--profile"), parser.value(profileOption),
            QStringLiteral("--engine"), QStringLiteral("stopped") });
    if (!simulator.waitForStarted(3000) || !simulator.waitForReadyRead(3000)) {
        std::fprintf(stderr, "daruri-tablebench: cannot start %s\n", qPrintable(parser.value(simOption)));
        return 2;
    }
    const QString device = QString::fromLocal8Bit(simulator.readLine()).trimmed();

    ConsolePlatform console;
    setPlatform(&console);
    QTemporaryDir dir;
    SettingsFile settings(dir.path());
    SerialTransport transport(PortMap({ device }));
    Link link(transport);
    Session session(link, settings);
    Channel channel(session, LinkPolicy::racingOptions(), 5000ms, nullptr);
    Pacer pacer(link);
    QElapsedTimer openClock;
    openClock.start();
    if (link.openPort(PortMap::kFirstNamedPort) != Transport::OpenResult::Opened) {
        std::fprintf(stderr, "daruri-tablebench: cannot open %s\n", qPrintable(device));
        return 2;
    }

    // 111 bands: per band 2 reads of 4 bytes out, 1 back.
    const double readWire = 2.0 * kBands * (4 + 1) * kBitsPerByte / kBaud;
    // Per band "r00?" (4 out, 3 back) and 2 writes (4 out, 1 back).
    const double writeWire = kBands * ((4 + 3) + 2 * (4 + 1)) * kBitsPerByte / kBaud;

    // After the open the link waits for a quiet line before each of its first
    // requests. In the program the window's opening reads take those; here
    // they are timed on their own and kept out of the transfers.
    QElapsedTimer probationClock;
    probationClock.start();
    for (int i = 0; i < Link::kProbation; ++i)
        channel.readByte(tableRead(0, 1));
    const double probation = static_cast<double>(probationClock.nsecsElapsed()) / 1e9;
    const double probationWire = Link::kProbation * wireSeconds(tableRead(0, 1));

    std::vector<int> table(2 * kBands, 0);
    std::vector<Run> unpaced;
    std::vector<Run> reads;
    std::vector<Run> writes;
    for (int i = 0; i < runs; ++i)
        reads.push_back(readTable(channel, pacer, table));
    for (int i = 0; i < runs; ++i)
        writes.push_back(writeTable(channel, pacer, table));
    for (int i = 0; i < runs; ++i)
        unpaced.push_back(readUnpaced(channel));
    link.closePort();
    simulator.terminate();
    simulator.waitForFinished(3000);

    int failures = 0;
    std::printf("device %s, profile %s\n", qPrintable(device), qPrintable(parser.value(profileOption)));
    std::printf("after the open: %d requests with a quiet wait took %.1f ms (wire %.1f ms, %.2f ms more each)\n",
        Link::kProbation, probation * 1000, probationWire * 1000,
        (probation - probationWire) * 1000 / Link::kProbation);
    report("read, 222 requests, 111 pacing waits", reads, kBands, readWire);
    report("write, 111 unpaced \"r00?\" + 222 paced writes", writes, 2 * kBands, writeWire);
    std::printf("the same 222 reads unpaced: wire %.3f s\n", readWire);
    for (size_t i = 0; i < unpaced.size(); ++i)
        std::printf("  run %zu   measured %.3f s  %.2f ms beyond the wire per request\n", i + 1,
            unpaced[i].seconds, (unpaced[i].seconds - readWire) * 1000 / (2 * kBands));
    for (const Run& r : unpaced)
        failures += r.failures;
    for (const Run& r : reads)
        failures += r.failures;
    for (const Run& r : writes)
        failures += r.failures;
    return failures == 0 ? 0 : 1;
}
