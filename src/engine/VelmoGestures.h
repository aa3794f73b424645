#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "EngineLog.h"
#include "EngineQueries.h"
#include "EngineSettings.h"
#include "EngineSink.h"
#include "PinchMachine.h"
#include "PointerMapper.h"
#include "handTrackingData.h"

class VelmoBox;

// The gesture recogniser: it runs each frame through its parts (the pointer mapping, the pinch
// machine) with the settings of that frame, and answers the tray window's and the tutorial's
// queries. The settings, with their file, are a part of their own.
//
// Flags that the GUI thread (tray, tutorial) reads while the tracking thread writes them are
// atomics; everything else here is touched by the tracking thread only.
class VelmoGestures : public EngineQueries {
 public:
  enum gestureType { NoGesture = -1, ThumbFore = 0, ThumbMiddle = 1, ThumbRing = 2, ThumbPinky = 3 };
  enum gestureCircleType { NoCircle = -1, CircleClockwise = 0, CircleCounterClockwise = 1 };
  // The finger brought to the thumb; numbers every per-pinch table.
  enum opposableFingers { IndexFinger = 0, MiddleFinger = 1, RingFinger = 2, PinkyFinger = 3 };
  // Distal (row 0) and intermediate (row 1) bone lengths of index..pinky, as in the hand record.
  using BoneLengths = PinchMachine::BoneLengths;
  using MonotonicClock = PointerMapper::MonotonicClock;

  VelmoGestures();
  ~VelmoGestures() override;

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
  int isGestureFree(int gesture, int fist) const { return pinch_.isGestureFree(gesture, fist); }
  void popCheckClickQueues() { pointer_.popPalmTips(pointerHistoryLength_); }

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

  // The listener's last hand record (safe from any thread).
  void publishHandData(const handTrackingData& hand);
  handTrackingData getHandData() const override;

  // Engine state shared with the GUI thread.
  int IsConnected() const override { return connected_.load(); }
  void setConnected(int connected) { connected_.store(connected); }
  int IsPaused() const override { return paused_.load(); }
  // A pause lets go of whatever the hand holds: nothing would release it while paused.
  void Pause(int paused) override;
  // Opens every closed pinch, handing each held action its release (to the destination in source
  // mode), then lets go of anything still held on this machine (EngineSink::releaseHeldInput). For
  // when the hand can no longer release it: tracking gone, pause, quit. Safe from any thread; a
  // frame in progress finishes first.
  void releaseHeldActions();
  // Forgets closed pinches and held actions without handing on anything (the sink has just let go
  // of its devices). Safe from any thread.
  void resetPinchState();
  int isGestureFired(int g) const override { return pinch_.state(g); }
  int whichGestureIsFired() const override {
    for (int g = 0; g < 4; ++g)
      if (pinch_.state(g) == 1) return g;
    return -1;
  }
  int isLeftPressed() const override { return pinch_.pressed(LeftButton); }
  int isRightPressed() const override { return pinch_.pressed(RightButton); }
  int isMiddlePressed() const override { return pinch_.pressed(MiddleButton); }
  int isKeyPressed() const override { return pinch_.pressed(KeyboardShortcut); }
  int isWheelMoving() const override { return wheelState_.load(); }
  void setWheelMoving(int state) { wheelState_.store(state); }
  int isFist() const override { return fist_.load(); }
  void SetInteractiveTutorial(int on) override { interactiveTutorial_.store(on); }
  int isInteractiveTutorial() const override { return interactiveTutorial_.load(); }
  // The recogniser's running optimal frame rate (seeded from OptimalFrameRateTh).
  float optimalFrameRate() const { return optimalFrameRate_.load(); }
  int isTwoHandsPaused() const { return twoHandsPaused_.load(); }
  // The last pointer output (position, or step in relative movement) and the previous position
  // (-1 when there is none), as one consistent snapshot.
  void getPointerState(float* outputX, float* outputY, float* prevX, float* prevY) const {
    pointer_.getPointerState(outputX, outputY, prevX, prevY);
  }

