// The receiver on a thread of its own with real sockets: one process plays the machines by binding
// 127.0.0.1 (the source), 127.0.0.2 (the destination) and 127.0.0.3 (a hostile host) on one port.
// What counts is what reaches the peers' sockets and what the private X server shows.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QSemaphore>
#include <QTest>
#include <QThread>
#include <cstdio>
#include <functional>

#include "Receiver.h"
#include "RelayCodec.h"
#include "X11Backend.h"
#include "relay_test_util.h"

namespace {

constexpr unsigned long kXK_Control_L = 0xFFE3;

bool waitFor(const std::function<bool()>& condition, int ms = 5000) {
  return QTest::qWaitFor(condition, ms);
}

unsigned buttons() {
  int x, y;
  unsigned mask = 0;
  testDesktop().queryPointer(&x, &y, &mask);
  return mask & 0x700;
}

bool pointerAt(int x, int y) {
  int px = -1, py = -1;
  testDesktop().queryPointer(&px, &py);
  return px == x && py == y;
}

bool ctrlDown() {
  X11Backend& x = testDesktop();
  x.sync();
  return x.isKeyDown(x.keycodeForKeysym(kXK_Control_L));
}

// Every datagram a peer receives within ms, as text.
QStringList gather(LoopbackPeer& peer, int ms) {
  QStringList out;
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) {
    if (peer.socket.hasPendingDatagrams() || peer.socket.waitForReadyRead(10))
      while (peer.socket.hasPendingDatagrams())
        out << QString::fromUtf8(peer.socket.receiveDatagram().data());
  }
  return out;
}

int count(const QStringList& l, const char* prefix) {
  int n = 0;
  for (const QString& s : l) n += s.startsWith(QLatin1String(prefix)) ? 1 : 0;
  return n;
}

// Every datagram a peer receives until n of them start with prefix, within a generous deadline.
QStringList gatherUntil(LoopbackPeer& peer, const char* prefix, int n) {
  QStringList out;
  QElapsedTimer t;
  t.start();
  while (count(out, prefix) < n && t.elapsed() < 20000) {
    if (peer.socket.hasPendingDatagrams() || peer.socket.waitForReadyRead(10))
      while (peer.socket.hasPendingDatagrams())
        out << QString::fromUtf8(peer.socket.receiveDatagram().data());
  }
  return out;
}

// Every datagram until three size reports: three timer ticks after the pairing, time for a
// second request of the pointer parameters had there been one.
QStringList gatherReports(LoopbackPeer& peer) { return gatherUntil(peer, "SETRESOLUTION", 3); }

class RelayHosts : public ::testing::Test {
 protected:
  RelayRig rig;                 // the action manager; rig.source plays 127.0.0.1
  LoopbackPeer hostile;         // 127.0.0.3
  QThread thread;
  QObject* context = nullptr;   // lives on the receiver's thread
  Receiver* rx = nullptr;
  std::atomic<std::int64_t> clockMs{1000000};

