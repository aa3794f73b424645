#pragma once
// A started listener whose engine decides against the real action manager in source mode: every
// action arrives as a command datagram on the test's loopback socket (destination screen 1000 x 800).

#include <memory>
#include <string>
#include <vector>

#include "test_listener_harness.h"
#include "test_recogniser_harness.h"

class SourceListenerFixture : public ListenerFixture {
 protected:
  using Strings = std::vector<std::string>;

  rig::CommandReceiver rx;
  VelmoBox box;
  std::unique_ptr<ActionMgr> mgr;

  void SetUp() override {
    ListenerFixture::SetUp();
    if (HasFatalFailure()) return;
    setUser(NetworkMode, 1);
    setUser(AutoHandMotionScaleFactor, 0);
    mgr = rig::loopbackManager(rig::engineRecord(engine()), rx, 1000, 800);
    // What the engine's start-up does; no frame is in flight yet.
    engine().setEngineObjects(mgr.get(), &box);
    engine().ResetRecogniser();
  }
  void TearDown() override {
    // The objects are the test's: the engine lets go of them before the listener goes.
    engine().setEngineObjects(nullptr, nullptr);
    ListenerFixture::TearDown();
  }

  // Commands since the last call; SETMOUSEPOINTER marks the end (nothing else sends it here).
  Strings collect() {
    mgr->SetMousePointer();
    return rx.readUntil("SETMOUSEPOINTER");
  }
};
