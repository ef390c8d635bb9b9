#include "livedata.h"

#include "core/curves.h"
#include "core/format.h"

namespace live {
namespace {

const QString kOn = QStringLiteral("Ein");
const QString kOff = QStringLiteral("Aus");
const QString kSensorFault = QStringLiteral("Sensorfehler");

const QString& onOff(bool on)
{
    return on ? kOn : kOff;
}

// The reply carries at least `length` bytes.
bool complete(const Bytes& reply, int length)
{
    return reply.size() >= length;
}

QString lblSE1For(bool on, const Context& ctx, QChar separator)
{
    if (ctx.lblSE1Mode == QLatin1String("Offsetschalter"))
        return on ? fmt::plainNumber(ctx.offsetAngle, separator) + QStringLiteral(" Grad v.OT") : kOff;
    return on ? QStringLiteral("Tabelle 2") : QStringLiteral("Tabelle 1");
}

QString lblSE2For(bool on, const Context& ctx)
{
    if (ctx.lblSE2Mode == QLatin1String("Gemischanreicherung"))
        return on ? QString::number(ctx.enrichmentSixteenths) + QStringLiteral("/16") : kOff;
    return on ? QStringLiteral("Kennfeld 2") : QStringLiteral("Kennfeld 1");
}

// Switch pair text of tables A, B and D: switch 1 first.
QString switchPair(bool s1, bool s2)
{
    return onOff(s1) + QLatin1Char('-') + onOff(s2);
}

// Voltage check shared by the three analog displays.
QString sensorText(int count, double value, QChar separator)
{
    const double v = 5.0 / 1023.0 * count;
    if (fmt::roundHalfEven(v, 2) > 4.85)
        return kNotAvailable;
    if (v < 0.04)
        return QStringLiteral("SC/GND");
    return fmt::plainNumber(fmt::roundHalfEven(value, 1), separator);
}

} // namespace

bool readsZero(const QString& text)
{
    bool ok = false;
    const double v = text.trimmed().replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
    return ok && v == 0.0;
}

std::optional<Speed> decodeSpeed(const Bytes& reply)
{
    if (!complete(reply, 3))
        return std::nullopt;
    const int b1 = bytes::at(reply, 0);
    const double period = b1 * 65536.0 + bytes::at(reply, 1) * 256.0 + bytes::at(reply, 2);
    if (period == 0)
        return std::nullopt;
    const double n = 60.0 / (period * 1e-7);
    Speed s;
    s.period = period;
    s.txtStgLast = n >= 35.9 ? kOn : QStringLiteral("AUS");
    // 254 and 255 in the high byte are the unit's "no crank signal".
    s.engineStands = b1 * 65536 >= 16600001;
    s.txtRPM = s.engineStands ? QStringLiteral("0") : QString::number(static_cast<qint64>(fmt::roundHalfEven(n)));
    return s;
}

std::optional<Outputs> decodeOutputs(const Bytes& reply, const Context& ctx, const QString& txtRPM)
{
    if (!complete(reply, 1))
        return std::nullopt;
    const int o = bytes::at(reply, 0);
    Outputs out;
    out.txtBenzPump = onOff(o & 64);
    out.lblSA2Stat = onOff(o & 32);
    // A tachometer output has nothing to show while the engine stands; a fault lamp does.
    if (ctx.lblSA1Mode != QLatin1String("MIL") && readsZero(txtRPM))
        out.lblSA1Stat = kNotAvailable;
    else
        out.lblSA1Stat = onOff(o & 16);
    return out;
}

InputSelection selectInputTable(const Context& ctx)
{
    const InputTable table = gates::inputTable(ctx.id, ctx.racingVariant);
    switch (table) {
    case InputTable::B:
        return { table, 32, 64 };
    case InputTable::C:
        if (gates::inputsStarterOnBit7(ctx.id, ctx.racingVariant))
            return { table, 176, 128 };
        return { table, 112, 64 };
    case InputTable::A:
    case InputTable::D:
        break;
    }
    return { table, 112, 64 };
}

std::optional<Inputs> decodeInputs(const Bytes& reply, const Context& ctx, QChar separator)
{
    if (!complete(reply, 1))
        return std::nullopt;
    const InputSelection sel = selectInputTable(ctx);
    // The inputs are active-low.
    const int m = (~bytes::at(reply, 0) & 0xFF) & sel.mask;
    const bool s1 = m & 32;
    const bool s2 = m & 16;
    Inputs in;
    switch (sel.table) {
    case InputTable::A:
    case InputTable::D:
        if ((m & ~112) != 0) {
            in.txtDkPos = kSensorFault;
            in.txtAnlStat = QStringLiteral("???");
            if (sel.table == InputTable::A)
                in.lblSE1Stat = in.lblSE2Stat = kNotAvailable;
            return in;
        }
        in.txtDkPos = switchPair(s1, s2);
        in.txtAnlStat = onOff(m & 64);
        if (sel.table == InputTable::A) {
            in.lblSE1Stat = lblSE1For(s1, ctx, separator);
            in.lblSE2Stat = lblSE2For(s2, ctx);
        }
        return in;
    case InputTable::B:
        if (m != 0 && m != 32) {
            in.txtDkPos = kSensorFault;
            in.txtAnlStat = QStringLiteral("???");
            return in;
        }
        in.txtDkPos = switchPair(s1, false);
        in.txtAnlStat = kNotSupported;
        in.lblSE1Stat = lblSE1For(s1, ctx, separator);
        return in;
    case InputTable::C:
        if ((m & ~(48 | sel.starterBit)) != 0) {
            in.txtDkPos = kSensorFault;
            in.txtAnlStat = QStringLiteral("???");
            return in;
        }
        switch (m & 48) {
        case 0:
            in.txtDkPos = QStringLiteral("Teillast");
            break;
        case 16:
            in.txtDkPos = QStringLiteral("Leerlauf");
            break;
        case 32:
            in.txtDkPos = QStringLiteral("Vollast");
            break;
        default:
            in.txtDkPos = kSensorFault;
            break;
        }
        in.txtAnlStat = onOff(m & sel.starterBit);
        return in;
    }
    return std::nullopt;
}

std::optional<IgnitionAngles> decodeIgnitionAngles(
    const Bytes& firstReply, const Bytes& secondReply, const Context& ctx, const QString& txtRPM, QChar separator)
{
    if (!complete(firstReply, 1))
        return std::nullopt;
    // The unit reports the delay after the sensor; the user wants degrees before top dead centre.
    const auto angle
        = [&ctx](int raw) { return static_cast<float>((ctx.sensorAngle - raw - ctx.angleOffset) / 10.0); };
    const float a1 = angle(bytes::at(firstReply, 0));
    float a2 = a1;
    if (gates::readsSecondIgnitionAngle(ctx.id)) {
        if (!complete(secondReply, 1))
            return std::nullopt;
        a2 = angle(bytes::at(secondReply, 0));
    }
    IgnitionAngles out;
    if (txtRPM == QLatin1String("0")) {
        out.txtZndWinkel = kNoAngle;
        out.txtZndWinkelZ2 = kNoAngle;
        return out;
    }
    out.txtZndWinkel = fmt::plainNumber(a1, separator);
    if (gates::showsSecondIgnitionAngle(ctx.id))
        out.txtZndWinkelZ2 = fmt::plainNumber(a2, separator);
    return out;
}

std::optional<QString> decodeCorrection(const Bytes& reply, QChar separator)
{
    if (!complete(reply, 1))
        return std::nullopt;
    const int q = static_cast<qint8>(reply.at(0));
    // The unit counts a retard as positive; the user reads it as a negative lead.
    return fmt::plainNumber(-q / 10.0, separator);
}

std::optional<Analog> decodeAnalog(const Bytes& reply, const Context& ctx, QChar separator)
{
    if (!complete(reply, 8))
        return std::nullopt;
    const int a = bytes::at(reply, 0) + 256 * bytes::at(reply, 1);
    const int b = bytes::at(reply, 2) + 256 * bytes::at(reply, 3);
    const int c = bytes::at(reply, 6) + 256 * bytes::at(reply, 7);
    Analog out;
    if (ctx.mafAvailable) {
        out.txtLMM = sensorText(a, MafFromAdc(a), separator);
        out.txtAirtemp = sensorText(c, AirTempFromVoltage(5.0 / 1023.0 * c), separator);
    }
    out.txtMTemp = sensorText(b, HeadTempFromVoltage(5.0 / 1023.0 * b), separator);
    return out;
}

std::optional<QString> decodeLambda(
    const Bytes& reply, const QString& txtRPM, const QString& txtLMM, QChar separator)
{
    if (!complete(reply, 2))
        return std::nullopt;
    const int hi = bytes::at(reply, 0);
    if (hi > 99) {
        if (txtRPM == QLatin1String("0") || txtLMM == kNotAvailable)
            return QStringLiteral("  ---");
        return QStringLiteral("Ungültig!");
    }
    const int l = hi * 256 + bytes::at(reply, 1);
    if (l == 0)
        return std::nullopt;
    return fmt::fixedDecimals(1024.0 / l, 2, separator);
}

std::optional<QString> decodeConsumption(
    const Bytes& reply, double period, double injectorFlow, const QString& txtRPM, QChar separator)
{
    if (!complete(reply, 3))
        return std::nullopt;
    if (readsZero(txtRPM))
        return QStringLiteral("0");
    if (period <= 0)
        return std::nullopt;
    const double t = bytes::at(reply, 0) * 65536.0 + bytes::at(reply, 1) * 256.0 + bytes::at(reply, 2);
    const double duty = t * 200.0 / period / 100.0;
    // 0.74 kg/l: the injector delivery is a mass flow of petrol.
    const double litresPerHour = injectorFlow * 60.0 / 0.74 * duty;
    return fmt::plainNumber(fmt::roundHalfEven(litresPerHour, 2), separator);
}

InjectorFlowReading decodeInjectorFlow(const Bytes& reply)
{
    InjectorFlowReading r;
    if (!complete(reply, 2))
        return r;
    int a = bytes::at(reply, 0);
    int b = bytes::at(reply, 1);
    if (a == 255 && b == 255) {
        r.notConfigured = true;
        a = 9;
        b = 129;
    }
    const int divisor = a * 256 + b;
    if (divisor != 0)
        r.value = static_cast<int>(fmt::roundHalfEven(491520.0 / divisor));
    return r;
}

int watchdogInterval(int requestTime)
{
    return requestTime > 4999 ? requestTime + 1500 : 5000;
}

int adjustedSensorAngle(int setting, const UnitIdentity& id)
{
    if (gates::statusSensorAngleCorrected(id))
        return setting - 33;
    return setting;
}

std::optional<QString> lblDkPosCaption(const UnitIdentity& id)
{
    if (gates::racingVariant(id))
        return QStringLiteral("Schalter 1-2:");
    return std::nullopt;
}

std::optional<QString> lblAnlasserCaption(const UnitIdentity& id)
{
    if (gates::starterLabelIsSwitch3(id))
        return QStringLiteral("Schalter 3");
    return std::nullopt;
}

QString softDownStateText(int state)
{
    return state == 9 ? QStringLiteral("Deaktiviert") : QStringLiteral("Aktiv");
}

std::optional<QString> se1ModeCaption(int code92)
{
    if (code92 == 0)
        return QStringLiteral("Tabellenauswahl");
    if (code92 == 255)
        return QStringLiteral("Offsetschalter");
    return std::nullopt;
}

double offsetAngleFromByte(int code126)
{
    return code126 / 10.0;
}

std::optional<QString> se2ModeCaption(int code148)
{
    if (code148 == 0)
        return QStringLiteral("Kennfeldauswahl");
    if (code148 == 255)
        return QStringLiteral("Gemischanreicherung");
    return std::nullopt;
}

QString sa1ModeCaption(int mode)
{
    switch (mode) {
    case 2:
        return QStringLiteral("2-Takt DZM");
    case 4:
        return QStringLiteral("4-Takt DZM");
    case 8:
        return QStringLiteral("BZA");
    case 255:
        return QStringLiteral("MIL");
    default:
        return QStringLiteral("Unbekannt");
    }
}

QString sa2ModeCaption(int mode)
{
    switch (mode) {
    case 0:
        return kOn;
    case 1:
        return kOff;
    case 2:
        return QStringLiteral("Aus-Ein-Aus");
    case 3:
        return QStringLiteral("Ein-Aus-Ein");
    case 4:
        return QStringLiteral("Zusatzluft Kaltlauf");
    case 255:
        return QStringLiteral("Deaktiviert");
    default:
        return QStringLiteral("Unbekannt");
    }
}

std::optional<OutputModes> decodeOutputModes(const Bytes& reply)
{
    if (!complete(reply, 10))
        return std::nullopt;
    return OutputModes { sa1ModeCaption(bytes::at(reply, 0)), sa2ModeCaption(bytes::at(reply, 5)) };
}

} // namespace live
