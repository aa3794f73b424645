// What the tray window and the tutorial ask of the engine and tell it (GUI thread).
#include "VelmoGestures.h"

namespace {

bool inRange(int v, int lo, int hi) { return v >= lo && v <= hi; }

}  // namespace

int VelmoGestures::isGestureEnabled(int g) const {
  return whichActionIsEnabled(g) != 0 ? 1 : 0;
}

int VelmoGestures::whichActionIsEnabled(int g) const {
  if (!inRange(g, ThumbFore, ThumbPinky)) return 0;
  return settings().pinchAction[g];
}

int VelmoGestures::isGestureCircleEnabled(int c) const {
  return whichWheelActionIsEnabled(c) != 0 ? 1 : 0;
}

int VelmoGestures::whichWheelActionIsEnabled(int c) const {
  if (!inRange(c, CircleClockwise, CircleCounterClockwise)) return 0;
  return settings().circleAction[c];
}

int VelmoGestures::isRelative() const { return settings().cursorMovement; }

int VelmoGestures::GetControllerPos() const { return settings().controllerPos; }

int VelmoGestures::getDoubleClickTime() const { return settings().doubleClickTime; }

int VelmoGestures::IsSendingStats() const { return settings().sendStats; }

int VelmoGestures::IsAlternativeMousePointer() const { return settings().alternativeMouseCursor; }

bool VelmoGestures::isAudioFxEnabled() const { return audioFxPtr()->load(); }

bool VelmoGestures::isAudioFxBorderEnabled() const { return audioFxBorderPtr()->load(); }

bool VelmoGestures::isGraphicFxEnabled() const { return graphicFxPtr()->load(); }

namespace {

void spaceOf(EngineSink* sink, int* width, int* height) {
  *width = *height = 0;
  if (sink != nullptr) sink->pointerSpace(width, height);
}

}  // namespace

int VelmoGestures::getWidthOfScreen() const {
  int w, h;
  spaceOf(sink_.load(), &w, &h);
  return w;
}

int VelmoGestures::getHeightOfScreen() const {
  int w, h;
  spaceOf(sink_.load(), &w, &h);
  return h;
}

void VelmoGestures::GetNormalizedHandPos(float* x, float* y) const {
  float outX = 0.0f;
  float outY = 0.0f;
  float prevX = -1.0f;
  float prevY = -1.0f;
  getPointerState(&outX, &outY, &prevX, &prevY);
  int w, h;
  spaceOf(sink_.load(), &w, &h);
  float nx = 0.0f;
  float ny = 0.0f;
  // No screen size yet (a destination that has not told its size): no position, and no division
  // by zero.
  if (w > 0 && h > 0) {
    if (isRelative() == 0) {
      nx = outX / static_cast<float>(w);
      ny = 1.0f - outY / static_cast<float>(h);
    } else if (prevX != -1.0f && prevY != -1.0f) {
      // The last step, unflipped.
      nx = outX / static_cast<float>(w);
      ny = outY / static_cast<float>(h);
    }
  }
  if (x != nullptr) *x = nx;
  if (y != nullptr) *y = ny;
}

float VelmoGestures::autoPointerScaleFactor(int, int height) {
  // The quotient in single precision, the sum in double, as the gain has always been computed.
  const float part = static_cast<float>(height - 32) / -2128.0f;
  double s = static_cast<double>(part) + 1.6;
  if (s < 1.0) s = 1.0;
  return static_cast<float>(s);
}

void VelmoGestures::AutoScalePointerFactor(int width, int height) {
  setHandMotionScaleFactorBoth(autoPointerScaleFactor(width, height));
}

int VelmoGestures::getNetworkMode() const { return networkModePtr()->load(); }

void VelmoGestures::setNetworkMode(int mode) {
  if (mode < 0 || mode > 2) return;
  updateSettings([mode](WorkingSettings& s) { s.networkMode = mode; });
}

void VelmoGestures::setMouseParam() {
  EngineSink* sink = sink_.load();
  if (sink == nullptr) return;
  const WorkingSettings s = settings();
  sink->setParam(s.doubleClickTime, s.wheelScaleFactor, s.cursorMovement, s.alternativeMouseCursor,
                 s.onlyPrimaryDisplay ? 1 : 0);
}

void VelmoGestures::sendParams() {
  if (EngineSink* sink = sink_.load()) sink->announceSource();
}

void VelmoGestures::sendAudioGraphicParam() {
  if (EngineSink* sink = sink_.load())
    sink->sendAudioGraphicParam(isAudioFxEnabled(), isAudioFxBorderEnabled(), isGraphicFxEnabled());
}
