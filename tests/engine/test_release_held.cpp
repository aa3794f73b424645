// What the hand holds is let go when it can no longer let go itself: the tracking service goes, the
// device goes, the user pauses, the program quits. A hand merely out of sight keeps its pinch. The
// real engine (started by the listener, standalone mode) decides into its recording sink: each
// held action gets its release there, and the sink is told to let go of everything held on this
// machine (the action manager's side of it is tested with the X server in tests/actions).

#include <QCoreApplication>

#include <string>
#include <vector>

#include "test_listener_harness.h"

namespace {

class ReleaseHeld : public ListenerFixture {
 protected:
  void TearDown() override {
    if (attached) ListenerFixture::TearDown();
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
      case Paused: listener.engine().Pause(1); break;
      case Quit: controller.removeListener(listener); attached = false; break;
    }
  }

  // The button and key lines the sink got since the last call.
  std::vector<std::string> actions() {
    std::vector<std::string> out;
    for (const auto& c : listener.journal->take())
      if (c.rfind("LEFT_BUTTON", 0) == 0 || c.rfind("KEYBOARD", 0) == 0) out.push_back(c);
    return out;
  }

  bool attached = true;
};

TEST_F(ReleaseHeld, EveryEndOfTrackingReleasesThePinchAndLetsGoOfWhatIsHeld) {
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
  const std::string keys[] = {"", "KEYBOARD 1 0 0 Alt+Tab APPSWITCHER 0",
                              "KEYBOARD 1 0 0 F9 FN+F9KEY 1"};
  for (const Row& row : rows) {
    SCOPED_TRACE("ending " + std::to_string(row.ending) + " holding action " +
                 std::to_string(row.action) + "/" + std::to_string(row.keyboardAction));
    if (!attached) {
      listener.engine().Pause(0);
      ASSERT_TRUE(controller.addListener(listener));
      attached = true;
    }
    driver.plugDevice();
    driver.sync();
    listener.engine().Pause(0);
    setUser(ThumbForeAction, static_cast<float>(row.action));
    setUser(ThumbForeKeyboardAction, static_cast<float>(row.keyboardAction));
    actions();
    const int releasesBefore = listener.journal->releases.load();

    pinch(row.reopen);
    const std::string pressed = row.action == 1 ? "LEFT_BUTTON 1 0 0" : keys[row.keyboardAction];
    std::string released = pressed;
    released.replace(released.find(" 1 0 0"), 6, " 0 0 0");
    std::vector<std::string> expected{pressed};
    if (row.reopen) expected.push_back(released);
    ASSERT_EQ(actions(), expected);
    EXPECT_EQ(engine().isLeftPressed() + engine().isKeyPressed(), row.reopen ? 0 : 1);

    // Out of sight is not gone: the pinch stays closed.
    for (int i = 0; i < 30; ++i) pushEmpty();
    EXPECT_TRUE(actions().empty());
    EXPECT_EQ(engine().whichGestureIsFired(), row.reopen ? -1 : 0);
    EXPECT_EQ(listener.journal->releases.load(), releasesBefore);

    end(row.ending);
    // The closed pinch hands its action the release (silently), then everything held here goes.
    if (row.reopen) {
      EXPECT_TRUE(actions().empty());
    } else {
      EXPECT_EQ(actions(), std::vector<std::string>{released});
    }
    EXPECT_GE(listener.journal->releases.load(), releasesBefore + 1);
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
