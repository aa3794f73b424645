#pragma once
// The tracking service's socket: a Unix-domain stream socket that every client receives the same
// lines on. Writes never block: a client that stops reading is dropped.

#include "Server.h"

#include <string>
#include <vector>

namespace handsim {

class Service : public Server {
public:
    static constexpr size_t MAX_BACKLOG_BYTES = 4 * 1024 * 1024;

    Service() = default;
    Service(const Service&) = delete;
    Service& operator=(const Service&) = delete;
    ~Service() override;

    // Creates the socket (and, for the per-user fallback directory, the directory). Fails when
    // another service is already listening there.
    bool listen(const std::string& path, std::string& error);
    // Sends the line and its newline.
    void broadcast(const std::string& line) override;
    void poll(int timeoutMs) override;
    int clientCount() const override { return static_cast<int>(m_clients.size()); }
    int acceptedTotal() const override { return m_acceptedTotal; }

private:
    struct Client {
        int fd;
        std::string out;
    };
    void acceptAll();
    // false when the client has gone.
    bool flush(Client& c);
    void dropClosed();

    int m_fd = -1;
    std::string m_path;
    std::vector<Client> m_clients;
    int m_acceptedTotal = 0;
};

} // namespace handsim
