#pragma once
// The sensor's WebSocket server as the simulator plays it, on 127.0.0.1 only: the handshake, the
// version message, the client's focus and background flags, and text messages to every client that
// wants frames. Like the stand-alone server it accepts only the path /v6.json (any other is closed
// right after the handshake), recognises a control message only as the exact compact text, and
// turns background frames on by itself when it sends the version. Writes never block: a client that
// stops reading is dropped.

#include "Server.h"

#include <cstdint>
#include <string>
#include <vector>

namespace handsim {

class WebSocketServer : public Server {
public:
    static constexpr size_t MAX_BACKLOG_BYTES = 4 * 1024 * 1024;
    static constexpr size_t MAX_REQUEST_BYTES = 8192;
    static constexpr const char* PATH = "/v6.json";

    WebSocketServer() = default;
    WebSocketServer(const WebSocketServer&) = delete;
    WebSocketServer& operator=(const WebSocketServer&) = delete;
    ~WebSocketServer() override;

    // port 0 takes a free one (see port()).
    bool listen(uint16_t port, std::string& error);
    uint16_t port() const { return m_port; }
    // Without it the server starts background frames on its own (the stand-alone server does; the
    // older one waits for the client's focus or background message).
    void setBackgroundByDefault(bool on) { m_backgroundByDefault = on; }

    // One text message to every open client that wants frames (focused or in the background).
    void broadcast(const std::string& message) override;
    // Also to clients that asked for no frames: the version and device events.
    void broadcastToAll(const std::string& message);
    void poll(int timeoutMs) override;
    int clientCount() const override { return static_cast<int>(m_clients.size()); }
    int acceptedTotal() const override { return m_acceptedTotal; }
    // Open clients that have asked for focus.
    int focusedCount() const;

private:
    struct Client {
        int fd = -1;
        bool open = false;
        bool focused = false;
        bool background = false;
        std::string in;
        std::string out;
    };
    void acceptAll();
    bool handshake(Client& c);
    bool readFrames(Client& c);
    void sendText(Client& c, const std::string& text);
    void sendFrame(Client& c, uint8_t opcode, const std::string& payload);
    bool flush(Client& c);
    void drop(Client& c);

    int m_fd = -1;
    uint16_t m_port = 0;
    bool m_backgroundByDefault = true;
    std::vector<Client> m_clients;
    int m_acceptedTotal = 0;
};

} // namespace handsim
