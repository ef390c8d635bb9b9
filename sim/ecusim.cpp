#include "ecusim.h"

#include <algorithm>
#include <cmath>

namespace {

double headTempCurve(double v)
{
    return ((((((0.2778 * v - 4.9534) * v + 34.549) * v - 121.38) * v + 229.41) * v - 248.89) * v) + 173.37;
}

double airMassCurve(int raw)
{
    const double x = raw * 5.0 / 1024.0;
    return ((((((-0.087 * x + 1.8598) * x - 14.008) * x + 54.325) * x - 104.46) * x + 112.53) * x) - 50.926;
}

// The count in [lo, hi] whose curve value is nearest the target; both curves
// are monotonic there.
template <typename Curve> int nearestCount(double target, int lo, int hi, Curve curve)
{
    int best = lo;
    double bestError = std::abs(curve(lo) - target);
    for (int c = lo + 1; c <= hi; ++c) {
        const double e = std::abs(curve(c) - target);
        if (e < bestError) {
            best = c;
            bestError = e;
        }
    }
    return best;
}

constexpr int kUnknownFrameLength = 4;

QByteArray byte(int v)
{
    return QByteArray(1, static_cast<char>(v & 0xFF));
}

QByteArray bigEndian24(quint32 v)
{
    return QByteArray {} + static_cast<char>((v >> 16) & 0xFF) + static_cast<char>((v >> 8) & 0xFF)
        + static_cast<char>(v & 0xFF);
}

void appendLittle16(QByteArray& out, int v)
{
    out.append(static_cast<char>(v & 0xFF));
    out.append(static_cast<char>((v >> 8) & 0xFF));
}

} // namespace

EcuSim::EcuSim(const SimProfile& profile)
    : m_profile(profile)
{
    resetMemory();
    installHandlers();
}

EcuSim::EcuSim(const QString& profileName)
    : EcuSim(simprofiles::find(profileName) ? *simprofiles::find(profileName)
                                            : *simprofiles::find(simprofiles::kDefault))
{
}

void EcuSim::resetMemory()
{
    using namespace simcodes;
    m_memory = UnitMemory {};
    m_memory.injector
        = m_profile.injectorConfigured ? std::array<quint8, 2> { 9, 129 } : std::array<quint8, 2> { 255, 255 };
    // Output 1 as four-stroke rev counter, output 2 as cold-start extra air,
    // thresholds as periods.
    m_memory.switching = { 4, 0, 0, 0, 0, 4, 0x01, 0x2C, 0x00, 0xC8 };
    // Lead angle 5.0 degrees: with the usual sensor position of 38.2 degrees
    // the angles from idle to full advance fit the one-byte replies.
    m_memory.parameters[kAngleOffset] = 50;
    m_memory.parameters[kInput1Mode] = 255;
    m_memory.parameters[kOffsetAngle] = 35;
    m_memory.parameters[kInput2Mode] = 255;
    m_memory.parameters[kEnrichment] = 3;
}

void EcuSim::setHandler(int code, int frameLength, Handler handler)
{
    m_commands[code] = Command { frameLength, std::move(handler) };
}

void EcuSim::installHandlers()
{
    using Member = QByteArray (EcuSim::*)(const QByteArray&, qint64);
    struct Entry {
        int code;
        Member handler;
    };
    static const Entry table[] = {
        { 'r', &EcuSim::onPeriod },
        { simcodes::kOutputs, &EcuSim::onOutputs },
        { 'l', &EcuSim::onInputs },
        { 'z', &EcuSim::onAngle1 },
        { 'i', &EcuSim::onAngle2 },
        { 'q', &EcuSim::onCorrection },
        { 'c', &EcuSim::onSetCorrection },
        { 'g', &EcuSim::onAnalog },
        { '^', &EcuSim::onLambda },
        { simcodes::kInjectionTime, &EcuSim::onInjectionTime },
        { 'n', &EcuSim::onSoftDown },
        { simcodes::kInjector, &EcuSim::onInjector },
        { 'j', &EcuSim::onSwitching },
    };
    for (const Entry& e : table)
        setHandler(
            e.code, 4, [this, h = e.handler](const QByteArray& f, qint64 now) { return (this->*h)(f, now); });

    const auto fixed = [](QByteArray reply) { return [reply](const QByteArray&, qint64) { return reply; }; };
    setHandler('t', 4, fixed(m_profile.unitType));
    setHandler('v', 4, fixed(m_profile.firmware));
    setHandler('s', 4, fixed(m_profile.serial));

    // One-byte parameters: code "r" filler "?" reads, code "w" value "?" writes and echoes.
    for (const auto& [code, value] : m_memory.parameters) {
        setHandler(code, 4, [this, code = code](const QByteArray& f, qint64) {
            quint8& stored = m_memory.parameters[code];
            if (f.at(1) == 'w')
                stored = static_cast<quint8>(f.at(2));
            return byte(stored);
        });
    }
}

