#pragma once
// What the simulator's main loop needs of a server: greet each new client, send every client the
// same messages, and serve without blocking.

#include <functional>
#include <string>
#include <vector>

namespace handsim {

class Server {
public:
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

private:
    std::function<std::vector<std::string>()> m_greeting;
};

} // namespace handsim
