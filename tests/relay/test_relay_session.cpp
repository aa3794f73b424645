// The relay session with real sockets: one process plays the machines, this one on 127.0.0.4 and
// its destination on 127.0.0.2. What counts is what reaches the destination's socket.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QThread>
#include <atomic>
#include <functional>

#include "Receiver.h"
#include "RelaySession.h"
#include "relay_test_util.h"

namespace {

// The relay's receiving end as the tray window makes it, here bound to this machine's own loopback
// address.
class LoopbackEndpoint : public RelayEndpoint {
 public:
  LoopbackEndpoint(ActionMgr& mgr, int port, SourceSink& source, std::function<void()> requested) {
    rx_ = std::make_unique<Receiver>(&mgr, &mgr, &source, port);
    rx_->setBindAddress(QHostAddress("127.0.0.4"));
    // No periodic message within the test: what the destination sees comes from the changes.
    Receiver::Timing slow;
    slow.resolutionMs = slow.paramsMs = slow.heldInputMs = slow.checkMs = 3600 * 1000;
    rx_->setTiming(slow);
    rx_->setPointerRequestHandler(std::move(requested));
  }
  void applyNetworkMode(int mode) override { rx_->applyNetworkMode(mode); }
  void resetSocket(int port) override { rx_->resetSocket(port); }
  void startSendingParams() override { rx_->startSendingParams(); }
  void stopSendingParams() override { rx_->stopSendingParams(); }
  void startSendingResolution() override { rx_->startSendingResolution(); }
  void stopSendingResolution() override { rx_->stopSendingResolution(); }
  void startSendingCheckAltMousePtr() override { rx_->startSendingCheckAltMousePtr(); }
  void sendResolution() override { rx_->sendResolution(); }
  void sendParams() override { rx_->sendParams(); }
  void shutdown() override { rx_->shutdown(); }
  Receiver& receiver() { return *rx_; }

 private:
  std::unique_ptr<Receiver> rx_;
};

TEST(RelaySession, TheModeHasOneOwnerAndEachChangeSendsWhatThatModeSends) {
  RelayRig rig;
  ASSERT_NE(rig.port, 0);
  rig.spare.socket.close();  // this machine's receiver takes 127.0.0.4
  std::vector<int> stored;
  std::atomic<int> requests{0};
  LoopbackEndpoint* endpoint = nullptr;
  RelaySession::Wiring wiring;
  wiring.endpoint = [&](int port, SourceSink& source, std::function<void()> requested) {
    auto made = std::make_unique<LoopbackEndpoint>(*rig.mgr, port, source, std::move(requested));
    endpoint = made.get();
    return std::unique_ptr<RelayEndpoint>(std::move(made));
  };
  wiring.storeMode = [&](int mode) {
    stored.push_back(mode);
    rig.mode.store(mode);
  };
  wiring.pointerRequested = [&] { ++requests; };
  // The engine's sink as the session hands it over.
  std::atomic<EngineSink*> engineSink{rig.mgr.get()};
  wiring.useSink = [&](EngineSink* sink) { engineSink.store(sink ? sink : rig.mgr.get()); };
  wiring.localSink = rig.mgr.get();
  RelaySession session(wiring);
  const int ip[4] = {127, 0, 0, 2};
  session.start(RelaySession::Standalone, rig.port, ip);
  ASSERT_NE(session.thread(), nullptr);
  EXPECT_TRUE(session.thread()->isRunning());
  EXPECT_NE(session.thread(), QThread::currentThread());

  // Each change: what the settings record, and the first datagram the destination sees after it
  // (a reset of the wheel sent as a marker shows that nothing came before it).
  struct Step {
    int mode;
    std::vector<int> stored;
    const char* first;
  };
  const Step steps[] = {
      {RelaySession::Source, {1}, "SETSOURCEIP"},           // a new source announces itself
      {RelaySession::Source, {1, 1}, "RESETMOUSEWHEEL"},    // once only
      {7, {1, 1}, "RESETMOUSEWHEEL"},                       // no such mode
      {RelaySession::Destination, {1, 1, 2}, nullptr},      // acts here, answers no one yet
      {RelaySession::Source, {1, 1, 2, 1}, "SETSOURCEIP"},  // a source again
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.mode);
    session.setMode(s.mode);
    EXPECT_EQ(stored, s.stored);
    EXPECT_EQ(session.mode(), s.stored.back());
    if (!s.first) continue;
    engineSink.load()->ResetMouseWheel();
    EXPECT_EQ(rig.destination.next(), QByteArray(s.first));
    while (rig.destination.socket.hasPendingDatagrams()) rig.destination.socket.receiveDatagram();
  }

  // The destination asks for the pointer parameters: handed on as it arrives, from it only.
  ASSERT_TRUE(QTest::qWaitFor([&] { return endpoint->receiver().isBound(); }, 5000));
  LoopbackPeer stranger;
  ASSERT_TRUE(stranger.bind("127.0.0.3", 0));
  for (LoopbackPeer* from : {&stranger, &rig.destination}) {
    const int before = endpoint->receiver().datagramsHandled();
    from->socket.writeDatagram("CHECKALTERNATIVEMOUSEPTR", QHostAddress("127.0.0.4"), quint16(rig.port));
    ASSERT_TRUE(QTest::qWaitFor([&] { return endpoint->receiver().datagramsHandled() > before; }, 5000));
  }
  EXPECT_TRUE(QTest::qWaitFor([&] { return requests.load() == 1; }, 5000));
  // The parameters' answer is the tray's; the pointer window's command follows it.
  EXPECT_EQ(rig.destination.next(), "SETMOUSEPOINTER");

  // The end: the socket is closed and the thread gone.
  session.stop();
  EXPECT_EQ(session.thread(), nullptr);
  EXPECT_EQ(engineSink.load(), rig.mgr.get());
  LoopbackPeer again;
  EXPECT_TRUE(again.bind("127.0.0.4", quint16(rig.port)));
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
