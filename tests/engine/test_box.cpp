#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "VelmoBox.h"

namespace {

genericBox makeBox(float x, float y, float z, float w, float h, float d) {
  genericBox b;
  b.x = x;
  b.y = y;
  b.z = z;
  b.width = w;
  b.height = h;
  b.depth = d;
  return b;
}

genericVector point(double x, double y, double z) {
  genericVector p;
  p.x = x;
  p.y = y;
  p.z = z;
  return p;
}

TEST(VelmoBox, SizesComeFromTheTrackersDefaultBoxUntilCaptured) {
  VelmoBox box;
  const Leap::InteractionBox def;
  EXPECT_EQ(box.width(), def.width());
  EXPECT_EQ(box.height(), def.height());
  EXPECT_EQ(box.depth(), def.depth());
  EXPECT_GT(box.width(), 0.0f);
  box.SetInteractionBox(makeBox(0, 200, 0, 80, 90, 70), false);
  EXPECT_FLOAT_EQ(box.width(), 80.0f);
  EXPECT_FLOAT_EQ(box.height(), 90.0f);
  EXPECT_FLOAT_EQ(box.depth(), 70.0f);
}

TEST(VelmoBox, BoundsAndNormalisationFollowTheCapturedBox) {
  VelmoBox box;
  box.SetInteractionBox(makeBox(0, 200, 0, 200, 150, 100), false);
  EXPECT_FLOAT_EQ(box.width(), 200.0f);
  EXPECT_FLOAT_EQ(box.height(), 150.0f);
  EXPECT_FLOAT_EQ(box.depth(), 100.0f);

  genericVector c = box.normalizePoint(point(0, 200, 0));
  EXPECT_DOUBLE_EQ(c.x, 0.5);
  EXPECT_DOUBLE_EQ(c.y, 0.5);
  EXPECT_DOUBLE_EQ(c.z, 0.5);

  // Outside the box the values are not clamped.
  genericVector o = box.normalizePoint(point(150, 100, 60));
  EXPECT_DOUBLE_EQ(o.x, 1.25);
  EXPECT_NEAR(o.y, -0.1667, 1e-4);
  EXPECT_DOUBLE_EQ(o.y, static_cast<double>(-25.0f / 150.0f));  // float quotient, widened
  EXPECT_NEAR(o.z, 1.1, 1e-6);
  EXPECT_DOUBLE_EQ(o.z, static_cast<double>(110.0f / 100.0f));

  // Corners map to 0 and 1.
  genericVector lo = box.normalizePoint(point(-100, 125, -50));
  genericVector hi = box.normalizePoint(point(100, 275, 50));
  EXPECT_DOUBLE_EQ(lo.x, 0.0);
  EXPECT_DOUBLE_EQ(lo.y, 0.0);
  EXPECT_DOUBLE_EQ(lo.z, 0.0);
  EXPECT_DOUBLE_EQ(hi.x, 1.0);
  EXPECT_DOUBLE_EQ(hi.y, 1.0);
  EXPECT_DOUBLE_EQ(hi.z, 1.0);
}

TEST(VelmoBox, NormalisationRoundsTheDifferenceToFloat) {
  VelmoBox box;
  box.SetInteractionBox(makeBox(0, 200, 0, 300, 300, 300), true);
  // A coordinate finer than float resolution collapses to the float difference.
  const double px = 1.0 / 3.0;
  genericVector r = box.normalizePoint(point(px, 200, 0));
  const float d = static_cast<float>(px - static_cast<double>(-150.0f));
  EXPECT_EQ(r.x, static_cast<double>(d / 300.0f));
  EXPECT_NE(r.x, (px + 150.0) / 300.0);
}

TEST(VelmoBox, OnlyRefreshReplacesACapturedBox) {
  VelmoBox box;
  box.SetInteractionBox(makeBox(0, 200, 0, 200, 150, 100), false);
  box.SetInteractionBox(makeBox(50, 300, 10, 400, 300, 200), false);
  EXPECT_FLOAT_EQ(box.width(), 200.0f);
  EXPECT_DOUBLE_EQ(box.normalizePoint(point(0, 200, 0)).x, 0.5);

  box.SetInteractionBox(makeBox(50, 300, 10, 400, 300, 200), true);
  EXPECT_FLOAT_EQ(box.width(), 400.0f);
  EXPECT_FLOAT_EQ(box.height(), 300.0f);
  EXPECT_FLOAT_EQ(box.depth(), 200.0f);
  genericVector c = box.normalizePoint(point(50, 300, 10));
  EXPECT_DOUBLE_EQ(c.x, 0.5);
  EXPECT_DOUBLE_EQ(c.y, 0.5);
  EXPECT_DOUBLE_EQ(c.z, 0.5);
}

TEST(VelmoBox, ABoxCentredAtHeightZeroCountsAsNotCaptured) {
  VelmoBox box;
  box.SetInteractionBox(makeBox(0, 0, 0, 100, 100, 100), false);
  EXPECT_FLOAT_EQ(box.width(), 100.0f);
  // Without refresh the next box still captures.
  box.SetInteractionBox(makeBox(0, 200, 0, 250, 100, 100), false);
  EXPECT_FLOAT_EQ(box.width(), 250.0f);
  box.SetInteractionBox(makeBox(0, 100, 0, 120, 100, 100), false);
  EXPECT_FLOAT_EQ(box.width(), 250.0f);
}

TEST(VelmoBox, ABoxWithoutVolumeIsRefused) {
  VelmoBox box;
  const float nan = std::numeric_limits<float>::quiet_NaN();
  // Nothing captured yet: a flat box is refused and normalisation stays finite.
  box.SetInteractionBox(makeBox(0, 200, 0, 0, 150, 100), false);
  genericVector r = box.normalizePoint(point(10, 20, 30));
  EXPECT_TRUE(std::isfinite(r.x) && std::isfinite(r.y) && std::isfinite(r.z));

  box.SetInteractionBox(makeBox(0, 200, 0, 200, 150, 100), false);
  for (const genericBox& bad :
       {makeBox(0, 300, 0, 0, 150, 100), makeBox(0, 300, 0, 200, -1, 100),
        makeBox(0, 300, 0, 200, 150, 0), makeBox(0, 300, 0, nan, 150, 100)}) {
    box.SetInteractionBox(bad, true);
    EXPECT_FLOAT_EQ(box.width(), 200.0f);
    EXPECT_FLOAT_EQ(box.height(), 150.0f);
    EXPECT_FLOAT_EQ(box.depth(), 100.0f);
    EXPECT_DOUBLE_EQ(box.normalizePoint(point(0, 200, 0)).y, 0.5);
  }
}

}  // namespace
