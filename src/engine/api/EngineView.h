#pragma once

#include "handTrackingData.h"

// What the tutorial reads from the gesture engine each frame, and nothing more: the engine is
// never called back from the scene. The real program reads the listener; tests script it.
class EngineView {
 public:
  virtual ~EngineView() = default;

  virtual handTrackingData getHandData() const = 0;
  virtual int isFist() const = 0;
  virtual int isRelative() const = 0;
  virtual int GetControllerPos() const = 0;
  virtual int isGestureEnabled(int g) const = 0;
  virtual int isGestureCircleEnabled(int c) const = 0;
  virtual int isGestureFired(int g) const = 0;
  virtual int whichGestureIsFired() const = 0;
  virtual int whichActionIsEnabled(int g) const = 0;
  virtual int whichWheelActionIsEnabled(int c) const = 0;
  virtual int isLeftPressed() const = 0;
  virtual int isRightPressed() const = 0;
  virtual int isMiddlePressed() const = 0;
  virtual int isKeyPressed() const = 0;
  virtual int isWheelMoving() const = 0;
  virtual void GetNormalizedHandPos(float* x, float* y) const = 0;
};
