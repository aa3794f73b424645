#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <deque>
#include <limits>

#include "SampleHistory.h"
#include "VelmoGestures.h"

namespace {

using H = std::deque<float>;

TEST(DistanceMovement, WindowAndClampedIndices) {
  const H h{1, 2, 4, 7};
  EXPECT_FLOAT_EQ(GetDistanceMovement(h, 2, 3), 5.0f);
  EXPECT_FLOAT_EQ(GetDistanceMovement(h, 2, -1), 0.0f);   // i = j = 0
  EXPECT_FLOAT_EQ(GetDistanceMovement(h, 2, 99), 5.0f);   // reads position 3
  EXPECT_FLOAT_EQ(GetDistanceMovement(h, 10, 3), 6.0f);   // j raised to 0
  EXPECT_FLOAT_EQ(GetDistanceMovement(h, -5, 0), 6.0f);   // j lowered to n - 1
  EXPECT_FLOAT_EQ(GetDistanceMovement(h, 1, 2), 2.0f);
  EXPECT_FLOAT_EQ(GetDistanceMovement(h, INT_MIN, INT_MAX), 0.0f);
  EXPECT_FLOAT_EQ(GetDistanceMovement(h, INT_MAX, INT_MIN), 0.0f);
  EXPECT_FLOAT_EQ(GetDistanceMovement(H{}, 2, 0), -1.0f);
  const H falling{9, 3};
  EXPECT_FLOAT_EQ(GetDistanceMovement(falling, 1, 1), 6.0f);  // absolute value
}

TEST(ObjectMovement, EuclideanAcrossTheWindow) {
  EXPECT_FLOAT_EQ(GetObjectMovement(H{0, 3}, H{0, 4}, 1, 1), 5.0f);
  EXPECT_FLOAT_EQ(GetObjectMovement(H{0, 3}, H{0, 4}, 1, 0), 0.0f);
  EXPECT_FLOAT_EQ(GetObjectMovement(H{0, 3, 6}, H{0, 4, 8}, 5, 7), 10.0f);
  EXPECT_FLOAT_EQ(GetObjectMovement(H{}, H{}, 1, 1), 0.0f);
  // Histories out of step never lead to a read past the shorter one.
  EXPECT_FLOAT_EQ(GetObjectMovement(H{0, 3, 100}, H{0, 4}, 1, 2), 5.0f);
  EXPECT_FLOAT_EQ(GetObjectMovement(H{0, 3}, H{}, 1, 1), 0.0f);
}

TEST(IsMonotonic, FallingRunOverTheWholeWindow) {
  // e = 2 (0.02 s at 100 fps).
  const H h{10, 9, 8, 8, 7, 3};
  int run = -7;
  float change = -1;
  const float v = IsMonotonic(h, 0.02f, &run, nullptr, 100.0f, 1, &change);
  EXPECT_EQ(run, 4);
  EXPECT_FLOAT_EQ(change, 6.0f);
  EXPECT_FLOAT_EQ(v, 6.0f / 0.02f);
}

TEST(IsMonotonic, RisingRunEndedByAFall) {
  const H h{5, 4, 6};
  int run = -7;
  float change = -1;
  // e = 6 at 90 fps over 0.075 s; the run is the single step 4 -> 6.
  float v = IsMonotonic(h, 0.075f, &run, nullptr, 90.0f, 0, &change);
  EXPECT_EQ(run, 1);
  EXPECT_FLOAT_EQ(change, 2.0f);
  EXPECT_FLOAT_EQ(v, 2.0f * 90.0f);
  // Falling on the same history: the newest step rises, so there is no run.
  v = IsMonotonic(h, 0.075f, &run, nullptr, 90.0f, 1, &change);
  EXPECT_EQ(run, 0);
  EXPECT_FLOAT_EQ(change, 0.0f);
  EXPECT_FLOAT_EQ(v, -1.0f);
}

TEST(IsMonotonic, WindowLengthTruncatesTheFloatProduct) {
  // A rising history of 12 samples: at 90 fps e = 6 (6.75 truncated), at 100 fps e = 7.
  H h;
  for (int i = 0; i < 12; ++i) h.push_back(static_cast<float>(i * 2));
  int run = 0;
  float change = 0;
  float v = IsMonotonic(h, 0.075f, &run, nullptr, 90.0f, 0, &change);
  EXPECT_EQ(run, 8);  // e + 2 steps
  EXPECT_FLOAT_EQ(change, 16.0f);
  EXPECT_FLOAT_EQ(v, 16.0f / 0.075f);  // divided by the nominal span
  v = IsMonotonic(h, 0.075f, &run, nullptr, 100.0f, 0, &change);
  EXPECT_EQ(run, 9);
  EXPECT_FLOAT_EQ(v, 18.0f / 0.075f);
  // A product below 1 still looks at one step.
  v = IsMonotonic(h, 0.001f, &run, nullptr, 90.0f, 0, &change);
  EXPECT_EQ(run, 3);
  EXPECT_FLOAT_EQ(v, 6.0f / 0.001f);
}

TEST(IsMonotonic, ShortFallingRunHasNoSpeedButAShortRisingRunHas) {
  // e = 6; a falling run of 3 steps is too short.
  const H down{1, 9, 8, 7, 6};
  int run = 0;
  float change = 0;
  EXPECT_FLOAT_EQ(IsMonotonic(down, 0.075f, &run, nullptr, 90.0f, 1, &change), -1.0f);
  EXPECT_EQ(run, 3);
  EXPECT_FLOAT_EQ(change, 3.0f);
  const H up{9, 1, 2, 3, 4};
  EXPECT_FLOAT_EQ(IsMonotonic(up, 0.075f, &run, nullptr, 90.0f, 0, &change), 1.0f * 90.0f);
  EXPECT_EQ(run, 3);
  EXPECT_FLOAT_EQ(change, 3.0f);
  // Equal neighbours continue a run in both directions.
  const H flat{4, 4, 4, 4, 4, 4, 4, 4, 4};
  EXPECT_FLOAT_EQ(IsMonotonic(flat, 0.075f, &run, nullptr, 90.0f, 1, &change), 0.0f);
  EXPECT_EQ(run, 8);
  EXPECT_FLOAT_EQ(change, 0.0f);
}

TEST(IsMonotonic, EmptyAndSingleSampleHistories) {
  int run = 42;
  float change = 5;
  EXPECT_FLOAT_EQ(IsMonotonic(H{}, 0.075f, &run, nullptr, 90.0f, 0, &change), -1.0f);
  EXPECT_EQ(run, 42);  // not written
  EXPECT_FLOAT_EQ(change, 0.0f);
  EXPECT_FLOAT_EQ(IsMonotonic(H{}, 0.075f, &run, nullptr, 90.0f, 0, nullptr), -1.0f);
  for (int dir : {0, 1}) {
    EXPECT_FLOAT_EQ(IsMonotonic(H{3}, 0.075f, &run, nullptr, 90.0f, dir, &change), -1.0f);
    EXPECT_EQ(run, 0);
  }
  // change may be null; unmeasured or absurd frame rates stay inside the history.
  const H h{1, 2, 3};
  EXPECT_FLOAT_EQ(IsMonotonic(h, 0.075f, &run, nullptr, 90.0f, 0, nullptr), 1.0f * 90.0f);
  IsMonotonic(h, 0.075f, &run, nullptr, -1.0f, 0, &change);
  EXPECT_EQ(run, 2);
  IsMonotonic(h, 1e30f, &run, nullptr, 1e30f, 1, &change);
  EXPECT_EQ(run, 0);
  IsMonotonic(h, std::numeric_limits<float>::quiet_NaN(), &run, nullptr, 90.0f, 0, &change);
  EXPECT_EQ(run, 2);
}

TEST(MeanStdDev, RunningSumsOverAFullWindow) {
  double sum = 0, sumSq = 0;
  float mean = -1, sd = -1;
  H h;
  const int limit = 4;
  const float samples[] = {2, 4, 4, 4, 5, 5, 7, 9};
  for (float s : samples) {
    h.push_back(s);
    while (static_cast<int>(h.size()) > limit) h.pop_front();
    MeanStdDev(h, &sum, &sumSq, &mean, &sd, static_cast<int>(h.size()) - 1, limit);
  }
  // Once the window is full each frame adds the newest sample and drops the front one, so the
  // sums cover the newest n - 1 samples of [5, 5, 7, 9] and are divided by n.
  EXPECT_DOUBLE_EQ(sum, 5.0 + 7.0 + 9.0);  // front 5 removed
  EXPECT_DOUBLE_EQ(sumSq, 25.0 + 49.0 + 81.0);
  EXPECT_FLOAT_EQ(mean, static_cast<float>(21.0 / 4));
  EXPECT_FLOAT_EQ(sd, static_cast<float>(std::sqrt(std::fabs(4 * 155.0 - 21.0 * 21.0))) / 4.0f);
}

TEST(MeanStdDev, BeforeTheWindowFillsItIsThePopulationStatistic) {
  double sum = 0, sumSq = 0;
  float mean = 0, sd = 0;
  H h;
  for (float s : {2.0f, 4.0f, 4.0f, 4.0f, 5.0f, 5.0f, 7.0f, 9.0f}) {
    h.push_back(s);
    MeanStdDev(h, &sum, &sumSq, &mean, &sd, static_cast<int>(h.size()) - 1, 100);
  }
  EXPECT_FLOAT_EQ(mean, 5.0f);
  EXPECT_FLOAT_EQ(sd, 2.0f);
}

TEST(MeanStdDev, EmptyHistoryAndClampedIndex) {
  double sum = 1.5, sumSq = 2.5;
  float mean = 3.5f, sd = 4.5f;
  MeanStdDev(H{}, &sum, &sumSq, &mean, &sd, 0, 10);
  EXPECT_EQ(sum, 1.5);
  EXPECT_EQ(sumSq, 2.5);
  EXPECT_EQ(mean, 3.5f);
  EXPECT_EQ(sd, 4.5f);
  sum = sumSq = 0;
  MeanStdDev(H{1, 3}, &sum, &sumSq, &mean, &sd, 99, 10);  // reads position 1
  EXPECT_EQ(sum, 3.0);
  EXPECT_EQ(sumSq, 9.0);
  EXPECT_FLOAT_EQ(mean, 1.5f);
  MeanStdDev(H{1, 3}, &sum, &sumSq, &mean, &sd, -4, 10);  // reads position 0
  EXPECT_EQ(sum, 4.0);
  EXPECT_EQ(sumSq, 10.0);
  EXPECT_FLOAT_EQ(mean, 2.0f);
  EXPECT_FLOAT_EQ(sd, 1.0f);  // sqrt(|2 * 10 - 4 * 4|) / 2
}

}  // namespace
