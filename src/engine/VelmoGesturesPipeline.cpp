#include <chrono>
#include <cstdarg>
#include <string>

#include "PointerMath.h"
#include "SampleHistory.h"
#include "VelmoBox.h"
#include "VelmoGestures.h"

using pointer_math::relativeStep;
using pointer_math::truncToInt;

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

void VelmoGestures::setEngineObjects(EngineSink* sink, VelmoBox* box) {
  std::lock_guard<std::mutex> frame(frameMutex_);
  sink_.store(sink);
  box_ = box;
}

void VelmoGestures::setMonotonicClock(MonotonicClock clock) { clock_ = std::move(clock); }

std::int64_t VelmoGestures::nowUs() const { return clock_ ? clock_() : steadyMicroseconds(); }

void VelmoGestures::logLine(const char* format, ...) {
  if (!logOn()) return;
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  const int n = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  // Measured first, so no line is ever cut short.
  std::string text(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
  if (n > 0) std::vsnprintf(&text[0], text.size() + 1, format, again);
  va_end(again);
  Log(text.c_str());
}

void VelmoGestures::ResetRecogniser() {
  cfg_ = settings();
  connected_.store(0);
  started_ = 0;
  paused_.store(0);
  twoHandsPaused_.store(0);
  maxFrameRate_ = -1.0f;
  currentFrameRate_ = -1.0f;
  optimalFrameRate_.store(cfg_.optimalFrameRateTh);
  pointerHistoryLength_ = 0;
  distanceHistoryLength_ = 0;
  handSide_ = -1;
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
  fist_.store(0);
  wheelState_.store(0);
  interactiveTutorial_.store(0);
  indexGuard_ = pinkyGuard_ = 0;
  const float fixedTh[4] = {60.0f, 50.0f, 50.0f, 50.0f};
  for (int side = 0; side < 2; ++side) {
    sideSeen_[side] = 0;
    sideBootstrap_[side] = 1;
    for (int f = 0; f < 4; ++f) {
      sideMinDistance_[side][f] = 1000.0f;
      sideMaxDistance_[side][f] = -1000.0f;
      sideDistTh_[side][f] = fixedTh[f];
    }
  }
  for (int f = 0; f < 4; ++f) {
    palmTipHistory_[f].clear();
    palmTipLast_[f] = -1;
    fingerMovement_[f] = -1.0f;
    pinchState_[f].store(0);
    armed_[f] = 1;
    distanceHistory_[f].clear();
    distanceLast_[f] = 0;
    currentDistance_[f] = 0.0f;
    minDistance_[f] = 1000.0f;
    maxDistance_[f] = -1000.0f;
    DistTh_[f] = fixedTh[f];
    meanDistance_[f] = stdDistance_[f] = 0.0f;
    distanceSum_[f] = distanceSquareSum_[f] = 0.0;
  }
  for (auto& pressed : actionPressed_) pressed.store(0);
}

void VelmoGestures::getPointerState(float* outputX, float* outputY, float* prevX,
                                    float* prevY) const {
  std::lock_guard<std::mutex> lock(pointerMutex_);
  if (outputX) *outputX = pointerOutput_[0];
  if (outputY) *outputY = pointerOutput_[1];
  if (prevX) *prevX = prevPointer_[0];
  if (prevY) *prevY = prevPointer_[1];
}

int VelmoGestures::movementWindow() const {
  const float w = cfg_.deltaTimeHandMovementTh * optimalFrameRate_.load();
  return static_cast<int>(w);
}

void VelmoGestures::updateFrameRate(float fps) {
  float optimal = optimalFrameRate_.load();
  if (fps > maxFrameRate_) {
    maxFrameRate_ = fps;
    optimal = static_cast<float>(static_cast<double>(fps) * 0.9);
    if (optimal > 150.0f) optimal = 150.0f;
    optimalFrameRate_.store(optimal);
  }
  currentFrameRate_ = fps;
  const float pointerLength = cfg_.pointerHistoryTime * optimal;
  const float distanceLength = static_cast<float>(cfg_.distanceHistoryTime) * optimal;
  pointerHistoryLength_ = static_cast<int>(pointerLength);
  distanceHistoryLength_ = static_cast<int>(distanceLength);
}

void VelmoGestures::DetectGestures(handTrackingData hand) {
  std::lock_guard<std::mutex> frame(frameMutex_);
  cfg_ = settings();

  // 1. Pauses.
  if (hand.handsCount > 0)
    twoHandsPaused_.store(hand.handsCount == 2 && cfg_.pause2Hands != 0 ? 1 : 0);
  if (paused_.load() != 0 || twoHandsPaused_.load() != 0) return;

  // 2. Frame rate and the history lengths that follow from it.
  updateFrameRate(hand.fps);

  // 3. The first frame counts as a connection.
  if (started_ == 0) {
    connected_.store(1);
    started_ = 1;
  }

  // 4.
  if (hand.handsCount < 1) return;

  // 5.
  handSide_ = hand.isRight != 0 ? 1 : 0;
  const int fingersTot = hand.extendedCount > 5 ? 5 : hand.extendedCount;

  // 6. End of the freeze after a press, on a clock that cannot step back.
  if (movingAllowed_ == 0) {
    const std::int64_t elapsedUs = nowUs() - pressTimeUs_;
    if (elapsedUs > static_cast<std::int64_t>(cfg_.moveAfterClickTime) * 1000) movingAllowed_ = 1;
  }

  // 7. Pointer space: this machine's, or in source mode the destination's.
  EngineSink* const sink = sink_.load();
  int width = -1;
  int height = -1;
  if (sink != nullptr) sink->pointerSpace(&width, &height);

  // 8. Gain from the screen height.
  if (cfg_.autoHandMotionScaleFactor != 0) {
    const float part = static_cast<float>(height - 32) / -2128.0f;
    double s = static_cast<double>(part) + 1.6;
    if (s < 1.0) s = 1.0;
    const float scale = static_cast<float>(s);
    setHandMotionScaleFactorBoth(scale);
    cfg_.handMotionScaleFactor = scale;
  }

  // 9. Fist: signal, and re-capture of the box.
  fist_.store(hand.fist);
  if (sink != nullptr) {
    sink->GenerateFistDetected(hand.fist != 0);
    // The edge banner notes the controller's automatic interaction height.
    sink->setAutoHeight(hand.interactionBoxAuto);
  }
  if (box_ != nullptr) box_->SetInteractionBox(hand.interactionBox, hand.fist != 0);

  // 10-11. Position, output and history.
  float x = 0.0f;
  float y = 0.0f;
  mapPointer(hand, width, height, &x, &y);
  storePointerOutput(x, y);

  // 12. Pointer move.
  const int held = actionPressed_[LeftButton].load() == 1 ||
                   actionPressed_[RightButton].load() == 1 ||
                   actionPressed_[MiddleButton].load() == 1;
  if ((fingersTot >= cfg_.minFingersNumber || held) && wheelState_.load() == 0 &&
      movingAllowed_ == 1 && hand.translationProbability > cfg_.translationProbabilityTh &&
      interactiveTutorial_.load() == 0 && sink != nullptr) {
    float outX = 0.0f;
    float outY = 0.0f;
    getPointerState(&outX, &outY, nullptr, nullptr);
    sink->MousePointerMove(truncToInt(outX), truncToInt(outY), cfg_.alternativeMouseCursor,
                           cfg_.cursorMovement == 1 ? 1 : 0);
  }
  if (fist_.load() != 0) {
    std::lock_guard<std::mutex> lock(pointerMutex_);
    prevPointer_[0] = prevPointer_[1] = -1.0f;
  }

  // 13. Movement of the hand and of each finger over the movement window.
  measureMovement();

  // 14. A hand side's first frame.
  if (sideSeen_[handSide_] == 0) {
    InitDistance(handSide_, hand.boneLengths, fingersTot);
    InitAdaptiveTh(handSide_);
    sideSeen_[handSide_] = 1;
  }

  // 15. Thresholds, palm-to-tip samples, guard fingers.
  for (int f = 0; f < 4; ++f)
    ComputeFingerDistance(static_cast<opposableFingers>(f), hand.thumbTipDistance[f], fingersTot,
                          handMovement_, hand.boneLengths, distanceHistory_[f]);
  for (int f = 0; f < 4; ++f) palmTipHistory_[f].push_back(hand.palmTipDistance[f]);
  indexGuard_ = hand.extendedFingers[1];
  pinkyGuard_ = hand.extendedFingers[4];
  for (int f = 0; f < 4; ++f) frameTipDistance_[f] = hand.thumbTipDistance[f];
  frameThumbExtended_ = hand.extendedFingers[0];
  popCheckClickQueues();

  // 16. Pinch checks, one free finger at a time.
  const int fist = fist_.load();
  for (int f = 0; f < 4; ++f) {
    if (isGestureFree(f, fist) == 0) continue;
    const auto finger = static_cast<opposableFingers>(f);
    if (f == RingFinger && cfg_.controllerPos == 2)
      ClickVR(finger, hand.boneLengths, fingersTot, handMovement_, currentDistance_[f],
              currentFrameRate_, distanceHistory_[f], hand.circlePosture);
    else
      Click(finger, hand.boneLengths, fingersTot, handMovement_, currentDistance_[f],
            currentFrameRate_, distanceHistory_[f], hand.circlePosture);
  }
}

void VelmoGestures::measureMovement() {
  const int w = movementWindow();
  bool fingerMoved = false;
  bool allEmpty = true;
  for (int f = 0; f < 4; ++f) {
    fingerMovement_[f] = GetDistanceMovement(palmTipHistory_[f], w, palmTipLast_[f]);
    if (fingerMovement_[f] > cfg_.fingerMovementTh) fingerMoved = true;
    if (!(fingerMovement_[f] < 0.0f)) allEmpty = false;
  }
  handMovement_ = GetObjectMovement(pointerHistoryX_, pointerHistoryY_, w, pointerHistoryLast_);
  if ((fingerMoved && handMovement_ < static_cast<float>(cfg_.handMovementTh)) || allEmpty)
    handMovement_ = 0.0f;
}

void VelmoGestures::popCheckClickQueues() {
  for (int f = 0; f < 4; ++f) {
    std::deque<float>& h = palmTipHistory_[f];
    if (static_cast<long long>(h.size()) > pointerHistoryLength_) {
      h.pop_front();
      palmTipLast_[f] = static_cast<int>(h.size()) - 1;
    } else {
      palmTipLast_[f] += 1;
      if (palmTipLast_[f] > static_cast<int>(h.size()) - 1)
        palmTipLast_[f] = static_cast<int>(h.size()) - 1;
    }
  }
}

int VelmoGestures::isGestureFree(int gesture, int fist) const {
  if (fist == 1) return 0;
  for (int k = 0; k < 4; ++k)
    if (k != gesture && pinchState_[k].load() == 1) return 0;
  return 1;
}

void VelmoGestures::storePointerOutput(float x, float y) {
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
  pointerHistoryLast_ = pushBounded(pointerHistoryX_, out[0], pointerHistoryLength_, last);
  pushBounded(pointerHistoryY_, out[1], pointerHistoryLength_, last);
}

void VelmoGestures::ResetMouseWheel() {
  if (EngineSink* sink = sink_.load()) sink->ResetMouseWheel();
}

void VelmoGestures::MouseWheelMove(float delta, int direction, int notify, float progress) {
  if (EngineSink* sink = sink_.load()) sink->MouseWheelMove(delta, direction, notify, progress);
}
