#include "LeapWebSocketClient.h"

#include "LeapLog.h"
#include "LeapWebSocketProtocol.h"

#include <QNetworkProxy>
#include <QTimer>
#include <QWebSocket>

namespace Leap {
namespace detail {

WebSocketClient::WebSocketClient(const QUrl& url, FrameSource::Sink sink) : m_url(url), m_sink(std::move(sink))
{
    m_socket = new QWebSocket(QString(), QWebSocketProtocol::VersionLatest, this);
    // The sensor's server is local; no proxy setting may reroute it.
    m_socket->setProxy(QNetworkProxy::NoProxy);
    // Past this Qt closes the connection; below it an oversized message is read and dropped.
    m_socket->setMaxAllowedIncomingMessageSize(4 * websocket::MAX_MESSAGE_BYTES);
    m_socket->setMaxAllowedIncomingFrameSize(4 * websocket::MAX_MESSAGE_BYTES);
    m_retry = new QTimer(this);
    m_retry->setSingleShot(true);
    m_silence = new QTimer(this);
    m_silence->setSingleShot(true);
    connect(m_socket, &QWebSocket::connected, this, [this] { onConnected(); });
    connect(m_socket, &QWebSocket::disconnected, this, [this] { onClosed(); });
    connect(m_socket, &QWebSocket::textMessageReceived, this, [this](const QString& text) {
        const QByteArray utf8 = text.toUtf8();
        handleText(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
    });
    connect(m_socket, &QWebSocket::binaryMessageReceived, this, [](const QByteArray&) { logDropped("binary message"); });
    connect(m_retry, &QTimer::timeout, this, [this] { connectNow(); });
    connect(m_silence, &QTimer::timeout, this, [this] { onSilence(); });
    connectNow();
}

WebSocketClient::~WebSocketClient()
{
    // No events from a teardown: the controller is going too.
    disconnect(m_socket, nullptr, this, nullptr);
    m_socket->abort();
}

void WebSocketClient::connectNow()
{
    m_versionSeen = false;
    m_deviceEvents = false;
    m_attached = false;
    m_haveClock = false;
    m_silence->start(HANDSHAKE_MS);
    m_socket->open(m_url);
}

void WebSocketClient::onConnected()
{
    // The version message comes first; focus is asked for once it is known.
}

void WebSocketClient::scheduleRetry()
{
    m_silence->stop();
    m_retry->start(m_backoffMs);
    m_backoffMs = std::min(m_backoffMs * 2, MAX_RETRY_MS);
}

void WebSocketClient::onClosed()
{
    if (m_serviceUp) {
        m_serviceUp = false;
        ServiceEvent down;
        down.kind = ServiceEvent::Kind::ServiceDown;
        post(std::move(down));
    }
    m_attached = false;
    scheduleRetry();
}

void WebSocketClient::deviceGone()
{
    m_attached = false;
    m_haveClock = false;
    ServiceEvent ev;
    ev.kind = ServiceEvent::Kind::Device;
    ev.device = DeviceStatus{false, false, 120.0f};
    post(std::move(ev));
}

void WebSocketClient::onSilence()
{
    if (!m_versionSeen) {
        logInfo("the sensor's WebSocket server sent no version message; reconnecting");
        m_socket->abort(); // disconnected follows, and with it the retry
        return;
    }
    if (m_attached && !m_deviceEvents) {
        logInfo("no frames from the sensor's WebSocket server for a second: device taken as gone");
        deviceGone();
    }
}

void WebSocketClient::handleText(std::string_view text)
{
    websocket::Message msg;
    std::string error;
    if (!websocket::decode(text, msg, error)) {
        logDropped(error);
        return;
    }
    if (!m_versionSeen) {
        if (msg.type != websocket::Type::Version) {
            logDropped("message before the version message");
            return;
        }
        if (msg.version < websocket::VERSION) {
            logInfo("the sensor's WebSocket server speaks version " + std::to_string(msg.version)
                + "; version 6 is needed");
            m_backoffMs = MAX_RETRY_MS;
            m_socket->abort();
            return;
        }
        m_versionSeen = true;
        m_backoffMs = FIRST_RETRY_MS;
        m_silence->stop();
        // Separate messages, exactly these bytes: one server compares them as whole strings.
        m_socket->sendTextMessage(QString::fromLatin1(websocket::FOCUSED_MESSAGE));
        m_socket->sendTextMessage(QString::fromLatin1(websocket::BACKGROUND_MESSAGE));
        m_serviceUp = true;
        ServiceEvent up;
        up.kind = ServiceEvent::Kind::ServiceUp;
        post(std::move(up));
        return;
    }
    switch (msg.type) {
    case websocket::Type::Version:
        return;
    case websocket::Type::Device: {
        m_deviceEvents = true;
        m_silence->stop();
        if (!msg.device.attached)
            m_haveClock = false;
        m_attached = msg.device.attached;
        ServiceEvent ev;
        ev.kind = ServiceEvent::Kind::Device;
        ev.device = msg.device;
        ev.device.nominalFps = m_nominalFps > 0.0f ? m_nominalFps : 120.0f;
        post(std::move(ev));
        return;
    }
    case websocket::Type::Frame:
        break;
    }
    if (msg.frame.frameRate > 0.0f)
        m_nominalFps = msg.frame.frameRate;
    if (!m_deviceEvents) {
        m_silence->start(SILENCE_MS);
        if (!m_attached) {
            m_attached = true;
            ServiceEvent ev;
            ev.kind = ServiceEvent::Kind::Device;
            ev.device = DeviceStatus{true, false, m_nominalFps > 0.0f ? m_nominalFps : 120.0f};
            post(std::move(ev));
        }
    }
    // Only differences of the server's clock mean anything; a jump back starts the clock again.
    int64_t t = msg.frame.timestamp + m_clockOffset;
    if (!m_haveClock || t < 0) {
        m_clockOffset = CLOCK_START_US - msg.frame.timestamp;
        m_haveClock = true;
        t = CLOCK_START_US;
    }
    ServiceEvent ev;
    ev.kind = ServiceEvent::Kind::Frame;
    ev.frame = std::move(msg.frame);
    ev.frame.timestamp = t;
    post(std::move(ev));
}

} // namespace detail
} // namespace Leap
