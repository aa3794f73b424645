#pragma once

namespace Leap {

class Controller;

// Receives the controller's callbacks. onInit and onExit run when the listener is added and removed;
// everything else arrives on the controller's callback thread, one call at a time.
// A listener must stay alive until it is removed (the controller's destructor removes those left).
class Listener {
public:
    Listener() = default;
    virtual ~Listener() = default;

    virtual void onInit(const Controller&) {}
    virtual void onConnect(const Controller&) {}
    virtual void onDisconnect(const Controller&) {}
    virtual void onExit(const Controller&) {}
    virtual void onFrame(const Controller&) {}
    // A tray utility never has the input focus: these are never called.
    virtual void onFocusGained(const Controller&) {}
    virtual void onFocusLost(const Controller&) {}
    virtual void onServiceConnect(const Controller&) {}
    virtual void onServiceDisconnect(const Controller&) {}
    virtual void onDeviceChange(const Controller&) {}
    // No images are streamed: never called.
    virtual void onImages(const Controller&) {}
};

} // namespace Leap
