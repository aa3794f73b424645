#include "PinchMachine.h"

#include <cmath>

#include "ActionTypes.h"
#include "EngineLog.h"
#include "EngineSink.h"
#include "SampleHistory.h"
#include "keyboardAct.h"

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

// Each pinch's press threshold sits at a fraction of the range of thumb-to-tip distances this
// user's hand has shown while held still enough. A fresh hand side starts from the index finger's
// bone lengths.

void PinchMachine::initDistance(int side, BoneLengths boneLengths, int fingers) {
  if (side != 0 && side != 1) return;
  for (int f = 0; f < 4; ++f) {
    sideMinDistance_[side][f] = 1000.0f;
    sideMaxDistance_[side][f] = -1000.0f;
  }
  if (fingers != 0 && boneLengths != nullptr) {
    const float start = boneLengths[0][0] + boneLengths[1][0];
    for (int f = 0; f < 4; ++f) sideDistTh_[side][f] = start;
  } else {
    sideDistTh_[side][0] = 60.0f;
    sideDistTh_[side][1] = 50.0f;
    sideDistTh_[side][2] = 50.0f;
    sideDistTh_[side][3] = 50.0f;
  }
}

void PinchMachine::initAdaptiveTh(int side) {
  if (side != 0 && side != 1) return;
  for (int f = 0; f < 4; ++f) {
    minDistance_[f] = sideMinDistance_[side][f];
    maxDistance_[f] = sideMaxDistance_[side][f];
    DistTh_[f] = sideDistTh_[side][f];
  }
}

void PinchMachine::computeFingerDistance(int f, float d, int fingers, float handMovement,
                                         BoneLengths boneLengths, std::deque<float>& history,
                                         int side, int historyLength) {
  if (!inPinch(f) || (side != 0 && side != 1)) return;

  // A hand on the move gives distances worth nothing.
  if (handMovement > static_cast<float>(cfg_.samplingHandMovementTh)) return;

  // An implausible distance repeats the newest sample instead.
  if (d < cfg_.maxDistance[f])
    history.push_back(d);
  else if (history.size() >= 2)
    history.push_back(history.back());

  const long long n = static_cast<long long>(history.size());
  if (n > historyLength) {
    distanceLast_[f] = static_cast<int>(n - 1);
    history.pop_front();
  } else {
    distanceLast_[f] += 1;
  }

  float min = minDistance_[f];
  float max = maxDistance_[f];
  float th = DistTh_[f];
  float mean = meanDistance_[f];
  float stdDev = stdDistance_[f];
  double sum = distanceSum_[f];
  double sumSq = distanceSquareSum_[f];

  const bool outlier = mean > 0.0f && stdDev > 0.0f && d > mean + cfg_.outlierStdDevTh * stdDev;

  // Extremes far from the recent mean: the side starts afresh (this finger keeps its own values).
  const float t = cfg_.outlierStdDevTh * stdDev;
  if ((std::fabs(max - mean) > t || std::fabs(min - mean) > t) && max != -1000.0f &&
      min != 1000.0f) {
    if (logOn()) log_.write(side == 1 ? "Reset Right Hand Distances\n" : "Reset Left Hand Distances\n");
    initDistance(side, boneLengths, fingers);
    initAdaptiveTh(side);
  }

  const float pressP = cfg_.clickPressP[f];
  const float ratio = cfg_.minMaxDistanceRatioTh;
  if (d > max && !outlier && d != 0.0f) {
    max = d;
    if (min != 1000.0f && ratio * d > min) th = min + (d - min) * pressP;
  }
  if (min > d && d != 0.0f) {
    min = d;
    if (max != -1000.0f && ratio * max > d) th = d + (max - d) * pressP;
  }

  sideMinDistance_[side][f] = min;
  sideMaxDistance_[side][f] = max;
  sideDistTh_[side][f] = th;
  MeanStdDev(history, &sum, &sumSq, &mean, &stdDev, distanceLast_[f], historyLength);
  currentDistance_[f] = d;
  minDistance_[f] = min;
  maxDistance_[f] = max;
  DistTh_[f] = th;
  meanDistance_[f] = mean;
  stdDistance_[f] = stdDev;
  distanceSum_[f] = sum;
  distanceSquareSum_[f] = sumSq;
}

