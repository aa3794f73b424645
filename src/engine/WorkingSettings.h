#pragma once

// Typed settings the recogniser reads. Filled from the parameter tables by decoding.
// Arrays of four are indexed by pinch: thumb with index, middle, ring, pinky.
struct WorkingSettings {
  // user parameters
  int controllerPos = 0;
  float handMotionScaleFactor = 1.25f;
  int doubleClickTime = 1000;
  int notifyClicks = 0;
  float wheelScaleFactor = 0.3f;
  int disableTutorial = 0;
  int moveAfterClickTime = 300;
  float clickPressP[4] = {0.35f, 0.25f, 0.3f, 0.3f};
  float clickReleaseP[4] = {0.85f, 0.85f, 1.0f, 1.0f};
  int autoStart = 0;
  int cursorMovement = 0;
  int autoHandMotionScaleFactor = 1;
  int sendStats = 1;
  int pause2Hands = 0;
  int alternativeMouseCursor = 0;
  int pinchAction[4] = {1, 2, 3, 4};
  int circleAction[2] = {1, 1};  // by circle direction
  float fistSensitivity = 0.5f;
  int keyboardAction[4] = {0, 0, 0, 0};
  int networkMode = 0;
  int destinationIp[4] = {0, 0, 0, 0};
  int destinationPort = 14155;
  bool enableAudioFx = true;
  bool enableAudioFxBorder = false;
  bool enableGraphicFx = true;
  bool onlyPrimaryDisplay = false;
  int cursorPos = 0;
  int cursorPosOffset = 0;

  // administrator parameters
  int enableLog = 0;
  float robustModeFrameRateTh = 0.75f;
  float optimalFrameRateTh = 90.0f;
  float minMaxDistanceRatioTh = 0.9f;
  float outlierStdDevTh = 6.0f;
  int distanceHistoryTime = 60;
  int clickHandMovementTh = 30;
  int handMovementTh = 40;
  int samplingHandMovementTh = 300;
  float fingerMovementTh = 5.0f;
  float deltaTimeHandMovementTh = 0.05f;
  float pointerHistoryTime = 0.5f;
  float monotonicTimeTh = 0.075f;
  float clickSpeedTh = 5.0f;
  float adminParam14 = 0.75f;
  float adminParam15 = 2.0f;
  float adminParam16 = 2.0f;
  float translationProbabilityTh = 0.5f;
  int minFingersNumber = 2;
  int clickMinFingersNumber = 2;
  float circleGestureStart = 0.0f;
  float maxDistance[4] = {250.0f, 300.0f, 300.0f, 300.0f};
  float guardFingerMovementTh = 10.0f;
  float adminParam26 = 0.0f;
};
