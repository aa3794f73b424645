#pragma once

#include <cmath>

#include "EngineView.h"

// The engine's query face with every answer set by the test.
struct ScriptedEngine : EngineView {
  handTrackingData hand;
  int fist = 0, relative = 0, controllerPos = 0;
  int actions[4] = {1, 2, 3, 4};  // pinch actions: left, right, middle, keyboard
  int wheelAction = 1;
  int fired[4] = {0, 0, 0, 0};
  int left = 0, right = 0, middle = 0, key = 0, wheel = 0;
  float nx = 0.5f, ny = 0.5f;

  ScriptedEngine() {
    hand.handsCount = 1;
    // An open hand: finger k's joints step out along x, the tips 40 apart.
    for (int i = 0; i < 15; ++i) {
      hand.boneCenter[i][0] = 40.0 * (i / 3) - 80;
      hand.boneCenter[i][1] = 20.0 * (i % 3);
      hand.boneCenter[i][2] = 0;
      hand.boneDirection[i][1] = 1;
    }
  }

  handTrackingData getHandData() const override { return hand; }
  int isFist() const override { return fist; }
  int isRelative() const override { return relative; }
  int GetControllerPos() const override { return controllerPos; }
  int isGestureEnabled(int g) const override { return g >= 0 && g < 4 && actions[g] != 0; }
  int isGestureCircleEnabled(int c) const override { return (c == 0 || c == 1) && wheelAction != 0; }
  int isGestureFired(int g) const override { return g >= 0 && g < 4 ? fired[g] : 0; }
  int whichGestureIsFired() const override {
    for (int g = 0; g < 4; ++g) {
      if (fired[g]) return g;
    }
    return -1;
  }
  int whichActionIsEnabled(int g) const override { return g >= 0 && g < 4 ? actions[g] : 0; }
  int whichWheelActionIsEnabled(int c) const override { return c == 0 || c == 1 ? wheelAction : 0; }
  int isLeftPressed() const override { return left; }
  int isRightPressed() const override { return right; }
  int isMiddlePressed() const override { return middle; }
  int isKeyPressed() const override { return key; }
  int isWheelMoving() const override { return wheel; }
  void GetNormalizedHandPos(float* x, float* y) const override {
    *x = nx;
    *y = ny;
  }
  // Puts the absolute-mode cursor at (cx, cy) on the virtual display.
  void pointAt(float cx, float cy) {
    nx = (cx + 600) / 1200;
    ny = (cy + 80) / 1000;
  }
};
