#include <benchmark/benchmark.h>

#include "Mouse.h"
#include "X11Backend.h"

namespace {

// The program's X connection, made on first use.
X11Backend& desktop() {
  static X11Backend desktop;
  return desktop;
}

bool haveServer(benchmark::State& state) {
  if (desktop().isOpen()) return true;
  state.SkipWithError("no X server (run under tests/support/with-xvfb.sh)");
  return false;
}

// One absolute motion: XTest request and flush, no reply awaited.
void BM_BackendPointerMove(benchmark::State& state) {
  if (!haveServer(state)) return;
  X11Backend& x = desktop();
  long long i = 0;
  for (auto _ : state) {
    x.moveTo(100 + (i & 511), 100 + ((i >> 3) & 255));
    ++i;
  }
  x.sync();
}
BENCHMARK(BM_BackendPointerMove);

// The action manager's local move: clamp into the pointer space, then post.
void BM_MouseMoveAbsolute(benchmark::State& state) {
  if (!haveServer(state)) return;
  Mouse m(desktop(), 400, 0.3f, nullptr, 0, 0, 0, nullptr, 0, 0);
  m.getWidthOfScreen();
  m.getHeightOfScreen();
  long long i = 0;
  for (auto _ : state) {
    m.move(float(100 + (i & 511)), float(100 + ((i >> 3) & 255)), 0, 0, 0);
    ++i;
  }
  desktop().sync();
}
BENCHMARK(BM_MouseMoveAbsolute);

// One wheel notch: press and release of button 4, flushed.
void BM_BackendWheelNotch(benchmark::State& state) {
  if (!haveServer(state)) return;
  X11Backend& x = desktop();
  bool forward = true;
  for (auto _ : state) {
    x.wheelNotch(forward);
    forward = !forward;
  }
  x.sync();
}
BENCHMARK(BM_BackendWheelNotch);

// A circle frame that adds one notch: accumulator arithmetic, the notch and the effect signal.
void BM_MouseWheelOneNotch(benchmark::State& state) {
  if (!haveServer(state)) return;
  Mouse m(desktop(), 400, 1.0f, nullptr, 0, 0, 0, nullptr, 0, 0);
  int forward = 1;
  for (auto _ : state) {
    m.resetWheel();
    m.wheelMove(0.1f, forward);
    forward ^= 1;
  }
  desktop().sync();
}
BENCHMARK(BM_MouseWheelOneNotch);

}  // namespace

BENCHMARK_MAIN();
