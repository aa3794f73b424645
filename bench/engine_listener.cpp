// Cost of the listener's per-frame work on a simulated hand (feature extraction, then the
// recogniser without an action manager). The frames are delivered once; onFrame then runs again
// on the benchmark thread against the controller's newest frame, the callback thread being idle.
// The engine starts for real (action manager and pointer device): run it under
// tests/support/with-xvfb.sh so that it moves the pointer of a private display.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QTemporaryDir>

#include "Leap.h"
#include "LeapHandBuilder.h"
#include "LeapTestDriver.h"
#include "ActionMgr.h"
#include "VelmoListener.h"
#include "X11Backend.h"

namespace {

struct BenchListener : VelmoListener {
  VelmoGestures& engine() { return gestures_; }
};

void runFrames(benchmark::State& state, const Leap::RawHand& hand, bool tutorial) {
  Leap::Controller controller{std::string()};
  Leap::TestDriver driver(controller);
  X11Backend desktop;
  BenchListener listener;
  QTemporaryDir settingsDir;  // keeps velmo.dat out of the build tree
  listener.engine().parameters().setSettingsDir(settingsDir.path());
  listener.setSinkFactory(ActionMgr::factory(desktop, nullptr));
  controller.addListener(listener);
  listener.engine().SetInteractiveTutorial(tutorial ? 1 : 0);
  driver.plugDevice();
  for (int i = 0; i < 10; ++i) driver.pushHand(hand, 1000 + i * 11111);
  driver.sync();
  for (auto _ : state) listener.onFrame(controller);
  state.SetLabel(listener.engine().getHandData().handsCount == 1 ? "hand" : "NO HAND");
  controller.removeListener(listener);
}

void BM_OnFrameOpenHand(benchmark::State& state) {
  runFrames(state, Leap::HandBuilder::openHand(Leap::Vector(0.0f, 200.0f, 0.0f)), false);
}

void BM_OnFramePinch(benchmark::State& state) {
  runFrames(state, Leap::HandBuilder::pinch(1, Leap::Vector(10.0f, 220.0f, 5.0f)), false);
}

// The tutorial also records every bone's centre and direction.
void BM_OnFrameTutorial(benchmark::State& state) {
  runFrames(state, Leap::HandBuilder::openHand(Leap::Vector(0.0f, 200.0f, 0.0f)), true);
}

void BM_GetHandData(benchmark::State& state) {
  VelmoListener listener;
  for (auto _ : state) benchmark::DoNotOptimize(listener.engine().getHandData());
}

}  // namespace

BENCHMARK(BM_OnFrameOpenHand);
BENCHMARK(BM_OnFramePinch);
BENCHMARK(BM_OnFrameTutorial);
BENCHMARK(BM_GetHandData);

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);  // screens come from the GUI cache, as in the program
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
