// Relay latency on loopback, beside the same work done locally in the same run. Two paths:
//   move:  ActionMgr::MousePointerMove on the source until XQueryPointer shows the pointer there;
//   frame: a tracking frame pushed into the source's engine until the X server reports the motion.
// The destination (action manager and receiver on a thread of their own, 127.0.0.2) and the source
// (a started engine, 127.0.0.1) share one X server; "local" runs the same calls in standalone mode.
// Prints median and 99th percentile in microseconds. Needs an X server:
//   tests/support/with-xvfb.sh build/bench/bench_relay_latency [samples]
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <QUdpSocket>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <vector>

#include <poll.h>

#include "ActionMgr.h"
#include "Leap.h"
#include "LeapHandBuilder.h"
#include "LeapTestDriver.h"
#include "Mouse.h"
#include "Receiver.h"
#include "SourceSink.h"
#include "VelmoListener.h"
#include "X11Backend.h"

// Last: Xlib's macros.
#include <X11/Xlib.h>

namespace {

struct BenchListener : VelmoListener {
  VelmoGestures& engine() { return gestures_; }
};

std::int64_t nowNs() {
  static QElapsedTimer t = [] { QElapsedTimer e; e.start(); return e; }();
  return t.nsecsElapsed();
}

// An X client of its own, watching the pointer.
struct Watcher {
  Display* dpy = XOpenDisplay(nullptr);
  Window root = dpy ? DefaultRootWindow(dpy) : 0;
  Watcher() {
    if (dpy) {
      XSelectInput(dpy, root, PointerMotionMask);
      XSync(dpy, False);
    }
  }
  ~Watcher() {
    if (dpy) XCloseDisplay(dpy);
  }
  bool at(int x, int y) {
    Window r, c;
    int rx, ry, wx, wy;
    unsigned m;
    XQueryPointer(dpy, root, &r, &c, &rx, &ry, &wx, &wy, &m);
    return rx == x && ry == y;
  }
  void drain() {
    while (XPending(dpy)) {
      XEvent e;
      XNextEvent(dpy, &e);
    }
  }
  // The next motion event within timeoutMs.
  bool motion(int timeoutMs) {
    const std::int64_t end = nowNs() + std::int64_t(timeoutMs) * 1000000;
    while (nowNs() < end) {
      while (XPending(dpy)) {
        XEvent e;
        XNextEvent(dpy, &e);
        if (e.type == MotionNotify) return true;
      }
      pollfd p{ConnectionNumber(dpy), POLLIN, 0};
      poll(&p, 1, 1);
    }
    return false;
  }
};

struct Stats {
  std::vector<double> us;
  int lost = 0;
  double pct(double q) {
    if (us.empty()) return -1;
    std::sort(us.begin(), us.end());
    return us[std::min(us.size() - 1, size_t(q * double(us.size())))];
  }
};

void report(const char* name, Stats& s) {
  std::printf("%-34s %6zu %10.1f %10.1f %6d\n", name, s.us.size(), s.pct(0.5), s.pct(0.99), s.lost);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_LOGGING_RULES", "*.debug=false");
  QApplication app(argc, argv);
  const int samples = argc > 1 ? std::max(10, std::atoi(argv[1])) : 2000;
  Watcher x;
  if (!x.dpy) {
    std::fprintf(stderr, "no X server\n");
    return 1;
  }

  // The source: a started engine on the in-process tracking service, its action manager on the
  // program's X connection (the destination's too).
  X11Backend desktop;
  Leap::Controller controller{std::string()};
  Leap::TestDriver driver(controller);
  BenchListener source;
  QTemporaryDir settingsDir;
  source.engine().parameters().setSettingsDir(settingsDir.path());
  ActionMgr* src = nullptr;
  source.setSinkFactory(
      ActionMgr::factory(desktop, nullptr, [&src](ActionMgr* made) { src = made; }));
  controller.addListener(source);
  driver.plugDevice();

  // The destination: its own manager and a receiver on its own thread, on 127.0.0.2.
  QUdpSocket probe;
  probe.bind(QHostAddress("127.0.0.2"), 0);
  const int port = probe.localPort();
  probe.close();
  std::atomic<int> destMode{ActionMgr::Destination};
  std::atomic<bool> fx{false};
  ActionMgr::actionMgrData d;
  d.networkModeRef = &destMode;
  d.audioFx = d.audioFxBorder = d.graphicFx = &fx;
  ActionMgr dst(desktop, d, nullptr);
  int sourceIp[4] = {127, 0, 0, 1};
  (void)sourceIp;
  QThread thread;
  thread.start();
  QObject context;
  context.moveToThread(&thread);
  Receiver* rx = nullptr;
  QMetaObject::invokeMethod(&context, [&] {
    rx = new Receiver(&dst, &dst, nullptr, 0);
    rx->setBindAddress(QHostAddress("127.0.0.2"));
    rx->resetSocket(port);
    rx->applyNetworkMode(ActionMgr::Destination);
  }, Qt::BlockingQueuedConnection);

  int destinationIp[4] = {127, 0, 0, 2};
  SourceSink srcSink(port, destinationIp, src, nullptr);
  const int w = dst.GetMouse()->getWidthOfScreen();
  const int h = dst.GetMouse()->getHeightOfScreen();
  auto setSourceMode = [&](int mode) {
    source.engine().SetUserParam(float(mode), NetworkMode);
    source.setNetworkMode(mode);
  };
  setSourceMode(ActionMgr::Source);
  source.useSink(&srcSink);
  srcSink.setRemoteSize(w, h);
  srcSink.announceSource();  // "SETSOURCEIP": the destination pairs with 127.0.0.1
  for (int i = 0; i < 500 && rx->pairedSource().isNull(); ++i) QThread::msleep(2);
  if (rx->pairedSource().isNull()) {
    std::fprintf(stderr, "the destination did not pair\n");
    return 1;
  }

  // Pointer moves: alternate between two places so that every call is a real move.
  auto movePath = [&](Stats& s) {
    for (int i = 0; i < samples; ++i) {
      const int px = 200 + (i & 1) * 400 + (i % 7), py = 300 + (i % 11);
      const std::int64_t t0 = nowNs();
      srcSink.MousePointerMove(px, py, 0, 0);
      bool ok = false;
      while (!(ok = x.at(px, py)) && nowNs() - t0 < 200000000) {
      }
      if (ok) {
        s.us.push_back(double(nowNs() - t0) / 1000.0);
      } else {
        ++s.lost;
      }
    }
  };
  // Frames: a hand stepping between two heights, one frame each, until the X server reports motion.
  std::int64_t clockUs = 1000000;
  auto framePath = [&](Stats& s) {
    for (int i = 0; i < samples; ++i) {
      const float px = (i & 1) ? 60.0f : -60.0f;
      x.drain();
      clockUs += 11111;
      const std::int64_t t0 = nowNs();
      driver.pushHand(Leap::HandBuilder::openHand(Leap::Vector(px, 200.0f, 0.0f)), clockUs);
      if (x.motion(200)) {
        s.us.push_back(double(nowNs() - t0) / 1000.0);
      } else {
        ++s.lost;
      }
    }
  };

  Stats warm, moveRelay, moveLocal, frameRelay, frameLocal;
  setSourceMode(ActionMgr::Standalone);
  movePath(warm);
  setSourceMode(ActionMgr::Source);
  movePath(warm);
  setSourceMode(ActionMgr::Standalone);
  movePath(moveLocal);
  setSourceMode(ActionMgr::Source);
  movePath(moveRelay);
  setSourceMode(ActionMgr::Standalone);
  framePath(frameLocal);
  setSourceMode(ActionMgr::Source);
  framePath(frameRelay);

  std::printf("%-34s %6s %10s %10s %6s\n", "path (microseconds)", "n", "median", "p99", "lost");
  report("move, local (standalone)", moveLocal);
  report("move, relayed (source->dest)", moveRelay);
  report("frame to X event, local", frameLocal);
  report("frame to X event, relayed", frameRelay);
  std::printf("relay adds at p99: move %.1f us, frame %.1f us\n", moveRelay.pct(0.99) - moveLocal.pct(0.99),
              frameRelay.pct(0.99) - frameLocal.pct(0.99));

  rx->shutdown();
  delete rx;
  thread.quit();
  thread.wait();
  controller.removeListener(source);
  return 0;
}
