#include "LeapTrackingSource.h"

#include "LeapController.h"
#include "LeapLog.h"
#include "LeapWebSocketProtocol.h"

#include <QUrl>

#include <cstdlib>
#include <mutex>

namespace Leap {

namespace {
std::mutex g_mutex;
bool g_chosen = false;
TrackingSource g_choice;
} // namespace

bool TrackingSource::parse(const std::string& text, TrackingSource& out, std::string& error)
{
    if (text == "auto") {
        out = automatic();
        return true;
    }
    if (text.rfind("unix:", 0) == 0) {
        const std::string path = text.substr(5);
        if (path.empty() || path.size() >= 108) {
            error = "unix: needs a socket path (at most 107 bytes)";
            return false;
        }
        out = TrackingSource{Kind::ServiceSocket, path};
        return true;
    }
    const QUrl url(QString::fromStdString(text), QUrl::StrictMode);
    if (url.isValid() && url.scheme() == QLatin1String("ws") && !url.host().isEmpty() && url.port(80) > 0) {
        out = TrackingSource{Kind::WebSocket, text};
        return true;
    }
    error = "expected unix:PATH, ws://HOST:PORT/PATH or auto, not \"" + text + "\"";
    return false;
}

TrackingSource TrackingSource::automatic()
{
    return TrackingSource{Kind::Automatic, Controller::servicePath(), websocket::DEFAULT_URL};
}

void TrackingSource::choose(const TrackingSource& source)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_choice = source;
    g_chosen = true;
}

TrackingSource TrackingSource::chosen()
{
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (g_chosen)
            return g_choice;
    }
    const char* env = std::getenv(ENVIRONMENT_VARIABLE);
    if (env && *env) {
        TrackingSource s;
        std::string error;
        if (parse(env, s, error))
            return s;
        detail::logInfo(std::string(ENVIRONMENT_VARIABLE) + " ignored: " + error);
    }
    return automatic();
}

std::string TrackingSource::text() const
{
    switch (kind) {
    case Kind::ServiceSocket:
        return "unix:" + address;
    case Kind::WebSocket:
        return address;
    case Kind::Automatic:
        return "auto";
    case Kind::None:
        break;
    }
    return "none";
}

} // namespace Leap
