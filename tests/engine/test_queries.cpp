// The listener's query and control interface as the tray window and the tutorial use it, on an
// engine started by the real controller.
#include <QCoreApplication>

#include <cstdio>

#include "EngineSettings.h"
#include "test_startup_harness.h"

namespace {

// The pinch states, which only the pinch logic writes.
struct PinchAccess : VelmoGestures {
  struct Pinches : PinchMachine {
    static void setClosed(PinchMachine& m, int pinch, int closed) {
      (m.*(&Pinches::pinchState_))[pinch].store(closed);
    }
  };
  static void setClosed(VelmoGestures& g, int pinch, int closed) {
    Pinches::setClosed(g.*(&PinchAccess::pinch_), pinch, closed);
  }
};

struct Move {
  int x = 0, y = 0, alt = -1, relative = -1;
};

// The last "MOUSEMOVE x y alt relative" among the commands.
bool lastMove(const std::vector<std::string>& commands, Move* m) {
  bool found = false;
  for (const auto& c : commands)
    if (std::sscanf(c.c_str(), "MOUSEMOVE %d %d %d %d", &m->x, &m->y, &m->alt, &m->relative) == 4)
      found = true;
  return found;
}

class EngineQueries : public EngineFixture {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    if (HasFatalFailure()) return;
    start();
  }
  void normalised(float* x, float* y) {
    *x = *y = -7.0f;
    listener.engine().GetNormalizedHandPos(x, y);
  }
};

TEST_F(EngineQueries, PauseStopsThePointerUntilResumed) {
  becomeSource();
  listener.engine().Pause(1);
  EXPECT_EQ(listener.engine().IsPaused(), 1);
  for (int k = 0; k < 5; ++k) pushOpen(10.0f * k);
  EXPECT_TRUE(starting(collect(), "MOUSEMOVE ").empty());
  listener.engine().Pause(0);
  EXPECT_EQ(listener.engine().IsPaused(), 0);
  pushOpen(-20.0f);
  EXPECT_EQ(starting(collect(), "MOUSEMOVE ").size(), 1u);
}

TEST_F(EngineQueries, FiredGesturesAndHeldActions) {
  EXPECT_EQ(listener.engine().whichGestureIsFired(), -1);
  PinchAccess::setClosed(engine(), 3, 1);
  PinchAccess::setClosed(engine(), 2, 1);
  EXPECT_EQ(listener.engine().whichGestureIsFired(), 2);  // the lowest closed pinch
  EXPECT_EQ(listener.engine().isGestureFired(VelmoGestures::ThumbRing), 1);
  EXPECT_EQ(listener.engine().isGestureFired(VelmoGestures::ThumbPinky), 1);
  EXPECT_EQ(listener.engine().isGestureFired(VelmoGestures::ThumbFore), 0);
  EXPECT_EQ(listener.engine().isGestureFired(VelmoGestures::NoGesture), 0);
  EXPECT_EQ(listener.engine().isGestureFired(4), 0);
  PinchAccess::setClosed(engine(), 2, 0);
  PinchAccess::setClosed(engine(), 3, 0);
  EXPECT_EQ(listener.engine().whichGestureIsFired(), -1);

  const int actions[4] = {1, 2, 3, 4};
  for (int a : actions) {
    EngineAccess::setPressed(engine(), a, 1);
    EXPECT_EQ(listener.engine().isLeftPressed(), a == 1 ? 1 : 0);
    EXPECT_EQ(listener.engine().isRightPressed(), a == 2 ? 1 : 0);
    EXPECT_EQ(listener.engine().isMiddlePressed(), a == 3 ? 1 : 0);
    EXPECT_EQ(listener.engine().isKeyPressed(), a == 4 ? 1 : 0);
    EngineAccess::setPressed(engine(), a, 0);
  }
}

