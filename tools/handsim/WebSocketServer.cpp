#include "WebSocketServer.h"

#include <QByteArray>
#include <QCryptographicHash>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

namespace handsim {

namespace {

std::string lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The value of a request header, "" when absent.
std::string header(const std::string& request, const std::string& name)
{
    const std::string l = lower(request);
    const size_t at = l.find("\r\n" + lower(name) + ":");
    if (at == std::string::npos)
        return std::string();
    size_t b = at + 3 + name.size();
    const size_t e = request.find("\r\n", b);
    while (b < e && request[b] == ' ')
        ++b;
    size_t end = e;
    while (end > b && request[end - 1] == ' ')
        --end;
    return request.substr(b, end - b);
}

} // namespace

WebSocketServer::~WebSocketServer()
{
    for (Client& c : m_clients)
        if (c.fd >= 0)
            close(c.fd);
    if (m_fd >= 0)
        close(m_fd);
}

bool WebSocketServer::listen(uint16_t port, std::string& error)
{
    m_fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    const int one = 1;
    setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (m_fd < 0 || bind(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(m_fd, 16) != 0) {
        error = "cannot listen on 127.0.0.1:" + std::to_string(port) + ": " + std::strerror(errno);
        if (m_fd >= 0)
            close(m_fd);
        m_fd = -1;
        return false;
    }
    socklen_t len = sizeof addr;
    getsockname(m_fd, reinterpret_cast<sockaddr*>(&addr), &len);
    m_port = ntohs(addr.sin_port);
    return true;
}

void WebSocketServer::acceptAll()
{
    for (;;) {
        const int fd = accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0)
            return;
        // Frames go out as they are made, not held back for an acknowledgement.
        const int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        Client c;
        c.fd = fd;
        ++m_acceptedTotal;
        m_clients.push_back(std::move(c));
    }
}

bool WebSocketServer::handshake(Client& c)
{
    const size_t end = c.in.find("\r\n\r\n");
    if (end == std::string::npos)
        return c.in.size() <= MAX_REQUEST_BYTES;
    const std::string request = c.in.substr(0, end + 2);
    c.in.erase(0, end + 4);
    const size_t sp1 = request.find(' ');
    const size_t sp2 = request.find(' ', sp1 + 1);
    if (request.compare(0, 4, "GET ") != 0 || sp2 == std::string::npos)
        return false;
    const std::string path = request.substr(sp1 + 1, sp2 - sp1 - 1);
    const std::string key = header(request, "Sec-WebSocket-Key");
    if (key.empty() || lower(header(request, "Upgrade")) != "websocket")
        return false;
    const QByteArray accept = QCryptographicHash::hash(QByteArray::fromStdString(key + "258EAFA5-E914-47DA-95CA-C5AB0DC85B11"),
        QCryptographicHash::Sha1).toBase64();
    c.out += "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Accept: "
        + accept.toStdString() + "\r\n\r\n";
    if (path != PATH) {
        // As the stand-alone server does: the connection goes before any message.
        flush(c);
        return false;
    }
    c.open = true;
    c.background = m_backgroundByDefault;
    for (const std::string& m : greeting())
        sendText(c, m);
    return true;
}

// Client frames are masked; only short control texts, close and ping mean anything.
bool WebSocketServer::readFrames(Client& c)
{
    for (;;) {
        if (c.in.size() < 2)
            return true;
        const auto* b = reinterpret_cast<const unsigned char*>(c.in.data());
        const uint8_t opcode = b[0] & 0x0F;
        const bool masked = b[1] & 0x80;
        uint64_t len = b[1] & 0x7F;
        size_t at = 2;
        if (len == 126) {
            if (c.in.size() < 4)
                return true;
            len = (uint64_t(b[2]) << 8) | b[3];
            at = 4;
        } else if (len == 127) {
            return false; // nothing a client says is that long
        }
        if (!masked || len > 4096)
            return false;
        if (c.in.size() < at + 4 + len)
            return true;
        const unsigned char* mask = b + at;
        std::string payload(static_cast<size_t>(len), '\0');
        for (size_t i = 0; i < len; ++i)
            payload[i] = static_cast<char>(b[at + 4 + i] ^ mask[i % 4]);
        c.in.erase(0, at + 4 + len);
        if (opcode == 0x8) {
            sendFrame(c, 0x8, payload.substr(0, 2));
            flush(c);
            return false;
        }
        if (opcode == 0x9) {
            sendFrame(c, 0xA, payload);
            continue;
        }
        if (opcode != 0x1)
            continue;
        // Copied into 32 bytes and compared as whole strings, as the stand-alone server does.
        const std::string text = payload.substr(0, 31);
        if (text == "{\"focused\":true}")
            c.focused = true;
        else if (text == "{\"focused\":false}")
            c.focused = false;
        else if (text == "{\"background\":true}")
            c.background = true;
        else if (text == "{\"background\":false}")
            c.background = false;
    }
}

void WebSocketServer::sendFrame(Client& c, uint8_t opcode, const std::string& payload)
{
    c.out += static_cast<char>(0x80 | opcode);
    const size_t n = payload.size();
    if (n < 126) {
        c.out += static_cast<char>(n);
    } else if (n < 65536) {
        c.out += static_cast<char>(126);
        c.out += static_cast<char>(n >> 8);
        c.out += static_cast<char>(n & 0xFF);
    } else {
        c.out += static_cast<char>(127);
        for (int i = 7; i >= 0; --i)
            c.out += static_cast<char>((static_cast<uint64_t>(n) >> (8 * i)) & 0xFF);
    }
    c.out += payload;
}

void WebSocketServer::sendText(Client& c, const std::string& text) { sendFrame(c, 0x1, text); }

bool WebSocketServer::flush(Client& c)
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

void WebSocketServer::drop(Client& c)
{
    if (c.fd >= 0)
        close(c.fd);
    c.fd = -1;
}

void WebSocketServer::broadcast(const std::string& message)
{
    for (Client& c : m_clients) {
        if (c.fd < 0 || !c.open || !(c.focused || c.background))
            continue;
        sendText(c, message);
        if (!flush(c))
            drop(c);
    }
    m_clients.erase(std::remove_if(m_clients.begin(), m_clients.end(), [](const Client& c) { return c.fd < 0; }),
        m_clients.end());
}

void WebSocketServer::broadcastToAll(const std::string& message)
{
    for (Client& c : m_clients) {
        if (c.fd < 0 || !c.open)
            continue;
        sendText(c, message);
        if (!flush(c))
            drop(c);
    }
    m_clients.erase(std::remove_if(m_clients.begin(), m_clients.end(), [](const Client& c) { return c.fd < 0; }),
        m_clients.end());
}

int WebSocketServer::focusedCount() const
{
    return static_cast<int>(std::count_if(m_clients.begin(), m_clients.end(), [](const Client& c) { return c.open && c.focused; }));
}

void WebSocketServer::poll(int timeoutMs)
{
    std::vector<pollfd> fds;
    fds.push_back({m_fd, POLLIN, 0});
    for (const Client& c : m_clients)
        fds.push_back({c.fd, static_cast<short>(POLLIN | (c.out.empty() ? 0 : POLLOUT)), 0});
    if (::poll(fds.data(), fds.size(), timeoutMs < 0 ? 0 : timeoutMs) <= 0)
        return;
    for (size_t i = 1; i < fds.size(); ++i) {
        Client& c = m_clients[i - 1];
        if (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) {
            char buf[4096];
            const ssize_t n = recv(c.fd, buf, sizeof buf, 0);
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
                drop(c);
                continue;
            }
            if (n > 0) {
                c.in.append(buf, static_cast<size_t>(n));
                if (!(c.open ? readFrames(c) : handshake(c)) || (c.open && !readFrames(c))) {
                    drop(c);
                    continue;
                }
            }
        }
        if (!c.out.empty() && !flush(c))
            drop(c);
    }
    m_clients.erase(std::remove_if(m_clients.begin(), m_clients.end(), [](const Client& c) { return c.fd < 0; }),
        m_clients.end());
    if (fds[0].revents & POLLIN)
        acceptAll();
}

} // namespace handsim
