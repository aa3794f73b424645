#pragma once
// Which source the controller takes hands from: the tracking service's Unix-domain socket
// ("unix:PATH"), the sensor's WebSocket server ("ws://HOST:PORT/v6.json") or whichever of the two
// answers first ("auto"). The program's choice comes from its --tracking option, else
// $VELMO_TRACKING, else "auto".

#include <string>
#include <utility>

namespace Leap {

struct TrackingSource {
    enum class Kind { None, ServiceSocket, WebSocket, Automatic };
    static constexpr const char* ENVIRONMENT_VARIABLE = "VELMO_TRACKING";

    TrackingSource(Kind k = Kind::None, std::string addr = std::string(), std::string wsUrl = std::string())
        : kind(k), address(std::move(addr)), url(std::move(wsUrl))
    {
    }

    Kind kind = Kind::None;
    std::string address; // the socket's path or the ws:// URL; for Automatic the socket's path
    std::string url;     // Automatic only: the WebSocket server's URL

    // "unix:PATH", "ws://HOST[:PORT]/PATH" or "auto"; false with a reason for anything else.
    static bool parse(const std::string& text, TrackingSource& out, std::string& error);
    // "auto": the service's socket (Controller::servicePath()) and the sensor's WebSocket server at
    // its usual address, the first to answer taken until it goes away.
    static TrackingSource automatic();
    // Sets the process's choice (the command-line option); it wins over the environment.
    static void choose(const TrackingSource& source);
    // The process's choice, as described above; a bad $VELMO_TRACKING is logged and ignored.
    static TrackingSource chosen();
    // "unix:PATH", the URL or "auto".
    std::string text() const;
};

} // namespace Leap
