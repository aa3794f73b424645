#pragma once

class Desktop;
class MultiMonitor;
class QWidget;

// The alternative pointer: a small frameless, translucent, always-on-top window showing
// "pointer.png", moved apart from the system cursor. X11/Qt implementation: a Qt top-level window
// that takes no input and no focus; every call from another thread is queued to the GUI thread.
// Construct it on the GUI thread.
class OsxMousePointer {
 public:
  explicit OsxMousePointer(Desktop& desktop);
  ~OsxMousePointer();
  OsxMousePointer(const OsxMousePointer&) = delete;
  OsxMousePointer& operator=(const OsxMousePointer&) = delete;

  // A point of the pointer space (the bounding box of all displays, y downward) becomes the window's
  // top-left corner.
  void move(float x, float y);
  void hide();
  void show();

  // Places the top-left corner at a point of root coordinates.
  void moveToRoot(int X, int Y);
  // The last requested top-left corner, root coordinates (any thread).
  void lastRootPosition(int* X, int* Y) const;
  // The window itself, for the GUI thread only.
  QWidget* window() const;

 private:
  MultiMonitor* monitor_;
  struct Impl;
  Impl* d_;
};
