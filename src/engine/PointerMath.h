#pragma once

#include <cmath>

// Arithmetic of the pointer mapping, shared by the recogniser's files.
namespace pointer_math {

// The gain map over one box axis: t in box units (0..1 inside the box) to a screen fraction, the
// outer margin m on each side cut off. Absolute movement clamps to 0..1; relative movement keeps
// the unclamped value so that a hand outside the box still moves the pointer.
inline double gainMap(double t, double s, double m, bool relative) {
  if (relative) return (t - m) * s;
  if (t <= m) return 0.0;
  if (t >= 1.0 - m) return 1.0;
  return (t - m) * s;
}

// A relative step is rounded away from zero by 0.75 px and truncated: 0.2 gives 0, 0.3 gives 1.
inline float relativeStep(double d) {
  return static_cast<float>(d >= 0.0 ? std::trunc(d + 0.75) : std::trunc(d - 0.75));
}

// Truncation toward zero that stays defined for any float.
inline int truncToInt(float v) {
  if (!(v == v)) return 0;
  if (v >= 2147483520.0f) return 2147483520;
  if (v <= -2147483648.0f) return -2147483647 - 1;
  return static_cast<int>(v);
}

}  // namespace pointer_math
