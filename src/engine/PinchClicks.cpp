#include "SampleHistory.h"
#include "VelmoGestures.h"

namespace {

const char* const kOpenedText[4] = {
    "***THUMB-FORE GESTURE OPENED***\n",
    "***THUMB-MIDDLE GESTURE OPENED***\n",
    "***THUMB-RING GESTURE OPENED***\n",
    "***THUMB-PINKY GESTURE OPENED***\n",
};

enum { Rising = 0, Falling = 1 };

// How far from a fingertip the thumb can still be pinching it, in lengths of the index finger's
// last two bones (the side's start threshold): a learned threshold can lie far out when the
// learned range is narrow, and real pinches close to 12-25 mm while a relaxed open hand keeps
// the thumb 45-100 mm away.
constexpr float kPinchReach = 1.0f;

}  // namespace

int VelmoGestures::Click(opposableFingers f, BoneLengths boneLengths, int fingers,
                         float handMovement, float Dist, float fps, std::deque<float>& history,
                         int postureFlag) {
  return pinchCheck(f, f, boneLengths, fingers, handMovement, Dist, fps, history, postureFlag);
}

// Head mounted, the thumb-ring pinch performs the thumb-middle pinch's action in the middle
// pinch's slot, so the middle finger's own opening releases it.
int VelmoGestures::ClickVR(opposableFingers f, BoneLengths boneLengths, int fingers,
                           float handMovement, float Dist, float fps, std::deque<float>& history,
                           int postureFlag) {
  if (f < 1) return -1;
  return pinchCheck(f - 1, f, boneLengths, fingers, handMovement, Dist, fps, history,
                    postureFlag);
}

// One frame of a pinch's open/closed machine. slot names the state, the action and its keyboard
// entry; f names the distance, threshold, release factor, guard finger and log texts.
int VelmoGestures::pinchCheck(int slot, int f, BoneLengths boneLengths, int fingers,
                              float handMovement, float Dist, float fps,
                              std::deque<float>& history, int postureFlag) {
  if (!inPinch(slot) || !inPinch(f)) return -1;
  const int act = cfg_.pinchAction[slot];
  if (act < 0 || act > 4) return -1;  // not an action: nothing to hold or hand on

  int s = pinchState_[slot].load();
  const float th = DistTh_[f];
  int l_bClick = actionPressed_[act].load();
  const int fingersTotNumb = fingers;
  const float releaseP = cfg_.clickReleaseP[f];
  const float moveLimit = static_cast<float>(cfg_.clickHandMovementTh);
  const int suppress = interactiveTutorial_.load();
  int result = -1;

  logLine("GESTURE %d CHECK\nDistTh: %f Dist: %f fingersTotNumb: %d clickReleaseP: %f "
          "handMovement: %f l_bClick: %d\n",
          f, th, Dist, fingersTotNumb, releaseP, handMovement, l_bClick);

  // Release.
  const float r = releaseP * th;
  if (Dist > r) armed_[f] = 1;
  if (Dist > r && s == 1 && handMovement <= moveLimit &&
      fingersTotNumb >= cfg_.clickMinFingersNumber) {
    int run = 0;
    const float speed =
        IsMonotonic(history, cfg_.monotonicTimeTh, &run, nullptr, fps, Rising, nullptr);
    if (speed >= cfg_.clickSpeedTh) {
      if (logOn()) Log(kOpenedText[f]);
      const keyboardAct::Entry key = GetKeyboardActions()->at(cfg_.keyboardAction[slot]);
      if (EngineSink* sink = sink_.load())
        sink->GenerateAction(static_cast<actionType>(act), 0, suppress, cfg_.notifyClicks, key.keys,
                             key.name, key.osKey);
      s = 0;
      l_bClick = 0;
      result = 0;
    } else {
      logLine("***GESTURE %d OPENED MISSING - SPEED: %f\n", f, speed);
    }
  }
  if (Dist > r && s == 1) {
    if (fingersTotNumb < cfg_.clickMinFingersNumber)
      logLine("***GESTURE %d OPENED MISSING - FINGERS NUMBER: %d\n", f, fingersTotNumb);
    if (handMovement > moveLimit)
      logLine("***GESTURE %d OPENED MISSING  - HAND MOVEMENT: %f\n", f, handMovement);
  }

  // Until a side's first press its thresholds go back to the bone-length start value, and the
  // press is judged against that value: a threshold learned in this same frame lies above the
  // distance that has just become the new minimum, so it would press as soon as the thumb began
  // to close.
  const int side = handSide_;
  float pressTh = th;
  if ((side == 0 || side == 1) && sideBootstrap_[side] == 1 && boneLengths != nullptr) {
    const float start = boneLengths[0][0] + boneLengths[1][0];
    for (int k = 0; k < 4; ++k) sideDistTh_[side][k] = start;
    InitAdaptiveTh(side);
    pressTh = start;
  }

  // Press.
  if (Dist <= pressTh && s == 0 && handMovement <= moveLimit &&
      fingersTotNumb >= cfg_.clickMinFingersNumber && postureFlag == 0) {
    int run = 0;
    const float speed =
        IsMonotonic(history, cfg_.monotonicTimeTh, &run, nullptr, fps, Falling, nullptr);
    // The guard finger must stay extended and still: the pinky for the index and middle pinches,
    // the index for the ring and pinky pinches.
    float guardChange = 0.0f;
    int guardRun = 0;
    if (f == 0 || f == 1) {
      IsMonotonic(palmTipHistory_[3], cfg_.monotonicTimeTh, &guardRun, nullptr, fps, Falling,
                  &guardChange);
      indexGuard_ = 1;
    } else {
      IsMonotonic(palmTipHistory_[0], cfg_.monotonicTimeTh, &guardRun, nullptr, fps, Falling,
                  &guardChange);
      pinkyGuard_ = 1;
    }
    if (speed >= cfg_.clickSpeedTh && pinkyGuard_ != 0 && indexGuard_ != 0 &&
        guardChange <= cfg_.guardFingerMovementTh && armed_[f] == 1 &&
        thumbIsAt(f, boneLengths, Dist, fps)) {
      armed_[f] = 0;
      pressTimeUs_ = nowUs();
      movingAllowed_ = 0;
      const keyboardAct::Entry key = GetKeyboardActions()->at(cfg_.keyboardAction[slot]);
      if (EngineSink* sink = sink_.load())
        sink->GenerateAction(static_cast<actionType>(act), 1, suppress, cfg_.notifyClicks, key.keys,
                             key.name, key.osKey);
      l_bClick = 1;
      if (side == 0 || side == 1) sideBootstrap_[side] = 0;
      s = 1;
      result = 1;
    }
    if (speed < cfg_.clickSpeedTh) {
      if (f == 0) logLine("***LEFT CLICK CLOSED MISSING - SPEED: %f\n", speed);
      if (f == 1) logLine("***RIGHT CLICK CLOSED MISSING - SPEED: %f\n", speed);
    }
  }
  if (Dist <= pressTh && s == 0 && (f == 0 || f == 1)) {
    const char* which = f == 0 ? "LEFT" : "RIGHT";
    if (fingersTotNumb < cfg_.clickMinFingersNumber)
      logLine("***%s CLICK CLOSED MISSING - FINGERS NUMBER: %d\n", which, fingersTotNumb);
    if (handMovement > moveLimit)
      logLine("***%s CLICK CLOSED MISSING - HAND MOVEMENT: %f\n", which, handMovement);
  }

  actionPressed_[act].store(l_bClick);
  pinchState_[slot].store(s);
  return result;
}

