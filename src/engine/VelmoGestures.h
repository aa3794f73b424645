#pragma once

#include <atomic>
#include <cstdio>
#include <deque>

#include "ParameterTable.h"
#include "handTrackingData.h"

class ActionMgr;
class Mouse;
class Keyboard;
class VelmoBox;

// The gesture recogniser. The parameter table lives in ParameterTable; the recogniser's per-frame
// state, the start-up and the settings file are implemented in files of their own.
//
// Flags that the GUI thread (tray, tutorial) reads while the tracking thread writes them are
// atomics; everything else here is touched by the tracking thread only.
class VelmoGestures : public ParameterTable {
 public:
  enum gestureType { NoGesture = -1, ThumbFore = 0, ThumbMiddle = 1, ThumbRing = 2, ThumbPinky = 3 };
  enum gestureCircleType { NoCircle = -1, CircleClockwise = 0, CircleCounterClockwise = 1 };

  VelmoGestures();
  ~VelmoGestures();

  // Recogniser entry, once per frame with a hand (tracking thread).
  void DetectGestures(handTrackingData data);

  // Running mean and standard deviation of a distance history (defined with the other history
  // measures in SampleHistory.cpp).
  static void MeanStdDev(const std::deque<float>& h, double* sum, double* sumSq, float* mean,
                         float* std, int index, int limit);

  // Wheel requests from circles, forwarded to the action manager.
  void ResetMouseWheel();
  void MouseWheelMove(float delta, int direction, int notify, float progress);

  // Diagnostic log.
  int isLog() const;
  void Log(const char* message);

  // Engine state shared with the GUI thread.
  int IsConnected() const { return connected_.load(); }
  void setConnected(int connected) { connected_.store(connected); }
  int IsPaused() const { return paused_.load(); }
  void Pause(int paused) { paused_.store(paused); }
  int isGestureFired(int g) const { return (g >= 0 && g < 4) ? pinchState_[g].load() : 0; }
  int whichGestureIsFired() const {
    for (int g = 0; g < 4; ++g)
      if (pinchState_[g].load() == 1) return g;
    return -1;
  }
  // actionPressed is indexed by action 1 left, 2 right, 3 middle, 4 keyboard.
  int isLeftPressed() const { return actionPressed_[1].load(); }
  int isRightPressed() const { return actionPressed_[2].load(); }
  int isMiddlePressed() const { return actionPressed_[3].load(); }
  int isKeyPressed() const { return actionPressed_[4].load(); }
  int isWheelMoving() const { return wheelState_.load(); }
  void setWheelMoving(int state) { wheelState_.store(state); }
  int isFist() const { return fist_.load(); }
  void SetInteractiveTutorial(int on) { interactiveTutorial_.store(on); }
  int isInteractiveTutorial() const { return interactiveTutorial_.load(); }
  // The recogniser's running optimal frame rate (seeded from OptimalFrameRateTh).
  float optimalFrameRate() const { return optimalFrameRate_.load(); }

  ActionMgr* getActionMgr() const { return actionMgr_; }
  Mouse* GetMouse() const { return mouse_; }
  Keyboard* GetKeyboard() const { return keyboard_; }
  VelmoBox* getBox() const { return box_; }

 protected:
  std::atomic<int> connected_{0};
  std::atomic<int> paused_{0};
  std::atomic<int> pinchState_[4] = {{0}, {0}, {0}, {0}};
  std::atomic<int> actionPressed_[5] = {{0}, {0}, {0}, {0}, {0}};
  std::atomic<int> wheelState_{0};
  std::atomic<int> fist_{0};
  std::atomic<int> interactiveTutorial_{0};
  std::atomic<float> optimalFrameRate_{90.0f};

  // Created by the engine's start-up on the tracking thread; null before it.
  ActionMgr* actionMgr_ = nullptr;
  Mouse* mouse_ = nullptr;
  Keyboard* keyboard_ = nullptr;
  VelmoBox* box_ = nullptr;
  FILE* logFile_ = nullptr;
};
