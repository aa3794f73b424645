#pragma once
// The client of the sensor's WebSocket server. It lives on one thread with a Qt event loop (its own
// or the controller's callback thread) and calls its sink there: it connects, waits for the version
// message, asks for focus and background frames, turns frames into service events and reconnects
// with back-off. The stand-alone server sends no device events, so frames stand for an attached
// device and a silence for a detached one.

#include "LeapFrameSource.h"

#include <QObject>
#include <QUrl>

#include <cstdint>
#include <string_view>

class QTimer;
class QWebSocket;

namespace Leap {
namespace detail {

class WebSocketClient : public QObject {
public:
    static constexpr int FIRST_RETRY_MS = 250;
    static constexpr int MAX_RETRY_MS = 4000;
    // Frames stop this long: the device is taken as gone.
    static constexpr int SILENCE_MS = 1000;
    // A server that connects and says nothing this long is dropped and tried again.
    static constexpr int HANDSHAKE_MS = 5000;
    // The layer's clock for a connection starts here, whatever the server's epoch.
    static constexpr int64_t CLOCK_START_US = 1000000;

    // Construct on the thread it is to run on; it connects from that thread's event loop.
    WebSocketClient(const QUrl& url, FrameSource::Sink sink);
    ~WebSocketClient() override;

    // One text message from the server (public for tests and fuzzing through the client's state).
    void handleText(std::string_view text);

private:
    void connectNow();
    void onConnected();
    void onClosed();
    void onSilence();
    void scheduleRetry();
    void deviceGone();
    void post(ServiceEvent&& ev) { m_sink(std::move(ev)); }

    QUrl m_url;
    FrameSource::Sink m_sink;
    QWebSocket* m_socket = nullptr;
    QTimer* m_retry = nullptr;
    QTimer* m_silence = nullptr;
    int m_backoffMs = FIRST_RETRY_MS;
    bool m_versionSeen = false;
    bool m_serviceUp = false;
    bool m_deviceEvents = false; // the server reports the device itself
    bool m_attached = false;
    bool m_haveClock = false;
    int64_t m_clockOffset = 0;
    float m_nominalFps = 0.0f;
    std::string m_text; // reused for each message's UTF-8
};

} // namespace detail
} // namespace Leap
