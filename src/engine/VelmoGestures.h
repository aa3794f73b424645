#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "EngineSink.h"
#include "ParameterTable.h"
#include "handTrackingData.h"

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
  // The finger brought to the thumb; numbers every per-pinch table.
  enum opposableFingers { IndexFinger = 0, MiddleFinger = 1, RingFinger = 2, PinkyFinger = 3 };
  // Distal (row 0) and intermediate (row 1) bone lengths of index..pinky, as in the hand record.
  using BoneLengths = const float (*)[4];
  // Microseconds of a clock that never steps back.
  using MonotonicClock = std::function<std::int64_t()>;

  VelmoGestures();
  ~VelmoGestures();

  // Recogniser entry, once per frame with a hand (tracking thread).
  void DetectGestures(handTrackingData data);

  // The recogniser's running state back to its start values (engine start-up). The optimal frame
  // rate is seeded from OptimalFrameRateTh here and nowhere else.
  void ResetRecogniser();
  // The objects the recogniser hands its decisions to (engine start-up, tests).
  void setEngineObjects(EngineSink* sink, VelmoBox* box);
  // Makes the sink at each start, once the settings are read (the tray window hands it before the
  // first start). Without one the engine decides and hands on nothing.
  void setSinkFactory(EngineSink::Factory factory);
  EngineSink* sink() const { return sink_.load(); }
  // Decisions go to sink from the next frame on (a relay source's); null: to the start's own
  // again. The caller keeps sink alive until it has been switched away.
  void useSink(EngineSink* sink);
  // Clock of the pointer freeze after a press; a steady clock unless replaced (tests).
  void setMonotonicClock(MonotonicClock clock);

  // Pinch thresholds (tracking thread).
  void InitDistance(int side, BoneLengths boneLengths, int fingers);
  void InitAdaptiveTh(int side);
  void ComputeFingerDistance(opposableFingers f, float distance, int fingers, float handMovement,
                             BoneLengths boneLengths, std::deque<float>& history);
  // Pinch press and release (tracking thread): 1 pressed, 0 released, -1 otherwise.
  int Click(opposableFingers f, BoneLengths boneLengths, int fingers, float handMovement,
            float Dist, float fps, std::deque<float>& history, int postureFlag);
  int ClickVR(opposableFingers f, BoneLengths boneLengths, int fingers, float handMovement,
              float Dist, float fps, std::deque<float>& history, int postureFlag);
  // 0 while the hand is a fist (fist 1), else 1 when no pinch slot other than gesture is closed.
  int isGestureFree(int gesture, int fist) const;
  void popCheckClickQueues();

  // Running mean and standard deviation of a distance history (defined with the other history
  // measures in SampleHistory.cpp).
  static void MeanStdDev(const std::deque<float>& h, double* sum, double* sumSq, float* mean,
                         float* std, int index, int limit);

  // Wheel requests from circles, forwarded to the sink.
  void ResetMouseWheel();
  void MouseWheelMove(float delta, int direction, int notify, float progress);

  // Start-up and teardown, on the thread that runs the listener's onInit and onExit. The start
  // reads the settings file, opens the log when it is on and makes the sink (through the factory)
  // and the interaction box; the teardown removes each of them when it exists.
  void startParameters();
  void closeLogFile();
  void deleteBox();
  void deleteSink();
  // Built-in log switches applied at the next start: EnableLog's default and the encryption of
  // log lines. The program leaves both off; diagnostic builds and tests turn them on.
  void setBuiltInLogSwitches(int enableLog, int encryptLog);

  // Diagnostic log "./fingerData.dat" (working directory). Callers test isLog() first.
  int isLog() const;
  void Log(const char* message);

  // Engine state shared with the GUI thread.
  int IsConnected() const { return connected_.load(); }
  void setConnected(int connected) { connected_.store(connected); }
  int IsPaused() const { return paused_.load(); }
  // A pause lets go of whatever the hand holds: nothing would release it while paused.
  void Pause(int paused);
  // Opens every closed pinch, handing each held action its release (to the destination in source
  // mode), then lets go of anything still held on this machine (EngineSink::releaseHeldInput). For
  // when the hand can no longer release it: tracking gone, pause, quit. Safe from any thread; a
  // frame in progress finishes first.
  void releaseHeldActions();
  // Forgets closed pinches and held actions without handing on anything (the sink has just let go
  // of its devices). Safe from any thread.
  void resetPinchState();
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
  int isTwoHandsPaused() const { return twoHandsPaused_.load(); }
  // The last pointer output (position, or step in relative movement) and the previous position
  // (-1 when there is none), as one consistent snapshot.
  void getPointerState(float* outputX, float* outputY, float* prevX, float* prevY) const;

  // Recogniser state for the tracking thread's own readers (tutorial polling goes through the
  // atomics above).
  float maxFrameRate() const { return maxFrameRate_; }
  float currentFrameRate() const { return currentFrameRate_; }
  int pointerHistoryLength() const { return pointerHistoryLength_; }
  int distanceHistoryLength() const { return distanceHistoryLength_; }
  int movementWindow() const;
  int handSide() const { return handSide_; }
  int isMovingAllowed() const { return movingAllowed_; }
  float handMovement() const { return handMovement_; }
  float fingerMovement(int f) const { return inPinch(f) ? fingerMovement_[f] : -1.0f; }
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
  const std::deque<float>& distanceHistory(int f) const { return distanceHistory_[f & 3]; }
  const std::deque<float>& palmTipHistory(int f) const { return palmTipHistory_[f & 3]; }
  const std::deque<float>& pointerHistoryX() const { return pointerHistoryX_; }
  const std::deque<float>& pointerHistoryY() const { return pointerHistoryY_; }

  // Gesture and circle types outside their range (-1 included) read as not enabled, action 0.
  int isGestureEnabled(int g) const;
  int whichActionIsEnabled(int g) const;
  int isGestureCircleEnabled(int c) const;
  int whichWheelActionIsEnabled(int c) const;
  int isRelative() const;
  int GetControllerPos() const;
  int getDoubleClickTime() const;
  int IsSendingStats() const;
  int IsAlternativeMousePointer() const;
  bool isAudioFxEnabled() const;
  bool isAudioFxBorderEnabled() const;
  bool isGraphicFxEnabled() const;
  // The pointer as fractions of the screen; (0, 0) while there is no screen size.
  void GetNormalizedHandPos(float* x, float* y) const;
  // The pointer space: the destination's screen in source mode (0 until it has told), else this
  // machine's; 0 before the start.
  int getWidthOfScreen() const;
  int getHeightOfScreen() const;
  // HandMotionScaleFactor from the screen height (working value and table entry).
  void AutoScalePointerFactor(int width, int height);
  // The factor AutoScalePointerFactor would set, without setting it.
  static float autoPointerScaleFactor(int width, int height);

  int getNetworkMode() const;
  // The sink reads the mode through its pointer, so a change acts at its next call. The relay
  // session is its one writer; values outside Standalone..Destination are ignored.
  void setNetworkMode(int mode);

  VelmoBox* getBox() const { return box_; }

  // The pointer parameters of the working settings to the sink.
  void setMouseParam();
  // This machine's address to the destination (source mode).
  void sendParams();
  // The three effect switches to the sink.
  void sendAudioGraphicParam();

 protected:
  std::atomic<int> connected_{0};
  std::atomic<int> paused_{0};
  std::atomic<int> pinchState_[4] = {{0}, {0}, {0}, {0}};
  std::atomic<int> actionPressed_[5] = {{0}, {0}, {0}, {0}, {0}};
  std::atomic<int> wheelState_{0};
  std::atomic<int> fist_{0};
  std::atomic<int> interactiveTutorial_{0};
  std::atomic<float> optimalFrameRate_{90.0f};

  // The objects the recogniser works with: those of the start-up, or a test's. The sink is read
  // by the GUI thread's queries too.
  std::atomic<EngineSink*> sink_{nullptr};
  VelmoBox* box_ = nullptr;
  // Null when the log is off or could not be opened.
  std::atomic<FILE*> logFile_{nullptr};

 private:
  static bool inPinch(int f) { return f >= 0 && f < 4; }
  bool logOn() const { return logFile_ != nullptr && cfg_.enableLog != 0; }
  void logLine(const char* format, ...) __attribute__((format(printf, 2, 3)));
  std::int64_t nowUs() const;
  void updateFrameRate(float fps);
  void mapPointer(const handTrackingData& hand, int width, int height, float* x, float* y);
  void storePointerOutput(float x, float y);
  void measureMovement();
  int pinchCheck(int slot, int f, BoneLengths boneLengths, int fingers, float handMovement,
                 float Dist, float fps, std::deque<float>& history, int postureFlag);
  bool thumbIsAt(int f, BoneLengths boneLengths, float Dist, float fps);

  // What the start-up created and the teardown deletes.
  std::unique_ptr<EngineSink> ownedSink_;
  VelmoBox* ownedBox_ = nullptr;
  EngineSink::Factory sinkFactory_;
  std::mutex logMutex_;  // one line at a time, and not while the file closes
  std::atomic<int> logEncrypted_{0};
  std::atomic<int> builtInEnableLog_{0};
  std::atomic<int> builtInEncryptLog_{0};

  // Held by a frame from start to end, and by releaseHeldActions: a release from another thread
  // never falls between a frame's press decision and its state update.
  std::mutex frameMutex_;

  // Working settings of the frame being processed.
  WorkingSettings cfg_;
  MonotonicClock clock_;

  // Frame pipeline.
  std::atomic<int> twoHandsPaused_{0};
  float maxFrameRate_ = -1.0f;
  float currentFrameRate_ = -1.0f;
  int pointerHistoryLength_ = 0;
  int distanceHistoryLength_ = 0;
  int started_ = 0;
  int handSide_ = -1;
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
  int sideSeen_[2] = {0, 0};

  // Pinch press and release.
  float frameTipDistance_[4] = {0, 0, 0, 0};  // this frame's thumb-to-tip distances
  int frameThumbExtended_ = 1;
  // Per finger: the thumb has been away from the tip (past its release level) since that finger's
  // last press. A pinch that was let go while the thumb stayed on the tip (the head-mounted ring
  // pinch is released by the middle finger) does not press again from tracking noise.
  int armed_[4] = {1, 1, 1, 1};
  int indexGuard_ = 0;
  int pinkyGuard_ = 0;
  int sideBootstrap_[2] = {1, 1};

  // Adaptive pinch thresholds, per pinch, and the stored copy per hand side.
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
