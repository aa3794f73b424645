#pragma once
// A WebSocketClient on a thread of its own, so that the callback thread only ever delivers.

#include "LeapFrameSource.h"

#include <QThread>
#include <QUrl>

#include <memory>

namespace Leap {
namespace detail {

class WebSocketClient;

class WebSocketSource : public FrameSource {
public:
    WebSocketSource(const QUrl& url, Sink sink);
    ~WebSocketSource() override;

private:
    QThread m_thread;
    QObject* m_context = nullptr; // lives on m_thread; runs the construction and teardown there
    std::unique_ptr<WebSocketClient> m_client;
};

} // namespace detail
} // namespace Leap
