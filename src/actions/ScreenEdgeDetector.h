#pragma once

#include "ActionTypes.h"

// Which sides of the pointer space a pointer position touches. The device clamps every absolute
// move into the space, so a position at or beyond a side is on it. A corner gives two sides: the
// left or right one first, then the top or bottom one.
class ScreenEdgeDetector {
 public:
  struct Sides {
    screenBorder side1 = NoSide;
    screenBorder side2 = NoSide;
    bool any() const { return side1 != NoSide || side2 != NoSide; }
  };

  // width, height: the pointer space in pixels; an unknown size (<= 0) touches nothing.
  static Sides sidesAt(long long x, long long y, int width, int height);
};
