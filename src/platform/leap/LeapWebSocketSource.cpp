#include "LeapWebSocketSource.h"

#include "LeapWebSocketClient.h"

#include <QMetaObject>

namespace Leap {
namespace detail {

WebSocketSource::WebSocketSource(const QUrl& url, Sink sink)
{
    m_thread.setObjectName(QStringLiteral("LeapWebSocket"));
    m_context = new QObject;
    m_context->moveToThread(&m_thread);
    m_thread.start();
    QMetaObject::invokeMethod(
        m_context, [this, url, sink = std::move(sink)] { m_client = std::make_unique<WebSocketClient>(url, sink); },
        Qt::BlockingQueuedConnection);
}

WebSocketSource::~WebSocketSource()
{
    // Its socket and timers belong to that thread: they go there.
    QMetaObject::invokeMethod(m_context, [this] { m_client.reset(); }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
    delete m_context;
}

} // namespace detail
} // namespace Leap
