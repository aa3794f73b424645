// Frame pipeline: frame rate and history lengths, pointer mapping, relative steps, the move gate
// and the fist, observed as the decisions a recording sink writes down in source mode.

#include <QCoreApplication>
#include <cstdio>

#include "test_recogniser_harness.h"

using rig::openHand;
using rig::setPalm;
using rig::SourceRig;

namespace {

std::string move(int x, int y, int relative = 0) {
  return "MOUSEMOVE " + std::to_string(x) + " " + std::to_string(y) + " 0 " +
         std::to_string(relative);
}

// ---------------------------------------------------------------------------------------------
// Frame rate and history lengths

TEST(FrameRate, FirstFrameSetsTheOptimalRateAndHistoryLengths) {
  SourceRig r;
  auto h = openHand();
  h.translationProbability = 0.0f;  // no moves needed here
  r.frame(h);
  EXPECT_FLOAT_EQ(r.g.optimalFrameRate(), 90.0f);
  EXPECT_EQ(r.g.pointerHistoryLength(), 45);
  EXPECT_EQ(r.g.distanceHistoryLength(), 5400);
  EXPECT_EQ(r.g.movementWindow(), 4);
  EXPECT_EQ(r.g.IsConnected(), 1);

  h.fps = 200.0f;  // 180 is capped
  r.frame(h);
  EXPECT_FLOAT_EQ(r.g.optimalFrameRate(), 150.0f);
  EXPECT_EQ(r.g.pointerHistoryLength(), 75);
  EXPECT_EQ(r.g.distanceHistoryLength(), 9000);
  EXPECT_EQ(r.g.movementWindow(), 7);

  h.fps = 60.0f;  // a slower frame changes none of it
  r.frame(h);
  EXPECT_FLOAT_EQ(r.g.currentFrameRate(), 60.0f);
  EXPECT_FLOAT_EQ(r.g.maxFrameRate(), 200.0f);
  EXPECT_FLOAT_EQ(r.g.optimalFrameRate(), 150.0f);
  EXPECT_EQ(r.g.pointerHistoryLength(), 75);
  EXPECT_EQ(r.g.distanceHistoryLength(), 9000);
}

TEST(FrameRate, ASlowFirstFrameLowersTheSeed) {
  SourceRig r;
  auto h = openHand();
  h.fps = 60.0f;
  r.frame(h);
  EXPECT_FLOAT_EQ(r.g.optimalFrameRate(), 54.0f);
  EXPECT_EQ(r.g.pointerHistoryLength(), 27);
  EXPECT_EQ(r.g.distanceHistoryLength(), 3240);
}

TEST(FrameRate, RestoringDefaultsKeepsTheRunningRate) {
  SourceRig r;
  auto h = openHand();
  h.fps = 200.0f;
  r.frame(h);
  r.g.GetKeyboardActions()->clear();
  r.g.InitParameters();  // the options dialog's restore of defaults
  r.g.EncodeParameters();
  r.g.DecodeParameters(1);
  r.user(NetworkMode, 1);
  h.fps = 120.0f;
  r.frame(h);
  EXPECT_FLOAT_EQ(r.g.optimalFrameRate(), 150.0f);
  EXPECT_EQ(r.g.pointerHistoryLength(), 75);
  EXPECT_EQ(r.g.distanceHistoryLength(), 9000);
  EXPECT_FLOAT_EQ(r.g.GetAdminParam(OptimalFrameRateTh), 90.0f);
}

TEST(FrameRate, HistoriesStayAtTheirBounds) {
  SourceRig r;
  auto h = openHand();
  h.translationProbability = 0.0f;
  for (int i = 0; i < 5410; ++i) r.g.DetectGestures(h);
  EXPECT_EQ(r.g.pointer().pointerHistoryX().size(), 45u);
  EXPECT_EQ(r.g.pointer().pointerHistoryY().size(), 45u);
  for (int f = 0; f < 4; ++f) {
    EXPECT_EQ(r.g.pointer().palmTipHistory(f).size(), 45u);
    EXPECT_EQ(r.g.pinches().distanceHistory(f).size(), 5400u);
  }
}

// The engine's start-up puts the recogniser back to its start values; only there does
// OptimalFrameRateTh seed the running rate.
TEST(FrameRate, ResetStartsAfreshFromTheSeed) {
  SourceRig r;
  auto h = openHand();
  h.fps = 200.0f;
  h.fist = 1;
  r.frame(h);
  r.admin(OptimalFrameRateTh, 120.0f);
  EXPECT_FLOAT_EQ(r.g.optimalFrameRate(), 150.0f);
  r.g.ResetRecogniser();
  EXPECT_FLOAT_EQ(r.g.optimalFrameRate(), 120.0f);
  EXPECT_EQ(r.g.IsConnected(), 0);
  EXPECT_EQ(r.g.isFist(), 0);
  EXPECT_EQ(r.g.pointer().pointerHistoryX().size(), 0u);
  EXPECT_EQ(r.g.pinches().distanceHistory(0).size(), 0u);
  EXPECT_FLOAT_EQ(r.g.maxFrameRate(), -1.0f);
  float px, py;
  r.g.getPointerState(nullptr, nullptr, &px, &py);
  EXPECT_EQ(px, -1.0f);
  EXPECT_EQ(py, -1.0f);
  h.fps = 100.0f;  // a new maximum again
  r.frame(h);
  EXPECT_FLOAT_EQ(r.g.optimalFrameRate(), 90.0f);
}

TEST(Pause, TwoHandsWithPause2HandsStopsEverything) {
  SourceRig r;
  r.user(Pause2Hands, 1);
  auto h = openHand();
  h.handsCount = 2;
  EXPECT_TRUE(r.frame(h).empty());
  EXPECT_FLOAT_EQ(r.g.currentFrameRate(), -1.0f);
  EXPECT_EQ(r.g.IsConnected(), 0);
  EXPECT_EQ(r.g.isTwoHandsPaused(), 1);

  h.handsCount = 3;
  EXPECT_EQ(r.frame(h), std::vector<std::string>{move(500, 400)});
  EXPECT_EQ(r.g.isTwoHandsPaused(), 0);

  r.user(Pause2Hands, 0);
  h.handsCount = 2;
  EXPECT_EQ(r.frame(h), std::vector<std::string>{move(500, 400)});
}

TEST(Pause, ThePauseFlagStopsEverything) {
  SourceRig r;
  r.g.Pause(1);
  auto h = openHand();
  h.fist = 1;
  h.extendedCount = 0;
  EXPECT_TRUE(r.frame(h).empty());
  EXPECT_EQ(r.g.isFist(), 0);
  r.g.Pause(0);
  EXPECT_EQ(r.frame(h), std::vector<std::string>{"FIST_DETECTED"});
}

// ---------------------------------------------------------------------------------------------
// Absolute mapping

TEST(AbsoluteMapping, NormalPositionWithTheGainMargin) {
  SourceRig r;  // 1000 x 800, gain 1.25: margin 0.1
  auto h = openHand();
  EXPECT_EQ(r.frame(h), std::vector<std::string>{move(500, 400)});
  setPalm(&h, -85, 110, 0);  // nx 0.075, ny 0.05: left edge, bottom
  EXPECT_EQ(r.frame(h), std::vector<std::string>{move(0, 800)});
  setPalm(&h, 85, 290, 0);  // nx 0.925, ny 0.95: right edge, top
  EXPECT_EQ(r.frame(h), std::vector<std::string>{move(1000, 0)});
  setPalm(&h, -50, 250, 0);  // nx 0.25 -> 0.1875, ny 0.75 -> 0.8125
  EXPECT_EQ(r.frame(h), std::vector<std::string>{move(187, 150)});
}

TEST(AbsoluteMapping, ParallelPositionUsesTheHandsDepth) {
  SourceRig r;
  r.user(ControllerPos, 1);
  auto h = openHand();
  EXPECT_EQ(r.frame(h), std::vector<std::string>{move(500, 400)});
  setPalm(&h, 0, 200, 100);  // at the box's near face: bottom
  EXPECT_EQ(r.frame(h), std::vector<std::string>{move(500, 800)});
  setPalm(&h, 0, 200, -150);  // beyond the far face: top
  EXPECT_EQ(r.frame(h), std::vector<std::string>{move(500, 0)});
  // v = 0.25 x 40 + 0.75 x -40 = -20: u 0.4 -> 0.375
  h.stabilizedPalmPosition[2] = 40.0;
  h.palmPosition[2] = -40.0;
  EXPECT_EQ(r.frame(h), std::vector<std::string>{move(500, 300)});
}

TEST(AbsoluteMapping, HeadMountedMirrorsHorizontally) {
  SourceRig r;
  r.user(ControllerPos, 2);
  auto h = openHand();
  setPalm(&h, -85, 200, -50);  // left of the box: right edge; v -50: u 0.25
  EXPECT_EQ(r.frame(h), std::vector<std::string>{move(1000, 150)});
  setPalm(&h, -50, 200, 0);
  EXPECT_EQ(r.frame(h), std::vector<std::string>{move(812, 400)});
}

TEST(AbsoluteMapping, FingerModeShiftsByPalmWidthAndOffset) {
  SourceRig r;
  r.user(CursorPos, 1);
  r.user(CursorPosOffset, 10);
  auto h = openHand();
  h.palmWidth = 40.0f;  // shift 50 mm
  EXPECT_EQ(r.frame(h), std::vector<std::string>{move(187, 400)});  // right hand: -50
  h.isRight = 0;
  EXPECT_EQ(r.frame(h), std::vector<std::string>{move(812, 400)});  // left hand: +50
  r.user(ControllerPos, 2);  // head mounted swaps the sides, then mirrors
  EXPECT_EQ(r.frame(h), std::vector<std::string>{move(812, 400)});
  h.isRight = 1;
  EXPECT_EQ(r.frame(h), std::vector<std::string>{move(187, 400)});
}

TEST(AbsoluteMapping, OtherGain) {
  SourceRig r;
  r.user(HandMotionScaleFactor, 2.0f);  // margin 0.25
  auto h = openHand();
  setPalm(&h, -40, 200, 0);  // nx 0.3 -> 0.1
  EXPECT_EQ(r.frame(h), std::vector<std::string>{move(100, 400)});
  setPalm(&h, -55, 200, 0);  // nx 0.225: inside the margin
  EXPECT_EQ(r.frame(h), std::vector<std::string>{move(0, 400)});
}

TEST(AbsoluteMapping, AutomaticGainFromTheScreenHeight) {
  {
    SourceRig r(1440, 900);
    r.user(AutoHandMotionScaleFactor, 1);
    r.frame(openHand());
    EXPECT_NEAR(r.g.GetUserParam(HandMotionScaleFactor), 1.1921, 1e-4);
    EXPECT_NEAR(r.g.parameters().settings().handMotionScaleFactor, 1.1921, 1e-4);
  }
  {
    SourceRig r(2560, 1440);
    r.user(AutoHandMotionScaleFactor, 1);
    r.frame(openHand());
    EXPECT_FLOAT_EQ(r.g.GetUserParam(HandMotionScaleFactor), 1.0f);
  }
  {
    SourceRig r(0, 0);  // destination not yet heard from: height 0 (the sender holds the move back)
    r.user(AutoHandMotionScaleFactor, 1);
    EXPECT_EQ(r.frame(openHand()), std::vector<std::string>{move(0, 0)});
    EXPECT_NEAR(r.g.GetUserParam(HandMotionScaleFactor), 1.6150, 1e-4);
  }
}

TEST(AbsoluteMapping, NoDivisionByAZeroGainOrBox) {
  SourceRig r;
  auto h = openHand();
  setPalm(&h, -50, 250, 0);
  EXPECT_EQ(r.frame(h), std::vector<std::string>{move(187, 150)});
  r.user(HandMotionScaleFactor, 0.0f);
  setPalm(&h, 50, 150, 0);
  EXPECT_EQ(r.frame(h), std::vector<std::string>{move(187, 150)});  // previous position held
  r.user(HandMotionScaleFactor, -1.0f);
  EXPECT_EQ(r.frame(h), std::vector<std::string>{move(187, 150)});
}

TEST(AbsoluteMapping, ABoxWithoutVolumeKeepsThePointerOnTheScreen) {
  for (int pos = 0; pos <= 2; ++pos) {
    SourceRig r;
    r.user(ControllerPos, pos);
    auto h = openHand();
    h.interactionBox.width = h.interactionBox.height = h.interactionBox.depth = 0.0f;
    setPalm(&h, 30, 180, 20);
    const auto c = r.frame(h);
    ASSERT_EQ(c.size(), 1u) << pos;
    int x = -1, y = -1;
    ASSERT_EQ(std::sscanf(c[0].c_str(), "MOUSEMOVE %d %d", &x, &y), 2) << c[0];
    EXPECT_TRUE(x >= 0 && x <= 1000 && y >= 0 && y <= 800) << c[0];
    h = openHand();  // a real box is captured from then on
    EXPECT_EQ(r.frame(h), std::vector<std::string>{move(500, 400)}) << pos;
  }
}

// Without a sink the pointer space is unknown: the position of the previous frame stands (or the
// origin when there is none).
TEST(AbsoluteMapping, UnknownScreenRepeatsThePreviousPosition) {
  SourceRig r;
  auto h = openHand();
  setPalm(&h, -50, 250, 0);
  r.frame(h);
  r.g.setEngineObjects(nullptr, &r.box);
  setPalm(&h, 50, 150, 0);
  r.g.DetectGestures(h);
  float ox, oy, px, py;
  r.g.getPointerState(&ox, &oy, &px, &py);
  EXPECT_FLOAT_EQ(ox, 187.5f);
  EXPECT_FLOAT_EQ(oy, 150.0f);
  EXPECT_FLOAT_EQ(px, 187.5f);
  EXPECT_FLOAT_EQ(py, 150.0f);

  SourceRig fresh;
  fresh.g.setEngineObjects(nullptr, &fresh.box);
  fresh.g.DetectGestures(h);
  fresh.g.getPointerState(&ox, &oy, &px, &py);
  EXPECT_EQ(ox, 0.0f);
  EXPECT_EQ(oy, 0.0f);
}

// ---------------------------------------------------------------------------------------------
// Relative steps

// Gain 1 and a box 256 mm wide on a 1024 pixel screen: 4 px per mm, exactly.
SourceRig* relativeRig() {
  auto* r = new SourceRig(1024, 1024);
  r->user(CursorMovement, 1);
  r->user(HandMotionScaleFactor, 1.0f);
  return r;
}

handTrackingData box256() {
  auto h = openHand();
  h.interactionBox.width = h.interactionBox.height = h.interactionBox.depth = 256.0f;
  return h;
}

TEST(RelativeMovement, FirstFrameStepsByNothing) {
  std::unique_ptr<SourceRig> r(relativeRig());
  auto h = box256();
  setPalm(&h, 30, 220, 0);
  EXPECT_EQ(r->frame(h), std::vector<std::string>{move(0, 0, 1)});
}

TEST(RelativeMovement, StepsRoundAwayFromZeroByThreeQuarters) {
  std::unique_ptr<SourceRig> r(relativeRig());
  auto h = box256();
  r->frame(h);
  struct Case {
    double dxMm;
    int step;
  };
  // 0.2 px -> 0, 0.3 px -> 1, -0.25 px -> -1, 0.25 px -> 1, -0.2 px -> 0, 10 px -> 10, 10.3 -> 11
  const Case cases[] = {{0.05, 0}, {0.075, 1}, {-0.0625, -1}, {0.0625, 1},
                        {-0.05, 0}, {2.5, 10}, {2.575, 11}};
  double x = 0.0;
  for (const Case& c : cases) {
    x += c.dxMm;
    setPalm(&h, x, 200, 0);
    EXPECT_EQ(r->frame(h), std::vector<std::string>{move(c.step, 0, 1)}) << c.dxMm;
    EXPECT_FLOAT_EQ(r->g.pointer().pointerHistoryX().back(), static_cast<float>(c.step));
  }
  // Upward hand: the pointer goes up (y decreasing).
  setPalm(&h, x, 201, 0);
  EXPECT_EQ(r->frame(h), std::vector<std::string>{move(0, -4, 1)});
}

TEST(RelativeMovement, OutsideTheBoxTheStepsGoOn) {
  std::unique_ptr<SourceRig> r(relativeRig());
  auto h = box256();
  setPalm(&h, 200, 200, 0);
  r->frame(h);
  setPalm(&h, 210, 200, 0);
  EXPECT_EQ(r->frame(h), std::vector<std::string>{move(40, 0, 1)});
}

TEST(RelativeMovement, AFistForgetsThePreviousPosition) {
  std::unique_ptr<SourceRig> r(relativeRig());
  auto h = box256();
  r->frame(h);
  auto fist = h;
  fist.fist = 1;
  fist.extendedCount = 0;
  setPalm(&fist, 20, 200, 0);
  EXPECT_EQ(r->frame(fist), std::vector<std::string>{"FIST_DETECTED"});
  float px, py;
  r->g.getPointerState(nullptr, nullptr, &px, &py);
  EXPECT_EQ(px, -1.0f);
  EXPECT_EQ(py, -1.0f);
  setPalm(&h, 40, 180, 0);  // opened elsewhere: continues from where the pointer stands
  EXPECT_EQ(r->frame(h), std::vector<std::string>{move(0, 0, 1)});
  setPalm(&h, 41, 180, 0);
  EXPECT_EQ(r->frame(h), std::vector<std::string>{move(4, 0, 1)});
}

// ---------------------------------------------------------------------------------------------
// The move gate

TEST(MoveGate, FingerCountTranslationWheelAndTutorial) {
  SourceRig r;
  auto h = openHand();
  h.extendedCount = 1;
  EXPECT_TRUE(r.frame(h).empty());
  h.extendedCount = 2;
  EXPECT_EQ(r.frame(h).size(), 1u);
  h.extendedCount = 9;  // capped at 5, still enough
  EXPECT_EQ(r.frame(h).size(), 1u);

  h.translationProbability = 0.5f;  // equal to the threshold is not enough
  EXPECT_TRUE(r.frame(h).empty());
  h.translationProbability = 0.5001f;
  EXPECT_EQ(r.frame(h).size(), 1u);

  r.g.setWheelMoving(2);
  EXPECT_TRUE(r.frame(h).empty());
  r.g.setWheelMoving(0);

  r.g.SetInteractiveTutorial(1);
  EXPECT_TRUE(r.frame(h).empty());
  r.g.SetInteractiveTutorial(0);
  EXPECT_EQ(r.frame(h).size(), 1u);
}

TEST(MoveGate, HistoriesAdvanceWhileThePointerIsHeld) {
  SourceRig r;
  auto h = openHand();
  h.translationProbability = 0.0f;
  setPalm(&h, -50, 250, 0);
  EXPECT_TRUE(r.frame(h).empty());
  float ox, oy;
  r.g.getPointerState(&ox, &oy, nullptr, nullptr);
  EXPECT_FLOAT_EQ(ox, 187.5f);
  EXPECT_FLOAT_EQ(oy, 150.0f);
  EXPECT_EQ(r.g.pointer().pointerHistoryX().size(), 1u);
}

// ---------------------------------------------------------------------------------------------
// Fist

TEST(Fist, SignalsRecapturesTheBoxAndChecksNoPinch) {
  SourceRig r;
  auto h = openHand();
  r.frame(h);
  // A new tracker box without a fist is not taken.
  auto moved = h;
  moved.interactionBox.y = 300.0f;
  setPalm(&moved, 0, 300, 0);
  EXPECT_EQ(r.frame(moved), std::vector<std::string>{move(500, 0)});

  // A fist re-captures the box around the hand; the pinch closing meanwhile is not checked.
  auto fist = moved;
  fist.fist = 1;
  fist.extendedCount = 0;
  std::vector<std::string> all;
  for (int i = 0; i < 12; ++i) {
    fist.thumbTipDistance[0] = 80.0f - 5.0f * i;
    auto c = r.frame(fist);
    all.insert(all.end(), c.begin(), c.end());
    EXPECT_EQ(r.g.isFist(), 1);
  }
  EXPECT_EQ(all, std::vector<std::string>{"FIST_DETECTED"});
  EXPECT_EQ(r.g.whichGestureIsFired(), -1);

  // Opened: the hand at the new height is the middle of the new box.
  EXPECT_EQ(r.frame(moved), std::vector<std::string>{move(500, 400)});
  EXPECT_EQ(r.g.isFist(), 0);
  fist.thumbTipDistance[0] = 80.0f;
  EXPECT_EQ(rig::actions(r.frame(fist)), std::vector<std::string>{"FIST_DETECTED"});
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