  void SetUp() override {
    ASSERT_TRUE(testDesktop().isOpen());
    ASSERT_NE(rig.port, 0);
    ASSERT_TRUE(hostile.bind("127.0.0.3", quint16(rig.port)));
    testDesktop().moveTo(500, 500);
    thread.start();
    context = new QObject;
    context->moveToThread(&thread);
  }
  void TearDown() override {
    if (rx) {
      rx->shutdown();
      delete rx;
    }
    thread.quit();
    thread.wait();
    delete context;
    rig.mgr->releaseHeldInput();
  }
  // A receiver for the machine at address, made on its thread in standalone mode, then put into
  // mode: bound there, with short timers and the test's clock.
  Receiver* makeReceiver(const char* address, int mode, int watchdogMs = 10) {
    Receiver* r = nullptr;
    QMetaObject::invokeMethod(
        context, [&] { r = new Receiver(rig.mgr.get(), rig.mgr.get(), rig.src.get(), rig.port); },
        Qt::BlockingQueuedConnection);
    Receiver::Timing timing;
    timing.resolutionMs = 100;
    timing.paramsMs = 100;
    timing.heldInputMs = 50;
    timing.checkMs = 30;
    timing.watchdogMs = watchdogMs;
    r->setTiming(timing);
    r->setClock([this] { return clockMs.load(); });
    r->setBindAddress(QHostAddress(QString::fromLatin1(address)));
    rig.mode.store(mode);
    r->applyNetworkMode(mode);
    return r;
  }
  // As the engine starts a destination: its size now, then the two destination timers.
  void startDestination(const char* address, int watchdogMs = 10) {
    rig.destination.socket.close();  // the receiver is the destination now
    rx = makeReceiver(address, ActionMgr::Destination, watchdogMs);
    ASSERT_TRUE(waitFor([&] { return rx->isBound(); }));
    rx->sendResolution();
    rx->startSendingResolution();
    rx->startSendingCheckAltMousePtr();
  }
  void send(LoopbackPeer& from, const QByteArray& datagram) {
    from.socket.writeDatagram(datagram, QHostAddress("127.0.0.2"), quint16(rig.port));
  }
  // The receiver has applied the mode before anything sent after this reaches it.
  void applyMode(int mode) {
    rig.mode.store(mode);
    rx->applyNetworkMode(mode);
    QMetaObject::invokeMethod(context, [] {}, Qt::BlockingQueuedConnection);
  }
  // Sends and waits until the receiver has acted on the datagram.
  void deliver(LoopbackPeer& from, const QByteArray& datagram) {
    const int before = rx->datagramsHandled();
    send(from, datagram);
    ASSERT_TRUE(waitFor([&] { return rx->datagramsHandled() > before; }));
  }
};

TEST_F(RelayHosts, ADestinationObeysOnlyItsSourceUntilThatFallsSilent) {
  // No takeover by the watchdog here: only the announcement of another host may take over.
  startDestination("127.0.0.2", 3600 * 1000);

  // Before pairing only an announcement counts, from anyone.
  deliver(hostile, "MOUSEMOVE 10 20 0 0");
  deliver(rig.source, "MOUSEMOVE 30 40 0 0");
  EXPECT_TRUE(pointerAt(500, 500));
  EXPECT_EQ(gather(rig.source, 150), QStringList());  // nothing goes out to an unknown source

  deliver(rig.source, "SETSOURCEIP");
  EXPECT_EQ(rx->pairedSource(), QHostAddress("127.0.0.1"));
  // Its size every tick, and the pointer parameters asked for exactly once.
  const QStringList replies = gatherReports(rig.source);
  EXPECT_GE(count(replies, "SETRESOLUTION 1920 1080"), 3) << replies.join('|').toStdString();
  EXPECT_EQ(count(replies, "CHECKALTERNATIVEMOUSEPTR"), 1) << replies.join('|').toStdString();

  deliver(rig.source, "LEFT_BUTTON 1 0 0");
  deliver(rig.source, "MOUSEMOVE 30 40 0 0");
  EXPECT_TRUE(pointerAt(30, 40));
  EXPECT_EQ(buttons(), 0x100u);

  // A third host's commands do nothing, and while the source speaks it cannot take over.
  clockMs += Receiver::SilenceMs - 1;
  for (const char* c : {"LEFT_BUTTON 0 0 0", "MOUSEMOVE 10 20 0 0", "SETSOURCEIP", "HIDEMOUSEPOINTER 1"})
    deliver(hostile, c);
  EXPECT_TRUE(pointerAt(30, 40));
  EXPECT_EQ(buttons(), 0x100u);
  EXPECT_FALSE(testDesktop().isCursorHidden());
  EXPECT_EQ(rx->pairedSource(), QHostAddress("127.0.0.1"));
  EXPECT_EQ(count(gather(hostile, 150), ""), 0);

  // After 15 s of silence it can; the button the old source held is let go of first.
  clockMs += 1;
  deliver(hostile, "SETSOURCEIP");
  EXPECT_EQ(rx->pairedSource(), QHostAddress("127.0.0.3"));
  EXPECT_EQ(buttons(), 0u);
  const QStringList toNew = gatherReports(hostile);
  EXPECT_GE(count(toNew, "SETRESOLUTION"), 3);
  EXPECT_EQ(count(toNew, "CHECKALTERNATIVEMOUSEPTR"), 1);
  deliver(rig.source, "MOUSEMOVE 50 60 0 0");
  EXPECT_TRUE(pointerAt(30, 40));
  deliver(hostile, "MOUSEMOVE 70 80 0 0");
  EXPECT_TRUE(pointerAt(70, 80));
}

