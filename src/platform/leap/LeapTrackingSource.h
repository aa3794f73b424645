#pragma once
// Which source the controller takes hands from: the tracking service's Unix-domain socket
// ("unix:PATH") or the sensor's WebSocket server ("ws://HOST:PORT/v6.json"). The program's choice
// comes from its --tracking option, else $VELMO_TRACKING, else the service's socket when it
// exists at start and the sensor's WebSocket server otherwise ("auto").

#include <string>

namespace Leap {

struct TrackingSource {
    enum class Kind { None, ServiceSocket, WebSocket };
    static constexpr const char* ENVIRONMENT_VARIABLE = "VELMO_TRACKING";

    Kind kind = Kind::None;
    std::string address; // the socket's path or the ws:// URL

    // "unix:PATH", "ws://HOST[:PORT]/PATH" or "auto"; false with a reason for anything else.
    static bool parse(const std::string& text, TrackingSource& out, std::string& error);
    // "auto": the service's socket when one is there, else the sensor's WebSocket server.
    static TrackingSource automatic();
    // Sets the process's choice (the command-line option); it wins over the environment.
    static void choose(const TrackingSource& source);
    // The process's choice, as described above; a bad $VELMO_TRACKING is logged and ignored.
    static TrackingSource chosen();
    // "unix:PATH" or the URL.
    std::string text() const;
};

} // namespace Leap
