#pragma once

#include <atomic>
#include <deque>

#include "WorkingSettings.h"
#include "handTrackingData.h"

class EngineLog;
class EngineSink;
class keyboardAct;

// The thumb's pinches: each pinch's adaptive press threshold, learned per hand side from the
// thumb-to-tip distances, and its open/closed machine that hands presses and releases to the
// sink. Pinch numbers: thumb with index 0, middle 1, ring 2, pinky 3. Tracking thread, except the
// pinch and held-action flags, which the GUI thread reads, and releaseAll and forget, which the
// engine calls from any thread under its frame lock.
class PinchMachine {
 public:
  // Distal (row 0) and intermediate (row 1) bone lengths of index..pinky, as in the hand record.
  using BoneLengths = const float (*)[4];

  // What a pinch check reads of the engine beyond the machine's own state.
  struct Frame {
    EngineSink* sink = nullptr;
    const keyboardAct* keys = nullptr;
    int suppress = 0;  // the interactive tutorial: actions are marked as the tutorial's
    int side = -1;     // hand side, 1 right
    // Palm-to-tip distances of index..pinky.
    const std::deque<float>* palmTips = nullptr;
  };

  // cfg: the working settings of the frame being processed (the engine's copy).
  PinchMachine(const WorkingSettings& cfg, EngineLog& log) : cfg_(cfg), log_(log) {}

  void reset();

  // Thresholds.
  void initDistance(int side, BoneLengths boneLengths, int fingers);
  void initAdaptiveTh(int side);
  void computeFingerDistance(int f, float distance, int fingers, float handMovement,
                             BoneLengths boneLengths, std::deque<float>& history, int side,
                             int historyLength);

  // This frame's facts the checks compare with: the thumb-to-tip distances, whether the thumb is
  // extended, the guard fingers.
  void noteFrame(const handTrackingData& hand);
  // One frame of a pinch's machine: slot names the state, the action and its keyboard entry; f
  // names the distance, threshold, release factor, guard finger and log texts. 1 pressed,
  // 0 released, -1 otherwise.
  int check(int slot, int f, BoneLengths boneLengths, int fingers, float handMovement, float Dist,
            float fps, std::deque<float>& history, int postureFlag, const Frame& frame);
  // 0 while the hand is a fist (fist 1), else 1 when no pinch slot other than gesture is closed.
  int isGestureFree(int gesture, int fist) const;
  // Opens every closed pinch, handing each held action its release; then nothing is held.
  void releaseAll(EngineSink* sink, const keyboardAct* keys, int suppress);
  // Forgets closed pinches and held actions without handing on anything.
  void forget();

  int state(int g) const { return inPinch(g) ? pinchState_[g].load() : 0; }
  // Indexed by action: 1 left, 2 right, 3 middle, 4 keyboard.
  int pressed(int action) const {
    return action >= 0 && action < 5 ? actionPressed_[action].load() : 0;
  }
  std::deque<float>& history(int f) { return distanceHistory_[f & 3]; }
  const std::deque<float>& distanceHistory(int f) const { return distanceHistory_[f & 3]; }
  float distanceThreshold(int f) const { return inPinch(f) ? DistTh_[f] : 0.0f; }
  float minDistance(int f) const { return inPinch(f) ? minDistance_[f] : 0.0f; }
  float maxDistance(int f) const { return inPinch(f) ? maxDistance_[f] : 0.0f; }
  float currentDistance(int f) const { return inPinch(f) ? currentDistance_[f] : 0.0f; }
  float meanDistance(int f) const { return inPinch(f) ? meanDistance_[f] : 0.0f; }
  float stdDistance(int f) const { return inPinch(f) ? stdDistance_[f] : 0.0f; }
  float sideDistanceThreshold(int side, int f) const {
    return (side == 0 || side == 1) && inPinch(f) ? sideDistTh_[side][f] : 0.0f;
  }
  int isSideBootstrap(int side) const {
    return (side == 0 || side == 1) ? sideBootstrap_[side] : 0;
  }

 protected:
  std::atomic<int> pinchState_[4] = {{0}, {0}, {0}, {0}};
  std::atomic<int> actionPressed_[5] = {{0}, {0}, {0}, {0}, {0}};

 private:
  static bool inPinch(int f) { return f >= 0 && f < 4; }
  bool logOn() const;
  bool thumbIsAt(int f, BoneLengths boneLengths, float Dist, float fps, const Frame& frame) const;

  const WorkingSettings& cfg_;
  EngineLog& log_;

  float frameTipDistance_[4] = {0, 0, 0, 0};  // this frame's thumb-to-tip distances
  int frameThumbExtended_ = 1;
  // Per finger: the thumb has been away from the tip (past its release level) since that finger's
  // last press. A pinch that was let go while the thumb stayed on the tip (the head-mounted ring
  // pinch is released by the middle finger) does not press again from tracking noise.
  int armed_[4] = {1, 1, 1, 1};
  int indexGuard_ = 0;
  int pinkyGuard_ = 0;
  int sideBootstrap_[2] = {1, 1};

  // Per pinch, and the stored copy per hand side.
  std::deque<float> distanceHistory_[4];
  int distanceLast_[4] = {0, 0, 0, 0};
  float currentDistance_[4] = {0, 0, 0, 0};
  float minDistance_[4] = {1000.0f, 1000.0f, 1000.0f, 1000.0f};
  float maxDistance_[4] = {-1000.0f, -1000.0f, -1000.0f, -1000.0f};
  float DistTh_[4] = {60.0f, 50.0f, 50.0f, 50.0f};
  float meanDistance_[4] = {0, 0, 0, 0};
  float stdDistance_[4] = {0, 0, 0, 0};
  double distanceSum_[4] = {0, 0, 0, 0};
  double distanceSquareSum_[4] = {0, 0, 0, 0};
  float sideMinDistance_[2][4] = {{1000.0f, 1000.0f, 1000.0f, 1000.0f},
                                  {1000.0f, 1000.0f, 1000.0f, 1000.0f}};
  float sideMaxDistance_[2][4] = {{-1000.0f, -1000.0f, -1000.0f, -1000.0f},
                                  {-1000.0f, -1000.0f, -1000.0f, -1000.0f}};
  float sideDistTh_[2][4] = {{60.0f, 50.0f, 50.0f, 50.0f}, {60.0f, 50.0f, 50.0f, 50.0f}};
};
