#pragma once

// The alternative pointer as the pointer device drives it: a window moved apart from the system
// cursor. The tray makes it (it needs a widget toolkit, which the actions do not link) and hands
// it down; every call may come from any thread.
class AlternativePointer {
 public:
  virtual ~AlternativePointer() = default;

  virtual void show() = 0;
  virtual void hide() = 0;
  // Places the top-left corner at a point of root coordinates.
  virtual void moveToRoot(int X, int Y) = 0;
  // The last requested top-left corner, root coordinates.
  virtual void lastRootPosition(int* X, int* Y) const = 0;
};
