#pragma once

#include <cstdint>

#include "genericTypes.h"

// The per-frame hand record. Finger arrays of five are indexed by finger type (0 thumb .. 4 pinky);
// arrays of four run over index, middle, ring, pinky. Millimetres and radians.
struct handTrackingData {
  int32_t fingerIndex[5] = {0, 0, 0, 0, 0};
  // [0]: distal-bone lengths, [1]: intermediate-bone lengths of index..pinky. Carried by value so
  // that every copy of the record stays valid.
  float boneLengths[2][4] = {{0, 0, 0, 0}, {0, 0, 0, 0}};
  int32_t extendedFingers[5] = {0, 0, 0, 0, 0};
  float extensionValues[5] = {0, 0, 0, 0, 0};
  int32_t extendedFingersStrict[5] = {0, 0, 0, 0, 0};
  float extensionValuesStrict[5] = {0, 0, 0, 0, 0};
  int32_t extendedCount = 0;
  int32_t extendedCountStrict = 0;
  int32_t handsCount = 0;
  float fps = 0.0f;
  int32_t isRight = 0;
  int32_t timestamp = 0;
  int32_t fist = 0;
  int32_t circlePosture = 0;
  genericBox interactionBox;
  double stabilizedPalmPosition[3] = {0, 0, 0};
  double palmPosition[3] = {0, 0, 0};
  double palmPositionView[3] = {0, 0, 0};
  float translationProbability = 0.0f;
  float thumbTipDistance[4] = {0, 0, 0, 0};
  float palmTipDistance[4] = {0, 0, 0, 0};
  double boneCenter[15][3] = {};
  double boneDirection[15][3] = {};
  double yaw = 0.0;
  double pitch = 0.0;
  double roll = 0.0;
  bool interactionBoxAuto = false;
  float palmWidth = 0.0f;
};
