#include "recording.h"

#include "core/format.h"
#include "core/gates.h"

#include <QFile>

namespace rec {

const std::array<Column, BoxCount> kColumns { {
    { "chkRpm", ";U/Min", nullptr },
    { "chkFuellPump", ";Kraftstoffversorgung", nullptr },
    { "chkEst", ";Zündspulen", nullptr },
    { "chkAnl", ";Anlasser", ";Schalter 3" },
    { "chkDkpo", ";Drosselklappenposition", ";Schalter 1-2" },
    { "chkZWink", ";eff. Z-Winkel vor OT Zyl. 1; eff. Z-Winkel vor OT Zyl. 2", nullptr },
    { "chkZwKorr", ";Z-Winkelkorrektur vor OT", nullptr },
    { "chkTemp", ";Motortemperatur", nullptr },
    { "chkAirTemp", ";Ansauglufttemperatur", nullptr },
    { "chkMAF", ";Ansaugluftmasse", nullptr },
    { "chkLambda", ";Lambda", nullptr },
    { "chkVerbrauch", ";Kraftstoffverbrauch", nullptr },
} };

namespace {

const QLatin1String kLineEnd("\r\n");

// The file keeps the single-byte format the program has always written, so
// existing evaluation sheets read it unchanged. Latin-1 covers every German
// text here, and unit texts arrive as Latin-1 from the reply bytes, so each
// byte goes back out as it came in.
QByteArray encoded(const QString& text)
{
    return text.toLatin1();
}

QString clock(QTime t)
{
    return QString::number(t.hour()) + QLatin1Char('.') + QString::number(t.minute()) + QLatin1Char('.')
        + QString::number(t.second());
}

QStringList fieldsOf(Box box, const Displays& d)
{
    switch (box) {
    case Rpm:
        return { d.txtRPM };
    case FuellPump:
        return { d.txtBenzPump };
    case Est:
        return { d.txtStgLast };
    case Anl:
        return { d.txtAnlStat };
    case Dkpo:
        return { d.txtDkPos };
    case ZWink:
        return { d.txtZndWinkel, d.txtZndWinkelZ2 };
    case ZwKorr:
        return { d.txtZndWnkKorr };
    case Temp:
        return { d.txtMTemp };
    case AirTemp:
        return { d.txtAirtemp };
    case Maf:
        return { d.txtLMM };
    case Lambda:
        return { d.txtLambda };
    case Verbrauch:
        return { d.txtVerbrauch };
    case BoxCount:
        break;
    }
    return {};
}

} // namespace

bool anySelected(const Selection& selection)
{
    for (bool b : selection)
        if (b)
            return true;
    return false;
}

QString columnHeader(Box box, bool racing)
{
    const Column& c = kColumns[box];
    return QString::fromUtf8(racing && c.racingHeader ? c.racingHeader : c.header);
}

QByteArray headerBlock(const HeaderInfo& info, const Selection& selection, QChar separator)
{
    const QDate date = info.start.date();
    QString text = QStringLiteral("Steuergerätetyp: ") + info.txtStgType + QLatin1Char(';') + kLineEnd;
    text += QStringLiteral("Seriennummer: ") + info.txtStgSerial + QLatin1Char(';') + kLineEnd;
    text += QStringLiteral("Softwareversion: ") + info.txtStgSwRelease + QLatin1Char(';') + kLineEnd;
    text += QStringLiteral("Beginne Datenaufzeichnung am ") + QString::number(date.day()) + QLatin1Char('.')
        + QString::number(date.month()) + QLatin1Char('.') + QString::number(date.year()) + QStringLiteral(" um ")
        + clock(info.start.time()) + QStringLiteral(" Uhr");
    // One separator per box, even for the two angle columns.
    for (bool checked : selection)
        if (checked)
            text += QLatin1Char(';');
    text += kLineEnd;
    text += QStringLiteral("Drehwinkelgebersignal eingestellt auf:")
        + fmt::plainNumber(info.sensorAngle / 10.0, separator) + QStringLiteral(" Grad v.OT;") + kLineEnd;
    text += QStringLiteral("Index;Uhrzeit");
    for (int b = 0; b < BoxCount; ++b)
        if (selection[b])
            text += columnHeader(static_cast<Box>(b), info.racing);
    text += kLineEnd;
    return encoded(text);
}

QByteArray row(int counter, QTime time, const Selection& selection, const Displays& displays)
{
    QString text = QString::number(counter) + QLatin1Char(';') + clock(time);
    for (int b = 0; b < BoxCount; ++b)
        if (selection[b])
            for (const QString& field : fieldsOf(static_cast<Box>(b), displays))
                text += QLatin1Char(';') + field;
    text += kLineEnd;
    return encoded(text);
}

QString editorNotStarted(const QString& systemDirectory, const QString& path)
{
    const QString kept
        = QStringLiteral(" auf dem Datenträger gespeichert, kann jedoch im Augenblick nicht angezeigt werden.");
    if (!systemDirectory.isEmpty())
        return QStringLiteral("Notepad.exe wurde im Systempfad (") + systemDirectory
            + QStringLiteral(") nicht gefunden. Die Logdatei wurde") + kept;
    return QStringLiteral("Es konnte kein Texteditor gestartet werden. Die Logdatei \"") + path
        + QStringLiteral("\" wurde") + kept;
}

int nextProgress(int current)
{
    return current == 65 ? 0 : current + 5;
}

Selection boxesEnabledOnStop(const UnitIdentity& id)
{
    Selection s {};
    for (Box b : { Rpm, ZWink, FuellPump, Est, Dkpo, Anl, ZwKorr })
        s[b] = true;
    s[Temp] = gates::recordingHeadTempBox(id);
    for (Box b : { Verbrauch, Lambda, Maf, AirTemp })
        s[b] = gates::recordingMixtureBoxes(id);
    return s;
}

LogWriter::LogWriter(QString path, Selection selection)
    : m_path(std::move(path))
    , m_selection(selection)
{
}

bool LogWriter::start(const HeaderInfo& info, QChar separator)
{
    m_rowCounter = 0;
    QFile file(m_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray header = headerBlock(info, m_selection, separator);
    return file.write(header) == header.size();
}

bool LogWriter::appendRow(QTime time, const Displays& displays)
{
    QFile file(m_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    ++m_rowCounter;
    const QByteArray line = row(m_rowCounter, time, m_selection, displays);
    return file.write(line) == line.size();
}

} // namespace rec
