#pragma once
// "auto": the tracking service's socket and the sensor's WebSocket server are both looked for, and
// the first to answer (a service accepting on the socket, a server's version message) is taken.
// The other is closed while it is, so that a server handing each frame to one client, or its focus
// to the newest, never sees a second one; when the one taken goes away, both are looked for again.
// Made, used and destroyed on the controller's callback thread.

#include "LeapFrameSource.h"

#include <QObject>
#include <QUrl>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Leap {
namespace detail {

class AutoSource : public FrameSource {
public:
    // What the controller gives a socket client (ServiceClient) and a WebSocket source.
    struct Sinks {
        Sink socket;                 // on the callback thread, drained by flush
        std::function<void()> flush;
        const std::atomic<int64_t>* busySince;
        Sink standby;                // the socket client's standby thread
        Sink webSocket;              // the WebSocket source's thread
    };

    AutoSource(std::string socketPath, QUrl url, Sinks sinks);
    ~AutoSource() override;
    // Starts looking. A socket already there answers at once, and that answer goes to admit():
    // the controller must be ready for it.
    void start();

    // For every event before the controller handles it: false for one from a source not taken.
    bool admit(const ServiceEvent& ev);

private:
    void startSocket();
    void startWebSocket();
    Sink tagged(const Sink& sink, int origin) const;

    std::string m_path;
    QUrl m_url;
    Sinks m_sinks;
    std::unique_ptr<FrameSource> m_socket;
    std::unique_ptr<FrameSource> m_webSocket;
    // Ids of the live sources' events (0: none); each new source gets a new one, so that events a
    // closed source left in the queue count for nothing.
    int m_socketId = 0;
    int m_webSocketId = 0;
    int m_nextId = 1;
    int m_taken = 0;
    // A source is closed from the event loop, never inside a call that may have come from it.
    std::vector<std::unique_ptr<FrameSource>> m_closed;
    QObject m_context;
};

} // namespace detail
} // namespace Leap
