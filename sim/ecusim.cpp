#include "ecusim.h"

#include "areas.h"
#include "parameters.h"

#include <algorithm>

namespace {

constexpr int kUnknownFrameLength = 4;

} // namespace

EcuSim::EcuSim(const SimProfile& profile)
    : m_profile(profile)
{
    resetMemory();
    installAreas();
}

EcuSim::EcuSim(const QString& profileName)
    : EcuSim(simprofiles::find(profileName) ? *simprofiles::find(profileName)
                                            : *simprofiles::find(simprofiles::kDefault))
{
}

void EcuSim::resetMemory()
{
    m_memory = UnitMemory {};
    // Output 1 as four-stroke rev counter, output 2 as cold-start extra air,
    // switching speeds about 3000 and 5000 min^-1 in the unit's coding: speed
    // band indexes from firmware 2.314 on, before that 835 minus a period
    // count (55 and 33), high byte first.
    const bool bandIndexes = m_profile.major > 2 || (m_profile.major == 2 && m_profile.minor >= 314);
    if (bandIndexes)
        m_memory.switching = { 4, 0, 0, 0, 0, 4, 40, 0, 60, 0 };
    else
        m_memory.switching = { 4, 0, 0, 0, 0, 4, 0, 55, 0, 33 };
    m_memory.faultEntries.fill(255);
    simparams::reset(m_memory, m_profile);
}

void EcuSim::installAreas()
{
    installIdentity(*this);
    installLive(*this);
    installStatus(*this);
    installFaultMemory(*this);
    installActuatorTest(*this);
    installSensor(*this);
    simparams::install(*this);
}

void EcuSim::setHandler(int code, int frameLength, Handler handler, WriteTest isWrite)
{
    m_commands[code] = Command { frameLength, std::move(handler), std::move(isWrite) };
}

EcuSim::Handler EcuSim::handler(int code) const
{
    const auto it = m_commands.find(code);
    return it == m_commands.end() ? Handler() : it->second.handler;
}

bool EcuSim::stores(const QByteArray& frame) const
{
    if (frame.isEmpty())
        return false;
    const auto it = m_commands.find(static_cast<unsigned char>(frame[0]));
    return it != m_commands.end() && it->second.isWrite && it->second.isWrite(frame);
}

void EcuSim::clearReceived()
{
    m_received.clear();
    m_log.clear();
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
    const auto it = m_memory.parameters.find(simcodes::kAngleOffset);
    return it == m_memory.parameters.end() ? 255 : it->second & 0xFF;
}

int EcuSim::programSensorAngle() const
{
    const bool corrected = m_profile.major == 2 && m_profile.minor > 399 && m_profile.minor < 600
        && m_profile.type > 3 && m_profile.variant != 2;
    return m_memory.sensorAngle - (corrected ? 33 : 0);
}

QByteArray EcuSim::feed(const QByteArray& in, qint64 nowMs)
{
    m_pending += in;
    m_lastHit = false;
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
        m_log.push_back(ReceivedFrame { frame, nowMs });
        if (it == m_commands.end())
            continue;
        startEngineIfDue();
        const int index = m_commandCount++;
        if (index == m_faults.lineLostAt)
            m_lineLost = true;
        if (m_lineLost || dropped(index, nowMs))
            continue;
        const bool hit = m_faults.hits(index);
        m_lastHit = m_lastHit || hit;
        const Command& command = it->second;
        const bool writes = command.isWrite && command.isWrite(frame);
        const int write = writes ? m_writeCount++ : -1;
        if (writes && m_faults.ignoreWrites)
            continue;
        QByteArray reply = command.handler(frame, nowMs);
        m_log.back().replyBytes = static_cast<int>(reply.size());
        if (writes && write == m_faults.lineLostAtWrite) {
            m_lineLost = true; // stored, but the echo never leaves
            continue;
        }
        if (writes && write == m_faults.wrongEchoAtWrite && !reply.isEmpty())
            reply[0] = static_cast<char>(reply[0] ^ 0x01);
        if (writes && (code == 'a' || code == '{'))
            ++m_tableWrites;
        if (writes && m_faults.busyAfterWriteMs > 0)
            m_busyUntilMs = nowMs + m_faults.busyAfterWriteMs;
        if (!reply.isEmpty())
            out += hit ? applyFaults(reply) : reply;
    }
    return out;
}

void EcuSim::startEngineIfDue()
{
    const int after = m_faults.engineStartsAfterWrites;
    if (after < 0 || m_engineStartedByFault || m_tableWrites < after)
        return;
    m_engineStartedByFault = true;
    setEngine(1500);
}

bool EcuSim::dropped(int commandIndex, qint64 nowMs) const
{
    return (m_faults.silent && m_faults.hits(commandIndex)) || commandIndex < m_faults.ignoreFirst
        || (m_faults.dropAfter >= 0 && commandIndex >= m_faults.dropAfter)
        || (m_busyUntilMs && nowMs < *m_busyUntilMs);
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
    // "extra" alone may carry a delay after its count.
    if (hasValue && (!ok || n < 0) && name != QLatin1String("extra"))
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
    if (name == QLatin1String("extra")) {
        // "extra=N" or "extra=N:DELAY_MS"
        const QString count = value.section(QLatin1Char(':'), 0, 0);
        const QString delay = value.section(QLatin1Char(':'), 1);
        bool countOk = false;
        bool delayOk = true;
        const int n = count.toInt(&countOk);
        const int ms = delay.isEmpty() ? 0 : delay.toInt(&delayOk);
        if (!hasValue || !countOk || !delayOk || n < 0 || ms < 0
            || (value.contains(QLatin1Char(':')) && delay.isEmpty()))
            return fail(QStringLiteral("fault 'extra' needs N or N:DELAY_MS, got '%1'").arg(value));
        faults.extraBytes = n;
        faults.extraDelayMs = ms;
        return true;
    }
    if (name == QLatin1String("wrong-echo"))
        return needValue(faults.wrongEchoAtWrite);
    if (name == QLatin1String("ignore-writes"))
        return flag(faults.ignoreWrites);
    if (name == QLatin1String("at")) {
        faults.faultyCount = 1;
        return needValue(faults.firstFaulty);
    }
    if (name == QLatin1String("from"))
        return needValue(faults.firstFaulty);
    if (name == QLatin1String("busy"))
        return needValue(faults.busyAfterWriteMs);
    if (name == QLatin1String("start-after-writes"))
        return needValue(faults.engineStartsAfterWrites);
    return fail(QStringLiteral("unknown fault '%1'").arg(spec));
}

QString help()
{
    return QStringLiteral("silent, short=N, late=MS, garbage, drop-after=N, ignore-first=N, extra=N[:DELAY_MS], "
                          "busy=MS, start-after-writes=N, wrong-echo=N (the Nth write from 0), ignore-writes; "
                          "at=N or from=N limit silent, short, late, garbage and extra to command N or to N on");
}

} // namespace simfaults
