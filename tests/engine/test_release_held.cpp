// What the hand holds is let go when it can no longer let go itself: the tracking service goes, the
// device goes, the user pauses, the program quits. A hand merely out of sight keeps its pinch. The
// real engine (started by the listener, standalone mode) presses on the test's private Xvfb; the
// server's button and key state is read back on a connection of the test's own.

#include <QCoreApplication>

#include <string>

#include "X11Backend.h"
#include "test_listener_harness.h"

namespace xprobe {
bool open();
void close();
bool query(int* x, int* y, unsigned* mask);
bool anyKeyDown();
}  // namespace xprobe

namespace {

constexpr unsigned kButtonsMask = 0x100 | 0x200 | 0x400;
constexpr unsigned kLeftMask = 0x100;

class ReleaseHeld : public ListenerFixture {
 protected:
  void SetUp() override {
    ASSERT_TRUE(xprobe::open());
    ListenerFixture::SetUp();
  }
  void TearDown() override {
    if (attached) ListenerFixture::TearDown();
    xprobe::close();
  }

  unsigned buttons() {
    X11Backend::instance().sync();
    int x = 0, y = 0;
    unsigned mask = 0;
    EXPECT_TRUE(xprobe::query(&x, &y, &mask));
    return mask & kButtonsMask;
  }
  bool keysDown() {
    X11Backend::instance().sync();
    return xprobe::anyKeyDown();
  }

  // A thumb-index pinch closing over about 0.17 s; open again when reopen is set.
  void pinch(bool reopen) {
    auto hand = [](float amount) {
      Leap::HandPose pose;
      pose.palm = palmAt();
      pose.pinchFinger = 1;
      pose.pinch = amount;
      return Leap::HandBuilder::build(pose);
    };
    for (int i = 0; i < 20; ++i) push(hand(0.0f));
    for (int i = 1; i <= 15; ++i) push(hand(i / 15.0f));
    for (int i = 0; i < 10; ++i) push(hand(1.0f));
    if (!reopen) return;
    for (int i = 14; i >= 0; --i) push(hand(i / 15.0f));
    for (int i = 0; i < 10; ++i) push(hand(0.0f));
  }

  enum Ending { ServiceGone, DeviceUnplugged, Paused, Quit };
  void end(Ending e) {
    switch (e) {
      case ServiceGone: driver.stopService(); driver.sync(); break;
      case DeviceUnplugged: driver.unplugDevice(); driver.sync(); break;
      case Paused: listener.Pause(1); break;
      case Quit: controller.removeListener(listener); attached = false; break;
    }
  }

  bool attached = true;
};

TEST_F(ReleaseHeld, EveryEndOfTrackingLetsGoOfButtonsShortcutsAndTheAppSwitcher) {
  // action 1 left button, 4 keyboard action (1 the app switcher, 2 Super+F9).
  struct Row {
    Ending ending;
    int action;
    int keyboardAction;
    bool reopen;  // the app switcher keeps its modifier after the pinch opens
  };
  const Row rows[] = {
      {ServiceGone, 1, 0, false}, {DeviceUnplugged, 1, 0, false}, {Paused, 1, 0, false},
      {Quit, 1, 0, false},        {Paused, 4, 1, true},           {ServiceGone, 4, 2, false},
      {Quit, 4, 1, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE("ending " + std::to_string(row.ending) + " holding action " +
                 std::to_string(row.action) + "/" + std::to_string(row.keyboardAction));
    if (!attached) {
      listener.Pause(0);
      ASSERT_TRUE(controller.addListener(listener));
      attached = true;
    }
    driver.plugDevice();
    driver.sync();
    listener.Pause(0);
    setUser(ThumbForeAction, static_cast<float>(row.action));
    setUser(ThumbForeKeyboardAction, static_cast<float>(row.keyboardAction));
    ASSERT_EQ(buttons(), 0u);
    ASSERT_FALSE(keysDown());

    pinch(row.reopen);
    if (row.action == 1) {
      ASSERT_EQ(buttons(), kLeftMask);
      ASSERT_EQ(engine().isLeftPressed(), 1);
    } else {
      ASSERT_TRUE(keysDown());
    }
    // Out of sight is not gone: the pinch stays closed.
    for (int i = 0; i < 30; ++i) pushEmpty();
    EXPECT_EQ(buttons(), row.action == 1 ? kLeftMask : 0u);
    EXPECT_TRUE(row.action == 1 || keysDown());

    end(row.ending);
    EXPECT_EQ(buttons(), 0u);
    EXPECT_FALSE(keysDown());
    EXPECT_EQ(engine().whichGestureIsFired(), -1);
    EXPECT_EQ(engine().isLeftPressed() + engine().isKeyPressed(), 0);
  }
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
