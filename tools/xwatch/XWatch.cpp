#include "XWatch.h"

#include <poll.h>

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

namespace xwatch {

Watcher::~Watcher() {
    if (m_dpy) XCloseDisplay(m_dpy);
}

bool Watcher::open(const char* display, std::string& error) {
    m_dpy = XOpenDisplay(display);
    if (!m_dpy) {
        error = "cannot open the X display";
        return false;
    }
    int event = 0;
    int err = 0;
    if (!XQueryExtension(m_dpy, "XInputExtension", &m_opcode, &event, &err)) {
        error = "the X server has no input extension";
        return false;
    }
    // 2.2: raw events arrive even while another client grabs the pointer.
    int major = 2;
    int minor = 2;
    if (XIQueryVersion(m_dpy, &major, &minor) != Success) {
        error = "the X server's input extension is older than 2.2";
        return false;
    }
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XIEventMask mask;
    mask.deviceid = XIAllMasterDevices;
    mask.mask_len = sizeof bits;
    mask.mask = bits;
    XISetMask(bits, XI_RawButtonPress);
    XISetMask(bits, XI_RawButtonRelease);
    XISelectEvents(m_dpy, DefaultRootWindow(m_dpy), &mask, 1);
    XSync(m_dpy, False);
    return true;
}

std::vector<ButtonEvent> Watcher::read(int timeoutMs) {
    std::vector<ButtonEvent> out;
    if (!m_dpy) return out;
    XFlush(m_dpy);
    if (XPending(m_dpy) == 0 && timeoutMs > 0) {
        pollfd p = {ConnectionNumber(m_dpy), POLLIN, 0};
        ::poll(&p, 1, timeoutMs);
    }
    while (XPending(m_dpy) > 0) {
        XEvent ev;
        XNextEvent(m_dpy, &ev);
        XGenericEventCookie* cookie = &ev.xcookie;
        if (cookie->type != GenericEvent || cookie->extension != m_opcode || !XGetEventData(m_dpy, cookie)) continue;
        if (cookie->evtype == XI_RawButtonPress || cookie->evtype == XI_RawButtonRelease) {
            const auto* raw = static_cast<const XIRawEvent*>(cookie->data);
            ButtonEvent e;
            e.press = cookie->evtype == XI_RawButtonPress;
            e.button = raw->detail;
            out.push_back(e);
        }
        XFreeEventData(m_dpy, cookie);
    }
    return out;
}

bool Watcher::pointer(int* x, int* y, unsigned* mask) {
    if (!m_dpy) return false;
    Window root = 0;
    Window child = 0;
    int wx = 0;
    int wy = 0;
    unsigned m = 0;
    if (!XQueryPointer(m_dpy, DefaultRootWindow(m_dpy), &root, &child, x, y, &wx, &wy, &m)) return false;
    if (mask) *mask = m;
    return true;
}

std::vector<int> Watcher::keysDown() {
    std::vector<int> keys;
    if (!m_dpy) return keys;
    char map[32] = {};
    XQueryKeymap(m_dpy, map);
    for (int k = 0; k < 256; ++k)
        if (map[k / 8] & (1 << (k % 8))) keys.push_back(k);
    return keys;
}

void Watcher::warp(int x, int y) {
    if (!m_dpy) return;
    XWarpPointer(m_dpy, None, DefaultRootWindow(m_dpy), 0, 0, 0, 0, x, y);
    XSync(m_dpy, False);
}

int Watcher::screenWidth() const { return m_dpy ? DisplayWidth(m_dpy, DefaultScreen(m_dpy)) : 0; }

int Watcher::screenHeight() const { return m_dpy ? DisplayHeight(m_dpy, DefaultScreen(m_dpy)) : 0; }

int Watcher::fd() const { return m_dpy ? ConnectionNumber(m_dpy) : -1; }

std::string describe(const ButtonEvent& e) {
    if (e.button == 4 || e.button == 5) {
        if (!e.press) return std::string();
        return e.button == 4 ? "wheel up" : "wheel down";
    }
    if (e.button == 6 || e.button == 7) {
        if (!e.press) return std::string();
        return e.button == 6 ? "wheel left" : "wheel right";
    }
    return std::string(e.press ? "press " : "release ") + std::to_string(e.button);
}

} // namespace xwatch
