#pragma once
// The engine as the tray window runs it: a listener added to an in-process controller builds its
// own sink (a recorder here), box and settings file. The working directory is a fresh folder per
// test (the log is "./fingerData.dat").

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <string>
#include <vector>

#include "test_listener_harness.h"
#include "test_recogniser_harness.h"

class EngineFixture : public ::testing::Test {
 protected:
  static constexpr int kStandalone = 0;
  static constexpr int kSource = 1;
  static constexpr int kDestination = 2;

  QTemporaryDir work;
  QString previousDir = QDir::currentPath();
  Leap::Controller controller{std::string()};
  Leap::TestDriver driver{controller};
  ProbeListener listener;
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
    listener.engine().SetUserParam(value, index);
    listener.engine().DecodeParameters(0);
  }

  // Source mode, the destination's screen w x h (0 x 0: not told) as the sink's pointer space.
  // The table entry too, as the options dialog keeps it: a decode would otherwise bring the old mode
  // back.
  void becomeSource(int w = 1000, int h = 800) {
    listener.engine().SetUserParam(kSource, NetworkMode);
    listener.setNetworkMode(kSource);
    ASSERT_NE(listener.sink(), nullptr);
    listener.sink()->width = w;
    listener.sink()->height = h;
  }
  // What the engine decided since the last call.
  std::vector<std::string> collect() { return listener.journal->take(); }
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