TEST_F(RelayHosts, SilenceAndLeavingDestinationModeLetGoOfHeldInput) {
  startDestination("127.0.0.2");
  deliver(rig.source, "SETSOURCEIP");
  for (const char* c : {"LEFT_BUTTON 1 0 0", "KEYBOARD 1 0 0 Ctrl+F5 ESCKEY 0", "HIDEMOUSEPOINTER 1"})
    deliver(rig.source, c);
  EXPECT_EQ(buttons(), 0x100u);
  EXPECT_TRUE(ctrlDown());
  EXPECT_TRUE(testDesktop().isCursorHidden());

  // The release datagrams never come: the watchdog lets go once the source is silent for 15 s.
  clockMs += Receiver::SilenceMs - 1;
  QTest::qWait(100);
  EXPECT_EQ(buttons(), 0x100u);
  clockMs += 1;
  EXPECT_TRUE(waitFor([] { return buttons() == 0 && !ctrlDown(); }));

  // The source is back; the destination stops being one: released, cursor shown, source forgotten.
  deliver(rig.source, "LEFT_BUTTON 1 0 0");
  EXPECT_EQ(buttons(), 0x100u);
  gather(rig.source, 50);
  applyMode(ActionMgr::Source);
  EXPECT_TRUE(waitFor([&] { return buttons() == 0 && rx->pairedSource().isNull(); }));
  EXPECT_FALSE(testDesktop().isCursorHidden());

  // Back to destination: the first announcement pairs again, with one more check.
  applyMode(ActionMgr::Destination);
  rx->startSendingCheckAltMousePtr();
  deliver(rig.source, "SETSOURCEIP");
  // Asked for once (no size reports here: nothing restarted them): the first, then a while more.
  QStringList again = gatherUntil(rig.source, "CHECKALTERNATIVEMOUSEPTR", 1);
  again += gather(rig.source, 200);
  EXPECT_EQ(count(again, "CHECKALTERNATIVEMOUSEPTR"), 1);
}

TEST_F(RelayHosts, ALiveSourceRestatesWhatItHoldsAndItsLostReleasesAreMadeGood) {
  // The source's side: the restatement follows what went out, whatever was pressed before.
  rig.spare.socket.close();
  rx = makeReceiver("127.0.0.4", ActionMgr::Source);
  ASSERT_TRUE(waitFor([&] { return rx->isBound(); }));
  rx->startSendingParams();
  auto restated = [&](const char* expected) {
    return waitFor([&] { return rig.destination.next(1000) == expected; });
  };
  EXPECT_TRUE(restated("HELD_INPUT 0 0 0 0"));
  rig.src->GenerateAction(LeftButton, 1, 0, 1, QString(), QString(), false);
  rig.src->GenerateAction(KeyboardShortcut, 1, 1, 0, "Ctrl+F5", "ESC KEY", false);  // suppressed
  EXPECT_TRUE(restated("HELD_INPUT 1 0 0 0"));
  rig.src->GenerateAction(LeftButton, 0, 0, 1, QString(), QString(), false);
  EXPECT_TRUE(restated("HELD_INPUT 0 0 0 0"));
  rx->shutdown();
  delete rx;

  // The destination's: what the source still holds stays held, however long; what it no longer
  // holds goes, as its lost release would have made it go.
  startDestination("127.0.0.2", 3600 * 1000);
  deliver(rig.source, "SETSOURCEIP");
  for (const char* c : {"LEFT_BUTTON 1 0 0", "KEYBOARD 1 0 0 Ctrl+F5 ESCKEY 0"}) deliver(rig.source, c);
  struct Step {
    const char* restatement;
    unsigned buttons;
    bool ctrl;
  };
  for (const Step& s : {Step{"HELD_INPUT 1 0 0 1", 0x100, true}, Step{"HELD_INPUT 1 0 0 1", 0x100, true},
                        Step{"HELD_INPUT 0 0 0 1", 0, true}, Step{"HELD_INPUT 0 1 1 0", 0, false}}) {
    clockMs += 1000;
    deliver(rig.source, s.restatement);
    EXPECT_EQ(buttons(), s.buttons) << s.restatement;
    EXPECT_EQ(ctrlDown(), s.ctrl) << s.restatement;
  }
  // A third host's restatement counts for nothing.
  deliver(rig.source, "LEFT_BUTTON 1 0 0");
  deliver(hostile, "HELD_INPUT 0 0 0 0");
  EXPECT_EQ(buttons(), 0x100u);
}

