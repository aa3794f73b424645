#include "XServerWatch.h"

#include <QSocketNotifier>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

#include "VelmoWindow.h"
#include "X11Backend.h"

namespace {

// Reached from Xlib's handler and the exit handler, on whichever thread found out.
std::atomic<VelmoWindow*> gWindow{nullptr};
std::atomic<X11Backend*> gDesktop{nullptr};
int gLostPipe[2] = {-1, -1};

} // namespace

XServerWatch::XServerWatch(VelmoWindow& window) {
    X11Backend& desktop = window.desktop();
    gDesktop.store(&desktop);
    gWindow.store(&window);
    if (gLostPipe[0] < 0 && ::pipe2(gLostPipe, O_CLOEXEC | O_NONBLOCK) != 0) gLostPipe[0] = gLostPipe[1] = -1;
    if (gLostPipe[0] >= 0) {
        lostNotifier_ = new QSocketNotifier(gLostPipe[0], QSocketNotifier::Read, this);
        connect(lostNotifier_, &QSocketNotifier::activated, this, [] { leave(); });
    }
    X11Backend::setLostHandler(onConnectionLost);
    const int fd = desktop.connectionFd();
    if (fd >= 0) {
        connectionNotifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        connect(connectionNotifier_, &QSocketNotifier::activated, this, [&desktop] {
            if (!desktop.readEvents()) leave();
        });
    }
    // Registered after everything the program has set up so far: it runs before their teardown.
    static const bool registered = std::atexit(onExit) == 0;
    (void)registered;
    if (desktop.isLost()) leave();
}

XServerWatch::~XServerWatch() {
    // The program's own end from here on.
    X11Backend::setLostHandler(nullptr);
    gWindow.store(nullptr);
    gDesktop.store(nullptr);
}

void XServerWatch::onConnectionLost(bool own) {
    if (!own) leave(); // Xlib ends the process when this returns
    const char byte = 1;
    const ssize_t written = ::write(gLostPipe[1], &byte, 1);
    (void)written;
}

void XServerWatch::onExit() {
    // An exit while the program still runs (Qt's, on a broken connection) ends it in order.
    if (gWindow.load()) leave();
}

void XServerWatch::leave() {
    static std::atomic<bool> leaving{false};
    thread_local bool leading = false;
    // Again on the way out (a broken connection met while saving): out now.
    if (leading) ::_exit(1);
    // One thread does it; any other that comes here waits for the end.
    if (leaving.exchange(true)) {
        for (;;) ::pause();
    }
    leading = true;
    if (X11Backend* desktop = gDesktop.load()) desktop->abandon();
    if (VelmoWindow* window = gWindow.load()) window->leaveWithoutDisplay();
    std::fputs("velmo-mouse: the X server is gone; settings saved, held input let go.\n", stderr);
    std::fflush(nullptr);
    ::_exit(1);
}