TEST_F(EngineQueries, EnabledActionsFollowTheSettingsAndRefuseOutOfRangeTypes) {
  setUser(ThumbForeAction, 1);
  setUser(ThumbMiddleAction, 4);
  setUser(ThumbRingAction, 0);
  setUser(ThumbPinkyAction, 3);
  EXPECT_EQ(listener.engine().whichActionIsEnabled(0), 1);
  EXPECT_EQ(listener.engine().whichActionIsEnabled(1), 4);
  EXPECT_EQ(listener.engine().whichActionIsEnabled(2), 0);
  EXPECT_EQ(listener.engine().whichActionIsEnabled(3), 3);
  EXPECT_EQ(listener.engine().isGestureEnabled(0), 1);
  EXPECT_EQ(listener.engine().isGestureEnabled(1), 1);
  EXPECT_EQ(listener.engine().isGestureEnabled(2), 0);
  EXPECT_EQ(listener.engine().isGestureEnabled(3), 1);
  for (int outside : {-1, 4, 100, -1000}) {
    EXPECT_EQ(listener.engine().isGestureEnabled(outside), 0) << outside;
    EXPECT_EQ(listener.engine().whichActionIsEnabled(outside), 0) << outside;
    EXPECT_EQ(listener.engine().isGestureCircleEnabled(outside), 0) << outside;
    EXPECT_EQ(listener.engine().whichWheelActionIsEnabled(outside), 0) << outside;
  }

  EXPECT_EQ(listener.engine().isGestureCircleEnabled(VelmoGestures::CircleClockwise), 1);
  EXPECT_EQ(listener.engine().isGestureCircleEnabled(VelmoGestures::CircleCounterClockwise), 1);
  EXPECT_EQ(listener.engine().whichWheelActionIsEnabled(1), 1);
  EXPECT_EQ(listener.engine().isGestureCircleEnabled(2), 0);
  setUser(ForeFingerCircleAction, 0);
  EXPECT_EQ(listener.engine().isGestureCircleEnabled(0), 0);
  EXPECT_EQ(listener.engine().isGestureCircleEnabled(1), 0);
  EXPECT_EQ(listener.engine().whichWheelActionIsEnabled(0), 0);
}

TEST_F(EngineQueries, SettingsQueriesReadTheirOwnParameter) {
  setUser(CursorMovement, 1);
  setUser(ControllerPos, 2);
  setUser(DoubleClickTime, 456);
  setUser(SendStats, 0);
  setUser(AlternativeMouseCursor, 1);
  setUser(EnableAudioFx, 0);
  setUser(EnableAudioFxBorder, 1);
  setUser(EnableGraphicFx, 0);
  EXPECT_EQ(listener.engine().isRelative(), 1);
  EXPECT_EQ(listener.engine().GetControllerPos(), 2);
  EXPECT_EQ(listener.engine().getDoubleClickTime(), 456);
  EXPECT_EQ(listener.engine().IsSendingStats(), 0);
  EXPECT_EQ(listener.engine().IsAlternativeMousePointer(), 1);
  EXPECT_FALSE(listener.engine().isAudioFxEnabled());
  EXPECT_TRUE(listener.engine().isAudioFxBorderEnabled());
  EXPECT_FALSE(listener.engine().isGraphicFxEnabled());
  EXPECT_EQ(listener.engine().IsAdmin(), 0);

  // What the options dialog saves reaches the file.
  listener.engine().SetUserParam(789.0f, DoubleClickTime);
  ASSERT_EQ(listener.engine().WriteParameters(), 0);
  struct Table : EngineSettings {
  } reader;
  reader.setSettingsDir(listener.settingsDir());
  reader.InitParameters();
  EXPECT_EQ(reader.ReadParameters(), 0);
  EXPECT_EQ(reader.GetUserParam(DoubleClickTime), 789.0f);
  EXPECT_EQ(reader.GetUserParam(CursorMovement), 1.0f);
}

