#include "PointerMapper.h"

#include <chrono>
#include <cmath>

#include "PointerMath.h"
#include "SampleHistory.h"
#include "VelmoBox.h"

using pointer_math::relativeStep;

namespace {

std::int64_t steadyMicroseconds() {
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

// Pushes one sample and drops the oldest once the history is over its bound; returns the index
// of the newest sample.
int pushBounded(std::deque<float>& h, float v, int bound, int last) {
  h.push_back(v);
  if (static_cast<long long>(h.size()) > bound) {
    h.pop_front();
    return static_cast<int>(h.size()) - 1;
  }
  return last + 1;
}

}  // namespace

void PointerMapper::reset() {
  movingAllowed_ = 1;
  pressTimeUs_ = 0;
  {
    std::lock_guard<std::mutex> lock(pointerMutex_);
    prevPointer_[0] = prevPointer_[1] = -1.0f;
    pointerOutput_[0] = pointerOutput_[1] = 0.0f;
  }
  pointerHistoryX_.clear();
  pointerHistoryY_.clear();
  pointerHistoryLast_ = -1;
  handMovement_ = 0.0f;
  for (int f = 0; f < 4; ++f) {
    palmTipHistory_[f].clear();
    palmTipLast_[f] = -1;
    fingerMovement_[f] = -1.0f;
  }
}

std::int64_t PointerMapper::nowUs() const { return clock_ ? clock_() : steadyMicroseconds(); }

void PointerMapper::freeze() {
  pressTimeUs_ = nowUs();
  movingAllowed_ = 0;
}

// On a clock that cannot step back.
void PointerMapper::updateFreeze() {
  if (movingAllowed_ != 0) return;
  const std::int64_t elapsedUs = nowUs() - pressTimeUs_;
  if (elapsedUs > static_cast<std::int64_t>(cfg_.moveAfterClickTime) * 1000) movingAllowed_ = 1;
}

void PointerMapper::map(const handTrackingData& hand, const VelmoBox* box, int side, int width,
                        int height, float* x, float* y) const {
  float prevX = -1.0f;
  float prevY = -1.0f;
  getPointerState(nullptr, nullptr, &prevX, &prevY);
  const bool havePrev = prevX != -1.0f && prevY != -1.0f;
  *x = havePrev ? prevX : 0.0f;
  *y = havePrev ? prevY : 0.0f;
  if (width < 0 || height < 0 || box == nullptr) return;

  const int controllerPos = cfg_.controllerPos;
  const bool relative = cfg_.cursorMovement == 1;

  // Finger mode moves the reference point sideways from the palm toward the index finger.
  double px = hand.stabilizedPalmPosition[0];
  if (cfg_.cursorPos == 1) {
    const float k = hand.palmWidth + static_cast<float>(cfg_.cursorPosOffset);
    bool right = side == 1;
    if (controllerPos == 2) right = !right;
    px = right ? px - k : px + k;
  }
  genericVector point;
  point.x = px;
  point.y = hand.stabilizedPalmPosition[1];
  point.z = hand.stabilizedPalmPosition[2];
  const genericVector n = box->normalizePoint(point);

  // Normal to the controller the hand's height drives the vertical; parallel or head mounted, its
  // depth from the controller's origin does.
  double u = n.y;
  if (controllerPos != 0) {
    const double depth = box->depth();
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

void PointerMapper::store(float x, float y, int historyLength) {
  float out[2] = {x, y};
  float prev[2];
  {
    std::lock_guard<std::mutex> lock(pointerMutex_);
    prev[0] = prevPointer_[0];
    prev[1] = prevPointer_[1];
  }
  if (cfg_.cursorMovement == 1) {
    if (prev[0] == -1.0f || prev[1] == -1.0f) {
      out[0] = out[1] = 0.0f;
    } else {
      for (int i = 0; i < 2; ++i) out[i] = relativeStep(static_cast<double>(out[i]) - prev[i]);
    }
  }
  {
    std::lock_guard<std::mutex> lock(pointerMutex_);
    pointerOutput_[0] = out[0];
    pointerOutput_[1] = out[1];
    prevPointer_[0] = x;
    prevPointer_[1] = y;
  }
  const int last = pointerHistoryLast_;
  pointerHistoryLast_ = pushBounded(pointerHistoryX_, out[0], historyLength, last);
  pushBounded(pointerHistoryY_, out[1], historyLength, last);
}

void PointerMapper::forgetPrevious() {
  std::lock_guard<std::mutex> lock(pointerMutex_);
  prevPointer_[0] = prevPointer_[1] = -1.0f;
}

void PointerMapper::pushPalmTips(const float* distances) {
  for (int f = 0; f < 4; ++f) palmTipHistory_[f].push_back(distances[f]);
}

void PointerMapper::popPalmTips(int historyLength) {
  for (int f = 0; f < 4; ++f) {
    std::deque<float>& h = palmTipHistory_[f];
    if (static_cast<long long>(h.size()) > historyLength) {
      h.pop_front();
      palmTipLast_[f] = static_cast<int>(h.size()) - 1;
    } else {
      palmTipLast_[f] += 1;
      if (palmTipLast_[f] > static_cast<int>(h.size()) - 1)
        palmTipLast_[f] = static_cast<int>(h.size()) - 1;
    }
  }
}

void PointerMapper::measure(int window) {
  bool fingerMoved = false;
  bool allEmpty = true;
  for (int f = 0; f < 4; ++f) {
    fingerMovement_[f] = GetDistanceMovement(palmTipHistory_[f], window, palmTipLast_[f]);
    if (fingerMovement_[f] > cfg_.fingerMovementTh) fingerMoved = true;
    if (!(fingerMovement_[f] < 0.0f)) allEmpty = false;
  }
  handMovement_ = GetObjectMovement(pointerHistoryX_, pointerHistoryY_, window, pointerHistoryLast_);
  if ((fingerMoved && handMovement_ < static_cast<float>(cfg_.handMovementTh)) || allEmpty)
    handMovement_ = 0.0f;
}

void PointerMapper::getPointerState(float* outputX, float* outputY, float* prevX,
                                    float* prevY) const {
  std::lock_guard<std::mutex> lock(pointerMutex_);
  if (outputX) *outputX = pointerOutput_[0];
  if (outputY) *outputY = pointerOutput_[1];
  if (prevX) *prevX = prevPointer_[0];
  if (prevY) *prevY = prevPointer_[1];
}

void PointerMapper::normalized(int w, int h, bool relative, float* x, float* y) const {
  float outX = 0.0f;
  float outY = 0.0f;
  float prevX = -1.0f;
  float prevY = -1.0f;
  getPointerState(&outX, &outY, &prevX, &prevY);
  float nx = 0.0f;
  float ny = 0.0f;
  // No screen size yet (a destination that has not told its size): no position, and no division
  // by zero.
  if (w > 0 && h > 0) {
    if (!relative) {
      nx = outX / static_cast<float>(w);
      ny = 1.0f - outY / static_cast<float>(h);
    } else if (prevX != -1.0f && prevY != -1.0f) {
      // The last step, unflipped.
      nx = outX / static_cast<float>(w);
      ny = outY / static_cast<float>(h);
    }
  }
  if (x != nullptr) *x = nx;
  if (y != nullptr) *y = ny;
}
