#include "X11Backend.h"

#include <QtGlobal>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <unordered_map>
#include <vector>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>

namespace {

// Xlib keeps one error handler per process; ours logs errors of our connections (one per backend:
// the program has one, a test may have a few) and hands the others to whoever was there before.
constexpr int kMaxBackends = 8;
std::atomic<Display*> gOurDisplays[kMaxBackends];

bool isOurs(Display* dpy) {
  for (auto& d : gOurDisplays)
    if (d.load() == dpy) return true;
  return false;
}

void registerDisplay(Display* dpy) {
  for (auto& d : gOurDisplays) {
    Display* none = nullptr;
    if (d.compare_exchange_strong(none, dpy)) return;
  }
}

void unregisterDisplay(Display* dpy) {
  for (auto& d : gOurDisplays) {
    Display* was = dpy;
    if (d.compare_exchange_strong(was, nullptr)) return;
  }
}
std::atomic<int> gErrors{0};
XErrorHandler gPreviousHandler = nullptr;
std::atomic<bool> gLost{false};
std::atomic<X11Backend::LostHandler> gLostHandler{nullptr};

int onConnectionBroken(Display* dpy) {
  const bool own = isOurs(dpy);
  const bool first = !gLost.exchange(true);
  if (first) qWarning("X11 BACKEND: THE X SERVER CONNECTION BROKE");
  if (X11Backend::LostHandler handler = gLostHandler.load()) handler(own);
  return 0;
}

// Returning lets the call that found the connection broken fail instead of ending the process.
void keepRunning(Display*, void*) {}

int logXError(Display* dpy, XErrorEvent* e) {
  if (!isOurs(dpy) && gPreviousHandler) return gPreviousHandler(dpy, e);
  char text[256] = {0};
  XGetErrorText(dpy, e->error_code, text, sizeof text - 1);
  qWarning("X ERROR: %s (request %d.%d, resource 0x%lx)", text, int(e->request_code),
           int(e->minor_code), e->resourceid);
  gErrors.fetch_add(1);
  return 0;
}

struct KeyEntry {
  int keycode;
  bool shifted;
};

// XTest's coordinates are 16-bit; the server clamps to the screen from there.
constexpr long long kMaxCoordinate = 32767;
constexpr std::chrono::milliseconds kPointerRecheck{250};

// This thread's write scope: its depth, the backend it was begun on (whose requests it holds
// back) and whether any are waiting.
thread_local int tBatchDepth = 0;
thread_local const void* tBatchBackend = nullptr;
thread_local bool tBatchPending = false;
thread_local std::vector<std::function<void()>> tAfterWrite;

}  // namespace

struct X11Backend::Impl {
  std::mutex mutex;
  bool tried = false;
  Display* dpy = nullptr;
  Window root = 0;
  bool xtest = false;
  bool xfixes = false;
  bool xkb = false;
  int xkbEventBase = 0;
  XkbDescPtr keymap = nullptr;
  bool cursorHidden = false;
  // Where our last motion put the pointer (or a query found it), and when that was last checked.
  long long pointerX = -1, pointerY = -1;
  std::chrono::steady_clock::time_point pointerChecked;
  std::unordered_map<unsigned long, KeyEntry> keys;

  // Called with the lock held.
  bool open() {
    if (gLost.load()) return false;
    if (dpy) return true;
    if (tried) return false;
    tried = true;
    dpy = XOpenDisplay(nullptr);
    if (!dpy) {
      qWarning("X11 BACKEND: CANNOT OPEN DISPLAY");
      return false;
    }
    registerDisplay(dpy);
    XErrorHandler previous = XSetErrorHandler(logXError);
    if (previous != logXError) gPreviousHandler = previous;
    XSetIOErrorHandler(onConnectionBroken);
    XSetIOErrorExitHandler(dpy, keepRunning, nullptr);
    root = DefaultRootWindow(dpy);
    int a, b, c, d;
    xtest = XTestQueryExtension(dpy, &a, &b, &c, &d);
    xfixes = XFixesQueryExtension(dpy, &a, &b);
    int major = XkbMajorVersion, minor = XkbMinorVersion, opcode, error;
    xkb = XkbQueryExtension(dpy, &opcode, &xkbEventBase, &error, &major, &minor);
    if (xkb) {
      const unsigned int events = XkbMapNotifyMask | XkbNewKeyboardNotifyMask;
      XkbSelectEvents(dpy, XkbUseCoreKbd, events, events);
    }
    if (!xtest) qWarning("X11 BACKEND: NO XTEST EXTENSION");
    return true;
  }

  void shut() {
    if (!dpy) {
      tried = false;
      return;
    }
    if (cursorHidden && xfixes && !gLost.load()) XFixesShowCursor(dpy, root);
    cursorHidden = false;
    if (keymap) XkbFreeKeyboard(keymap, 0, True);
    keymap = nullptr;
    keys.clear();
    unregisterDisplay(dpy);
    XCloseDisplay(dpy);
    dpy = nullptr;
    pointerX = pointerY = -1;
    tried = false;
  }