TEST_F(EngineQueries, ScreenSizeIsTheSinksPointerSpace) {
  // This machine's screen.
  EXPECT_EQ(listener.engine().getWidthOfScreen(), 1920);
  EXPECT_EQ(listener.engine().getHeightOfScreen(), 1080);
  // A source's: the destination's, once it has told.
  becomeSource(0, 0);
  EXPECT_EQ(listener.engine().getNetworkMode(), kSource);
  EXPECT_EQ(listener.engine().getWidthOfScreen(), 0);
  EXPECT_EQ(listener.engine().getHeightOfScreen(), 0);
  listener.sink()->width = 1280;
  listener.sink()->height = 1024;
  EXPECT_EQ(listener.engine().getWidthOfScreen(), 1280);
  EXPECT_EQ(listener.engine().getHeightOfScreen(), 1024);
  listener.setNetworkMode(7);  // no such mode
  EXPECT_EQ(listener.engine().getNetworkMode(), kSource);
}

TEST_F(EngineQueries, NormalisedPositionInAbsoluteModeIsThePointerOverTheScreenFlipped) {
  becomeSource(1000, 800);
  float previousX = -1.0f;
  for (float palmX : {-30.0f, 0.0f, 30.0f}) {
    pushOpen(palmX, 220.0f);
    Move m;
    ASSERT_TRUE(lastMove(collect(), &m));
    ASSERT_EQ(m.relative, 0);
    float x, y;
    normalised(&x, &y);
    // The command carries the pixel, truncated.
    EXPECT_NEAR(x * 1000.0f, m.x, 1.0f);
    EXPECT_NEAR((1.0f - y) * 800.0f, m.y, 1.0f);
    EXPECT_GT(x, previousX);
    EXPECT_GT(x, 0.0f);
    EXPECT_LT(x, 1.0f);
    previousX = x;
  }
  // A hand higher over the controller is higher on the screen: y grows upward.
  float lowY, highY, x;
  normalised(&x, &lowY);
  pushOpen(30.0f, 260.0f);
  normalised(&x, &highY);
  EXPECT_GT(highY, lowY);

  // A screen that is no size gives no position rather than a division by zero.
  listener.sink()->width = 0;
  listener.sink()->height = 0;
  normalised(&x, &highY);
  EXPECT_EQ(x, 0.0f);
  EXPECT_EQ(highY, 0.0f);
}

TEST_F(EngineQueries, NormalisedPositionInRelativeModeIsTheLastStepUnflipped) {
  becomeSource(1000, 800);
  setUser(CursorMovement, 1);
  float x, y;
  normalised(&x, &y);
  EXPECT_EQ(x, 0.0f);
  EXPECT_EQ(y, 0.0f);

  pushOpen(0.0f, 200.0f);
  pushOpen(20.0f, 230.0f);
  Move m;
  ASSERT_TRUE(lastMove(collect(), &m));
  ASSERT_EQ(m.relative, 1);
  ASSERT_NE(m.x, 0);
  ASSERT_NE(m.y, 0);
  normalised(&x, &y);
  EXPECT_NEAR(x * 1000.0f, m.x, 1e-3f);
  EXPECT_NEAR(y * 800.0f, m.y, 1e-3f);

  // A fist forgets the previous position: its own step is not a position to report.
  push(handWithCurl(1, 1, 1, 1, 1, palmAt(-20.0f, 180.0f)));
  float stepX, stepY, prevX, prevY;
  engine().getPointerState(&stepX, &stepY, &prevX, &prevY);
  ASSERT_EQ(prevX, -1.0f);
  ASSERT_TRUE(stepX != 0.0f || stepY != 0.0f);
  normalised(&x, &y);
  EXPECT_EQ(x, 0.0f);
  EXPECT_EQ(y, 0.0f);
}

