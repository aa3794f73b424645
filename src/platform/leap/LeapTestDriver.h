#pragma once
// In-process stand-in for the tracking service: pushes events into a Controller without a socket.
// Everything pushed goes through the same path as socket input (validation, frame building,
// callback thread).

#include "LeapController.h"
#include "LeapRaw.h"

#include <string>

namespace Leap {

class TestDriver {
public:
    explicit TestDriver(Controller& controller);

    void startService();
    // The service goes away: a connected device disconnects first.
    void stopService();
    // Starts the service when needed, then reports the device attached (onConnect).
    void plugDevice(bool embedded = false, float nominalFps = 120.0f);
    // Detached; an embedded device stays listed, switched off.
    void unplugDevice();
    void setConfig(const std::string& key, bool value);
    void pushFrame(const RawFrame& frame);
    void pushHand(const RawHand& hand, int64_t timestampUs);
    void pushEmpty(int64_t timestampUs);
    // One protocol line, as if it had come from the socket.
    void pushMessage(const std::string& line);
    // Returns once everything pushed before has been delivered to the listeners.
    void sync();

private:
    Controller& m_controller;
    bool m_serviceUp = false;
};

} // namespace Leap