// Whether a closing thumb is pinching finger f and not merely passing by or folding with the hand:
// it is within reach of f's tip, nearer to it than to any other tip (leaving a neighbouring pinch,
// or crossing over to a farther one, brings the thumb near a tip on the way), the thumb itself is
// not folded into the palm, the finger is not straightening, and the other fingers together do not
// fold toward the palm meanwhile (a hand closing to a fist brings every tip toward the thumb).
bool VelmoGestures::thumbIsAt(int f, BoneLengths boneLengths, float Dist, float fps) {
  if (boneLengths != nullptr && Dist > kPinchReach * (boneLengths[0][0] + boneLengths[1][0]))
    return false;
  if (frameThumbExtended_ == 0) return false;
  // A finger straightening out of a fist sweeps its tip past the thumb.
  float opening = 0.0f;
  int openRun = 0;
  IsMonotonic(palmTipHistory_[f], cfg_.monotonicTimeTh, &openRun, nullptr, fps, Rising, &opening);
  if (opening > cfg_.guardFingerMovementTh) return false;
  // The other fingers together: a fist folds them all a little at first, each alone too little.
  float folding = 0.0f;
  for (int k = 0; k < 4; ++k) {
    if (k == f) continue;
    if (frameTipDistance_[k] < Dist) return false;
    float change = 0.0f;
    int run = 0;
    IsMonotonic(palmTipHistory_[k], cfg_.monotonicTimeTh, &run, nullptr, fps, Falling, &change);
    folding += change;
  }
  return folding <= cfg_.guardFingerMovementTh;
}

void VelmoGestures::Pause(int paused) {
  paused_.store(paused);
  if (paused != 0) releaseHeldActions();
}

void VelmoGestures::releaseHeldActions() {
  EngineSink* sink = nullptr;
  {
    std::lock_guard<std::mutex> frame(frameMutex_);
    sink = sink_.load();
    const int suppress = interactiveTutorial_.load();
    for (int slot = 0; slot < 4; ++slot) {
      if (pinchState_[slot].load() != 1) continue;
      pinchState_[slot].store(0);
      const int act = cfg_.pinchAction[slot];
      if (act < LeftButton || act > KeyboardShortcut || actionPressed_[act].load() == 0) continue;
      actionPressed_[act].store(0);
      // Through the sink, so a destination hears the release too.
      const keyboardAct::Entry key = GetKeyboardActions()->at(cfg_.keyboardAction[slot]);
      if (sink != nullptr)
        sink->GenerateAction(static_cast<actionType>(act), 0, suppress, 0, key.keys, key.name,
                             key.osKey);
    }
    for (auto& pressed : actionPressed_) pressed.store(0);
  }
  if (sink != nullptr) sink->releaseHeldInput();
}

void VelmoGestures::resetPinchState() {
  std::lock_guard<std::mutex> frame(frameMutex_);
  for (auto& state : pinchState_) state.store(0);
  for (auto& pressed : actionPressed_) pressed.store(0);
}
