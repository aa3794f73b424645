#pragma once
// A started listener whose engine decides against a recording sink in source mode: every decision
// is written down in the relay's words (destination screen 1000 x 800).

#include <string>
#include <vector>

#include "test_listener_harness.h"
#include "test_recogniser_harness.h"

class SourceListenerFixture : public ListenerFixture {
 protected:
  using Strings = std::vector<std::string>;

  rig::RecordingSink sink{1000, 800};
  VelmoBox box;

  void SetUp() override {
    ListenerFixture::SetUp();
    if (HasFatalFailure()) return;
    setUser(NetworkMode, 1);
    setUser(AutoHandMotionScaleFactor, 0);
    // What the engine's start-up does; no frame is in flight yet.
    engine().setEngineObjects(&sink, &box);
    engine().ResetRecogniser();
  }
  void TearDown() override {
    // The objects are the test's: the engine lets go of them before the listener goes.
    engine().setEngineObjects(nullptr, nullptr);
    ListenerFixture::TearDown();
  }

  // Decisions since the last call; every frame pushed has been delivered.
  Strings collect() { return sink.take(); }
};
