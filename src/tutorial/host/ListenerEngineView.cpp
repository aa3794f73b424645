#include "ListenerEngineView.h"

#include "VelmoListener.h"

handTrackingData ListenerEngineView::getHandData() const { return listener_->getHandData(); }
int ListenerEngineView::isFist() const { return listener_->isFist(); }
int ListenerEngineView::isRelative() const { return listener_->isRelative(); }
int ListenerEngineView::GetControllerPos() const { return listener_->GetControllerPos(); }
int ListenerEngineView::isGestureEnabled(int g) const { return listener_->isGestureEnabled(g); }
int ListenerEngineView::isGestureCircleEnabled(int c) const { return listener_->isGestureCircleEnabled(c); }
int ListenerEngineView::isGestureFired(int g) const { return listener_->isGestureFired(g); }
int ListenerEngineView::whichGestureIsFired() const { return listener_->whichGestureIsFired(); }
int ListenerEngineView::whichActionIsEnabled(int g) const { return listener_->whichActionIsEnabled(g); }
int ListenerEngineView::whichWheelActionIsEnabled(int c) const { return listener_->whichWheelActionIsEnabled(c); }
int ListenerEngineView::isLeftPressed() const { return listener_->isLeftPressed(); }
int ListenerEngineView::isRightPressed() const { return listener_->isRightPressed(); }
int ListenerEngineView::isMiddlePressed() const { return listener_->isMiddlePressed(); }
int ListenerEngineView::isKeyPressed() const { return listener_->isKeyPressed(); }
int ListenerEngineView::isWheelMoving() const { return listener_->isWheelMoving(); }
void ListenerEngineView::GetNormalizedHandPos(float* x, float* y) const { listener_->GetNormalizedHandPos(x, y); }
void ListenerEngineView::SetInteractiveTutorial(int on) { listener_->SetInteractiveTutorial(on); }
