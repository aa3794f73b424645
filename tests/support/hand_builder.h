#pragma once
// Hand records for driving the recogniser frame by frame, without the tracking layer: an open right
// hand over a 200 mm box (x -100..100, y 100..300, z -100..100), its thumb well apart from every
// fingertip (no pinch), its distal bones 22 mm and middle bones 25 mm (a pinch starts below
// 22 + 25 = 47 mm).

#include "handTrackingData.h"

namespace hands {

inline void setPalm(handTrackingData* h, double x, double y, double z = 0.0) {
  h->stabilizedPalmPosition[0] = h->palmPosition[0] = x;
  h->stabilizedPalmPosition[1] = h->palmPosition[1] = y;
  h->stabilizedPalmPosition[2] = h->palmPosition[2] = z;
}

// The palm in the middle of the box unless told otherwise.
inline handTrackingData openHand(double x = 0.0, double y = 200.0, double z = 0.0) {
  handTrackingData h;
  h.handsCount = 1;
  h.fps = 100.0f;
  h.isRight = 1;
  h.extendedCount = 5;
  h.extendedCountStrict = 5;
  for (int i = 0; i < 5; ++i) h.extendedFingers[i] = h.extendedFingersStrict[i] = 1;
  h.interactionBox.x = 0.0f;
  h.interactionBox.y = 200.0f;
  h.interactionBox.z = 0.0f;
  h.interactionBox.width = 200.0f;
  h.interactionBox.height = 200.0f;
  h.interactionBox.depth = 200.0f;
  setPalm(&h, x, y, z);
  h.translationProbability = 1.0f;
  const float thumbTip[4] = {80.0f, 90.0f, 90.0f, 90.0f};
  const float palmTip[4] = {90.0f, 95.0f, 90.0f, 80.0f};
  for (int f = 0; f < 4; ++f) {
    h.thumbTipDistance[f] = thumbTip[f];
    h.palmTipDistance[f] = palmTip[f];
    h.boneLengths[0][f] = 22.0f;
    h.boneLengths[1][f] = 25.0f;
  }
  h.palmWidth = 80.0f;
  return h;
}

}  // namespace hands