// One frame of a pinch's open/closed machine. slot names the state, the action and its keyboard
// entry; f names the distance, threshold, release factor, guard finger and log texts.
int PinchMachine::check(int slot, int f, BoneLengths boneLengths, int fingers, float handMovement,
                        float Dist, float fps, std::deque<float>& history, int postureFlag,
                        const Frame& frame) {
  if (!inPinch(slot) || !inPinch(f)) return -1;
  const int act = cfg_.pinchAction[slot];
  if (act < 0 || act > 4) return -1;  // not an action: nothing to hold or hand on

  int s = pinchState_[slot].load();
  const float th = DistTh_[f];
  int l_bClick = actionPressed_[act].load();
  const int fingersTotNumb = fingers;
  const float releaseP = cfg_.clickReleaseP[f];
  const float moveLimit = static_cast<float>(cfg_.clickHandMovementTh);
  const int suppress = frame.suppress;
  int result = -1;

  if (logOn()) log_.printf("GESTURE %d CHECK\nDistTh: %f Dist: %f fingersTotNumb: %d clickReleaseP: %f "
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
      if (logOn()) log_.write(kOpenedText[f]);
      const keyboardAct::Entry key = frame.keys->at(cfg_.keyboardAction[slot]);
      if (EngineSink* sink = frame.sink)
        sink->GenerateAction(static_cast<actionType>(act), 0, suppress, cfg_.notifyClicks, key.keys,
                             key.name, key.osKey);
      s = 0;
      l_bClick = 0;
      result = 0;
    } else {
      if (logOn()) log_.printf("***GESTURE %d OPENED MISSING - SPEED: %f\n", f, speed);
    }
  }
  if (Dist > r && s == 1) {
    if (fingersTotNumb < cfg_.clickMinFingersNumber)
      if (logOn()) log_.printf("***GESTURE %d OPENED MISSING - FINGERS NUMBER: %d\n", f, fingersTotNumb);
    if (handMovement > moveLimit)
      if (logOn()) log_.printf("***GESTURE %d OPENED MISSING  - HAND MOVEMENT: %f\n", f, handMovement);
  }

  // Until a side's first press its thresholds go back to the bone-length start value, and the
  // press is judged against that value: a threshold learned in this same frame lies above the
  // distance that has just become the new minimum, so it would press as soon as the thumb began
  // to close.
  const int side = frame.side;
  float pressTh = th;
  if ((side == 0 || side == 1) && sideBootstrap_[side] == 1 && boneLengths != nullptr) {
    const float start = boneLengths[0][0] + boneLengths[1][0];
    for (int k = 0; k < 4; ++k) sideDistTh_[side][k] = start;
    initAdaptiveTh(side);
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
      IsMonotonic(frame.palmTips[3], cfg_.monotonicTimeTh, &guardRun, nullptr, fps, Falling,
                  &guardChange);
      indexGuard_ = 1;
    } else {
      IsMonotonic(frame.palmTips[0], cfg_.monotonicTimeTh, &guardRun, nullptr, fps, Falling,
                  &guardChange);
      pinkyGuard_ = 1;
    }
    if (speed >= cfg_.clickSpeedTh && pinkyGuard_ != 0 && indexGuard_ != 0 &&
        guardChange <= cfg_.guardFingerMovementTh && armed_[f] == 1 &&
        thumbIsAt(f, boneLengths, Dist, fps, frame)) {
      armed_[f] = 0;
      const keyboardAct::Entry key = frame.keys->at(cfg_.keyboardAction[slot]);
      if (EngineSink* sink = frame.sink)
        sink->GenerateAction(static_cast<actionType>(act), 1, suppress, cfg_.notifyClicks, key.keys,
                             key.name, key.osKey);
      l_bClick = 1;
      if (side == 0 || side == 1) sideBootstrap_[side] = 0;
      s = 1;
      result = 1;
    }
    if (speed < cfg_.clickSpeedTh) {
      if (f == 0) if (logOn()) log_.printf("***LEFT CLICK CLOSED MISSING - SPEED: %f\n", speed);
      if (f == 1) if (logOn()) log_.printf("***RIGHT CLICK CLOSED MISSING - SPEED: %f\n", speed);
    }
  }
  if (Dist <= pressTh && s == 0 && (f == 0 || f == 1)) {
    const char* which = f == 0 ? "LEFT" : "RIGHT";
    if (fingersTotNumb < cfg_.clickMinFingersNumber)
      if (logOn()) log_.printf("***%s CLICK CLOSED MISSING - FINGERS NUMBER: %d\n", which, fingersTotNumb);
    if (handMovement > moveLimit)
      if (logOn()) log_.printf("***%s CLICK CLOSED MISSING - HAND MOVEMENT: %f\n", which, handMovement);
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
bool PinchMachine::thumbIsAt(int f, BoneLengths boneLengths, float Dist, float fps,
                             const Frame& frame) const {
  if (boneLengths != nullptr && Dist > kPinchReach * (boneLengths[0][0] + boneLengths[1][0]))
    return false;
  if (frameThumbExtended_ == 0) return false;
  // A finger straightening out of a fist sweeps its tip past the thumb.
  float opening = 0.0f;
  int openRun = 0;
  IsMonotonic(frame.palmTips[f], cfg_.monotonicTimeTh, &openRun, nullptr, fps, Rising, &opening);
  if (opening > cfg_.guardFingerMovementTh) return false;
  // The other fingers together: a fist folds them all a little at first, each alone too little.
  float folding = 0.0f;
  for (int k = 0; k < 4; ++k) {
    if (k == f) continue;
    if (frameTipDistance_[k] < Dist) return false;
    float change = 0.0f;
    int run = 0;
    IsMonotonic(frame.palmTips[k], cfg_.monotonicTimeTh, &run, nullptr, fps, Falling, &change);
    folding += change;
  }
  return folding <= cfg_.guardFingerMovementTh;
}

bool PinchMachine::logOn() const { return log_.isOpen() && cfg_.enableLog != 0; }

void PinchMachine::noteFrame(const handTrackingData& hand) {
  indexGuard_ = hand.extendedFingers[1];
  pinkyGuard_ = hand.extendedFingers[4];
  for (int f = 0; f < 4; ++f) frameTipDistance_[f] = hand.thumbTipDistance[f];
  frameThumbExtended_ = hand.extendedFingers[0];
}

int PinchMachine::isGestureFree(int gesture, int fist) const {
  if (fist == 1) return 0;
  for (int k = 0; k < 4; ++k)
    if (k != gesture && pinchState_[k].load() == 1) return 0;
  return 1;
}

void PinchMachine::releaseAll(EngineSink* sink, const keyboardAct* keys, int suppress) {
  for (int slot = 0; slot < 4; ++slot) {
    if (pinchState_[slot].load() != 1) continue;
    pinchState_[slot].store(0);
    const int act = cfg_.pinchAction[slot];
    if (act < LeftButton || act > KeyboardShortcut || actionPressed_[act].load() == 0) continue;
    actionPressed_[act].store(0);
    // Through the sink, so a destination hears the release too.
    const keyboardAct::Entry key = keys->at(cfg_.keyboardAction[slot]);
    if (sink != nullptr)
      sink->GenerateAction(static_cast<actionType>(act), 0, suppress, 0, key.keys, key.name,
                           key.osKey);
  }
  for (auto& pressed : actionPressed_) pressed.store(0);
}

void PinchMachine::forget() {
  for (auto& state : pinchState_) state.store(0);
  for (auto& pressed : actionPressed_) pressed.store(0);
}

void PinchMachine::reset() {
  indexGuard_ = pinkyGuard_ = 0;
  const float fixedTh[4] = {60.0f, 50.0f, 50.0f, 50.0f};
  for (int side = 0; side < 2; ++side) {
    sideBootstrap_[side] = 1;
    for (int f = 0; f < 4; ++f) {
      sideMinDistance_[side][f] = 1000.0f;
      sideMaxDistance_[side][f] = -1000.0f;
      sideDistTh_[side][f] = fixedTh[f];
    }
  }
  for (int f = 0; f < 4; ++f) {
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
