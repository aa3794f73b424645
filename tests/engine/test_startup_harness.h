#pragma once
// The engine as the tray window runs it: a listener added to an in-process controller builds its
// own action manager, box and settings file. The working directory is a fresh folder per test (the
// log is "./fingerData.dat"); a loopback socket stands for a destination machine.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <string>
#include <vector>

#include "ActionMgr.h"
#include "test_listener_harness.h"
#include "test_recogniser_harness.h"

class EngineFixture : public ::testing::Test {
 protected:
  QTemporaryDir work;
  QString previousDir = QDir::currentPath();
  Leap::Controller controller{std::string()};
  Leap::TestDriver driver{controller};
  ProbeListener listener;
  rig::CommandReceiver rx;
  int64_t clock = 1000000;

  void SetUp() override {
    ASSERT_TRUE(work.isValid());
    ASSERT_TRUE(QDir::setCurrent(work.path()));
  }
  void TearDown() override {
    controller.removeListener(listener);
    QDir::setCurrent(previousDir);
  }

  VelmoGestures& engine() { return listener.engine(); }
  QString logPath() const { return work.filePath("fingerData.dat"); }
  QString settingsPath() const { return listener.settingsDir() + "/velmo.dat"; }

  // onInit, with a device attached.
  void start() {
    ASSERT_TRUE(controller.addListener(listener));
    driver.plugDevice();
    driver.sync();
  }
  // onExit.
  void stop() { ASSERT_TRUE(controller.removeListener(listener)); }

  void setUser(int index, float value) {
    listener.SetUserParam(value, index);
    listener.DecodeParameters(0);
  }

  // Source mode towards the loopback socket, the destination's screen w x h (0 x 0: not told).
  // The table entry too, as the options dialog keeps it: a decode would otherwise bring the old mode
  // back.
  void becomeSource(int w = 1000, int h = 800) {
    listener.SetUserParam(ActionMgr::Source, NetworkMode);
    listener.setNetworkMode(ActionMgr::Source);
    int ip[4] = {127, 0, 0, 1};
    listener.getActionMgr()->createSender(rx.port(), ip);
    listener.getActionMgr()->SetResolution(w, h);
  }
  // What the source sent since the last call (SETMOUSEPOINTER marks the end; source mode only).
  std::vector<std::string> collect() {
    listener.getActionMgr()->SetMousePointer();
    return rx.readUntil("SETMOUSEPOINTER");
  }
  static std::vector<std::string> starting(const std::vector<std::string>& all,
                                           const std::string& keyword) {
    std::vector<std::string> out;
    for (const auto& c : all)
      if (c.rfind(keyword, 0) == 0) out.push_back(c);
    return out;
  }

  void push(const Leap::RawHand& hand) {
    clock += 11111;  // 90 fps
    driver.pushHand(hand, clock);
    driver.sync();
  }
  void pushEmpty() {
    clock += 11111;
    driver.pushEmpty(clock);
    driver.sync();
  }
  void pushOpen(float x = 0.0f, float y = 200.0f) { push(handWithCurl(0, 0, 0, 0, 0, palmAt(x, y))); }
};
