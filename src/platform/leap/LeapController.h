#pragma once
#include "LeapConfig.h"
#include "LeapDeviceList.h"
#include "LeapFrame.h"
#include "LeapGesture.h"
#include "LeapListener.h"
#include "LeapTrackingSource.h"

#include <memory>
#include <string>

namespace Leap {

namespace detail {
class ControllerImpl;
}

// Connection to the tracking service. Owns one callback thread (a QThread running a Qt event
// loop): onInit and onExit run there too, and addListener/removeListener wait for them, so objects
// a listener creates in onInit belong to that thread and may use Qt timers and sockets.
class Controller {
public:
    enum PolicyFlag {
        POLICY_DEFAULT = 0,
        POLICY_BACKGROUND_FRAMES = 1,
        POLICY_IMAGES = 2,
        POLICY_OPTIMIZE_HMD = 4,
    };

    // Connects to the process's chosen source (TrackingSource::chosen()).
    Controller();
    // Connects to the service at socketPath; an empty path connects to nothing, for frames pushed
    // in-process by a TestDriver.
    explicit Controller(const std::string& socketPath);
    explicit Controller(const TrackingSource& source);
    Controller(const Controller&) = delete;
    Controller& operator=(const Controller&) = delete;
    // Removes the listeners still added (each gets onExit) and stops the threads.
    ~Controller();

    // Returns after the listener's onInit (and, when a device is connected, its onConnect) has run
    // on the callback thread; frames follow. Adding the same listener twice returns false.
    bool addListener(Listener& listener);
    // Stops delivery to the listener, waits for a callback in flight, runs onExit; no callback follows.
    bool removeListener(Listener& listener);

    // history 0 is the newest frame; at least 60 frames are kept, older ones come back invalid.
    Frame frame(int history = 0) const;
    Config config() const;
    DeviceList devices() const;
    // A device is attached and streaming.
    bool isConnected() const;
    bool isServiceConnected() const;
    // Frames reach listeners only while POLICY_BACKGROUND_FRAMES is set: the application is a tray
    // utility that never holds the input focus.
    int policyFlags() const;
    // Const like the rest: listeners receive the controller as a const reference and set these.
    void setPolicyFlags(int flags) const;
    void enableGesture(Gesture::Type type, bool enable = true) const;
    bool isGestureEnabled(Gesture::Type type) const;

    // $XDG_RUNTIME_DIR/velmo-tracking.sock, or /tmp/velmo-<uid>/velmo-tracking.sock without it.
    static std::string servicePath();

private:
    friend class TestDriver;
    std::unique_ptr<detail::ControllerImpl> m_impl;
};

} // namespace Leap
