#pragma once
// Socket side of the controller: connects to the tracking service over a Unix-domain socket,
// retries about once a second while there is none, splits and validates messages. It lives on the
// controller's callback thread and reads there, between callbacks, so that a frame costs that one
// thread one wake-up; bad input is dropped here, before anything is queued for a listener. While a
// callback runs long, a standby thread reads instead, so that a slow listener never stalls the
// socket (the controller's queue then drops the oldest frames).

#include "LeapFrameSource.h"

#include <QTimer>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class QSocketNotifier;

namespace Leap {
namespace detail {

class ServiceClient : public FrameSource {
public:
    static constexpr int RETRY_MS = 1000;
    // Read from the socket per wake-up at most; the rest waits for the next turn of the event loop.
    static constexpr size_t MAX_READ_PER_WAKE = 256 * 1024;

    // A callback running longer than this hands reading to the standby thread.
    static constexpr int64_t STALL_NS = 50000000;

    // Made, used and destroyed on the thread whose event loop is to read; flush runs there after
    // every burst of events handed to the sink. busySince: steady-clock nanoseconds since that
    // thread began its current callback, 0 while it is idle. standbySink takes what the standby
    // thread reads.
    ServiceClient(std::string path, Sink sink, std::function<void()> flush, const std::atomic<int64_t>& busySince,
        Sink standbySink);
    ServiceClient(const ServiceClient&) = delete;
    ServiceClient& operator=(const ServiceClient&) = delete;
    ~ServiceClient() override;

    // Decodes one line; a good message goes to the sink, a bad one is logged and dropped.
    static void handleLine(const std::string& line, const Sink& sink);

private:
    void tryConnect();
    void onReadable();
    void disconnected();
    // With m_readMutex held; false at the end of the stream or on an error.
    bool readAvailable(const Sink& sink);
    void split(const char* data, size_t size, const Sink& sink);
    void standby();

    std::string m_path;
    Sink m_sink;
    std::function<void()> m_flush;
    const std::atomic<int64_t>& m_busySince;
    Sink m_standbySink;
    std::mutex m_readMutex; // the socket, the partial line
    int m_fd = -1;
    bool m_ended = false; // the standby thread saw the end; the callback thread closes
    bool m_refusedPeer = false;
    std::string m_refusedPath; // why the socket's path was last refused, said once
    bool m_discarding = false;
    std::string m_line;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QTimer m_retry;
    int m_wake[2] = {-1, -1};
    std::atomic<bool> m_stop{false};
    std::thread m_standby;
};

} // namespace detail
} // namespace Leap
