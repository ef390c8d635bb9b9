#include "ecusim.h"

EcuSim::EcuSim(const SimProfile& profile) : m_profile(profile)
{
    installHandlers();
}

EcuSim::EcuSim(const QString& profileName)
    : EcuSim(simprofiles::find(profileName) ? *simprofiles::find(profileName)
                                            : *simprofiles::find(simprofiles::kDefault))
{
}

void EcuSim::setHandler(int code, int frameLength, Handler handler)
{
    m_commands[code] = Command{frameLength, std::move(handler)};
}

void EcuSim::installHandlers()
{
    const auto fixed = [](QByteArray reply) { return [reply](const QByteArray&, qint64) { return reply; }; };
    setHandler('t', 4, fixed(m_profile.unitType));
    setHandler('v', 4, fixed(m_profile.firmware));
    setHandler('s', 4, fixed(m_profile.serial));
}

QByteArray EcuSim::feed(const QByteArray& in, qint64 nowMs)
{
    m_pending += in;
    QByteArray out;
    while (!m_pending.isEmpty()) {
        const int code = static_cast<unsigned char>(m_pending[0]);
        const auto it = m_commands.find(code);
        if (it == m_commands.end()) {
            // An unknown code: the real unit ignores it; drop one byte and resynchronise.
            m_pending.remove(0, 1);
            continue;
        }
        if (m_pending.size() < it->second.frameLength)
            break;
        const QByteArray frame = m_pending.left(it->second.frameLength);
        m_pending.remove(0, it->second.frameLength);
        m_received.push_back(frame);
        const int index = m_commandCount++;
        if (m_faults.silent || index < m_faults.ignoreFirst
            || (m_faults.dropAfter >= 0 && index >= m_faults.dropAfter))
            continue;
        out += applyFaults(it->second.handler(frame, nowMs));
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
