#pragma once
// Where the controller's service events come from: the tracking service's socket or the sensor's
// WebSocket server. A source hands every event to its sink, one at a time, from the one thread it
// runs on; the controller's queue takes them to the callback thread.

#include "LeapServiceEvent.h"

#include <functional>

namespace Leap {
namespace detail {

class FrameSource {
public:
    using Sink = std::function<void(ServiceEvent&&)>;
    virtual ~FrameSource() = default;
};

} // namespace detail
} // namespace Leap
