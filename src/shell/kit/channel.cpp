#include "channel.h"

#include "shell/session.h"

#include <QWidget>

Channel::Channel(Session& session, LinkPolicy policy, std::chrono::milliseconds watchdogInterval, QWidget* window)
    : m_session(session)
    , m_watchdog(session, policy, watchdogInterval)
{
    m_watchdog.setBoxParent(window);
}

Reply Channel::askUnsettled(const Request& request)
{
    return m_session.link().transact(request, m_watchdog);
}

LineVerdict Channel::settle()
{
    return m_session.link().settle();
}

Reply Channel::ask(const Request& request)
{
    Reply reply;
    if (!request.changesUnit) {
        if (!readTrusted(request, [&] { return (reply = askUnsettled(request)).has_value(); }))
            return reply.has_value() ? Reply() : reply;
        return reply;
    }
    reply = askUnsettled(request);
    if (!reply)
        return reply;
    switch (settle()) {
    case LineVerdict::Clean:
        return reply;
    case LineVerdict::Lost:
        return std::nullopt;
    case LineVerdict::Disturbed:
        break;
    }
    m_session.link().traceEvent(QStringLiteral("not confirmed: %1").arg(bytes::hex(request.frame)));
    reply.setDisturbed();
    return reply;
}

bool Channel::readTrusted(const Request& named, const std::function<bool()>& askAll)
{
    for (int attempt = 1; attempt <= kAsks; ++attempt) {
        if (attempt > 1)
            m_session.link().traceEvent(QStringLiteral("asked again: %1").arg(bytes::hex(named.frame)));
        if (!askAll())
            return false;
        switch (settle()) {
        case LineVerdict::Clean:
            return true;
        case LineVerdict::Lost:
            return false;
        case LineVerdict::Disturbed:
            break;
        }
    }
    giveUpDisturbed(named);
    return false;
}

void Channel::giveUpDisturbed(const Request& request)
{
    m_session.link().traceEvent(QStringLiteral("the line stays disturbed: %1").arg(bytes::hex(request.frame)));
    m_watchdog.fire();
}

bool Channel::send(const Request& request)
{
    Request withoutReply = request;
    withoutReply.replyLength = 0;
    return ask(withoutReply).has_value();
}

std::optional<int> Channel::readByte(const Request& request)
{
    const Reply reply = ask(request);
    if (!reply || reply->isEmpty())
        return std::nullopt;
    return bytes::at(*reply, 0);
}

Echo Channel::write(const Request& request, const Bytes& echo)
{
    const Reply reply = ask(request);
    if (!reply)
        return lost() ? Echo::Lost : Echo::Mismatch;
    return !reply.disturbed() && *reply == echo ? Echo::Ok : Echo::Mismatch;
}

std::optional<int> Channel::readParam(int code)
{
    return readByte(cmd::paramRead(code));
}

Echo Channel::writeParam(int code, int value)
{
    return write(cmd::paramWrite(code, value), Bytes(1, static_cast<char>(value & 0xFF)));
}

Echo Channel::writePaired(int writeCode, std::initializer_list<int> values, const Bytes& echo)
{
    return write(cmd::pairWrite(writeCode, values, static_cast<int>(echo.size())), echo);
}

bool Channel::lost() const
{
    return m_session.link().timedOut() || m_session.link().isShutDown();
}
