#pragma once

#include <functional>

// What the desktop does for the pointer device, the keyboard and the displays: pointer motion and
// buttons in root coordinates, wheel notches, keys by keycode, the root window's size and the
// cursor. X11Backend is the one for X; tests hand their own. Every call may come from any thread.
class Desktop {
 public:
  virtual ~Desktop() = default;

  // Size of the root window (0 x 0 and false without a desktop).
  virtual bool rootSize(int* width, int* height) = 0;

  // Pointer, root coordinates; a motion beyond the root window stops at its edge.
  virtual bool moveTo(long long x, long long y) = 0;
  // Position and button mask (0x100 button 1, 0x200 button 2, 0x400 button 3).
  virtual bool queryPointer(int* x, int* y, unsigned int* mask = nullptr) = 0;
  // X buttons: 1 left, 2 middle, 3 right.
  virtual bool button(int xButton, bool press) = 0;
  // One wheel notch, forward (away from the user) or downward.
  virtual bool wheelNotch(bool forward) = 0;
  // Idempotent: a show without a hide asks nothing of the desktop.
  virtual bool setCursorHidden(bool hidden) = 0;
  virtual bool isCursorHidden() const = 0;

  // Keycode typing keysym on the current layout, 0 when none; shifted: it needs Shift.
  virtual int keycodeForKeysym(unsigned long keysym, bool* shifted = nullptr) = 0;
  virtual bool key(int keycode, bool press) = 0;
  virtual bool isKeyDown(int keycode) = 0;

  // A write scope on the calling thread: its pointer and key requests go out together when the
  // outermost scope ends, so a frame's motion and click arrive in the same turn. Other threads
  // are not held back.
  virtual void beginWrite() = 0;
  virtual void endWrite() = 0;
  // Runs fn once this thread's write scope has gone out, or now outside one: waking another
  // thread (a sound, a tray balloon) then does not put the frame's input behind its turn.
  virtual void afterWrite(std::function<void()> fn) = 0;

  // One write scope for the lifetime of the object.
  class Batch {
   public:
    explicit Batch(Desktop& desktop) : desktop_(desktop) { desktop_.beginWrite(); }
    ~Batch() { desktop_.endWrite(); }
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

   private:
    Desktop& desktop_;
  };
};
