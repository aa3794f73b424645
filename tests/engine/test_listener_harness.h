#pragma once
// A listener on an in-process controller fed by the tracking layer's test driver.

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QThread>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "Leap.h"
#include "LeapHandBuilder.h"
#include "LeapTestDriver.h"
#include "VelmoListener.h"
#include "recording_sink.h"

// Opens the engine to the tests: the recogniser inside the listener, and the held-action flags
// that only the pinch logic writes. Its settings file lives in a folder of its own, so no test
// reads what another wrote. Each start makes a recording sink for a 1920 x 1080 screen, as the
// tray window's makes its action manager; all of them write into the listener's journal.
class ProbeListener : public VelmoListener {
 public:
  ProbeListener() {
    gestures_.parameters().setSettingsDir(settingsDir_.path());
    setSinkFactory([this](const EngineSink::Setup& setup) {
      auto made = std::make_unique<rig::RecordingSink>(setup, journal);
      made->width = 1920;
      made->height = 1080;
      sinkThread = QThread::currentThread();
      ++sinksMade;
      return std::unique_ptr<EngineSink>(std::move(made));
    });
  }
  VelmoGestures& engine() { return gestures_; }
  QString settingsDir() const { return settingsDir_.path(); }
  // The sink the engine decides into now (null before the start and after the exit).
  rig::RecordingSink* sink() const { return dynamic_cast<rig::RecordingSink*>(gestures_.sink()); }
  // What every sink of this listener wrote, in order.
  std::shared_ptr<rig::Journal> journal = std::make_shared<rig::Journal>();
  std::atomic<int> sinksMade{0};
  std::atomic<QThread*> sinkThread{nullptr};

 private:
  QTemporaryDir settingsDir_;
};

struct EngineAccess : VelmoGestures {
  // action: 1 left, 2 right, 3 middle, 4 keyboard.
  struct Pinches : PinchMachine {
    static void setPressed(PinchMachine& m, int action, int held) {
      (m.*(&Pinches::actionPressed_))[action].store(held);
    }
  };
  static void setPressed(VelmoGestures& g, int action, int held) {
    Pinches::setPressed(g.*(&EngineAccess::pinch_), action, held);
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
    return listener.engine().getHandData();
  }
  handTrackingData pushEmpty() {
    clock += 11111;
    driver.pushEmpty(clock);
    driver.sync();
    return listener.engine().getHandData();
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
