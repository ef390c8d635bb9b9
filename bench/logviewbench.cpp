// daruri-logviewbench: how long a long recording takes to open in the log
// viewer: the file as the status window writes it (every value column, gaps
// and decimal commas), read, the window shown and painted once.
#include "benchsupport.h"
#include "shell/platform.h"
#include "status/frmlogview.h"
#include "status/recording.h"

#include <QApplication>
#include <QChartView>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

QString comma(double x, int decimals)
{
    return QString::number(x, 'f', decimals).replace(QLatin1Char('.'), QLatin1Char(','));
}

// A ride: idle, run-ups and a stop, three rows a second, with the texts the
// displays show for a standing engine and for sensors out of range.
bool writeRecording(const QString& path, int rows)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    rec::Selection all {};
    all.fill(true);
    rec::HeaderInfo info;
    info.txtStgType = QStringLiteral("KEDX 2Zyl RX40A");
    info.txtStgSerial = QStringLiteral("0123456789012");
    info.txtStgSwRelease = QStringLiteral("02.600");
    info.start = QDateTime(QDate(2026, 12, 7), QTime(9, 0, 0));
    info.sensorAngle = 382;
    QByteArray chunk = rec::headerBlock(info, all, QLatin1Char(','));
    rec::Displays d;
    for (int i = 0; i < rows; ++i) {
        const double phase = std::fmod(i / 600.0, 1.0);
        const bool standing = phase > 0.95;
        const double rpm = standing ? 0.0 : 1200.0 + 6000.0 * std::sin(phase * M_PI) * std::sin(phase * M_PI);
        d.txtRPM = QString::number(std::lround(rpm));
        d.txtBenzPump = standing ? QStringLiteral("Aus") : QStringLiteral("Ein");
        d.txtStgLast = standing ? QStringLiteral("AUS") : QStringLiteral("Ein");
        d.txtAnlStat = QStringLiteral("Aus");
        d.txtDkPos = rpm > 5000 ? QStringLiteral("Vollast") : QStringLiteral("Teillast");
        d.txtZndWinkel = standing ? QStringLiteral(" ---") : comma(10.0 + rpm / 300.0, 1);
        d.txtZndWinkelZ2 = standing ? QStringLiteral(" ---") : comma(10.5 + rpm / 300.0, 1);
        d.txtZndWnkKorr = QStringLiteral("-0,5");
        d.txtMTemp = i % 997 == 0 ? QStringLiteral("SC/GND") : comma(20.0 + 70.0 * std::min(1.0, i / 5000.0), 1);
        d.txtAirtemp = comma(18.0 + (i % 50) / 10.0, 1);
        d.txtLMM = i % 1301 == 0 ? QStringLiteral("N/A") : comma(rpm / 100.0, 1);
        d.txtLambda = standing ? QStringLiteral("  ---") : comma(0.85 + (i % 30) / 100.0, 2);
        d.txtVerbrauch = standing ? QStringLiteral("0") : comma(rpm / 1500.0, 2);
        chunk += rec::row(i + 1, QTime(9, 0, 0).addSecs(i / 3), all, d);
        if (chunk.size() > (1 << 20)) {
            file.write(chunk);
            chunk.clear();
        }
    }
    return file.write(chunk) == chunk.size();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Opens a generated recording in the log viewer and times it."));
    parser.addHelpOption();
    const QCommandLineOption rowsOption(QStringLiteral("rows"), QStringLiteral("Rows of the recording."),
        QStringLiteral("N"), QStringLiteral("1000000"));
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Runs; the median is reported."),
        QStringLiteral("N"), QStringLiteral("5"));
    const QCommandLineOption fileOption(QStringLiteral("file"),
        QStringLiteral("Open this recording instead of generating one."), QStringLiteral("FILE"));
    parser.addOptions({ rowsOption, runsOption, fileOption });
    parser.process(app);
    const int rows = parser.value(rowsOption).toInt();
    const int runs = std::max(1, parser.value(runsOption).toInt());

    bench::ConsolePlatform console;
    setPlatform(&console);

    QTemporaryDir dir;
    QString path = parser.value(fileOption);
    if (path.isEmpty()) {
        path = dir.filePath(QStringLiteral("fahrt.vml"));
        QElapsedTimer written;
        written.start();
        if (!writeRecording(path, rows)) {
            std::fprintf(stderr, "logviewbench: cannot write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("recording: %d rows, %.1f MB, written in %.2f s\n", rows, double(QFile(path).size()) / 1e6,
            double(written.nsecsElapsed()) / 1e9);
    }

    std::vector<double> parseTimes;
    std::vector<double> paintTimes;
    std::vector<double> totals;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        FrmLogView* window = FrmLogView::open(path, FrmLogView::kDefaultPollPeriod);
        if (!window)
            return 1;
        const double parsed = double(clock.nsecsElapsed()) / 1e6;
        if (parser.value(fileOption).isEmpty() && window->log().rows() != std::size_t(rows)) {
            std::fprintf(stderr, "logviewbench: %zu rows read, %d written\n", window->log().rows(), rows);
            return 1;
        }
        // Shown and painted once: the plot's viewport has had its first paint event.
        auto* view = window->findChild<QChartView*>(QStringLiteral("chrtLog"));
        bool painted = false;
        struct PaintWatch : QObject {
            bool* seen;
            explicit PaintWatch(bool* s)
                : seen(s)
            {
            }
            bool eventFilter(QObject*, QEvent* e) override
            {
                if (e->type() == QEvent::Paint)
                    *seen = true;
                return false;
            }
        } watch(&painted);
        view->viewport()->installEventFilter(&watch);
        window->show();
        while (!painted && clock.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        // The paint event has been handled once processEvents returns after it.
        QCoreApplication::processEvents();
        const double total = double(clock.nsecsElapsed()) / 1e6;
        view->viewport()->removeEventFilter(&watch);
        parseTimes.push_back(parsed);
        paintTimes.push_back(total - parsed);
        totals.push_back(total);
        std::printf("run %d: read %.0f ms, show and first paint %.0f ms, total %.0f ms\n", run + 1, parsed,
            total - parsed, total);
        delete window;
    }
    std::printf("median of %d: read %.0f ms, show and first paint %.0f ms, total %.0f ms\n", runs,
        median(parseTimes), median(paintTimes), median(totals));
    return 0;
}
