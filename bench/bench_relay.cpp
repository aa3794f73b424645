// Cost of one pointer move through the action manager: formatting and sending the command on a
// source (mode 1), posting the move on this desktop (mode 0, with the edge detection after it).
// Run mode 0 under an X server, e.g. tests/support/with-xvfb.sh bench/bench_relay.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QNetworkDatagram>
#include <QUdpSocket>
#include <atomic>

#include "ActionMgr.h"
#include "SourceSink.h"
#include "RelayCodec.h"
#include "X11Backend.h"

namespace {

struct Rig {
  X11Backend desktop;
  std::atomic<int> mode{0};
  std::atomic<bool> fx{true};
  QUdpSocket peer;
  ActionMgr* mgr = nullptr;
  SourceSink* src = nullptr;
  Rig() {
    peer.bind(QHostAddress(QHostAddress::LocalHost), 0);
    ActionMgr::actionMgrData d;
    d.doubleClickTime = 400;
    d.networkModeRef = &mode;
    d.audioFx = d.audioFxBorder = d.graphicFx = &fx;
    mgr = new ActionMgr(desktop, d, nullptr);
    int ip[4] = {127, 0, 0, 1};
    src = new SourceSink(peer.localPort(), ip, mgr, nullptr);
  }
  ~Rig() {
    delete src;
    delete mgr;
  }
};

// Made on first use and deleted before main returns, with its X connection.
Rig* gRig = nullptr;
Rig& rig() {
  if (!gRig) gRig = new Rig;
  return *gRig;
}

void BM_MousePointerMoveSource(benchmark::State& state) {
  Rig& r = rig();
  r.mode.store(ActionMgr::Source);
  r.src->setRemoteSize(1920, 1080);
  int i = 0;
  for (auto _ : state) {
    r.src->MousePointerMove(100 + (i & 1023), 200 + (i & 511), 0, 0);
    ++i;
    // Keep the peer's queue short so the kernel does not start dropping.
    if ((i & 255) == 0)
      while (r.peer.hasPendingDatagrams()) r.peer.receiveDatagram();
  }
}
BENCHMARK(BM_MousePointerMoveSource);

void BM_MousePointerMoveLocal(benchmark::State& state) {
  Rig& r = rig();
  r.mode.store(ActionMgr::Standalone);
  if (!r.desktop.isOpen()) {
    state.SkipWithError("no X server");
    return;
  }
  int i = 0;
  for (auto _ : state) {
    r.mgr->MousePointerMove(100 + (i & 1023), 200 + (i & 511), 0, 0);
    ++i;
  }
  r.desktop.sync();
}
BENCHMARK(BM_MousePointerMoveLocal);

void BM_FormatMouseMove(benchmark::State& state) {
  int i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(RelayCodec::encode(RelayCommand::mouseMove(i++, 540, 0, 0)));
}
BENCHMARK(BM_FormatMouseMove);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_LOGGING_RULES", "*.debug=false");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  delete gRig;
  return 0;
}
