#pragma once
// What the service side hands to the controller (from the socket client or the test driver).

#include "LeapRaw.h"

#include <string>

namespace Leap {
namespace detail {

struct ServiceEvent {
    enum class Kind { ServiceUp, ServiceDown, Device, Config, Frame };
    Kind kind = Kind::ServiceUp;
    DeviceStatus device;
    std::string key;
    bool value = false;
    RawFrame frame;
    // Which source sent it, where the controller has more than one ("auto"); 0 otherwise.
    int origin = 0;
};

} // namespace detail
} // namespace Leap
