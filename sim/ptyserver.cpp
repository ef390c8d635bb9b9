#include "ptyserver.h"

#include "ecusim.h"

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace {
std::int64_t steadyMicros()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

void closeFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}
} // namespace

PtyServer::PtyServer(EcuSim& sim, bool wireTime)
    : m_sim(sim)
    , m_wireTime(wireTime)
{
    m_epoch = steadyMicros();
}

PtyServer::~PtyServer()
{
    closeFd(m_slave);
    closeFd(m_master);
    closeFd(m_wake[0]);
    closeFd(m_wake[1]);
}

std::int64_t PtyServer::nowMicros() const
{
    return steadyMicros() - m_epoch;
}

bool PtyServer::open(QString* error)
{
    const auto fail = [&](const char* what) {
        if (error)
            *error
                = QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    };
    if (::pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0)
        return fail("pipe");
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0)
        return fail("posix_openpt");
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
        return fail("grantpt/unlockpt");
    const char* name = ::ptsname(m_master);
    if (!name)
        return fail("ptsname");
    m_slavePath = QString::fromLocal8Bit(name);
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0)
        return fail("open slave");
    termios tio {};
    if (::tcgetattr(m_slave, &tio) != 0)
        return fail("tcgetattr");
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, B19200);
    ::cfsetospeed(&tio, B19200);
    if (::tcsetattr(m_slave, TCSANOW, &tio) != 0)
        return fail("tcsetattr");
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    return true;
}

void PtyServer::stop()
{
    const char c = 'x';
    [[maybe_unused]] const auto n = ::write(m_wake[1], &c, 1);
}

void PtyServer::run()
{
#ifdef PR_SET_TIMERSLACK
    // Each byte leaves at its own deadline; the kernel's default slack of
    // 50 us would let every one of them leave late.
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
#endif
    for (;;) {
        const std::int64_t now = nowMicros();
        std::int64_t next = -1;
        if (!m_input.empty())
            next = m_input.front().atMicros;
        if (!m_output.empty() && (next < 0 || m_output.front().atMicros < next))
            next = m_output.front().atMicros;
        const bool hungUp = now < m_hangupUntil;
        if (hungUp && (next < 0 || m_hangupUntil < next))
            next = m_hangupUntil;

        pollfd fds[3] = { { m_wake[0], POLLIN, 0 }, { m_master, static_cast<short>(hungUp ? 0 : POLLIN), 0 },
            { m_control, POLLIN, 0 } };
        timespec timeout {};
        timespec* timeoutPtr = nullptr;
        if (next >= 0) {
            const std::int64_t wait = std::max<std::int64_t>(0, next - now);
            timeout.tv_sec = wait / 1000000;
            timeout.tv_nsec = (wait % 1000000) * 1000;
            timeoutPtr = &timeout;
        }
        const int n = ::ppoll(fds, m_control >= 0 ? 3 : 2, timeoutPtr, nullptr);
        if (n < 0 && errno != EINTR)
            return;
        if (fds[0].revents & POLLIN)
            return;
        const std::int64_t after = nowMicros();
        if (fds[1].revents & (POLLIN | POLLHUP | POLLERR))
            readMaster(after);
        if (m_control >= 0 && (fds[2].revents & (POLLIN | POLLHUP | POLLERR)))
            readControl();
        feedDueInput(after);
        writeDueOutput(nowMicros());
    }
}

void PtyServer::setControlInput(int fd, std::function<void(const QByteArray& line)> onLine)
{
    m_control = fd;
    m_onControlLine = std::move(onLine);
}

void PtyServer::readControl()
{
    char buffer[512];
    const ssize_t n = ::read(m_control, buffer, sizeof buffer);
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    if (n <= 0) {
        // EOF, or a terminal we may not read from: serve on without control,
        // taking a last line that had no newline.
        m_control = -1;
        if (!m_controlPending.isEmpty())
            m_onControlLine(std::exchange(m_controlPending, {}));
        return;
    }
    m_controlPending.append(buffer, n);
    for (qsizetype end; (end = m_controlPending.indexOf('\n')) >= 0;) {
        const QByteArray line = m_controlPending.left(end);
        m_controlPending.remove(0, end + 1);
        m_onControlLine(line);
    }
}

void PtyServer::readMaster(std::int64_t now)
{
    char buffer[4096];
    const ssize_t n = ::read(m_master, buffer, sizeof buffer);
    if (n <= 0) {
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        // Nobody holds the slave (should not happen while we keep it open):
        // wait a little instead of spinning on the hang-up.
        m_hangupUntil = now + 20000;
        return;
    }
    for (ssize_t i = 0; i < n; ++i) {
        if (m_wireTime) {
            // A byte is complete only once its ten bits have crossed the wire.
            m_inFreeAt = std::max(m_inFreeAt, now) + static_cast<std::int64_t>(std::lround(kByteMicros));
            m_input.push_back({ m_inFreeAt, buffer[i] });
        } else {
            m_input.push_back({ now, buffer[i] });
        }
    }
}

void PtyServer::feedDueInput(std::int64_t now)
{
    while (!m_input.empty() && m_input.front().atMicros <= now) {
        const Timed t = m_input.front();
        m_input.pop_front();
        const QByteArray reply = m_sim.feed(QByteArray(1, t.byte), t.atMicros / 1000);
        if (!reply.isEmpty())
            schedule(reply, t.atMicros);
    }
}

void PtyServer::schedule(const QByteArray& reply, std::int64_t readyAt)
{
    const SimFaults& faults = m_sim.faults();
    const std::int64_t late = static_cast<std::int64_t>(m_sim.replyLateMs()) * 1000;
    // Late surplus leaves the wire after a pause, in front of whatever the
    // unit answers next.
    const qsizetype surplusFrom
        = faults.extraDelayMs > 0 ? reply.size() - m_sim.replySurplus(reply) : reply.size();
    std::int64_t at = std::max(readyAt + late, m_outFreeAt);
    for (qsizetype i = 0; i < reply.size(); ++i) {
        if (i == surplusFrom)
            at += static_cast<std::int64_t>(faults.extraDelayMs) * 1000;
        if (m_wireTime)
            at += static_cast<std::int64_t>(std::lround(kByteMicros));
        m_output.push_back({ at, reply[i] });
    }
    m_outFreeAt = at;
}

void PtyServer::writeDueOutput(std::int64_t now)
{
    QByteArray due;
    while (!m_output.empty() && m_output.front().atMicros <= now) {
        due.append(m_output.front().byte);
        m_output.pop_front();
    }
    if (due.isEmpty())
        return;
    // With nobody reading, the slave's buffer may fill: those bytes are lost,
    // as on a line without a listener.
    [[maybe_unused]] const ssize_t n = ::write(m_master, due.constData(), static_cast<size_t>(due.size()));
}