  // Reads what the server sent us: only keymap changes matter.
  void drainEvents() {
    while (XPending(dpy) > 0) {
      XEvent ev;
      XNextEvent(dpy, &ev);
      if (ev.type == MappingNotify) {
        XRefreshKeyboardMapping(&ev.xmapping);
        dropKeymap();
      } else if (xkb && ev.type == xkbEventBase) {
        dropKeymap();
      }
    }
  }

  void dropKeymap() {
    keys.clear();
    if (keymap) XkbFreeKeyboard(keymap, 0, True);
    keymap = nullptr;
  }

  // Level of the key type that Shift alone selects, -1 when Shift selects none.
  static int shiftLevel(XkbKeyTypePtr type) {
    for (int i = 0; i < type->map_count; ++i) {
      const XkbKTMapEntryRec& e = type->map[i];
      if (e.active && e.mods.mask == ShiftMask) return e.level;
    }
    return -1;
  }

  KeyEntry lookup(unsigned long keysym) {
    drainEvents();
    auto found = keys.find(keysym);
    if (found != keys.end()) return found->second;
    KeyEntry result{0, false};
    if (!keymap && xkb) keymap = XkbGetMap(dpy, XkbKeyTypesMask | XkbKeySymsMask, XkbUseCoreKbd);
    if (keymap) {
      // Level 0 anywhere wins over a shifted level, lowest keycode first.
      for (int pass = 0; pass < 2 && result.keycode == 0; ++pass) {
        for (int kc = keymap->min_key_code; kc <= keymap->max_key_code; ++kc) {
          if (XkbKeyNumGroups(keymap, kc) < 1) continue;
          int level = 0;
          if (pass == 1) {
            level = shiftLevel(XkbKeyKeyType(keymap, kc, 0));
            if (level <= 0) continue;
          }
          if (level >= XkbKeyGroupWidth(keymap, kc, 0)) continue;
          if (XkbKeySymEntry(keymap, kc, level, 0) == keysym) {
            result = KeyEntry{kc, pass == 1};
            break;
          }
        }
      }
    } else {
      const KeyCode kc = XKeysymToKeycode(dpy, keysym);
      if (kc) {
        if (XkbKeycodeToKeysym(dpy, kc, 0, 0) == keysym) {
          result = KeyEntry{kc, false};
        } else if (XkbKeycodeToKeysym(dpy, kc, 0, 1) == keysym) {
          result = KeyEntry{kc, true};
        }
      }
    }
    keys.emplace(keysym, result);
    return result;
  }
};

X11Backend::X11Backend() : d_(new Impl) {}

X11Backend::~X11Backend() {
  close();
  delete d_;
}

bool X11Backend::isOpen() const {
  std::lock_guard<std::mutex> lock(d_->mutex);
  return d_->open();
}

bool X11Backend::rootSize(int* width, int* height) {
  std::lock_guard<std::mutex> lock(d_->mutex);
  *width = 0;
  *height = 0;
  if (!d_->open()) return false;
  Window rootReturn;
  int x, y;
  unsigned int w, h, border, depth;
  if (!XGetGeometry(d_->dpy, d_->root, &rootReturn, &x, &y, &w, &h, &border, &depth)) return false;
  *width = int(w);
  *height = int(h);
  return true;
}

bool X11Backend::moveTo(long long x, long long y) {
  x = std::clamp(x, 0LL, kMaxCoordinate);
  y = std::clamp(y, 0LL, kMaxCoordinate);
  std::lock_guard<std::mutex> lock(d_->mutex);
  if (!d_->open() || !d_->xtest) return false;
  const auto now = std::chrono::steady_clock::now();
  if (x == d_->pointerX && y == d_->pointerY) {
    // No motion to where the pointer already is. Something else may have moved it meanwhile: a
    // look now and then (one round trip) lets a still hand take it back.
    if (now - d_->pointerChecked < kPointerRecheck) return true;
    d_->pointerChecked = now;
    Window rootReturn, child;
    int rx = 0, ry = 0, wx, wy;
    unsigned int m = 0;
    if (XQueryPointer(d_->dpy, d_->root, &rootReturn, &child, &rx, &ry, &wx, &wy, &m) && rx == x && ry == y)
      return true;
  }
  XTestFakeMotionEvent(d_->dpy, -1, int(x), int(y), CurrentTime);
  flushLocked();
  d_->pointerX = x;
  d_->pointerY = y;
  d_->pointerChecked = now;
  return true;
}

bool X11Backend::queryPointer(int* x, int* y, unsigned int* mask) {
  std::lock_guard<std::mutex> lock(d_->mutex);
  if (!d_->open()) return false;
  Window rootReturn, child;
  int rx = 0, ry = 0, wx, wy;
  unsigned int m = 0;
  const bool ok = XQueryPointer(d_->dpy, d_->root, &rootReturn, &child, &rx, &ry, &wx, &wy, &m);
  if (!ok) return false;
  d_->pointerX = rx;
  d_->pointerY = ry;
  d_->pointerChecked = std::chrono::steady_clock::now();
  *x = rx;
  *y = ry;
  if (mask) *mask = m;
  return true;
}

