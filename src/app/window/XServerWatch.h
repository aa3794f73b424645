#pragma once

#include <QObject>

class QSocketNotifier;
class VelmoWindow;

// When the X server goes away, the program ends in order, once, with status 1: no X request goes
// out any more from any thread, the hand acts no more, what it holds is let go (a relay
// destination gets the releases), the settings are saved, and the process ends with _exit, so
// that nothing is torn down under a thread still running.
//
// Three threads can find out first, each differently:
// - A thread whose call on the backend's connection fails (the tracking thread, mostly): the
//   backend is lost from then on and the call returns; the thread writes one byte to a pipe
//   that the main thread watches, and goes on.
// - The main thread, watching the backend's socket (it reads what comes in there, keymap
//   changes): the read fails, and it ends the program at once.
// - Qt, on the main thread: its reader thread sees the connection end and the main thread's
//   next turn calls exit(1) (Qt 5.15 ends the process itself when its connection breaks), or a
//   call of Qt's on its own Xlib connection finds it broken. The first runs the exit handler
//   registered here, the second reaches the backend's I/O error handler; both end the program
//   in order right there, before any of exit's teardown.
class XServerWatch : public QObject {
    Q_OBJECT

public:
    // Watches the window's X connection, the one its devices post on.
    explicit XServerWatch(VelmoWindow& window);
    ~XServerWatch() override;
    XServerWatch(const XServerWatch&) = delete;
    XServerWatch& operator=(const XServerWatch&) = delete;

private:
    static void onConnectionLost(bool own);
    static void onExit();
    [[noreturn]] static void leave();

    QSocketNotifier* lostNotifier_ = nullptr;
    QSocketNotifier* connectionNotifier_ = nullptr;
};
