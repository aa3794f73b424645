// The recogniser's whole per-frame pass, DetectGestures, with full-length histories (5400 distance
// samples per pinch at an optimal 90 fps). The action manager is the real one in source mode with
// no destination, so formatting a command is measured and sending is not. Heap allocations per
// frame are counted through the global allocator.

#include <benchmark/benchmark.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>

#include "ActionMgr.h"
#include "SourceSink.h"
#include "VelmoBox.h"
#include "VelmoGestures.h"
#include "X11Backend.h"
#include "hand_builder.h"

namespace {
std::atomic<long long> gAllocations{0};
}

void* operator new(std::size_t n) {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

struct Engine {
  X11Backend desktop;  // never written to: a source posts nothing here
  VelmoGestures g;
  VelmoBox box;
  std::unique_ptr<ActionMgr> mgr;
  // A source's sink with no destination: every decision encoded, none sent.
  std::unique_ptr<SourceSink> src;
  std::int64_t clock = 0;
  int frame = 0;

  Engine() {
    g.InitParameters();
    g.SetUserParam(1, NetworkMode);
    g.DecodeParameters(0);
    ActionMgr::actionMgrData d;
    d.networkModeRef = g.parameters().networkModePtr();
    mgr.reset(new ActionMgr(desktop, d, nullptr));
    src.reset(new SourceSink(0, nullptr, mgr.get(), nullptr));
    src->setRemoteSize(1920, 1080);
    g.setEngineObjects(src.get(), &box);
    g.ResetRecogniser();
    g.setMonotonicClock([this] { return clock; });
  }
  ~Engine() { g.setEngineObjects(nullptr, nullptr); }

  // A hand held over the device with the small tremor of a real one; every `pinchEvery` frames
  // (0: never) the thumb closes on the index and opens again.
  void step(handTrackingData& h, int pinchEvery) {
    const float t = static_cast<float>(frame);
    h.stabilizedPalmPosition[0] = h.palmPosition[0] = 2.0 * std::sin(t * 0.05f);
    h.stabilizedPalmPosition[1] = h.palmPosition[1] = 200.0 + 1.5 * std::cos(t * 0.07f);
    for (int f = 0; f < 4; ++f) h.thumbTipDistance[f] = 80.0f + 10.0f * f + 0.3f * std::sin(t * 0.3f + f);
    if (pinchEvery > 0) {
      const int k = frame % pinchEvery;
      if (k < 24) h.thumbTipDistance[0] = 80.0f - 60.0f * std::sin(3.14159265f * k / 24.0f);
    }
    g.DetectGestures(h);
    clock += 10000;
    ++frame;
  }
};

void run(benchmark::State& state, float translation, int pinchEvery) {
  Engine e;
  auto h = hands::openHand();
  h.translationProbability = translation;
  for (int i = 0; i < 5600; ++i) e.step(h, pinchEvery);  // every history at its bound
  if (e.g.pinches().distanceHistory(0).size() != 5400u) state.SkipWithError("histories not full");
  const long long before = gAllocations.load();
  for (auto _ : state) e.step(h, pinchEvery);
  state.counters["allocs_per_frame"] = benchmark::Counter(
      static_cast<double>(gAllocations.load() - before), benchmark::Counter::kAvgIterations);
  state.counters["distance_samples"] = static_cast<double>(e.g.pinches().distanceHistory(0).size());
}

// The recogniser alone: the pointer gate stays shut, so no command is formatted.
void BM_DetectGestures_NoPointerMove(benchmark::State& state) { run(state, 0.0f, 0); }
// Every frame moves the pointer (a MOUSEMOVE command is formatted by the action manager).
void BM_DetectGestures_PointerMove(benchmark::State& state) { run(state, 1.0f, 0); }
// A thumb-index pinch every 120 frames: press and release checks, thresholds learned.
void BM_DetectGestures_Pinching(benchmark::State& state) { run(state, 1.0f, 120); }

BENCHMARK(BM_DetectGestures_NoPointerMove);
BENCHMARK(BM_DetectGestures_PointerMove);
BENCHMARK(BM_DetectGestures_Pinching);

}  // namespace

BENCHMARK_MAIN();
