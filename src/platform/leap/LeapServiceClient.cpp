#include "LeapServiceClient.h"
#include "LeapPrivateDir.h"

#include "LeapLog.h"
#include "LeapProtocol.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace Leap {
namespace detail {

ServiceClient::ServiceClient(std::string path, Sink sink) : m_path(std::move(path)), m_sink(std::move(sink))
{
    if (pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        m_wake[0] = m_wake[1] = -1;
    }
    m_thread = std::thread([this] { run(); });
}

ServiceClient::~ServiceClient()
{
    m_stop = true;
    if (m_wake[1] >= 0) {
        const char c = 1;
        (void)!write(m_wake[1], &c, 1);
    }
    m_thread.join();
    if (m_wake[0] >= 0)
        close(m_wake[0]);
    if (m_wake[1] >= 0)
        close(m_wake[1]);
}

void ServiceClient::handleLine(const std::string& line, const Sink& sink)
{
    protocol::Message msg;
    std::string error;
    if (!protocol::decode(line, msg, error)) {
        logDropped(error);
        return;
    }
    ServiceEvent ev;
    switch (msg.type) {
    case protocol::Type::Hello:
        return;
    case protocol::Type::Device:
        ev.kind = ServiceEvent::Kind::Device;
        ev.device = msg.device;
        break;
    case protocol::Type::Config:
        ev.kind = ServiceEvent::Kind::Config;
        ev.key = std::move(msg.key);
        ev.value = msg.value;
        break;
    case protocol::Type::Frame:
        ev.kind = ServiceEvent::Kind::Frame;
        ev.frame = std::move(msg.frame);
        break;
    }
    sink(std::move(ev));
}

bool ServiceClient::pause(int ms)
{
    if (m_stop)
        return false;
    pollfd p{m_wake[0], POLLIN, 0};
    poll(&p, m_wake[0] >= 0 ? 1 : 0, ms);
    return !m_stop;
}

void ServiceClient::run()
{
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (m_path.size() >= sizeof addr.sun_path) {
        logInfo("tracking service path too long: " + m_path);
        while (pause(60000)) {
        }
        return;
    }
    std::memcpy(addr.sun_path, m_path.c_str(), m_path.size() + 1);
    bool refusedPeer = false;
    std::string refusedPath;
    while (!m_stop) {
        // A folder another user made, or a link planted there, must not choose our service.
        std::string why;
        if (!checkSocketPath(m_path, why)) {
            if (why != refusedPath)
                logInfo("tracking service not used: " + why);
            refusedPath = why;
            pause(RETRY_MS);
            continue;
        }
        refusedPath.clear();
        // Non-blocking from the start: a hung service with a full backlog must not hold up shutdown.
        const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
            if (fd >= 0)
                close(fd);
            pause(RETRY_MS);
            continue;
        }
        // Only a service of this user (or the system's) may feed the pointer.
        ucred cred{};
        socklen_t len = sizeof cred;
        if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 || (cred.uid != getuid() && cred.uid != 0)) {
            if (!refusedPeer)
                logInfo("tracking service at " + m_path + " belongs to another user; not used");
            refusedPeer = true;
            close(fd);
            pause(RETRY_MS);
            continue;
        }
        refusedPeer = false;
        ServiceEvent up;
        up.kind = ServiceEvent::Kind::ServiceUp;
        m_sink(std::move(up));
        readLoop(fd);
        close(fd);
        ServiceEvent down;
        down.kind = ServiceEvent::Kind::ServiceDown;
        m_sink(std::move(down));
        pause(RETRY_MS);
    }
}

void ServiceClient::readLoop(int fd)
{
    std::string line;
    bool discarding = false;
    char buf[65536];
    while (!m_stop) {
        pollfd p[2] = {{fd, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        if (poll(p, m_wake[0] >= 0 ? 2 : 1, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (m_stop)
            return;
        if (!(p[0].revents & (POLLIN | POLLHUP | POLLERR)))
            continue;
        for (;;) {
            const ssize_t n = read(fd, buf, sizeof buf);
            if (n == 0)
                return;
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                if (errno == EAGAIN || errno == EWOULDBLOCK)
                    break;
                return;
            }
            const char* p0 = buf;
            const char* end = buf + n;
            while (p0 < end) {
                const char* nl = static_cast<const char*>(std::memchr(p0, '\n', static_cast<size_t>(end - p0)));
                const char* stop = nl ? nl : end;
                if (!discarding) {
                    line.append(p0, stop);
                    if (line.size() > protocol::MAX_MESSAGE_BYTES) {
                        // Keep no more of it than the limit; the rest up to the newline is skipped.
                        logDropped("oversized");
                        line.clear();
                        discarding = true;
                    }
                }
                if (nl) {
                    if (!discarding && !line.empty())
                        handleLine(line, m_sink);
                    line.clear();
                    discarding = false;
                }
                p0 = nl ? nl + 1 : end;
            }
        }
    }
}

} // namespace detail
} // namespace Leap
