#pragma once
// What the simulator's main loop needs of a server: greet each new client, send every client the
// same messages, and serve without blocking.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace handsim {

class Server {
public:
    // Unsent bytes a client may have before it counts as gone.
    static constexpr size_t MAX_BACKLOG_BYTES = 4 * 1024 * 1024;

    virtual ~Server() = default;
    // Messages a client receives first when it connects.
    void setGreeting(std::function<std::vector<std::string>()> greeting) { m_greeting = std::move(greeting); }
    virtual void broadcast(const std::string& message) = 0;
    // Accepts clients and writes what is pending, waiting at most timeoutMs for something to do.
    virtual void poll(int timeoutMs) = 0;
    virtual int clientCount() const = 0;
    virtual int acceptedTotal() const = 0;

protected:
    std::vector<std::string> greeting() const { return m_greeting ? m_greeting() : std::vector<std::string>(); }
    // Writes what out holds without blocking; false when the client has gone or stopped reading.
    static bool sendPending(int fd, std::string& out);

private:
    std::function<std::vector<std::string>()> m_greeting;
};

} // namespace handsim
