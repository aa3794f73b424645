#pragma once

#include "Leap.h"
#include "genericTypes.h"

// The box of space above the controller that the pointer maps onto the screen. It holds the box
// it last captured, so the mapping does not follow the tracker's own frame-to-frame adjustments.
// Used on the tracking thread only.
class VelmoBox {
 public:
  VelmoBox();
  ~VelmoBox();
  VelmoBox(const VelmoBox&) = delete;
  VelmoBox& operator=(const VelmoBox&) = delete;

  // Captures the box when refresh is set or nothing is captured yet. A box without volume is
  // refused (the previous one stays) so that normalisation never divides by zero.
  void SetInteractionBox(genericBox box, bool refresh);
  // The point in box coordinates (0..1 inside the box, unclamped).
  genericVector normalizePoint(genericVector p) const;

  // The captured box's sizes; before the first capture those of the tracker's default box.
  float width() const;
  float height() const;
  float depth() const;

 private:
  float centerY_ = 0.0f;  // 0.0 means nothing captured
  float xMin_ = 0.0f, xMax_ = 0.0f;
  float yMin_ = 0.0f, yMax_ = 0.0f;
  float zMin_ = 0.0f, zMax_ = 0.0f;
  Leap::InteractionBox sdkBox_;  // the tracker's default box, never assigned
  genericBox box_;
  int captured_ = 0;
};
