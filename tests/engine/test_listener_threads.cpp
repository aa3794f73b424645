// The GUI thread reads the hand record and pokes the listener while the callback thread writes.
#include <QCoreApplication>

#include <atomic>
#include <thread>

#include "test_listener_harness.h"

namespace {

using ListenerThreads = ListenerFixture;

constexpr int64_t kBase = 5000000;
constexpr int64_t kStep = 11111;

TEST_F(ListenerThreads, RecordCopiesAreNeverTorn) {
  std::atomic<bool> done{false};
  std::atomic<int> torn{0};
  std::thread gui([&] {
    while (!done.load()) {
      const handTrackingData d = listener.engine().getHandData();
      if (d.handsCount != 1) continue;
      // Every frame's palm x names its frame: the copy must be of one frame only.
      const int k = static_cast<int>(d.palmPosition[0]);
      if (d.timestamp != static_cast<int32_t>(kBase + k * kStep) || d.palmPositionView[0] != k ||
          d.palmPosition[1] != 150.0 + k)
        torn.fetch_add(1);
      listener.setIconStatusOk();
    }
  });
  std::thread options([&] {
    // The options dialog and the tray write settings while frames run.
    for (int k = 0; k < 400 && !done.load(); ++k) {
      listener.engine().SetUserParam(k % 2 ? 0.4f : 0.6f, FistSensitivity);
      listener.engine().SetUserParam(static_cast<float>(k % 2), ControllerPos);
      listener.engine().DecodeParameters(0);
    }
  });

  for (int k = 1; k <= 300; ++k) {
    const float x = static_cast<float>(k);
    Leap::RawHand raw = Leap::HandBuilder::openHand(palmAt(x, 150.0f + x, 0.0f));
    raw.palmWidth = 60.0f + static_cast<float>(k % 50);
    driver.pushHand(raw, kBase + k * kStep);
    if (k % 50 == 0) listener.InitParameters();
  }
  driver.sync();
  done.store(true);
  gui.join();
  options.join();

  EXPECT_EQ(torn.load(), 0);
  const handTrackingData last = listener.engine().getHandData();
  EXPECT_EQ(last.palmPosition[0], 300.0);
  EXPECT_EQ(last.timestamp, static_cast<int32_t>(kBase + 300 * kStep));
  EXPECT_GE(last.palmWidth, 60.0f);
}

TEST_F(ListenerThreads, DisconnectFromTheGuiThreadWhileFramesRun) {
  std::thread gui([&] {
    for (int k = 0; k < 100; ++k) {
      listener.onDisconnect(controller);
      listener.initVRViewer(controller);
      listener.closeVRViewer(controller);
    }
  });
  for (int k = 1; k <= 100; ++k) push(Leap::HandBuilder::fist(palmAt()));
  gui.join();
  EXPECT_EQ(listener.engine().getHandData().fist, 1);
  EXPECT_EQ(controller.policyFlags(), 1);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
