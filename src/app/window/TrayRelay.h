#pragma once

#include <functional>
#include <memory>

class ActionMgr;
class EngineQueries;
class OsxMousePointer;
class QAction;
class QThread;
class RelaySession;
class SourceSink;
class TrayOptions;
class VelmoListener;

namespace Leap {
class Controller;
}

// The tray's side of the relay: it starts and ends the relay session with what this machine's
// receiving end needs, tells it the network mode and carries out the mode's consequences in the
// tray (the alternative pointer, the menu, the options dialog's groups).
class TrayRelay {
public:
    // The menu entries a destination has no use for.
    struct Menu {
        QAction* pause;
        QAction* notifyClicks;
        QAction* tutorial;
    };
    // The tray's alternative pointer: made (and shown where it belongs) on demand, null until then.
    struct Pointer {
        std::function<void()> make;
        std::function<OsxMousePointer*()> window;
    };

    TrayRelay(VelmoListener& listener, Leap::Controller& controller, TrayOptions& options, Menu menu, Pointer pointer);
    ~TrayRelay();
    TrayRelay(const TrayRelay&) = delete;
    TrayRelay& operator=(const TrayRelay&) = delete;

    // The session on its thread towards the configured destination, then the mode the engine
    // loaded. The engine has started: actionMgr (null if it made none) outlives stop().
    void start(ActionMgr* actionMgr);
    // Lets go of what a destination holds, then closes the socket, on the relay's thread.
    void stop();

    // The user's choice of mode: the mode, then the device's policy or the tray's word for it.
    void setNetworkMode(int index);
    // The mode to the session (to the settings before start and after stop), and its side effects.
    void initNetworkMode(int type);
    // The destination address and port the settings now hold.
    void retarget();

    RelaySession* session() const { return session_.get(); }
    QThread* thread() const;
    // The sink towards the destination while this machine is a source, else null.
    SourceSink* source() const;

private:
    VelmoListener& listener_;
    EngineQueries& engine_;
    Leap::Controller& controller_;
    TrayOptions& options_;
    Menu menu_;
    Pointer pointer_;
    // The tutorial entry was on when the machine became a destination: it comes back after.
    bool tutorialOffInDestination_ = false;
    std::unique_ptr<RelaySession> session_;
};
