// The recogniser's decisions on this machine (standalone mode): the real action manager as the
// engine's sink, its pointer device on the test's X connection, move the X pointer of the test's
// private Xvfb (1920 x 1080) and press its buttons. Everything is read back from the server with
// XQueryPointer on another connection of the test's own.

#include <QApplication>
#include <cstdint>
#include <memory>

#include <gtest/gtest.h>

#include "ActionMgr.h"
#include "VelmoBox.h"
#include "VelmoGestures.h"
#include "desktop_test_util.h"
#include "hand_builder.h"

namespace xprobe {
bool open();
void close();
void warp(int x, int y);
bool query(int* x, int* y, unsigned* mask);
}  // namespace xprobe

namespace {

constexpr unsigned kLeftMask = 0x100;

struct Pointer {
  int x = -1;
  int y = -1;
  unsigned mask = 0;
};

class LocalPointer : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(xprobe::open());
    warp(700, 300);
    g.InitParameters();
    user(AutoHandMotionScaleFactor, 0);
    // The engine's record, the device at the table's double-click time and wheel scale.
    ActionMgr::actionMgrData d;
    d.networkModeRef = g.parameters().networkModePtr();
    d.audioFx = g.parameters().audioFxPtr();
    d.audioFxBorder = g.parameters().audioFxBorderPtr();
    d.graphicFx = g.parameters().graphicFxPtr();
    d.doubleClickTime = 1000;
    d.wheelScaleFactor = 0.3;
    mgr = std::make_unique<ActionMgr>(testDesktop(), d, nullptr);
    g.setEngineObjects(mgr.get(), &box);
    g.ResetRecogniser();
    g.setMonotonicClock([this] { return clockUs; });
  }
  void TearDown() override {
    g.setEngineObjects(nullptr, nullptr);
    mgr.reset();  // a held button is the test's failure, not the next test's
    xprobe::close();
  }

  void user(int index, float value) {
    g.SetUserParam(value, index);
    g.DecodeParameters(0);
  }
  void warp(int x, int y) { xprobe::warp(x, y); }
  // After the backend's requests have been processed: its moves are flushed, not waited for.
  Pointer pointer() {
    testDesktop().sync();
    Pointer p;
    EXPECT_TRUE(xprobe::query(&p.x, &p.y, &p.mask));
    return p;
  }
  static handTrackingData hand(double x, double y) { return hands::openHand(x, y); }
  void frame(const handTrackingData& h) {
    g.DetectGestures(h);
    clockUs += 10000;
  }

  VelmoGestures g;
  VelmoBox box;
  std::unique_ptr<ActionMgr> mgr;
  std::int64_t clockUs = 5000000;
};

TEST_F(LocalPointer, AbsolutePositionsLandOnTheScreen) {
  frame(hand(0, 200));
  Pointer p = pointer();
  EXPECT_EQ(p.x, 960);
  EXPECT_EQ(p.y, 540);
  frame(hand(-50, 250));  // 0.1875 x 1920, 1080 - 0.8125 x 1080
  p = pointer();
  EXPECT_EQ(p.x, 360);
  EXPECT_EQ(p.y, 202);
  frame(hand(-95, 105));  // inside the margin: bottom-left corner
  p = pointer();
  EXPECT_EQ(p.x, 0);
  EXPECT_GE(p.y, 1079);
}

TEST_F(LocalPointer, RelativeStepsMoveFromWhereThePointerIs) {
  user(CursorMovement, 1);
  frame(hand(0, 200));  // first frame: a step of nothing
  Pointer p = pointer();
  EXPECT_EQ(p.x, 700);
  EXPECT_EQ(p.y, 300);
  frame(hand(2.5, 200));  // 1920 x 1.25 / 200 = 12 px per mm
  p = pointer();
  EXPECT_EQ(p.x, 730);
  EXPECT_EQ(p.y, 300);
  frame(hand(2.5, 195));  // down by 5 x 1080 x 1.25 / 200 = 33.75 px: a step of 34
  p = pointer();
  EXPECT_EQ(p.x, 730);
  EXPECT_EQ(p.y, 334);
}

TEST_F(LocalPointer, APinchHoldsTheLeftButtonAndFreezesThePointer) {
  auto h = hand(0, 200);
  std::int64_t pressedAt = 0;
  for (int i = 0; i < 10; ++i) frame(h);
  for (float d = 75.0f; d > 20.0f && pressedAt == 0; d -= 5.0f) {
    h.thumbTipDistance[0] = d;
    const std::int64_t t = clockUs;
    frame(h);
    if (pointer().mask & kLeftMask) pressedAt = t;
  }
  ASSERT_NE(pressedAt, 0);
  EXPECT_EQ(pointer().x, 960);

  // The hand moves while the button is held: the pointer waits out MoveAfterClickTime, then drags.
  h.thumbTipDistance[0] = 20.0f;
  h.stabilizedPalmPosition[0] = h.palmPosition[0] = 10.0;
  clockUs = pressedAt + 300000;
  frame(h);
  EXPECT_EQ(pointer().x, 960);
  clockUs = pressedAt + 300001;
  frame(h);
  Pointer p = pointer();
  EXPECT_EQ(p.x, 1080);  // 960 + 10 mm x 12 px
  EXPECT_TRUE(p.mask & kLeftMask);

  for (float d = 25.0f; d <= 80.0f; d += 5.0f) {
    h.thumbTipDistance[0] = d;
    frame(h);
  }
  EXPECT_FALSE(pointer().mask & kLeftMask);
  EXPECT_EQ(g.isLeftPressed(), 0);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
