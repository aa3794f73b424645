#pragma once

#include <QRect>
#include <QVector>
#include <cstdint>

class Desktop;

// The displays of the desktop and their bounding box (the pointer space). X11/Qt implementation:
// the displays are the screens Qt reports, primary first, kept in a process-wide cache that the GUI
// thread refreshes on screen changes, so any thread may enumerate; until the GUI thread has looked
// (or without a GUI), the desktop's root window is the one display.
class MultiMonitor {
 public:
  // Identifier of one display: its position in the screen list of the enumeration.
  using DisplayId = std::uint32_t;
  static constexpr int kMaxDisplays = 100;
  static constexpr DisplayId kNoDisplay = 0xFFFFFFFFu;

  // Bounding box of a list of display rectangles (entry 0 is the main display). With no display
  // the edges keep their starting values and width and height are -2000000.
  struct Layout {
    int left = 1000000;
    int top = 1000000;
    int right = -1000000;
    int bottom = -1000000;
    int width = -2000000;
    int height = -2000000;
  };
  // mirrored: the main display mirrors or is mirrored; the width is then the widest display's.
  static Layout computeLayout(const QVector<QRect>& displays, bool mirrored);
  // Pointer-space point to desktop coordinates relative to the main display's top-left corner.
  // flip 1 keeps the bottom-left-origin convention (y measured upward from the bounding box's bottom
  // edge); any other flip is top-left origin, y downward. X11 itself has only the top-left form.
  static void single2Multi(const QVector<QRect>& displays, int x, int y, int* X, int* Y, int flip);
  // The main display mirrors another one when another display starts at the same origin.
  static bool isMirrored(const QVector<QRect>& displays);

  explicit MultiMonitor(Desktop& desktop);
  ~MultiMonitor();
  MultiMonitor(const MultiMonitor&) = delete;
  MultiMonitor& operator=(const MultiMonitor&) = delete;

  void EnumMonitor();
  int GetWidth() const { return width_; }
  int GetHeight() const { return height_; }
  int GetMonitorCount() const;
  DisplayId GetActiveDisp(int i) const;
  void Single2Multi(int x, int y, int* X, int* Y, int flip);

  // Additions for X11. The rectangles of the last enumeration of this object (root coordinates).
  QVector<QRect> displays() const { return displays_; }
  // Top-left corner in root coordinates of the pointer space: the bounding box, or the main display
  // alone when onlyPrimary is set; from this object's last enumeration.
  void pointerSpaceOrigin(bool onlyPrimary, int* X, int* Y) const;
  // Size of the main display of this object's last enumeration (0 x 0 when there is none).
  int primaryWidth() const;
  int primaryHeight() const;

  // The main display of Qt's screens (for the GUI thread), root pixels; empty when there is none.
  static QRect mainDisplay();
  // Root pixels to Qt's own units, which QT_SCALE_FACTOR and high-density screens scale (windows
  // are placed in these). Each edge goes through the screen that holds the rectangle's pixel at
  // that edge, so a rectangle across two screens keeps both ends. GUI thread.
  static QRect toQtUnits(const QRect& root);

  // The shared table: entry i of the most recent enumeration by any object, {-1,-1,-1,-1} beyond it.
  static void tableEntry(int i, int out[4]);

  // Replaces the screen list for every later enumeration (tests; and the GUI-thread refresh).
  static void setScreens(const QVector<QRect>& displays, bool mirrored);
  // Back to following Qt's screens.
  static void useQtScreens();

 private:
  Desktop& desktop_;
  int width_ = 0;
  int height_ = 0;
  QVector<QRect> displays_;
  Layout layout_;
};
