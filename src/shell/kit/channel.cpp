#include "channel.h"

#include "shell/session.h"

#include <QWidget>

Channel::Channel(Session& session, LinkPolicy policy, std::chrono::milliseconds watchdogInterval, QWidget* window)
    : m_session(session)
    , m_watchdog(session, policy, watchdogInterval)
{
    m_watchdog.setBoxParent(window);
}

Reply Channel::ask(const Request& request)
{
    return m_session.link().transact(request, m_watchdog);
}

bool Channel::send(const Request& request)
{
    const int refusals = m_session.link().refusals();
    return ask(Request { request.frame, 0 }).has_value() && m_session.link().refusals() == refusals;
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
        return Echo::Lost;
    return *reply == echo ? Echo::Ok : Echo::Mismatch;
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
