#include "ScreenEdgeDetector.h"

ScreenEdgeDetector::Sides ScreenEdgeDetector::sidesAt(long long x, long long y, int width,
                                                      int height) {
  Sides s;
  if (width <= 0 || height <= 0) return s;
  screenBorder horizontal = NoSide;
  if (x <= 0) {
    horizontal = LeftSide;
  } else if (x >= static_cast<long long>(width) - 1) {
    horizontal = RightSide;
  }
  screenBorder vertical = NoSide;
  if (y <= 0) {
    vertical = TopSide;
  } else if (y >= static_cast<long long>(height) - 1) {
    vertical = BottomSide;
  }
  if (horizontal != NoSide) {
    s.side1 = horizontal;
    s.side2 = vertical;
  } else {
    s.side1 = vertical;
  }
  return s;
}
