#pragma once

#include <QString>
#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>

#include "ActionTypes.h"

// Where the engine's decisions go, as it makes them: the pointer's moves, the pinches' actions,
// the wheel, the fist, and what the pointer device is to be set to. The engine knows nothing of
// what carries them out: on this machine the action manager (pointer, keyboard, tray), in tests a
// recorder. Called on the tracking thread during frames, and from the GUI thread (parameters,
// releases); an implementation is made for one engine start and outlives the engine's use of it.
class EngineSink {
 public:
  // What a sink is made with at the engine's start, after the settings file has been read.
  struct Setup {
    int logEnabled = 0;
    double doubleClickTime = 0.0;
    double wheelScaleFactor = 1.0;
    FILE* logFile = nullptr;
    int encryptLog = 0;
    int relative = 0;
    int alternativePointer = 0;
    bool onlyPrimaryDisplay = false;
    // The engine's live switches (read-only here); a null mode reads as standalone.
    const std::atomic<int>* networkModeRef = nullptr;
    const std::atomic<bool>* audioFx = nullptr;
    const std::atomic<bool>* audioFxBorder = nullptr;
    const std::atomic<bool>* graphicFx = nullptr;
    // Writes the three effect switches where the engine keeps them; a destination takes the
    // source's switches through it.
    std::function<void(bool audioFx, bool audioFxBorder, bool graphicFx)> setEffectSwitches;
    // Called by releaseHeldInput after it has let go: the engine forgets its closed pinches, so it
    // neither thinks a button is still held nor releases it a second time.
    std::function<void()> heldInputReleased;
  };

  // Makes the sink of one engine start; the engine owns it until its teardown.
  using Factory = std::function<std::unique_ptr<EngineSink>(const Setup&)>;

  virtual ~EngineSink() = default;

  // One frame's output, begun before its first decision and ended after its last, on the tracking
  // thread: what the frame does goes out together.
  virtual void beginFrame() = 0;
  virtual void endFrame() = 0;

  // The pointer space the engine maps the hand onto, in pixels; 0 x 0 while it is unknown (a
  // destination that has not told its size).
  virtual void pointerSpace(int* width, int* height) = 0;

  virtual void MousePointerMove(int x, int y, int alternativePointer, int relative) = 0;
  // A pinch's action pressed (press 1) or released; suppress: the interactive tutorial shows it
  // without acting; notify: the tray says so. keys, name, osKey: the keyboard action's.
  virtual void GenerateAction(actionType type, int press, int suppress, int notify,
                              const QString& keys, const QString& name, bool osKey) = 0;
  virtual void ResetMouseWheel() = 0;
  // delta: the circle's progress in turns since it started turning the wheel.
  virtual void MouseWheelMove(float delta, int forward, int notify, float progress) = 0;
  // Whether the hand is a fist, every frame with a hand; the sink signals the closing.
  virtual void GenerateFistDetected(bool fist) = 0;
  // The controller's automatic interaction height, every frame with a hand.
  virtual void setAutoHeight(bool autoHeight) = 0;

  // The pointer device's parameters from the working settings.
  virtual void setParam(int doubleClickTime, float wheelScaleFactor, int relative,
                        int alternativePointer, int onlyPrimaryDisplay) = 0;
  // The stored alternative pointer applies again (a destination asked for it).
  virtual void SetMousePointer() = 0;
  // This machine announces itself as the source to its destination.
  virtual void announceSource() = 0;
  virtual void sendAudioGraphicParam(bool audioFx, bool audioFxBorder, bool graphicFx) = 0;
  // Lets go of everything held on this machine, silently; the engine has released its pinches
  // through GenerateAction first. Safe from any thread.
  virtual void releaseHeldInput() = 0;

  // One frame's output for the lifetime of the object; nothing without a sink.
  class Frame {
   public:
    explicit Frame(EngineSink* sink) : sink_(sink) {
      if (sink_) sink_->beginFrame();
    }
    ~Frame() {
      if (sink_) sink_->endFrame();
    }
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;

   private:
    EngineSink* sink_;
  };
};
