// The log file's row writer: the header texts the unit sent, any set of
// boxes, and the display texts of a tick, written to a real file.
#include "status/recording.h"
#include "input.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>

namespace {

const QTemporaryDir& directory()
{
    static const QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/daruri-fuzz-recording-XXXXXX"));
    return dir;
}

QTime timeFrom(FuzzInput& in)
{
    return QTime(in.range(0, 23), in.range(0, 59), in.range(0, 59));
}

bool clean(const QString& text)
{
    for (const QChar c : text)
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QLatin1Char(';'))
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    const UnitIdentity id = identityFrom(in);

    rec::Selection selection {};
    const int bits = in.word();
    for (int b = 0; b < rec::BoxCount; ++b)
        selection[b] = bits & (1 << b);
    rec::anySelected(selection);
    rec::boxesEnabledOnStop(id);

    rec::HeaderInfo info;
    info.txtStgType = id.unitTypeText;
    info.txtStgSerial = id.serialNumber;
    info.txtStgSwRelease = id.firmwareRelease;
    info.start = QDateTime(QDate(in.range(2000, 2099), in.range(1, 12), in.range(1, 28)), timeFrom(in));
    info.sensorAngle = in.range(-1033, 999);
    info.racing = in.flag();
    const QChar separator = in.flag() ? QLatin1Char(',') : QLatin1Char('.');

    rec::Displays d;
    for (QString* field :
        { &d.txtRPM, &d.txtBenzPump, &d.txtStgLast, &d.txtAnlStat, &d.txtDkPos, &d.txtZndWinkel, &d.txtZndWinkelZ2,
            &d.txtZndWnkKorr, &d.txtMTemp, &d.txtAirtemp, &d.txtLMM, &d.txtLambda, &d.txtVerbrauch })
        *field = in.text(24);
    const int counter = in.range(0, 65535);
    const QTime time = timeFrom(in);

    // A row is one line with one field per column once its texts are plain.
    const QByteArray row = rec::row(counter, time, selection, d);
    if (!row.endsWith("\r\n"))
        std::abort();
    bool plain = true;
    int fields = 2;
    for (const QString* field :
        { &d.txtRPM, &d.txtBenzPump, &d.txtStgLast, &d.txtAnlStat, &d.txtDkPos, &d.txtZndWinkel, &d.txtZndWinkelZ2,
            &d.txtZndWnkKorr, &d.txtMTemp, &d.txtAirtemp, &d.txtLMM, &d.txtLambda, &d.txtVerbrauch })
        plain = plain && clean(*field);
    for (int b = 0; b < rec::BoxCount; ++b)
        fields += selection[b] ? (b == rec::ZWink ? 2 : 1) : 0;
    if (plain && (row.count('\n') != 1 || row.count(';') != fields - 1))
        std::abort();

    // The header and the rows on disk, as a recording writes them.
    const QByteArray header = rec::headerBlock(info, selection, separator);
    rec::LogWriter writer(directory().filePath(QStringLiteral("log.vml")), selection);
    if (!writer.start(info, separator) || !writer.appendRow(time, d) || !writer.appendRow(time, d))
        std::abort();
    QFile file(writer.path());
    if (!file.open(QIODevice::ReadOnly)
        || file.readAll() != header + rec::row(1, time, selection, d) + rec::row(2, time, selection, d))
        std::abort();
    return 0;
}
