// End to end through the tracking layer: a simulated hand goes through the in-process driver, the
// controller's callback thread and the real listener into the recogniser, whose decisions a
// recording sink writes down in the relay's words.

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <memory>

#include "test_source_listener.h"

namespace {

class RecogniserEndToEnd : public SourceListenerFixture {
 protected:
  Strings seen;

  static bool isAction(const std::string& c) {
    return c.rfind("LEFT_BUTTON", 0) == 0 || c.rfind("RIGHT_BUTTON", 0) == 0 ||
           c.rfind("MIDDLE_BUTTON", 0) == 0 || c.rfind("KEYBOARD", 0) == 0;
  }
  static Strings actionsIn(const Strings& all) {
    Strings out;
    for (const auto& c : all)
      if (isAction(c)) out.push_back(c);
    return out;
  }

  Leap::RawHand pinchHand(float amount) {
    Leap::HandPose pose;
    pose.palm = palmAt();
    pose.pinchFinger = 1;
    pose.pinch = amount;
    return Leap::HandBuilder::build(pose);
  }
};

TEST_F(RecogniserEndToEnd, AThumbIndexPinchPressesAndReleasesTheLeftButtonOnce) {
  std::vector<float> amounts(20, 0.0f);
  for (int i = 1; i <= 15; ++i) amounts.push_back(i / 15.0f);  // about 0.17 s to close
  for (int i = 0; i < 25; ++i) amounts.push_back(1.0f);
  for (int i = 14; i >= 0; --i) amounts.push_back(i / 15.0f);
  for (int i = 0; i < 30; ++i) amounts.push_back(0.0f);

  float closest = 1000.0f;
  bool heldWhileClosed = false;
  for (float a : amounts) {
    const handTrackingData rec = push(pinchHand(a));
    closest = std::min(closest, rec.thumbTipDistance[0]);
    if (a == 1.0f && engine().isLeftPressed() == 1) heldWhileClosed = true;
  }
  EXPECT_LT(closest, 10.0f);
  EXPECT_TRUE(heldWhileClosed);
  EXPECT_EQ(actionsIn(collect()), (Strings{"LEFT_BUTTON 1 0 0", "LEFT_BUTTON 0 0 0"}));
  EXPECT_EQ(engine().isLeftPressed(), 0);
  EXPECT_EQ(engine().whichGestureIsFired(), -1);
}

TEST_F(RecogniserEndToEnd, ASlowDriftTowardTheIndexPressesNothing) {
  // The thumb creeps to the index tip over about a minute, below the closing speed.
  const int frames = 6000;
  float fastestFall = 0.0f;
  float previous = push(pinchHand(0.0f)).thumbTipDistance[0];
  const float open = previous;
  for (int i = 1; i <= frames; ++i) {
    const handTrackingData rec = push(pinchHand(static_cast<float>(i) / frames));
    fastestFall = std::max(fastestFall, previous - rec.thumbTipDistance[0]);
    previous = rec.thumbTipDistance[0];
    if (i % 500 == 0) {
      ASSERT_TRUE(actionsIn(collect()).empty()) << "frame " << i;
    }
  }
  // The drift really closes the pinch, and never at the closing speed: a run of eight frames
  // (at 90 fps) falls by less than 5 mm/s x 0.075 s.
  EXPECT_LT(previous, 10.0f);
  EXPECT_GT(open, 40.0f);
  EXPECT_LT(fastestFall * 8.0f, 5.0f * 0.075f);
  EXPECT_TRUE(actionsIn(collect()).empty());
  EXPECT_EQ(engine().whichGestureIsFired(), -1);
}

TEST_F(RecogniserEndToEnd, ACircleTurnsTheWheelAndClicksNothing) {
  constexpr float kTwoPi = 6.2831853f;
  float turn = 0.0f;
  Strings all;
  for (int k = 0; k < 270; ++k) {  // three turns, clockwise seen from the user
    turn -= kTwoPi / 90.0f;
    const Leap::Vector palm(30.0f * std::cos(turn), 200.0f + 30.0f * std::sin(turn), 0.0f);
    push(handWithCurl(0, 0, 1, 1, 1, palm));
    if (k % 30 == 29) {
      const Strings c = collect();
      all.insert(all.end(), c.begin(), c.end());
    }
  }
  int wheel = 0;
  for (const auto& c : all) wheel += c.rfind("MOUSEWHEELMOVE ", 0) == 0 ? 1 : 0;
  EXPECT_GT(wheel, 10);
  EXPECT_TRUE(actionsIn(all).empty());
  EXPECT_EQ(engine().whichGestureIsFired(), -1);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
