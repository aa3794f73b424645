#pragma once

#include <functional>

#include "Desktop.h"

// The desktop on X11: one Display connection of its own, shared by the tracking thread, the
// receiver's thread and the GUI thread. Every request holds one lock and is flushed at once, or at
// the end of its thread's write scope. The program makes one at start and hands it on.
// X errors are logged instead of ending the process. Without an X server every operation is a
// no-op that reports failure. No X11 header leaks out of here (Xlib defines KeyPress, None, ...).
//
// The server going away is no X error: Xlib calls its one I/O error handler per process, on the
// thread whose call found the connection broken, and ends the process when that returns, unless
// the connection's own exit handler returns instead. Ours does, so a call on this connection
// just fails; from then on the backend is lost: every operation, on every thread, is a no-op
// again and no request goes out. The handler is ours for every connection of the process (Qt's
// too): it tells the lost handler, which must not return for another client's connection.
class X11Backend : public Desktop {
 public:
  X11Backend();
  ~X11Backend() override;

  // own: the broken connection was this backend's (the call that found it returns); else another
  // client's, such as Qt's (Xlib ends the process when the handler returns). Runs on the thread
  // that found it, inside Xlib: a plain function, one write to a pipe at most for own.
  using LostHandler = void (*)(bool own);
  static void setLostHandler(LostHandler handler);
  // From now on nothing goes to the server (it is gone, whoever found out).
  void abandon();
  bool isLost() const;

  bool isOpen() const;
  // Size of the root window (0 x 0 without a server).
  bool rootSize(int* width, int* height) override;

  // Coordinates are clamped to the root window: XTest's are 16 bit.
  bool moveTo(long long x, long long y) override;
  // One round trip.
  bool queryPointer(int* x, int* y, unsigned int* mask = nullptr) override;
  bool button(int xButton, bool press) override;
  // A tap of button 4 (forward) or 5 (downward).
  bool wheelNotch(bool forward) override;

  // Through XFixes; the state is tracked, so a show without a hide never reaches the server.
  bool setCursorHidden(bool hidden) override;
  bool isCursorHidden() const override;

  // Group 0, level 0 or 1 (Shift); follows keymap changes.
  int keycodeForKeysym(unsigned long keysym, bool* shifted = nullptr) override;
  bool key(int keycode, bool press) override;
  // The 256 key bits of XQueryKeymap, for checks.
  bool queryKeymap(unsigned char bits[32]);
  bool isKeyDown(int keycode) override;

  // Waits until the server has processed everything sent so far (a round trip; not for hot paths).
  void sync();
  // The connection's socket, for an event loop to watch (-1 when there is none), and the read of
  // what came in on it (keymap changes); false once the server is gone.
  int connectionFd();
  bool readEvents();

  // The requests of a write scope go to the server in one write at its end: the click does not
  // wait behind the motion's turn.
  void beginWrite() override;
  void endWrite() override;
  void afterWrite(std::function<void()> fn) override;
  // Count of X errors seen on this connection since start (the handler logs each one).
  int errorCount() const;

  // Tests: closes the connection (showing a hidden cursor first); the next call reopens it.
  void close();

  X11Backend(const X11Backend&) = delete;
  X11Backend& operator=(const X11Backend&) = delete;

 private:
  // With the lock held: flushes now, or at the end of this thread's write scope on this backend.
  void flushLocked();

  struct Impl;
  Impl* d_;
};
