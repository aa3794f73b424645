#pragma once

// Shared pieces of the action-manager tests: a manager wired to test-owned switches, loopback peers
// standing in for the destination and the source machine, and a log of the manager's signals.

#include <gtest/gtest.h>

#include <QNetworkDatagram>
#include <QStringList>
#include <QTimer>
#include <QUdpSocket>
#include <atomic>
#include <memory>
#include <mutex>

#include "ActionMgr.h"
#include "SourceSink.h"
#include "desktop_test_util.h"

// A machine on loopback that collects datagrams.
struct LoopbackPeer {
  QUdpSocket socket;
  bool bind(const char* address, quint16 port) {
    if (!socket.bind(QHostAddress(QString::fromLatin1(address)), port)) return false;
    socket.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4 * 1024 * 1024);
    return true;
  }
  quint16 port() const { return socket.localPort(); }
  // The next datagram's bytes; "<none>" when none comes within a generous bound.
  QByteArray next(int waitMs = 5000) {
    if (!socket.hasPendingDatagrams() && !socket.waitForReadyRead(waitMs)) return "<none>";
    return socket.receiveDatagram().data();
  }
  QNetworkDatagram nextDatagram() {
    if (!socket.hasPendingDatagrams() && !socket.waitForReadyRead(5000)) return QNetworkDatagram();
    return socket.receiveDatagram();
  }
};

// Every signal of the manager in the order emitted.
struct SignalLog {
  std::mutex mutex;
  QStringList events;
  void attach(ActionMgr* m) {
    QObject::connect(m, &ActionMgr::SendWndEvent, m, [this](unsigned int e) { add("wnd %1", e); },
                     Qt::DirectConnection);
    QObject::connect(m, &ActionMgr::fistDetected, m, [this](int v) { add("fist %1", v); },
                     Qt::DirectConnection);
    QObject::connect(m, &ActionMgr::screenBorderReached, m, [this](int v) { add("sound %1", v); },
                     Qt::DirectConnection);
    QObject::connect(
        m, &ActionMgr::screenBorderSideReached, m,
        [this](int side, int autoHeight) {
          std::lock_guard<std::mutex> lock(mutex);
          events << QStringLiteral("side %1 %2").arg(side).arg(autoHeight);
        },
        Qt::DirectConnection);
  }
  void add(const char* fmt, long long v) {
    std::lock_guard<std::mutex> lock(mutex);
    events << QString::fromLatin1(fmt).arg(v);
  }
  QStringList take() {
    std::lock_guard<std::mutex> lock(mutex);
    QStringList out = events;
    events.clear();
    return out;
  }
};

// A manager as the engine makes it, on the test's desktop: the mode and the effect switches live
// outside, read through pointers. The destination machine is a peer on 127.0.0.2; the source
// machine one on 127.0.0.1, both on the same port, as the protocol has it.
struct RelayRig {
  std::atomic<int> mode{0};
  std::atomic<bool> audioFx{true};
  std::atomic<bool> audioFxBorder{false};
  std::atomic<bool> graphicFx{true};
  struct Written {
    int calls = 0;
    bool audio = false, border = false, graphic = false;
  } written;
  QTimer releaseTimer;
  LoopbackPeer destination;
  LoopbackPeer source;
  // Holds the port on 127.0.0.4 for a test that puts a source there, so that no other test
  // program running beside this one takes it meanwhile.
  LoopbackPeer spare;
  std::unique_ptr<ActionMgr> mgr;
  // The sink a source's engine hands its decisions to, towards the destination peer.
  std::unique_ptr<SourceSink> src;
  SignalLog log;
  int port = 0;

  RelayRig() {
    // One port on three loopback addresses; retry if they are not all free on that port.
    for (int tries = 0; tries < 20 && port == 0; ++tries) {
      LoopbackPeer probe;
      if (!probe.bind("127.0.0.2", 0)) continue;
      const quint16 p = probe.port();
      probe.socket.close();
      if (destination.bind("127.0.0.2", p) && source.bind("127.0.0.1", p) && spare.bind("127.0.0.4", p)) {
        port = p;
      } else {
        destination.socket.close();
        source.socket.close();
        spare.socket.close();
      }
    }
    EXPECT_NE(port, 0);
    ActionMgr::actionMgrData d;
    d.doubleClickTime = 400.9;
    d.wheelScaleFactor = 1.0;
    d.networkModeRef = &mode;
    d.releaseKeyTimer = &releaseTimer;
    d.audioFx = &audioFx;
    d.audioFxBorder = &audioFxBorder;
    d.graphicFx = &graphicFx;
    d.setEffectSwitches = [this](bool a, bool b, bool g) {
      ++written.calls;
      written.audio = a;
      written.border = b;
      written.graphic = g;
    };
    mgr = std::make_unique<ActionMgr>(testDesktop(), d, nullptr);
    log.attach(mgr.get());
    int ip[4] = {127, 0, 0, 2};
    src = std::make_unique<SourceSink>(port, ip, mgr.get(), [this] {
      SourceSink::Effects e;
      e.audioFx = audioFx.load();
      e.audioFxBorder = audioFxBorder.load();
      e.graphicFx = graphicFx.load();
      return e;
    });
  }
};
