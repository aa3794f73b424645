#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

#include "WorkingSettings.h"
#include "handTrackingData.h"

class VelmoBox;

// Palm position to pointer position, with the pointer's and the palm-to-tip histories, the hand's
// and fingers' movement over them, and the pointer freeze after a press. Tracking thread, except
// getPointerState, which the GUI thread reads.
class PointerMapper {
 public:
  // Microseconds of a clock that never steps back.
  using MonotonicClock = std::function<std::int64_t()>;

  // cfg: the working settings of the frame being processed (the engine's copy).
  explicit PointerMapper(const WorkingSettings& cfg) : cfg_(cfg) {}

  void reset();
  // A steady clock unless replaced (tests).
  void setClock(MonotonicClock clock) { clock_ = std::move(clock); }
  std::int64_t nowUs() const;

  // The freeze after a press: it starts now, and ends once MoveAfterClickTime has passed.
  void freeze();
  void updateFreeze();
  int isMovingAllowed() const { return movingAllowed_; }

  // Whenever the position cannot be computed (unknown screen, no box, a gain or box depth that
  // would divide by zero or less, a result that is not a number) the previous position stands,
  // or (0, 0) when there is none. side: 1 right hand.
  void map(const handTrackingData& hand, const VelmoBox* box, int side, int width, int height,
           float* x, float* y) const;
  // The output (the position, or in relative movement the step from the previous one) into the
  // histories of at most historyLength samples.
  void store(float x, float y, int historyLength);
  // No previous position (a fist re-anchors).
  void forgetPrevious();
  void pushPalmTips(const float* distances);
  // Drops the oldest palm-to-tip samples over historyLength.
  void popPalmTips(int historyLength);
  // Movement of the hand and of each finger over the last window samples.
  void measure(int window);

  // The last output and the previous position (-1 when there is none), as one snapshot.
  void getPointerState(float* outputX, float* outputY, float* prevX, float* prevY) const;
  // The pointer as fractions of a width x height screen; (0, 0) without one.
  void normalized(int width, int height, bool relative, float* x, float* y) const;

  float handMovement() const { return handMovement_; }
  float fingerMovement(int f) const { return f >= 0 && f < 4 ? fingerMovement_[f] : -1.0f; }
  const std::deque<float>& palmTipHistory(int f) const { return palmTipHistory_[f & 3]; }
  const std::deque<float>& pointerHistoryX() const { return pointerHistoryX_; }
  const std::deque<float>& pointerHistoryY() const { return pointerHistoryY_; }

 private:
  const WorkingSettings& cfg_;
  MonotonicClock clock_;
  int movingAllowed_ = 1;
  std::int64_t pressTimeUs_ = 0;
  mutable std::mutex pointerMutex_;  // prevPointer_ and pointerOutput_ as a pair for the GUI
  float prevPointer_[2] = {-1.0f, -1.0f};
  float pointerOutput_[2] = {0.0f, 0.0f};
  std::deque<float> pointerHistoryX_;
  std::deque<float> pointerHistoryY_;
  int pointerHistoryLast_ = -1;
  std::deque<float> palmTipHistory_[4];
  int palmTipLast_[4] = {-1, -1, -1, -1};
  float fingerMovement_[4] = {-1.0f, -1.0f, -1.0f, -1.0f};
  float handMovement_ = 0.0f;
};
