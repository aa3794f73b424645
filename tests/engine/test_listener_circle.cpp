// Forefinger circles drawn by a simulated hand, recognised by the tracking layer, turned into the
// engine's wheel state by the listener.
#include <QCoreApplication>

#include <cmath>

#include "test_listener_harness.h"

namespace {

constexpr float kTwoPi = 6.2831853f;

class ListenerCircle : public ListenerFixture {
 protected:
  float turn = 0.0f;  // angle of the palm on its circle

  // Thumb, index, middle, ring, pinky curl of the hand that draws.
  float curl[5] = {0, 0, 1, 1, 1};

  // One frame of a palm moving on a 30 mm circle in the plane facing the user, one turn per
  // second. Seen along the pointing finger (from the user), sense > 0 runs clockwise.
  handTrackingData step(int sense) {
    turn -= sense * kTwoPi / 90.0f;
    const Leap::Vector palm(30.0f * std::cos(turn), 200.0f + 30.0f * std::sin(turn), 0.0f);
    return push(handWithCurl(curl[0], curl[1], curl[2], curl[3], curl[4], palm));
  }

  bool frameHasCircle() {
    const Leap::GestureList g = controller.frame(0).gestures();
    return g.count() > 0 && g[0].type() == Leap::Gesture::TYPE_CIRCLE;
  }

  // Draws until the layer reports the circle; false if it never does within two turns.
  bool drawUntilRecognised(int sense) {
    for (int k = 0; k < 180; ++k) {
      step(sense);
      if (frameHasCircle()) return true;
    }
    return false;
  }

  void setCurl(float t, float i, float m, float r, float p) {
    const float c[5] = {t, i, m, r, p};
    for (int k = 0; k < 5; ++k) curl[k] = c[k];
  }
};

TEST_F(ListenerCircle, EachDirectionSetsItsWheelState) {
  for (int sense : {1, -1}) {
    ASSERT_TRUE(drawUntilRecognised(sense)) << sense;
    const Leap::CircleGesture circle(controller.frame(0).gestures()[0]);
    const float angle = circle.pointable().direction().angleTo(circle.normal());
    // The drawn sense agrees with the layer's geometry.
    if (sense > 0)
      EXPECT_LE(angle, 0.7853982f);
    else
      EXPECT_GT(angle, 0.7853982f);
    EXPECT_EQ(engine().isWheelMoving(), sense > 0 ? 1 : 2);
    for (int k = 0; k < 20; ++k) step(sense);
    EXPECT_EQ(engine().isWheelMoving(), sense > 0 ? 1 : 2);

    // Held still, the circle ends and the wheel state falls back to 0.
    const Leap::Vector palm(30.0f * std::cos(turn), 200.0f + 30.0f * std::sin(turn), 0.0f);
    for (int k = 0; k < 60 && frameHasCircle(); ++k) push(handWithCurl(0, 0, 1, 1, 1, palm));
    push(handWithCurl(0, 0, 1, 1, 1, palm));
    ASSERT_FALSE(frameHasCircle());
    EXPECT_EQ(engine().isWheelMoving(), 0);
  }
}

TEST_F(ListenerCircle, ThumbAndIndexOrIndexAloneTurnTheWheel) {
  setCurl(1, 0, 1, 1, 1);  // index alone
  ASSERT_TRUE(drawUntilRecognised(1));
  EXPECT_EQ(listener.engine().getHandData().extendedCount, 1);
  EXPECT_EQ(engine().isWheelMoving(), 1);

  setCurl(0, 0, 1, 1, 1);  // thumb and index
  step(1);
  ASSERT_TRUE(frameHasCircle());
  EXPECT_EQ(listener.engine().getHandData().extendedCount, 2);
  engine().setWheelMoving(0);
  step(1);
  EXPECT_EQ(engine().isWheelMoving(), 1);
}

TEST_F(ListenerCircle, OtherPosturesLeaveTheWheelStateAlone) {
  // index + middle (thumb folded), thumb alone (index folded), and the open hand
  const float postures[][5] = {{1, 0, 0, 1, 1}, {0, 1, 1, 1, 1}, {0, 0, 0, 0, 0}};
  for (const auto& p : postures) {
    setCurl(p[0], p[1], p[2], p[3], p[4]);
    ASSERT_TRUE(drawUntilRecognised(1));
    // Frames before the circle was recognised had no gesture: state 0; the circle does not act.
    EXPECT_EQ(engine().isWheelMoving(), 0);
    engine().setWheelMoving(2);
    for (int k = 0; k < 10; ++k) step(1);
    ASSERT_TRUE(frameHasCircle());
    EXPECT_EQ(engine().isWheelMoving(), 2);
    engine().setWheelMoving(0);
    // Let this circle end before the next posture.
    const Leap::Vector palm(0.0f, 200.0f, 0.0f);
    for (int k = 0; k < 60 && frameHasCircle(); ++k) push(handWithCurl(0, 0, 1, 1, 1, palm));
  }
}

TEST_F(ListenerCircle, HeldButtonOrDisabledWheelResetsTheState) {
  ASSERT_TRUE(drawUntilRecognised(-1));
  EXPECT_EQ(engine().isWheelMoving(), 2);
  for (int action = 1; action <= 3; ++action) {
    EngineAccess::setPressed(engine(), action, 1);
    for (int k = 0; k < 3; ++k) {
      engine().setWheelMoving(2);
      step(-1);
      ASSERT_TRUE(frameHasCircle());
      EXPECT_EQ(engine().isWheelMoving(), 0) << action;
    }
    EngineAccess::setPressed(engine(), action, 0);
  }
  // A held keyboard action does not block the wheel.
  EngineAccess::setPressed(engine(), 4, 1);
  step(-1);
  EXPECT_EQ(engine().isWheelMoving(), 2);
  EngineAccess::setPressed(engine(), 4, 0);

  setUser(ForeFingerCircleAction, 0);
  step(-1);
  ASSERT_TRUE(frameHasCircle());
  EXPECT_EQ(engine().isWheelMoving(), 0);
  setUser(ForeFingerCircleAction, 1);
  step(-1);
  EXPECT_EQ(engine().isWheelMoving(), 2);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