TEST_F(RelayHosts, FloodsOversizeAndGarbageNeitherActNorStarveTheThread) {
  startDestination("127.0.0.2");
  Receiver::Timing timing;
  timing.datagramsPerRead = 8;
  timing.resolutionMs = timing.paramsMs = 100;
  timing.checkMs = 30;
  rx->setTiming(timing);
  deliver(rig.source, "SETSOURCEIP");

  // The thread is busy while the datagrams pile up.
  QSemaphore go;
  QMetaObject::invokeMethod(context, [&] { go.acquire(); });
  const int before = rx->datagramsHandled();
  int sent = 0;
  QByteArray oversize("MOUSEMOVE 1 2 0 0");
  oversize.append('\0').append(QByteArray(RelayCodec::MaxDatagramBytes, 'x'));
  for (int i = 0; i < 100; ++i) {
    send(hostile, i % 2 ? QByteArray("MOUSEMOVE 3 4 0 0") : QByteArray::number(i).repeated(7));
    ++sent;
    if (i % 20 == 0) {
      send(rig.source, oversize);
      send(rig.source, QByteArray("MOUSEMOVE\xff 5 6 0 0"));
      sent += 2;
    }
  }
  send(rig.source, "MOUSEMOVE 70 80 0 0");
  const int total = before + sent + 1;
  // A probe that keeps re-queuing itself on the receiver's thread: it runs between the batches.
  std::atomic<int> probesDuringFlood{0};
  std::function<void()> probe = [&] {
    const int read = rx->datagramsHandled();
    if (read > before && read < total) ++probesDuringFlood;
    if (read < total) QMetaObject::invokeMethod(context, probe, Qt::QueuedConnection);
  };
  QMetaObject::invokeMethod(context, probe, Qt::QueuedConnection);
  go.release();

  EXPECT_TRUE(waitFor([&] { return rx->datagramsHandled() >= total; }));
  // The last probe has run before the test's state goes.
  QMetaObject::invokeMethod(context, [] {}, Qt::BlockingQueuedConnection);
  EXPECT_GE(probesDuringFlood.load(), 3);
  EXPECT_TRUE(pointerAt(70, 80));
  EXPECT_EQ(rx->pairedSource(), QHostAddress("127.0.0.1"));
}

TEST_F(RelayHosts, ABurstOfDatagramsNeverLeavesTheDestinationDeaf) {
  startDestination("127.0.0.2");
  deliver(rig.source, "SETSOURCEIP");
  struct Burst {
    const char* what;
    LoopbackPeer* from;
    QByteArray datagram;
  };
  const Burst bursts[] = {
      {"junk from the source's address", &rig.source, QByteArray("\x01junk\xfe", 6)},
      {"a third host's commands", &hostile, "MOUSEMOVE 1 2 0 0"},
      {"near-miss commands", &rig.source, "MOUSEMOVE  3 4 0 0"},
  };
  int x = 100;
  for (const Burst& b : bursts) {
    // One wake-up finds the whole burst (more than a turn's worth) waiting.
    QSemaphore go;
    QMetaObject::invokeMethod(context, [&] { go.acquire(); });
    for (int i = 0; i < 70; ++i) send(*b.from, b.datagram);
    go.release();
    x += 10;
    QElapsedTimer acted;
    acted.start();
    send(rig.source, "MOUSEMOVE " + QByteArray::number(x) + " 90 0 0");
    while (!pointerAt(x, 90) && acted.elapsed() < 10000) QThread::usleep(200);
    EXPECT_TRUE(pointerAt(x, 90)) << b.what;
    std::printf("after %s: the move acted in %.1f ms\n", b.what, acted.nsecsElapsed() / 1e6);
  }
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
