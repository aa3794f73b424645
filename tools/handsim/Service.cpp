#include "Service.h"

#include "LeapPrivateDir.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace handsim {

Service::~Service()
{
    for (Client& c : m_clients)
        close(c.fd);
    if (m_fd >= 0) {
        close(m_fd);
        unlink(m_path.c_str());
    }
}

bool Service::listen(const std::string& path, std::string& error)
{
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof addr.sun_path) {
        error = "socket path empty or too long: " + path;
        return false;
    }
    if (!Leap::detail::checkSocketPath(path, error))
        return false;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);

    struct stat st{};
    if (lstat(path.c_str(), &st) == 0) {
        if (!S_ISSOCK(st.st_mode)) {
            error = path + " exists and is not a socket";
            return false;
        }
        const int probe = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const bool live = probe >= 0 && connect(probe, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
        if (probe >= 0)
            close(probe);
        if (live) {
            error = "a tracking service is already running at " + path;
            return false;
        }
        unlink(path.c_str()); // left behind by a service that died
    }
    m_fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (m_fd < 0 || bind(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(m_fd, 16) != 0) {
        error = "cannot listen at " + path + ": " + std::strerror(errno);
        if (m_fd >= 0)
            close(m_fd);
        m_fd = -1;
        return false;
    }
    chmod(path.c_str(), 0600);
    m_path = path;
    return true;
}

void Service::acceptAll()
{
    for (;;) {
        const int fd = accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0)
            return;
        Client c{fd, {}};
        for (const std::string& line : greeting())
            c.out += line + '\n';
        ++m_acceptedTotal;
        m_clients.push_back(std::move(c));
        flush(m_clients.back());
    }
}

bool Service::flush(Client& c)
{
    while (!c.out.empty()) {
        const ssize_t n = send(c.fd, c.out.data(), c.out.size(), MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                return c.out.size() <= MAX_BACKLOG_BYTES;
            return false;
        }
        c.out.erase(0, static_cast<size_t>(n));
    }
    return true;
}

void Service::dropClosed()
{
    for (size_t i = 0; i < m_clients.size();) {
        Client& c = m_clients[i];
        if (c.fd < 0) {
            m_clients.erase(m_clients.begin() + static_cast<long>(i));
            continue;
        }
        ++i;
    }
}

void Service::broadcast(const std::string& line)
{
    for (Client& c : m_clients) {
        c.out += line;
        c.out += '\n';
        if (!flush(c)) {
            close(c.fd);
            c.fd = -1;
        }
    }
    dropClosed();
}

void Service::poll(int timeoutMs)
{
    std::vector<pollfd> fds;
    fds.push_back({m_fd, POLLIN, 0});
    for (const Client& c : m_clients)
        fds.push_back({c.fd, static_cast<short>(POLLIN | (c.out.empty() ? 0 : POLLOUT)), 0});
    if (::poll(fds.data(), fds.size(), timeoutMs < 0 ? 0 : timeoutMs) <= 0)
        return;
    for (size_t i = 1; i < fds.size(); ++i) {
        Client& c = m_clients[i - 1];
        if (fds[i].revents & (POLLHUP | POLLERR)) {
            close(c.fd);
            c.fd = -1;
            continue;
        }
        if (fds[i].revents & POLLIN) {
            // Clients have nothing to say; read to notice a close.
            char buf[512];
            const ssize_t n = recv(c.fd, buf, sizeof buf, 0);
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
                close(c.fd);
                c.fd = -1;
                continue;
            }
        }
        if ((fds[i].revents & POLLOUT) && !flush(c)) {
            close(c.fd);
            c.fd = -1;
        }
    }
    dropClosed();
    if (fds[0].revents & POLLIN)
        acceptAll();
}

} // namespace handsim
