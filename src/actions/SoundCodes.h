#pragma once

// The sounds the devices and the action manager ask for, carried as int by their playEffect,
// fistDetected and screenBorderReached signals; the tray plays them.
enum audioEffects : int {
  FxButtonPressed = 0,
  FxButtonReleased = 1,
  FxKeyPressed = 2,
  FxKeyReleased = 3,
  FxFistDetected = 4,
  FxBorderReached = 5,
  FxBorderLeft = 6,  // stops the FxBorderReached sound
  FxWheelForward = 7,
  FxWheelDownward = 8,
};
