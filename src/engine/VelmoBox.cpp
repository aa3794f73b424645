#include "VelmoBox.h"

namespace {

// (p - min) in double from the float bound, rounded to float, divided in float by the extent.
double normalizeAxis(double p, float lo, float hi) {
  const float extent = hi - lo;
  // Only reachable before any capture: the centre of a box not yet known.
  if (!(extent > 0.0f)) return 0.5;
  const float d = static_cast<float>(p - static_cast<double>(lo));
  return static_cast<double>(d / extent);
}

}  // namespace

VelmoBox::VelmoBox() = default;

VelmoBox::~VelmoBox() = default;

void VelmoBox::SetInteractionBox(genericBox box, bool refresh) {
  if (!refresh && centerY_ != 0.0f) return;
  // Written so that NaN sizes are refused too.
  if (!(box.width > 0.0f) || !(box.height > 0.0f) || !(box.depth > 0.0f)) return;
  captured_ = 1;
  box_ = box;
  centerY_ = box.y;
  xMin_ = box.x - box.width * 0.5f;
  xMax_ = box.x + box.width * 0.5f;
  yMin_ = box.y - box.height * 0.5f;
  yMax_ = box.y + box.height * 0.5f;
  zMin_ = box.z - box.depth * 0.5f;
  zMax_ = box.z + box.depth * 0.5f;
}

genericVector VelmoBox::normalizePoint(genericVector p) const {
  genericVector r;
  r.x = normalizeAxis(p.x, xMin_, xMax_);
  r.y = normalizeAxis(p.y, yMin_, yMax_);
  r.z = normalizeAxis(p.z, zMin_, zMax_);
  return r;
}

float VelmoBox::width() const { return captured_ ? box_.width : sdkBox_.width(); }
float VelmoBox::height() const { return captured_ ? box_.height : sdkBox_.height(); }
float VelmoBox::depth() const { return captured_ ? box_.depth : sdkBox_.depth(); }