  // Recogniser state for the tracking thread's own readers (tutorial polling goes through the
  // atomics above).
  float maxFrameRate() const { return maxFrameRate_; }
  float currentFrameRate() const { return currentFrameRate_; }
  int pointerHistoryLength() const { return pointerHistoryLength_; }
  int distanceHistoryLength() const { return distanceHistoryLength_; }
  int movementWindow() const;
  int handSide() const { return handSide_; }
  int isMovingAllowed() const { return pointer_.isMovingAllowed(); }
  float handMovement() const { return pointer_.handMovement(); }
  // The parts, for the tracking thread's readers (tests, tools).
  const PinchMachine& pinches() const { return pinch_; }
  const PointerMapper& pointer() const { return pointer_; }
  EngineSettings& parameters() { return settings_; }
  const EngineSettings& parameters() const { return settings_; }

  // The parameter table's operations (EngineSettings).
  void InitParameters() { settings_.InitParameters(); }
  float GetUserParam(int index) const override { return settings_.GetUserParam(index); }
  void SetUserParam(float value, int index) override { settings_.SetUserParam(value, index); }
  float GetAdminParam(int index) const override { return settings_.GetAdminParam(index); }
  void SetAdminParam(float value, int index) override { settings_.SetAdminParam(value, index); }
  void EncodeParameters() override { settings_.EncodeParameters(); }
  int WriteParameters() override { return settings_.WriteParameters(); }
  int IsAdmin() const override { return settings_.IsAdmin(); }
  keyboardAct* GetKeyboardActions() override { return settings_.GetKeyboardActions(); }

  // Gesture and circle types outside their range (-1 included) read as not enabled, action 0.
  int isGestureEnabled(int g) const override;
  int whichActionIsEnabled(int g) const override;
  int isGestureCircleEnabled(int c) const override;
  int whichWheelActionIsEnabled(int c) const override;
  int isRelative() const override;
  int GetControllerPos() const override;
  int getDoubleClickTime() const override;
  int IsSendingStats() const override;
  int IsAlternativeMousePointer() const override;
  bool isAudioFxEnabled() const override;
  bool isAudioFxBorderEnabled() const override;
  bool isGraphicFxEnabled() const override;
  // The pointer as fractions of the screen; (0, 0) while there is no screen size.
  void GetNormalizedHandPos(float* x, float* y) const override;
  // The pointer space: the destination's screen in source mode (0 until it has told), else this
  // machine's; 0 before the start.
  int getWidthOfScreen() const override;
  int getHeightOfScreen() const override;
  // HandMotionScaleFactor from the screen height (working value and table entry).
  void AutoScalePointerFactor(int width, int height) override;
  // The factor AutoScalePointerFactor would set, without setting it.
  static float autoPointerScaleFactor(int width, int height);

  int getNetworkMode() const override;
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

  // The table to the working settings.
  void DecodeParameters(int withAdmin) override;

 protected:
  std::atomic<int> connected_{0};
  std::atomic<int> paused_{0};
  std::atomic<int> wheelState_{0};
  std::atomic<int> fist_{0};
  std::atomic<int> interactiveTutorial_{0};
  std::atomic<float> optimalFrameRate_{90.0f};

  // The objects the recogniser works with: those of the start-up, or a test's. The sink is read
  // by the GUI thread's queries too.
  std::atomic<EngineSink*> sink_{nullptr};
  VelmoBox* box_ = nullptr;

 private:
  handTrackingData published_;
  mutable std::mutex publishedMutex_;

  PinchMachine::Frame pinchFrame() const;
  void updateFrameRate(float fps);

  EngineSettings settings_;
  EngineLog log_;

  // What the start-up created and the teardown deletes.
  std::unique_ptr<EngineSink> ownedSink_;
  VelmoBox* ownedBox_ = nullptr;
  EngineSink::Factory sinkFactory_;
  std::atomic<int> builtInEnableLog_{0};
  std::atomic<int> builtInEncryptLog_{0};

  // Held by a frame from start to end, and by releaseHeldActions: a release from another thread
  // never falls between a frame's press decision and its state update.
  std::mutex frameMutex_;

  // Working settings of the frame being processed; the parts read them.
  WorkingSettings cfg_;
  PointerMapper pointer_{cfg_};

  // Frame pipeline.
  std::atomic<int> twoHandsPaused_{0};
  float maxFrameRate_ = -1.0f;
  float currentFrameRate_ = -1.0f;
  int pointerHistoryLength_ = 0;
  int distanceHistoryLength_ = 0;
  int started_ = 0;
  int handSide_ = -1;
  int sideSeen_[2] = {0, 0};

 protected:
  PinchMachine pinch_{cfg_, log_};
};
