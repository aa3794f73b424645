// The test's own connection to the X server, kept apart from Qt and gtest headers (Xlib's macros
// clash with both).
#include <X11/Xlib.h>

namespace xprobe {

namespace {
Display* dpy = nullptr;
}

bool open() {
  if (!dpy) dpy = XOpenDisplay(nullptr);
  return dpy != nullptr;
}

void close() {
  if (dpy) XCloseDisplay(dpy);
  dpy = nullptr;
}

void warp(int x, int y) {
  XWarpPointer(dpy, None, DefaultRootWindow(dpy), 0, 0, 0, 0, x, y);
  XSync(dpy, False);
}

bool query(int* x, int* y, unsigned* mask) {
  Window root, child;
  int wx, wy;
  return XQueryPointer(dpy, DefaultRootWindow(dpy), &root, &child, x, y, &wx, &wy, mask) != 0;
}

}  // namespace xprobe

namespace xprobe {

// Whether the server has any key down, and any of buttons 1-3.
bool anyKeyDown() {
  char keys[32];
  XQueryKeymap(dpy, keys);
  for (char k : keys)
    if (k != 0) return true;
  return false;
}

}  // namespace xprobe
