#pragma once

#include "TutorialEngine.h"

class VelmoListener;

// The engine as the running tutorial sees it: each query forwards to the listener.
class ListenerEngineView : public TutorialEngine {
 public:
  explicit ListenerEngineView(VelmoListener* listener) : listener_(listener) {}

  handTrackingData getHandData() const override;
  int isFist() const override;
  int isRelative() const override;
  int GetControllerPos() const override;
  int isGestureEnabled(int g) const override;
  int isGestureCircleEnabled(int c) const override;
  int isGestureFired(int g) const override;
  int whichGestureIsFired() const override;
  int whichActionIsEnabled(int g) const override;
  int whichWheelActionIsEnabled(int c) const override;
  int isLeftPressed() const override;
  int isRightPressed() const override;
  int isMiddlePressed() const override;
  int isKeyPressed() const override;
  int isWheelMoving() const override;
  void GetNormalizedHandPos(float* x, float* y) const override;
  void SetInteractiveTutorial(int on) override;

 private:
  VelmoListener* listener_;
};
