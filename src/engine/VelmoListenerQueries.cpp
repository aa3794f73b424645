// The listener's query and control interface: one to one onto the engine.
#include "VelmoListener.h"

float VelmoListener::GetUserParam(int index) const { return gestures_.GetUserParam(index); }
void VelmoListener::SetUserParam(float value, int index) { gestures_.SetUserParam(value, index); }
float VelmoListener::GetAdminParam(int index) const { return gestures_.GetAdminParam(index); }
void VelmoListener::SetAdminParam(float value, int index) { gestures_.SetAdminParam(value, index); }
void VelmoListener::EncodeParameters() { gestures_.EncodeParameters(); }
void VelmoListener::DecodeParameters(int withAdmin) { gestures_.DecodeParameters(withAdmin); }
int VelmoListener::WriteParameters() { return gestures_.WriteParameters(); }
int VelmoListener::IsAdmin() const { return gestures_.IsAdmin(); }
keyboardAct* VelmoListener::GetKeyboardActions() { return gestures_.GetKeyboardActions(); }
void VelmoListener::AutoScalePointerFactor(int width, int height) {
  gestures_.AutoScalePointerFactor(width, height);
}

int VelmoListener::IsConnected() const { return gestures_.IsConnected(); }
int VelmoListener::IsPaused() const { return gestures_.IsPaused(); }
void VelmoListener::Pause(int paused) { gestures_.Pause(paused); }
int VelmoListener::isGestureFired(int g) const { return gestures_.isGestureFired(g); }
int VelmoListener::whichGestureIsFired() const { return gestures_.whichGestureIsFired(); }
int VelmoListener::isGestureEnabled(int g) const { return gestures_.isGestureEnabled(g); }
int VelmoListener::whichActionIsEnabled(int g) const { return gestures_.whichActionIsEnabled(g); }
int VelmoListener::isGestureCircleEnabled(int c) const { return gestures_.isGestureCircleEnabled(c); }
int VelmoListener::whichWheelActionIsEnabled(int c) const {
  return gestures_.whichWheelActionIsEnabled(c);
}
int VelmoListener::isLeftPressed() const { return gestures_.isLeftPressed(); }
int VelmoListener::isRightPressed() const { return gestures_.isRightPressed(); }
int VelmoListener::isMiddlePressed() const { return gestures_.isMiddlePressed(); }
int VelmoListener::isKeyPressed() const { return gestures_.isKeyPressed(); }
int VelmoListener::isWheelMoving() const { return gestures_.isWheelMoving(); }
int VelmoListener::isFist() const { return gestures_.isFist(); }
int VelmoListener::isRelative() const { return gestures_.isRelative(); }
int VelmoListener::GetControllerPos() const { return gestures_.GetControllerPos(); }
int VelmoListener::getDoubleClickTime() const { return gestures_.getDoubleClickTime(); }
int VelmoListener::IsSendingStats() const { return gestures_.IsSendingStats(); }
int VelmoListener::IsAlternativeMousePointer() const {
  return gestures_.IsAlternativeMousePointer();
}
bool VelmoListener::isAudioFxEnabled() const { return gestures_.isAudioFxEnabled(); }
bool VelmoListener::isAudioFxBorderEnabled() const { return gestures_.isAudioFxBorderEnabled(); }
bool VelmoListener::isGraphicFxEnabled() const { return gestures_.isGraphicFxEnabled(); }
void VelmoListener::GetNormalizedHandPos(float* x, float* y) const {
  gestures_.GetNormalizedHandPos(x, y);
}
int VelmoListener::getWidthOfScreen() const { return gestures_.getWidthOfScreen(); }
int VelmoListener::getHeightOfScreen() const { return gestures_.getHeightOfScreen(); }

void VelmoListener::SetInteractiveTutorial(int on) { gestures_.SetInteractiveTutorial(on); }
int VelmoListener::isInteractiveTutorial() const { return gestures_.isInteractiveTutorial(); }
int VelmoListener::getNetworkMode() const { return gestures_.getNetworkMode(); }
void VelmoListener::setNetworkMode(int mode) { gestures_.setNetworkMode(mode); }
void VelmoListener::setSinkFactory(EngineSink::Factory factory) {
  gestures_.setSinkFactory(std::move(factory));
}

void VelmoListener::setMouseParam(bool deferred) {
  if (deferred) {
    pendingMouseParam_.store(true);
  } else {
    gestures_.setMouseParam();
  }
}

void VelmoListener::sendParams() { gestures_.sendParams(); }

void VelmoListener::sendAudioGraphicParam() { gestures_.sendAudioGraphicParam(); }

void VelmoListener::relayDestination(int* port, int ip[4]) const {
  const WorkingSettings s = gestures_.settings();
  *port = s.destinationPort;
  for (int k = 0; k < 4; ++k) ip[k] = s.destinationIp[k];
}