bool X11Backend::button(int xButton, bool press) {
  if (xButton < 1 || xButton > 255) return false;
  std::lock_guard<std::mutex> lock(d_->mutex);
  if (!d_->open() || !d_->xtest) return false;
  XTestFakeButtonEvent(d_->dpy, unsigned(xButton), press ? True : False, CurrentTime);
  flushLocked();
  return true;
}

bool X11Backend::wheelNotch(bool forward) {
  const unsigned int b = forward ? 4 : 5;
  std::lock_guard<std::mutex> lock(d_->mutex);
  if (!d_->open() || !d_->xtest) return false;
  XTestFakeButtonEvent(d_->dpy, b, True, CurrentTime);
  XTestFakeButtonEvent(d_->dpy, b, False, CurrentTime);
  flushLocked();
  return true;
}

bool X11Backend::setCursorHidden(bool hidden) {
  std::lock_guard<std::mutex> lock(d_->mutex);
  if (!d_->open() || !d_->xfixes) return false;
  if (d_->cursorHidden == hidden) return true;
  if (hidden) {
    XFixesHideCursor(d_->dpy, d_->root);
  } else {
    XFixesShowCursor(d_->dpy, d_->root);
  }
  XFlush(d_->dpy);
  d_->cursorHidden = hidden;
  return true;
}

bool X11Backend::isCursorHidden() const {
  std::lock_guard<std::mutex> lock(d_->mutex);
  return d_->cursorHidden;
}

int X11Backend::keycodeForKeysym(unsigned long keysym, bool* shifted) {
  if (shifted) *shifted = false;
  if (keysym == NoSymbol) return 0;
  std::lock_guard<std::mutex> lock(d_->mutex);
  if (!d_->open()) return 0;
  const KeyEntry e = d_->lookup(keysym);
  if (shifted) *shifted = e.shifted;
  return e.keycode;
}

bool X11Backend::key(int keycode, bool press) {
  if (keycode < 8 || keycode > 255) return false;
  std::lock_guard<std::mutex> lock(d_->mutex);
  if (!d_->open() || !d_->xtest) return false;
  XTestFakeKeyEvent(d_->dpy, unsigned(keycode), press ? True : False, CurrentTime);
  flushLocked();
  return true;
}

bool X11Backend::queryKeymap(unsigned char bits[32]) {
  std::fill(bits, bits + 32, 0);
  std::lock_guard<std::mutex> lock(d_->mutex);
  if (!d_->open()) return false;
  char keys[32];
  XQueryKeymap(d_->dpy, keys);
  std::copy(keys, keys + 32, bits);
  return true;
}

bool X11Backend::isKeyDown(int keycode) {
  unsigned char bits[32];
  if (keycode < 0 || keycode > 255 || !queryKeymap(bits)) return false;
  return (bits[keycode / 8] >> (keycode % 8)) & 1;
}

void X11Backend::sync() {
  std::lock_guard<std::mutex> lock(d_->mutex);
  if (d_->open()) XSync(d_->dpy, False);
}

int X11Backend::connectionFd() {
  std::lock_guard<std::mutex> lock(d_->mutex);
  return d_->open() ? ConnectionNumber(d_->dpy) : -1;
}

bool X11Backend::readEvents() {
  std::lock_guard<std::mutex> lock(d_->mutex);
  if (d_->open()) d_->drainEvents();
  return !gLost.load();
}

void X11Backend::setLostHandler(LostHandler handler) { gLostHandler.store(handler); }

void X11Backend::abandon() { gLost.store(true); }

bool X11Backend::isLost() const { return gLost.load(); }

int X11Backend::errorCount() const { return gErrors.load(); }

void X11Backend::flushLocked() {
  if (tBatchDepth > 0 && tBatchBackend == this) {
    tBatchPending = true;
    return;
  }
  XFlush(d_->dpy);
}

void X11Backend::beginWrite() {
  if (tBatchDepth++ == 0) tBatchBackend = this;
}

void X11Backend::endWrite() {
  if (tBatchDepth <= 0 || --tBatchDepth > 0) return;
  tBatchBackend = nullptr;
  if (tBatchPending) {
    tBatchPending = false;
    std::lock_guard<std::mutex> lock(d_->mutex);
    if (d_->dpy && !gLost.load()) XFlush(d_->dpy);
  }
  if (tAfterWrite.empty()) return;
  std::vector<std::function<void()>> calls;
  calls.swap(tAfterWrite);
  for (auto& fn : calls) fn();
}

void X11Backend::afterWrite(std::function<void()> fn) {
  if (tBatchDepth > 0) {
    tAfterWrite.push_back(std::move(fn));
  } else {
    fn();
  }
}

void X11Backend::close() {
  std::lock_guard<std::mutex> lock(d_->mutex);
  d_->shut();
}
