#pragma once
// Socket side of the controller: connects to the tracking service over a Unix-domain socket,
// retries about once a second while there is none, splits and validates messages. Runs on a
// thread of its own so that a slow listener never stalls reading, and bad input never reaches
// the callback thread.

#include "LeapFrameSource.h"

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace Leap {
namespace detail {

class ServiceClient : public FrameSource {
public:
    static constexpr int RETRY_MS = 1000;

    ServiceClient(std::string path, Sink sink);
    ~ServiceClient() override;

    // Decodes one line; a good message goes to the sink, a bad one is logged and dropped.
    static void handleLine(const std::string& line, const Sink& sink);

private:
    void run();
    // false when asked to stop.
    bool pause(int ms);
    void readLoop(int fd);

    std::string m_path;
    Sink m_sink;
    int m_wake[2] = {-1, -1};
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace detail
} // namespace Leap
