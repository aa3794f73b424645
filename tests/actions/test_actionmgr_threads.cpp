#include <gtest/gtest.h>

#include <QApplication>
#include <QRegularExpression>
#include <atomic>
#include <thread>

#include "relay_test_util.h"

namespace {

// Every command the manager can put on the wire, whole.
bool isWholeCommand(const QByteArray& d) {
  static const QRegularExpression re(QStringLiteral(
      "^(MOUSEMOVE -?\\d+ -?\\d+ [01] [01]"
      "|(LEFT|RIGHT|MIDDLE)_BUTTON [01] [01] [01]"
      "|KEYBOARD [01] 0 1 Ctrl\\+F5 REFRESH 0"
      "|MOUSEWHEELMOVE \\d+\\.\\d{6} [01] 1 \\d+\\.\\d{6}"
      "|RESETMOUSEWHEEL|DELETEMOUSEPOINTER|SETMOUSEPOINTER|SETSOURCEIP|FIST_DETECTED"
      "|SETMOUSEPARAM 400 1\\.000000 0 0 0"
      "|SCREEN_BORDER [0-4] [0-4] [01] [01]"
      "|AUDIO_GRAPHIC_FX_PARAMS [01] [01] [01]"
      "|HELD_INPUT [01] [01] [01] [01])$"));
  return re.match(QString::fromLatin1(d)).hasMatch();
}

// The tracking thread, the receiver's thread and the GUI thread drive a source's sink at once, as
// the tray, the engine and the relay do.
TEST(ActionMgrThreads, ThreeThreadsOnASource) {
  RelayRig rig;
  SourceSink& m = *rig.src;
  rig.mode.store(ActionMgr::Source);
  m.setRemoteSize(1920, 1080);
  constexpr int kRounds = 150;
  std::atomic<bool> stop{false};

  std::thread tracking([&] {
    for (int i = 0; i < kRounds; ++i) {
      m.MousePointerMove(i % 7 == 0 ? -5 : 100 + i, 300, 0, 0);
      m.MousePointerMove(1, -1, 0, 1);
      m.GenerateFistDetected(i % 3 == 0);
      m.GenerateAction(LeftButton, i % 2 == 0, 1, 1, {}, {}, false);
      m.GenerateAction(KeyboardShortcut, i % 2 == 0, 0, 1, "Ctrl+F5", "REFRESH", false);
      m.MouseWheelMove(0.05f * (i % 20), 1, 1, 0.05f * (i % 25));
      if (i % 20 == 0) m.ResetMouseWheel();
      m.GenerateScreenBorderReached(i % 5 == 0 ? LeftSide : NoSide, NoSide, false, i % 2 == 0);
    }
  });
  std::thread receiver([&] {
    int to[4] = {127, 0, 0, 2};
    for (int i = 0; !stop.load(); ++i) {
      m.announceSource();
      m.setRemoteSize(1920, 1080);
      m.sendHeldInput();
      m.sendAudioGraphicParam(i % 2 == 0, true, false);
      m.retarget(rig.port, to);
      (void)m.remoteWidth();
      std::this_thread::yield();
    }
  });
  for (int i = 0; i < kRounds; ++i) {
    m.SetMousePointer();
    m.DeleteMousePointer();
    m.setParam(400, 1.0f, 0, 0, 0);
    m.sendAudioGraphicParam();
    if (i % 10 == 0) m.releaseHeldInput();
    (void)m.isBorderActive();
    std::this_thread::yield();
  }
  tracking.join();
  stop.store(true);
  receiver.join();

  // Nothing torn: every datagram on either machine is one whole command.
  int received = 0;
  for (LoopbackPeer* p : {&rig.destination, &rig.source}) {
    while (p->socket.hasPendingDatagrams() || p->socket.waitForReadyRead(200)) {
      const QByteArray d = p->socket.receiveDatagram().data();
      EXPECT_TRUE(isWholeCommand(d)) << d.constData();
      ++received;
    }
  }
  EXPECT_GT(received, 0);

  // And the manager is still in order afterwards.
  m.GenerateScreenBorderReached(NoSide, NoSide, false, false);
  EXPECT_FALSE(m.isBorderActive());
  m.GenerateFistDetected(false);
  m.GenerateFistDetected(true);
  EXPECT_EQ(rig.destination.next(), "FIST_DETECTED");
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
