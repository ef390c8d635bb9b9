#include "faultreport.h"

#include <array>
#include <optional>

namespace faults {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kIndent = QStringLiteral("   ");

constexpr int kNoFault = 255;
constexpr int kLastPermanent = 240;
constexpr double kShortBelowVolts = 0.04;
constexpr double kOpenAboveVolts = 4.85;

// Which layouts read an entry.
enum Layouts : unsigned { Full = 1, Medium = 2, Short = 4, All = Full | Medium | Short };

struct Row {
    int byte; // 1-based position in the "f00?" reply
    unsigned layouts;
    const char* component;
    const char* fault; // the prefix the state follows
    std::optional<SensorCheck> check; // decided live rather than by the byte
    const char* firstLine = nullptr; // a fault told on two lines
};

// The report order of the entries; bytes 9 to 16 are not reported.
const std::array<Row, 9> kRows = { {
    { 1, All, "Drehwinkelgeber Zylinder 1: ", "   ->Signal nicht plausibel: ", std::nullopt },
    { 2, All, "Drehwinkelgeber Zylinder 2: ", "   ->Signal nicht plausibel: ", std::nullopt },
    { 3, All, "Drosselklappensensor: ", "   ->Signal nicht plausibel: ", std::nullopt },
    { 4, Full, "Geber für Zylinderkopftemperatur: ", "   ->Kurzschluss nach Masse: ", SensorCheck::HeadTempShort },
    { 5, Full, "Geber für Zylinderkopftemperatur: ", "   ->Signalunterbrechung: ", SensorCheck::HeadTempOpen },
    { 6, Full, "Luftmassenmesser: ", "   ->Kurzschluss nach Masse: ", SensorCheck::AirMassShort },
    { 7, Full, "Luftmassenmesser: ", "      Spannungsversorgung: ", SensorCheck::AirMassOpen,
        "   ->Signalunterbrechung oder Kurzschluss nach  " },
    { 8, Full, "Luftmassenmesser: ", "   ->Ruheluftmasse nicht plausibel: ", std::nullopt },
    { 17, Full | Medium, "Hochspannungsteil: ", "   ->Funkentstörung fehlerhaft: ", std::nullopt },
} };

unsigned layoutBit(gates::FaultMemoryLayout layout)
{
    switch (layout) {
    case gates::FaultMemoryLayout::Full:
        return Full;
    case gates::FaultMemoryLayout::Medium:
        return Medium;
    case gates::FaultMemoryLayout::Short:
        return Short;
    }
    return 0;
}

// An entry the reply does not carry counts as no fault.
int entry(const Bytes& reply, int byte)
{
    return byte <= reply.size() ? bytes::at(reply, byte - 1) : kNoFault;
}

// Unsigned little-endian reading at a 0-based offset.
int word(const Bytes& reply, int offset)
{
    if (reply.size() < offset + 2)
        return 0;
    return bytes::at(reply, offset) | (bytes::at(reply, offset + 1) << 8);
}

QString state(bool permanent, int byte)
{
    if (permanent)
        return QStringLiteral("Permanent");
    // The count is written with the blank a non-negative number carries for its sign.
    return QStringLiteral("Sporadisch ( %1)").arg(kNoFault - byte);
}

QString twoDigits(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

} // namespace

double checkVoltage(const Bytes& analogReply, SensorCheck check)
{
    const bool headTemp = check == SensorCheck::HeadTempShort || check == SensorCheck::HeadTempOpen;
    return word(analogReply, headTemp ? 2 : 0) * 5.0 / 1024.0;
}

bool checkHolds(const Bytes& analogReply, SensorCheck check)
{
    const double volts = checkVoltage(analogReply, check);
    const bool shortCheck = check == SensorCheck::HeadTempShort || check == SensorCheck::AirMassShort;
    return shortCheck ? volts < kShortBelowVolts : volts > kOpenAboveVolts;
}

std::optional<QString> reportBody(
    const Bytes& faultReply, gates::FaultMemoryLayout layout, bool injectionLine, const CheckInput& check)
{
    const unsigned bit = layoutBit(layout);
    bool anyFault = false;
    for (const Row& row : kRows)
        anyFault = anyFault || ((row.layouts & bit) && entry(faultReply, row.byte) < kNoFault);
    if (!anyFault)
        return kIndent + (injectionLine ? QStringLiteral("KEDX") : QStringLiteral("KZDX"))
            + QStringLiteral(": Keine Fehler :-))))");

    QString body;
    for (const Row& row : kRows) {
        const int value = entry(faultReply, row.byte);
        if (!(row.layouts & bit) || value >= kNoFault)
            continue;
        body += kIndent + QString::fromUtf8(row.component) + kCrLf;
        bool permanent = value <= kLastPermanent;
        if (row.check) {
            const std::optional<bool> holds = check(*row.check);
            if (!holds)
                return std::nullopt;
            permanent = *holds;
        }
        if (row.firstLine)
            body += kIndent + QString::fromUtf8(row.firstLine) + kCrLf;
        body += kIndent + QString::fromUtf8(row.fault) + state(permanent, value) + kCrLf + kCrLf;
    }
    return body;
}

QString reportHeader(const UnitIdentity& unit, const QDateTime& readAt)
{
    const QDate d = readAt.date();
    const QTime t = readAt.time();
    const QString rule = kIndent + QString(40, QLatin1Char('='));
    const QStringList lines = {
        QStringLiteral("************* Velmora-Diagnose *************"),
        QString(),
        kIndent
            + QStringLiteral("Fehlerspeicher ausgelesen am: %1.%2.%3").arg(d.day()).arg(d.month()).arg(d.year()),
        kIndent
            + QStringLiteral("Fehlerspeicher ausgelesen um: %1.%2.%3 Uhr")
                  .arg(t.hour())
                  .arg(twoDigits(t.minute()), twoDigits(t.second())),
        kIndent + unit.hardwareText(),
        kIndent + QStringLiteral("Seriennummer: ") + unit.serialNumber,
        kIndent + QStringLiteral("Firmwareversion: ") + unit.firmwareText(),
        QString(),
        rule,
        kIndent + QStringLiteral("Inhalt des Fehlerspeichers"),
        rule,
        QString(),
    };
    QString header;
    for (const QString& line : lines)
        header += line + kCrLf;
    return header;
}

QString clipboardText(const QString& header, const QString& body)
{
    return header + body;
}

QString printText(const QString& header, const QString& body)
{
    return kCrLf + kCrLf + kCrLf + kIndent + header + body;
}

} // namespace faults