void EcuSim::setEngine(double rpm, double headTempC, double lambda)
{
    EngineState s;
    s.running = rpm > 0;
    s.rpm = rpm;
    s.headTempC = headTempC;
    s.airTempC = 25;
    if (s.running) {
        s.advance1Deg = EngineModel::advanceFor(rpm);
        s.advance2Deg = s.advance1Deg;
        s.airMassKgH = std::max(4.0, rpm * 0.0075);
        s.lambda = lambda;
        s.injectionDuty = 0.03 + rpm / 60000.0;
        s.fuelPump = true;
    }
    m_engine.freeze(s);
}

int EcuSim::programAngleOffset() const
{
    const int major = m_profile.major;
    if (major <= 2 && (major <= 1 || m_profile.minor < 600))
        return 0;
    return m_memory.parameters.at(simcodes::kAngleOffset);
}

int EcuSim::programSensorAngle() const
{
    const bool corrected = m_profile.major == 2 && m_profile.minor > 399 && m_profile.minor < 600
        && m_profile.type > 3 && m_profile.variant != 2;
    return m_memory.sensorAngle - (corrected ? 33 : 0);
}

QByteArray EcuSim::periodReply(const EngineState& s)
{
    // Below about 36 rpm the period no longer fits: the unit reports a stop as
    // the longest period, which reads as coils off and passes every standstill check.
    if (!s.running || s.rpm <= 0 || 6e8 / s.rpm >= 254.0 * 65536.0)
        return bigEndian24(0xFFFFFF);
    return bigEndian24(static_cast<quint32>(std::lround(6e8 / s.rpm)));
}

int EcuSim::headTempCount(double celsius)
{
    return nearestCount(celsius, 40, 1000, [](int c) { return headTempCurve(5.0 / 1023.0 * c); });
}

int EcuSim::airMassCount(double kgPerHour)
{
    return nearestCount(kgPerHour, 230, 1000, airMassCurve);
}

QByteArray EcuSim::angleByte(double advanceDeg) const
{
    const long z = std::lround(programSensorAngle() - programAngleOffset() - advanceDeg * 10.0);
    return byte(static_cast<int>(std::clamp(z, 0L, 255L)));
}

QByteArray EcuSim::onPeriod(const QByteArray&, qint64 now)
{
    return periodReply(m_engine.at(now));
}

QByteArray EcuSim::onOutputs(const QByteArray&, qint64 now)
{
    const EngineState s = m_engine.at(now);
    return byte((s.fuelPump ? 64 : 0) | (s.output2 ? 32 : 0) | (s.output1 ? 16 : 0));
}

bool EcuSim::hasThrottleSwitch() const
{
    if (m_profile.variant == 2)
        return false;
    return m_profile.type <= 3 || m_profile.line == 'Z';
}

int EcuSim::starterBit() const
{
    // Early 2.x firmware of the ignition-only type-4 units wired the starter one bit higher.
    const bool early = m_profile.line == 'Z' && m_profile.type > 3 && m_profile.variant != 2
        && m_profile.major == 2 && m_profile.minor < 406;
    return early ? 128 : 64;
}

QByteArray EcuSim::onInputs(const QByteArray&, qint64 now)
{
    constexpr int kIdle = 16;
    constexpr int kFullLoad = 32;
    const EngineState s = m_engine.at(now);
    int active = s.starter ? starterBit() : 0;
    if (hasThrottleSwitch()) {
        // One contact closes at a time: idle with the throttle shut, full load
        // near wide open, neither in between.
        if (s.load < 0.05)
            active |= kIdle;
        else if (s.load >= 0.9)
            active |= kFullLoad;
    } else {
        active |= (s.switch1 ? 32 : 0) | (s.switch2 ? 16 : 0);
    }
    return byte(~active);
}

QByteArray EcuSim::onAngle1(const QByteArray&, qint64 now)
{
    return angleByte(m_engine.at(now).advance1Deg);
}

QByteArray EcuSim::onAngle2(const QByteArray&, qint64 now)
{
    return angleByte(m_engine.at(now).advance2Deg);
}

QByteArray EcuSim::onCorrection(const QByteArray&, qint64)
{
    return byte(m_memory.correction);
}

QByteArray EcuSim::onSetCorrection(const QByteArray& frame, qint64)
{
    m_memory.correction = static_cast<quint8>(frame.at(1));
    return {};
}

QByteArray EcuSim::onAnalog(const QByteArray&, qint64 now)
{
    const EngineState s = m_engine.at(now);
    QByteArray out;
    appendLittle16(out, airMassCount(s.airMassKgH));
    appendLittle16(out, headTempCount(s.headTempC));
    appendLittle16(out, 0); // not a sensor the program shows
    appendLittle16(out, headTempCount(s.airTempC));
    return out;
}

