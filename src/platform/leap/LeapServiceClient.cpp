#include "LeapServiceClient.h"
#include "LeapPrivateDir.h"

#include "LeapLog.h"
#include "LeapProtocol.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace Leap {
namespace detail {

namespace {
int64_t steadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
} // namespace

ServiceClient::ServiceClient(std::string path, Sink sink, std::function<void()> flush,
    const std::atomic<int64_t>& busySince, Sink standbySink)
    : m_path(std::move(path))
    , m_sink(std::move(sink))
    , m_flush(std::move(flush))
    , m_busySince(busySince)
    , m_standbySink(std::move(standbySink))
{
    if (pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0)
        m_wake[0] = m_wake[1] = -1;
    m_standby = std::thread([this] { standby(); });
    m_retry.setSingleShot(true);
    m_retry.setInterval(RETRY_MS);
    QObject::connect(&m_retry, &QTimer::timeout, [this] { tryConnect(); });
    sockaddr_un addr{};
    if (m_path.size() >= sizeof addr.sun_path) {
        logInfo("tracking service path too long: " + m_path);
        return;
    }
    tryConnect();
}

ServiceClient::~ServiceClient()
{
    m_stop = true;
    if (m_wake[1] >= 0) {
        const char c = 1;
        (void)!write(m_wake[1], &c, 1);
    }
    m_standby.join();
    for (int fd : m_wake)
        if (fd >= 0)
            close(fd);
    m_notifier.reset();
    if (m_fd >= 0)
        close(m_fd);
}

void ServiceClient::standby()
{
    pollfd wake{m_wake[0], POLLIN, 0};
    for (;;) {
        // Idle: a look ten times a second whether the callback thread is stuck in a callback.
        poll(&wake, m_wake[0] >= 0 ? 1 : 0, 100);
        if (m_stop)
            return;
        for (;;) {
            const int64_t since = m_busySince.load();
            if (since == 0 || steadyNs() - since < STALL_NS || m_stop)
                break;
            int fd;
            {
                std::lock_guard<std::mutex> lock(m_readMutex);
                fd = m_ended ? -1 : m_fd;
                if (fd >= 0 && !readAvailable(m_standbySink))
                    m_ended = true; // the callback thread sees the end too, and closes
            }
            if (fd < 0)
                break;
            pollfd p[2] = {{fd, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
            poll(p, m_wake[0] >= 0 ? 2 : 1, 10);
        }
    }
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

void ServiceClient::tryConnect()
{
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, m_path.c_str(), m_path.size() + 1);
    // A folder another user made, or a link planted there, must not choose our service.
    std::string why;
    if (!checkSocketPath(m_path, why)) {
        if (why != m_refusedPath)
            logInfo("tracking service not used: " + why);
        m_refusedPath = why;
        m_retry.start();
        return;
    }
    m_refusedPath.clear();
    // Non-blocking from the start: a hung service with a full backlog must not hold up the thread.
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        if (fd >= 0)
            close(fd);
        m_retry.start();
        return;
    }
    // Only a service of this user (or the system's) may feed the pointer.
    ucred cred{};
    socklen_t len = sizeof cred;
    if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 || (cred.uid != getuid() && cred.uid != 0)) {
        if (!m_refusedPeer)
            logInfo("tracking service at " + m_path + " belongs to another user; not used");
        m_refusedPeer = true;
        close(fd);
        m_retry.start();
        return;
    }
    m_refusedPeer = false;
    {
        std::lock_guard<std::mutex> lock(m_readMutex);
        m_fd = fd;
        m_ended = false;
        m_line.clear();
        m_discarding = false;
    }
    m_notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { onReadable(); });
    ServiceEvent up;
    up.kind = ServiceEvent::Kind::ServiceUp;
    m_sink(std::move(up));
    m_flush();
}

void ServiceClient::disconnected()
{
    m_notifier.reset();
    {
        std::lock_guard<std::mutex> lock(m_readMutex);
        close(m_fd);
        m_fd = -1;
    }
    ServiceEvent down;
    down.kind = ServiceEvent::Kind::ServiceDown;
    m_sink(std::move(down));
    m_flush();
    m_retry.start();
}

void ServiceClient::onReadable()
{
    bool open;
    {
        std::lock_guard<std::mutex> lock(m_readMutex);
        open = !m_ended && readAvailable(m_sink);
    }
    if (open)
        m_flush();
    else
        disconnected();
}

bool ServiceClient::readAvailable(const Sink& sink)
{
    char buf[65536];
    size_t total = 0;
    while (total < MAX_READ_PER_WAKE) {
        const ssize_t n = read(m_fd, buf, sizeof buf);
        if (n == 0)
            return false;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno == EAGAIN || errno == EWOULDBLOCK;
        }
        total += static_cast<size_t>(n);
        split(buf, static_cast<size_t>(n), sink);
        if (static_cast<size_t>(n) < sizeof buf)
            break; // drained: saves the read that would only say EAGAIN
    }
    return true;
}

void ServiceClient::split(const char* data, size_t size, const Sink& sink)
{
    const char* p0 = data;
    const char* end = data + size;
    while (p0 < end) {
        const char* nl = static_cast<const char*>(std::memchr(p0, '\n', static_cast<size_t>(end - p0)));
        const char* stop = nl ? nl : end;
        if (!m_discarding) {
            m_line.append(p0, stop);
            if (m_line.size() > protocol::MAX_MESSAGE_BYTES) {
                // Keep no more of it than the limit; the rest up to the newline is skipped.
                logDropped("oversized");
                m_line.clear();
                m_discarding = true;
            }
        }
        if (nl) {
            if (!m_discarding && !m_line.empty())
                handleLine(m_line, sink);
            m_line.clear();
            m_discarding = false;
        }
        p0 = nl ? nl + 1 : end;
    }
}

} // namespace detail
} // namespace Leap
