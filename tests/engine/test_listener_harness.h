#pragma once
// A listener on an in-process controller fed by the tracking layer's test driver.

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cstdint>
#include <string>

#include "Leap.h"
#include "LeapHandBuilder.h"
#include "LeapTestDriver.h"
#include "VelmoListener.h"

// Opens the engine to the tests: the recogniser inside the listener, and the held-action flags
// that only the pinch logic writes. Its settings file lives in a folder of its own, so no test
// reads what another wrote.
class ProbeListener : public VelmoListener {
 public:
  ProbeListener() { gestures_.setSettingsDir(settingsDir_.path()); }
  VelmoGestures& engine() { return gestures_; }
  QString settingsDir() const { return settingsDir_.path(); }

 private:
  QTemporaryDir settingsDir_;
};

struct EngineAccess : VelmoGestures {
  // action: 1 left, 2 right, 3 middle, 4 keyboard.
  static void setPressed(VelmoGestures& g, int action, int held) {
    (g.*(&EngineAccess::actionPressed_))[action].store(held);
  }
};

class ListenerFixture : public ::testing::Test {
 protected:
  Leap::Controller controller{std::string()};
  Leap::TestDriver driver{controller};
  ProbeListener listener;
  int64_t clock = 1000000;

  void SetUp() override {
    ASSERT_TRUE(controller.addListener(listener));
    driver.plugDevice();
    driver.sync();
  }
  void TearDown() override { controller.removeListener(listener); }

  VelmoGestures& engine() { return listener.engine(); }

  void setUser(int index, float value) {
    engine().SetUserParam(value, index);
    engine().DecodeParameters(0);
  }

  // One frame with the hand, delivered; returns the record the GUI thread would see.
  handTrackingData push(const Leap::RawHand& hand) {
    clock += 11111;  // 90 fps
    driver.pushHand(hand, clock);
    driver.sync();
    return listener.getHandData();
  }
  handTrackingData pushEmpty() {
    clock += 11111;
    driver.pushEmpty(clock);
    driver.sync();
    return listener.getHandData();
  }
};

inline Leap::Vector palmAt(float x = 0.0f, float y = 200.0f, float z = 0.0f) {
  return Leap::Vector(x, y, z);
}

// Thumb, index, middle, ring, pinky: 0 straight, 1 curled.
inline Leap::RawHand handWithCurl(float t, float i, float m, float r, float p,
                                  Leap::Vector palm = palmAt()) {
  Leap::HandPose pose;
  pose.palm = palm;
  const float c[5] = {t, i, m, r, p};
  for (int k = 0; k < 5; ++k) pose.curl[k] = c[k];
  return Leap::HandBuilder::build(pose);
}
