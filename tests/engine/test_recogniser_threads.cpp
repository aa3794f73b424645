// The recogniser on a tracking thread while the GUI thread reads its state and edits the settings
// and keyboard actions, as the tray window, the options dialog and the tutorial do. Run under
// ThreadSanitizer in CI.

#include <QCoreApplication>

#include <atomic>
#include <thread>

#include "test_recogniser_harness.h"

namespace {

TEST(RecogniserThreads, PinchesWhileTheGuiReadsAndEdits) {
  VelmoGestures g;
  g.InitParameters();
  g.SetUserParam(1, NetworkMode);
  g.SetUserParam(0, AutoHandMotionScaleFactor);
  g.DecodeParameters(0);
  rig::RecordingSink sink(1000, 800);
  VelmoBox box;
  g.setEngineObjects(&sink, &box);
  g.ResetRecogniser();

  constexpr int kCycles = 40;
  std::atomic<bool> done{false};
  int presses = 0;
  int releases = 0;
  std::thread tracking([&] {
    std::int64_t clock = 0;
    g.setMonotonicClock([&clock] { return clock; });
    auto h = rig::openHand();
    int was = 0;
    for (int c = 0; c < kCycles; ++c) {
      std::vector<float> d(10, 80.0f);
      for (float v = 75.0f; v > 20.0f; v -= 5.0f) d.push_back(v);
      for (int i = 0; i < 10; ++i) d.push_back(20.0f);
      for (float v = 25.0f; v <= 80.0f; v += 5.0f) d.push_back(v);
      for (float v : d) {
        h.thumbTipDistance[0] = v;
        h.stabilizedPalmPosition[0] = h.palmPosition[0] = (c % 7) - 3.0;
        g.DetectGestures(h);
        clock += 10000;
        const int now = g.isLeftPressed();
        presses += now == 1 && was == 0;
        releases += now == 0 && was == 1;
        was = now;
      }
    }
    done.store(true);
  });

  int badReads = 0;
  int seenHeld = 0;
  while (!done.load()) {
    const int fired = g.whichGestureIsFired();
    badReads += fired < -1 || fired > 3;
    seenHeld += g.isLeftPressed();
    float ox, oy, px, py;
    g.getPointerState(&ox, &oy, &px, &py);
    badReads += ox < 0.0f || ox > 1000.0f || oy < 0.0f || oy > 800.0f;
    badReads += g.optimalFrameRate() != 90.0f;
    g.SetUserParam(static_cast<float>(seenHeld % 2), NotifyClicks);
    g.DecodeParameters(0);
    g.GetKeyboardActions()->append("ONE MORE", "F5", false);
    g.GetKeyboardActions()->removeAt(3);
    (void)g.isFist();
    (void)g.isWheelMoving();
    (void)g.isTwoHandsPaused();
    (void)g.isGestureFired(0);
  }
  tracking.join();
  EXPECT_EQ(badReads, 0);
  EXPECT_EQ(presses, kCycles);
  EXPECT_EQ(releases, kCycles);
  g.setEngineObjects(nullptr, nullptr);
  // Each press and release reached the sink, in order.
  std::vector<std::string> buttons;
  for (const auto& c : sink.take())
    if (c.rfind("LEFT_BUTTON", 0) == 0) buttons.push_back(c);
  ASSERT_EQ(buttons.size(), 2u * kCycles);
  for (int c = 0; c < kCycles; ++c) {
    EXPECT_EQ(buttons[2 * c].compare(0, 13, "LEFT_BUTTON 1"), 0) << c;
    EXPECT_EQ(buttons[2 * c + 1].compare(0, 13, "LEFT_BUTTON 0"), 0) << c;
  }
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
