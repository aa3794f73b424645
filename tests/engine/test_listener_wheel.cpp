// What the listener's circles ask of the wheel, seen as the commands a recording sink writes down
// for every wheel request.
#include <QCoreApplication>

#include <cmath>
#include <cstdio>
#include <memory>

#include "test_source_listener.h"

namespace {

constexpr float kTwoPi = 6.2831853f;

struct Wheel {
  float delta = 0, progress = 0;
  int forward = -1, notify = -1;
};

class ListenerWheel : public SourceListenerFixture {
 protected:
  float turn = 0.0f;
  float curl[5] = {0, 0, 1, 1, 1};

  // One frame of the palm on a 30 mm circle, one turn per second; sense > 0 is clockwise as
  // seen along the pointing finger. Returns that frame's commands.
  Strings step(int sense) {
    turn -= sense * kTwoPi / 90.0f;
    const Leap::Vector palm(30.0f * std::cos(turn), 200.0f + 30.0f * std::sin(turn), 0.0f);
    push(handWithCurl(curl[0], curl[1], curl[2], curl[3], curl[4], palm));
    return collect();
  }

  float circleProgress() {
    const Leap::GestureList g = controller.frame(0).gestures();
    if (g.count() == 0 || g[0].type() != Leap::Gesture::TYPE_CIRCLE) return -1.0f;
    return Leap::CircleGesture(g[0]).progress();
  }

  // Draws until the layer reports the circle (at most two turns).
  bool drawUntilRecognised(int sense) {
    for (int k = 0; k < 180; ++k) {
      step(sense);
      if (circleProgress() >= 0.0f) return true;
    }
    return false;
  }

  static std::vector<Wheel> wheelMoves(const Strings& commands) {
    std::vector<Wheel> out;
    for (const auto& c : commands) {
      Wheel w;
      if (std::sscanf(c.c_str(), "MOUSEWHEELMOVE %f %d %d %f", &w.delta, &w.forward, &w.notify,
                      &w.progress) == 4)
        out.push_back(w);
    }
    return out;
  }
};

TEST_F(ListenerWheel, ClockwiseTurnsDownwardAndCounterClockwiseForward) {
  for (int sense : {1, -1}) {
    ASSERT_TRUE(drawUntilRecognised(sense));
    for (int k = 0; k < 30; ++k) {
      const std::vector<Wheel> moves = wheelMoves(step(sense));
      const float progress = circleProgress();
      ASSERT_GE(progress, 0.0f);
      ASSERT_EQ(moves.size(), 1u) << k;
      EXPECT_EQ(moves[0].forward, sense > 0 ? 0 : 1);
      EXPECT_EQ(moves[0].notify, 0);
      EXPECT_NEAR(moves[0].progress, progress, 1e-5);
      EXPECT_NEAR(moves[0].delta, progress, 1e-5);  // CircleGestureStart 0
    }
    // The circle ends when the hand stops: frames without a gesture reset the wheel.
    const Leap::Vector palm(30.0f * std::cos(turn), 200.0f + 30.0f * std::sin(turn), 0.0f);
    Strings tail;
    for (int k = 0; k < 60 && circleProgress() >= 0.0f; ++k) {
      push(handWithCurl(0, 0, 1, 1, 1, palm));
      collect();
    }
    push(handWithCurl(0, 0, 1, 1, 1, palm));
    tail = collect();
    EXPECT_TRUE(wheelMoves(tail).empty());
    EXPECT_EQ(rig::countOf(tail, "RESETMOUSEWHEEL"), 1);
  }
}

TEST_F(ListenerWheel, StartOffsetAndNotificationAreHandedOn) {
  engine().SetAdminParam(0.25f, CircleGestureStart);
  engine().DecodeParameters(1);
  setUser(NotifyClicks, 1);
  ASSERT_TRUE(drawUntilRecognised(1));
  const std::vector<Wheel> moves = wheelMoves(step(1));
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0].notify, 1);
  EXPECT_NEAR(moves[0].delta, moves[0].progress - 0.25f, 1e-5);
}

TEST_F(ListenerWheel, HeldButtonResetsAndTheTutorialSendsNothing) {
  ASSERT_TRUE(drawUntilRecognised(1));
  EngineAccess::setPressed(engine(), 2, 1);
  Strings c = step(1);
  EXPECT_TRUE(wheelMoves(c).empty());
  EXPECT_EQ(rig::countOf(c, "RESETMOUSEWHEEL"), 1);
  EngineAccess::setPressed(engine(), 2, 0);

  engine().SetInteractiveTutorial(1);
  c = step(1);
  ASSERT_GE(circleProgress(), 0.0f);
  EXPECT_TRUE(wheelMoves(c).empty());
  EXPECT_EQ(engine().isWheelMoving(), 1);
  engine().SetInteractiveTutorial(0);
  EXPECT_EQ(wheelMoves(step(1)).size(), 1u);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