QByteArray EcuSim::onLambda(const QByteArray&, qint64 now)
{
    const EngineState s = m_engine.at(now);
    // A cold or stopped probe reports no value.
    if (!s.running || s.lambda <= 0)
        return QByteArray(2, static_cast<char>(255));
    const int l = static_cast<int>(std::lround(1024.0 / s.lambda));
    return byte(l >> 8) + byte(l);
}

QByteArray EcuSim::onInjectionTime(const QByteArray&, qint64 now)
{
    const EngineState s = m_engine.at(now);
    if (!s.running || s.rpm <= 0)
        return bigEndian24(0);
    // The program computes the duty as 2 T / P.
    return bigEndian24(static_cast<quint32>(std::lround(s.injectionDuty * (6e8 / s.rpm) / 2.0)));
}

QByteArray EcuSim::onSoftDown(const QByteArray&, qint64)
{
    // Every request toggles, so a reader asks twice to leave the state as it was.
    quint8& state = m_memory.softDown;
    if (state == 9) {
        state = m_memory.softDownActive;
    } else {
        m_memory.softDownActive = state;
        state = 9;
    }
    return byte(state);
}

QByteArray EcuSim::onInjector(const QByteArray&, qint64)
{
    return byte(m_memory.injector[0]) + byte(m_memory.injector[1]);
}

QByteArray EcuSim::onSwitching(const QByteArray&, qint64)
{
    QByteArray out;
    for (quint8 b : m_memory.switching)
        out.append(static_cast<char>(b));
    return out;
}

QByteArray EcuSim::feed(const QByteArray& in, qint64 nowMs)
{
    m_pending += in;
    QByteArray out;
    while (!m_pending.isEmpty()) {
        const int code = static_cast<unsigned char>(m_pending[0]);
        const auto it = m_commands.find(code);
        // An unknown code is ignored as a whole frame of the usual length, so its
        // argument bytes are never taken for commands of their own.
        const int length = it == m_commands.end() ? kUnknownFrameLength : it->second.frameLength;
        if (m_pending.size() < length)
            break;
        const QByteArray frame = m_pending.left(length);
        m_pending.remove(0, length);
        m_received.push_back(frame);
        if (it == m_commands.end())
            continue;
        const int index = m_commandCount++;
        if (m_faults.silent || index < m_faults.ignoreFirst
            || (m_faults.dropAfter >= 0 && index >= m_faults.dropAfter))
            continue;
        const QByteArray reply = it->second.handler(frame, nowMs);
        if (!reply.isEmpty())
            out += applyFaults(reply);
    }
    return out;
}

QByteArray EcuSim::applyFaults(QByteArray reply)
{
    if (m_faults.garbage) {
        for (auto& b : reply) {
            m_random = m_random * 1103515245u + 12345u;
            b = static_cast<char>((m_random >> 16) & 0xFF);
        }
    }
    if (m_faults.shortBy > 0)
        reply.chop(std::min<qsizetype>(m_faults.shortBy, reply.size()));
    for (int i = 0; i < m_faults.extraBytes; ++i)
        reply.append(static_cast<char>(0xA5));
    return reply;
}

namespace simfaults {

bool parse(const QString& spec, SimFaults& faults, QString* error)
{
    const QString name = spec.section(QLatin1Char('='), 0, 0).trimmed();
    const QString value = spec.section(QLatin1Char('='), 1);
    const bool hasValue = spec.contains(QLatin1Char('='));
    bool ok = true;
    const int n = hasValue ? value.toInt(&ok) : 0;
    const auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    if (hasValue && (!ok || n < 0))
        return fail(QStringLiteral("bad number in fault '%1'").arg(spec));

    const auto needValue = [&](int& field) {
        if (!hasValue)
            return fail(QStringLiteral("fault '%1' needs a value").arg(name));
        field = n;
        return true;
    };
    const auto flag = [&](bool& field) {
        if (hasValue)
            return fail(QStringLiteral("fault '%1' takes no value").arg(name));
        field = true;
        return true;
    };
    if (name == QLatin1String("silent"))
        return flag(faults.silent);
    if (name == QLatin1String("garbage"))
        return flag(faults.garbage);
    if (name == QLatin1String("short"))
        return needValue(faults.shortBy);
    if (name == QLatin1String("late"))
        return needValue(faults.lateMs);
    if (name == QLatin1String("drop-after"))
        return needValue(faults.dropAfter);
    if (name == QLatin1String("ignore-first"))
        return needValue(faults.ignoreFirst);
    if (name == QLatin1String("extra"))
        return needValue(faults.extraBytes);
    return fail(QStringLiteral("unknown fault '%1'").arg(spec));
}

QString help()
{
    return QStringLiteral("silent, short=N, late=MS, garbage, drop-after=N, ignore-first=N, extra=N");
}

} // namespace simfaults
