// Adaptive pinch thresholds: start values, learning the range, implausible samples, the sampling
// gate and the reset. The frames here are fists so that no pinch check (and its start-up rule)
// touches the thresholds being learned.

#include <QCoreApplication>
#include <cmath>

#include "test_recogniser_harness.h"

using rig::openHand;
using rig::setPalm;
using rig::SourceRig;

namespace {

handTrackingData calibration(float d0, float d1 = 60.0f, float d2 = 60.0f, float d3 = 60.0f) {
  auto h = openHand();
  h.fist = 1;
  h.translationProbability = 0.0f;
  const float d[4] = {d0, d1, d2, d3};
  for (int f = 0; f < 4; ++f) h.thumbTipDistance[f] = d[f];
  return h;
}

TEST(StartThreshold, FromTheIndexBoneLengthsOrFixedWithoutFingers) {
  SourceRig r;
  auto h = calibration(80.0f);
  h.boneLengths[0][0] = 21.0f;  // only the index finger's bones count
  h.boneLengths[1][0] = 27.5f;
  r.frame(h);
  for (int f = 0; f < 4; ++f) {
    EXPECT_FLOAT_EQ(r.g.pinches().distanceThreshold(f), 48.5f) << f;
    EXPECT_FLOAT_EQ(r.g.pinches().sideDistanceThreshold(1, f), 48.5f) << f;
  }
  EXPECT_FLOAT_EQ(r.g.pinches().minDistance(0), 80.0f);
  EXPECT_FLOAT_EQ(r.g.pinches().maxDistance(0), 80.0f);

  // A left hand first seen with no extended finger.
  auto left = calibration(80.0f);
  left.isRight = 0;
  left.extendedCount = 0;
  r.frame(left);
  const float fixed[4] = {60.0f, 50.0f, 50.0f, 50.0f};
  for (int f = 0; f < 4; ++f) {
    EXPECT_FLOAT_EQ(r.g.pinches().distanceThreshold(f), fixed[f]) << f;
    EXPECT_FLOAT_EQ(r.g.pinches().sideDistanceThreshold(0, f), fixed[f]) << f;
    EXPECT_FLOAT_EQ(r.g.pinches().sideDistanceThreshold(1, f), 48.5f) << f;
  }
}

TEST(Learning, TheThresholdSitsAtTheFractionOfTheRange) {
  SourceRig r;
  r.frame(calibration(40.0f));
  EXPECT_FLOAT_EQ(r.g.pinches().minDistance(0), 40.0f);
  EXPECT_FLOAT_EQ(r.g.pinches().maxDistance(0), 40.0f);
  EXPECT_FLOAT_EQ(r.g.pinches().distanceThreshold(0), 47.0f);  // the range is still closed

  r.frame(calibration(20.0f));
  EXPECT_FLOAT_EQ(r.g.pinches().minDistance(0), 20.0f);
  EXPECT_FLOAT_EQ(r.g.pinches().distanceThreshold(0), 27.0f);  // 20 + 20 x 0.35
  EXPECT_FLOAT_EQ(r.g.pinches().sideDistanceThreshold(1, 0), 27.0f);
  EXPECT_FLOAT_EQ(r.g.pinches().meanDistance(0), 30.0f);
  EXPECT_FLOAT_EQ(r.g.pinches().stdDistance(0), 10.0f);

  r.frame(calibration(60.0f));  // new maximum
  EXPECT_FLOAT_EQ(r.g.pinches().maxDistance(0), 60.0f);
  EXPECT_FLOAT_EQ(r.g.pinches().distanceThreshold(0), 34.0f);  // 20 + 40 x 0.35

  // The middle pinch learns with its own fraction.
  r.frame(calibration(20.0f, 30.0f));
  EXPECT_FLOAT_EQ(r.g.pinches().distanceThreshold(1), 37.5f);  // 30 + 30 x 0.25
  EXPECT_FLOAT_EQ(r.g.pinches().distanceThreshold(2), 47.0f);
}

TEST(Learning, ANarrowRangeLeavesTheThreshold) {
  SourceRig r;
  r.frame(calibration(40.0f));
  r.frame(calibration(37.0f));  // 0.9 x 40 = 36 is not above 37
  EXPECT_FLOAT_EQ(r.g.pinches().minDistance(0), 37.0f);
  EXPECT_FLOAT_EQ(r.g.pinches().distanceThreshold(0), 47.0f);
  r.frame(calibration(35.0f));
  EXPECT_FLOAT_EQ(r.g.pinches().distanceThreshold(0), 36.75f);  // 35 + 5 x 0.35
}

TEST(Learning, ZeroIsNeverAnExtreme) {
  SourceRig r;
  r.frame(calibration(40.0f));
  r.frame(calibration(50.0f));
  r.frame(calibration(0.0f));
  EXPECT_FLOAT_EQ(r.g.pinches().minDistance(0), 40.0f);
  EXPECT_FLOAT_EQ(r.g.pinches().maxDistance(0), 50.0f);
  EXPECT_FLOAT_EQ(r.g.pinches().currentDistance(0), 0.0f);
  EXPECT_EQ(r.g.pinches().distanceHistory(0).size(), 3u);
}

TEST(ImplausibleSamples, RepeatTheNewestSample) {
  SourceRig r;
  r.frame(calibration(260.0f));  // nothing to repeat yet
  EXPECT_EQ(r.g.pinches().distanceHistory(0).size(), 0u);
  EXPECT_FLOAT_EQ(r.g.pinches().currentDistance(0), 260.0f);

  SourceRig s;
  for (int i = 0; i < 5; ++i) s.frame(calibration(40.0f + i));
  s.frame(calibration(250.0f));
  ASSERT_EQ(s.g.pinches().distanceHistory(0).size(), 6u);
  EXPECT_FLOAT_EQ(s.g.pinches().distanceHistory(0).back(), 44.0f);
  EXPECT_FLOAT_EQ(s.g.pinches().currentDistance(0), 250.0f);
  EXPECT_FLOAT_EQ(s.g.pinches().maxDistance(0), 44.0f);  // an outlier far above the mean
  // The other pinches allow 300 mm.
  s.frame(calibration(40.0f, 299.0f));
  EXPECT_FLOAT_EQ(s.g.pinches().distanceHistory(1).back(), 299.0f);
}

TEST(SamplingGate, AFastMovingHandIsNotSampled) {
  SourceRig r;
  auto h = calibration(40.0f);
  setPalm(&h, -85, 200, 0);  // pointer at x 0
  for (int i = 0; i < 5; ++i) r.frame(h);
  const size_t before = r.g.pinches().distanceHistory(0).size();

  auto jump = calibration(20.0f, 30.0f);
  setPalm(&jump, -31.5, 200, 0);  // pointer at x 303: 303 px over the window
  r.frame(jump);
  EXPECT_GT(r.g.handMovement(), 300.0f);
  for (int f = 0; f < 4; ++f) EXPECT_EQ(r.g.pinches().distanceHistory(f).size(), before) << f;
  EXPECT_FLOAT_EQ(r.g.pinches().currentDistance(0), 40.0f);
  EXPECT_FLOAT_EQ(r.g.pinches().minDistance(0), 40.0f);

  // Once the palm has come back within reach it is sampled again.
  auto slow = calibration(20.0f);
  setPalm(&slow, -55, 200, 0);  // 156 px from where the window starts
  r.frame(slow);
  EXPECT_LE(r.g.handMovement(), 300.0f);
  EXPECT_EQ(r.g.pinches().distanceHistory(0).size(), before + 1);
  EXPECT_FLOAT_EQ(r.g.pinches().minDistance(0), 20.0f);
}

// An extreme far from the recent mean (in standard deviations) sets the side's other pinches back
// to their start values; the pinch that noticed it keeps its own range.
TEST(Reset, StaleExtremesRestartTheOtherPinches) {
  SourceRig r;
  r.frame(calibration(50.0f));  // first frame: start threshold 47 everywhere
  int resetFrame = -1;
  for (int i = 0; i < 3000 && resetFrame < 0; ++i) {
    const float mean = r.g.pinches().meanDistance(0);
    const float sd = r.g.pinches().stdDistance(0);
    const float t = 6.0f * sd;
    const bool expected = std::fabs(r.g.pinches().maxDistance(0) - mean) > t ||
                          std::fabs(r.g.pinches().minDistance(0) - mean) > t;
    auto h = calibration(i % 2 == 0 ? 28.0f : 32.0f);
    h.extendedCount = 0;  // a reset then restarts at 60, 50, 50, 50
    r.frame(h);
    const bool happened = r.g.pinches().distanceThreshold(1) == 50.0f;
    ASSERT_EQ(happened, expected) << "frame " << i << " mean " << mean << " std " << sd;
    if (happened) resetFrame = i;
  }
  ASSERT_GT(resetFrame, 10);
  for (int f = 1; f < 4; ++f) {
    EXPECT_FLOAT_EQ(r.g.pinches().distanceThreshold(f), 50.0f) << f;
    EXPECT_FLOAT_EQ(r.g.pinches().minDistance(f), 60.0f) << f;  // learned again from this frame's sample
  }
  EXPECT_FLOAT_EQ(r.g.pinches().minDistance(0), 28.0f);
  EXPECT_FLOAT_EQ(r.g.pinches().maxDistance(0), 50.0f);
  EXPECT_FLOAT_EQ(r.g.pinches().distanceThreshold(0), 35.7f);  // 28 + 22 x 0.35
}

TEST(Sides, SwitchingHandsDoesNotReloadTheWorkingTables) {
  SourceRig r;
  r.frame(calibration(40.0f));
  r.frame(calibration(20.0f));
  EXPECT_FLOAT_EQ(r.g.pinches().sideDistanceThreshold(1, 0), 27.0f);
  auto left = calibration(40.0f);
  left.isRight = 0;
  r.frame(left);  // the left side's first frame loads its start values
  EXPECT_FLOAT_EQ(r.g.pinches().distanceThreshold(0), 47.0f);
  EXPECT_FLOAT_EQ(r.g.pinches().sideDistanceThreshold(1, 0), 27.0f);
  r.frame(calibration(40.0f));  // back to the right hand: what is in view is stored for it
  EXPECT_FLOAT_EQ(r.g.pinches().distanceThreshold(0), 47.0f);
  EXPECT_FLOAT_EQ(r.g.pinches().sideDistanceThreshold(1, 0), 47.0f);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
