#pragma once

// The application frame's display flags as one frame of the scene reads them; the frame writes
// back gestureFlip and resetVirtualDisplay.
struct DisplayFlags {
  int interactive = 1;
  int gestureFlip = 0;
  bool manualGestureFlip = false;
  int cursorVisible = 1;
  int mouseVisible = 1;
  int handVisible = 1;
  int resetVirtualDisplay = 1;
};
