#include <cmath>

#include "PointerMath.h"
#include "VelmoBox.h"
#include "VelmoGestures.h"

// Palm position to pointer position in screen pixels. Whenever the position cannot be computed
// (unknown screen, no box, a gain or box depth that would divide by zero or less, a result that is
// not a number) the previous position stands, or (0, 0) when there is none.
void VelmoGestures::mapPointer(const handTrackingData& hand, int width, int height, float* x,
                               float* y) {
  float prevX = -1.0f;
  float prevY = -1.0f;
  getPointerState(nullptr, nullptr, &prevX, &prevY);
  const bool havePrev = prevX != -1.0f && prevY != -1.0f;
  *x = havePrev ? prevX : 0.0f;
  *y = havePrev ? prevY : 0.0f;
  if (width < 0 || height < 0 || box_ == nullptr) return;

  const int controllerPos = cfg_.controllerPos;
  const bool relative = cfg_.cursorMovement == 1;

  // Finger mode moves the reference point sideways from the palm toward the index finger.
  double px = hand.stabilizedPalmPosition[0];
  if (cfg_.cursorPos == 1) {
    const float k = hand.palmWidth + static_cast<float>(cfg_.cursorPosOffset);
    bool right = handSide_ == 1;
    if (controllerPos == 2) right = !right;
    px = right ? px - k : px + k;
  }
  genericVector point;
  point.x = px;
  point.y = hand.stabilizedPalmPosition[1];
  point.z = hand.stabilizedPalmPosition[2];
  const genericVector n = box_->normalizePoint(point);

  // Normal to the controller the hand's height drives the vertical; parallel or head mounted, its
  // depth from the controller's origin does.
  double u = n.y;
  if (controllerPos != 0) {
    const double depth = box_->depth();
    if (!(depth > 0.0)) return;
    const double v =
        0.25 * hand.stabilizedPalmPosition[2] + 0.75 * hand.palmPosition[2];
    const double half = depth / 2.0;
    if (relative)
      u = (v + half) / depth;
    else if (v >= half)
      u = 1.0;
    else if (v <= -half)
      u = 0.0;
    else
      u = (v + half) / depth;
  }

  const double s = cfg_.handMotionScaleFactor;
  if (!(s > 0.0)) return;
  const double m = (1.0 - 1.0 / s) / 2.0;
  const double cx = pointer_math::gainMap(n.x, s, m, relative);
  const double cy = pointer_math::gainMap(u, s, m, relative);

  double outX;
  double outY;
  if (controllerPos == 0) {
    outX = width * cx;
    outY = height - height * cy;
  } else if (controllerPos == 1) {
    outX = width * cx;
    outY = height * cy;
  } else {
    outX = width * (1.0 - cx);
    outY = height * cy;
  }
  const float fx = static_cast<float>(outX);
  const float fy = static_cast<float>(outY);
  if (!std::isfinite(fx) || !std::isfinite(fy)) return;
  *x = fx;
  *y = fy;
}