TEST_F(EngineQueries, AutomaticScaleFromTheScreenHeight) {
  struct Case {
    int height;
    float scale;
  };
  // 900: (868 / -2128) + 1.6; 1440: 0.938 raised to the floor of 1; 0: 32 / 2128 + 1.6.
  for (const Case& c : {Case{900, 1.19210529f}, Case{1440, 1.0f}, Case{0, 1.61503756f}}) {
    listener.engine().SetUserParam(5.0f, HandMotionScaleFactor);
    listener.engine().AutoScalePointerFactor(12345, c.height);  // the width plays no part
    EXPECT_EQ(listener.engine().GetUserParam(HandMotionScaleFactor), c.scale) << c.height;
    EXPECT_EQ(engine().parameters().settings().handMotionScaleFactor, c.scale) << c.height;
  }
}

TEST_F(EngineQueries, PointerParametersAreDeferredToTheNextFrameOrSentAtOnce) {
  becomeSource();
  setUser(DoubleClickTime, 640);
  setUser(WheelScaleFactor, 0.5f);
  setUser(AlternativeMouseCursor, 1);
  listener.setMouseParam(true);
  EXPECT_TRUE(starting(collect(), "SETMOUSEPARAM").empty());
  pushEmpty();  // even a frame without a hand serves it
  EXPECT_EQ(starting(collect(), "SETMOUSEPARAM"),
            (std::vector<std::string>{"SETMOUSEPARAM 640 0.500000 0 1 0"}));
  pushEmpty();
  EXPECT_TRUE(starting(collect(), "SETMOUSEPARAM").empty());  // once only

  setUser(CursorMovement, 1);
  listener.setMouseParam(false);
  EXPECT_EQ(starting(collect(), "SETMOUSEPARAM"),
            (std::vector<std::string>{"SETMOUSEPARAM 640 0.500000 1 1 0"}));
}

TEST_F(EngineQueries, TheAddressAnnouncementGoesOutWhenAskedAndNeverFromAFrame) {
  // The relay session announces a new source itself; frames only carry decisions.
  becomeSource();
  pushEmpty();
  pushEmpty();
  EXPECT_TRUE(starting(collect(), "SETSOURCEIP").empty());
  listener.sendParams();
  EXPECT_EQ(starting(collect(), "SETSOURCEIP").size(), 1u);
  pushEmpty();
  EXPECT_TRUE(starting(collect(), "SETSOURCEIP").empty());
}

TEST_F(EngineQueries, EffectSwitchesGoToTheSinkAndComeBackThroughItsSetup) {
  becomeSource();
  setUser(EnableAudioFx, 1);
  setUser(EnableAudioFxBorder, 0);
  setUser(EnableGraphicFx, 1);
  listener.sendAudioGraphicParam();
  EXPECT_EQ(collect(), (std::vector<std::string>{"AUDIO_GRAPHIC_FX_PARAMS 1 0 1"}));

  // A destination takes the source's switches into its own settings.
  listener.setNetworkMode(kDestination);
  ASSERT_TRUE(listener.sink()->setup.setEffectSwitches);
  listener.sink()->setup.setEffectSwitches(false, true, false);
  EXPECT_FALSE(listener.engine().isAudioFxEnabled());
  EXPECT_TRUE(listener.engine().isAudioFxBorderEnabled());
  EXPECT_FALSE(listener.engine().isGraphicFxEnabled());
}

TEST(EngineNotStarted, QueriesAnswerWithoutASink) {
  ProbeListener listener;
  float x = -7.0f, y = -7.0f;
  listener.engine().GetNormalizedHandPos(&x, &y);
  EXPECT_EQ(x, 0.0f);
  EXPECT_EQ(y, 0.0f);
  EXPECT_EQ(listener.engine().getWidthOfScreen(), 0);
  EXPECT_EQ(listener.sink(), nullptr);
  listener.setMouseParam(false);
  listener.sendParams();
  listener.sendAudioGraphicParam();
  EXPECT_EQ(listener.sinksMade.load(), 0);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
