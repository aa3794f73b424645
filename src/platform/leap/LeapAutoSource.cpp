#include "LeapAutoSource.h"

#include "LeapLog.h"
#include "LeapServiceClient.h"
#include "LeapWebSocketSource.h"

#include <QMetaObject>

namespace Leap {
namespace detail {

AutoSource::AutoSource(std::string socketPath, QUrl url, Sinks sinks)
    : m_path(std::move(socketPath)), m_url(std::move(url)), m_sinks(std::move(sinks))
{
}

void AutoSource::start()
{
    startSocket();
    startWebSocket();
}

AutoSource::~AutoSource() = default;

FrameSource::Sink AutoSource::tagged(const Sink& sink, int origin) const
{
    return [sink, origin](ServiceEvent&& ev) {
        ev.origin = origin;
        sink(std::move(ev));
    };
}

void AutoSource::startSocket()
{
    m_socketId = m_nextId++;
    m_socket = std::make_unique<ServiceClient>(m_path, tagged(m_sinks.socket, m_socketId), m_sinks.flush,
        *m_sinks.busySince, tagged(m_sinks.standby, m_socketId));
}

void AutoSource::startWebSocket()
{
    m_webSocketId = m_nextId++;
    m_webSocket = std::make_unique<WebSocketSource>(m_url, tagged(m_sinks.webSocket, m_webSocketId));
}

bool AutoSource::admit(const ServiceEvent& ev)
{
    if (ev.origin == 0 || (ev.origin != m_socketId && ev.origin != m_webSocketId))
        return false;
    if (m_taken == 0) {
        if (ev.kind != ServiceEvent::Kind::ServiceUp)
            return false;
        m_taken = ev.origin;
        const bool socket = m_taken == m_socketId;
        logInfo("taking hands from " + (socket ? "unix:" + m_path : m_url.toString().toStdString()));
        m_closed.push_back(std::move(socket ? m_webSocket : m_socket));
        (socket ? m_webSocketId : m_socketId) = 0;
        QMetaObject::invokeMethod(&m_context, [this] { m_closed.clear(); }, Qt::QueuedConnection);
        return true;
    }
    if (ev.origin != m_taken)
        return false;
    if (ev.kind == ServiceEvent::Kind::ServiceDown) {
        // The one taken keeps retrying; the other is looked for again beside it.
        m_taken = 0;
        if (!m_socket)
            startSocket();
        if (!m_webSocket)
            startWebSocket();
    }
    return true;
}

} // namespace detail
} // namespace Leap
