// Cost of the sample-history measures at the recogniser's history lengths: 45 pointer samples
// (0.5 s at 90 fps) and 5400 distance samples (60 s at 90 fps).
#include <benchmark/benchmark.h>

#include <cmath>
#include <deque>

#include "SampleHistory.h"
#include "VelmoGestures.h"

namespace {

std::deque<float> makeHistory(int n) {
  std::deque<float> h;
  for (int i = 0; i < n; ++i) h.push_back(60.0f + 20.0f * std::sin(0.05f * static_cast<float>(i)));
  return h;
}

void BM_GetDistanceMovement(benchmark::State& state) {
  const std::deque<float> h = makeHistory(static_cast<int>(state.range(0)));
  const int last = static_cast<int>(h.size()) - 1;
  for (auto _ : state) benchmark::DoNotOptimize(GetDistanceMovement(h, 4, last));
}

void BM_GetObjectMovement(benchmark::State& state) {
  const std::deque<float> hx = makeHistory(static_cast<int>(state.range(0)));
  const std::deque<float> hy = makeHistory(static_cast<int>(state.range(0)));
  const int last = static_cast<int>(hx.size()) - 1;
  for (auto _ : state) benchmark::DoNotOptimize(GetObjectMovement(hx, hy, 4, last));
}

void BM_IsMonotonic(benchmark::State& state) {
  const std::deque<float> h = makeHistory(static_cast<int>(state.range(0)));
  int run = 0;
  float change = 0.0f;
  const int direction = static_cast<int>(state.range(1));
  for (auto _ : state) {
    benchmark::DoNotOptimize(IsMonotonic(h, 0.075f, &run, nullptr, 90.0f, direction, &change));
    benchmark::DoNotOptimize(run);
  }
}

void BM_MeanStdDev(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::deque<float> h = makeHistory(n);
  double sum = 0.0, sumSq = 0.0;
  float mean = 0.0f, sd = 0.0f;
  for (auto _ : state) {
    MeanStdDev(h, &sum, &sumSq, &mean, &sd, n - 1, n);
    benchmark::DoNotOptimize(mean);
    benchmark::DoNotOptimize(sd);
  }
}

}  // namespace

BENCHMARK(BM_GetDistanceMovement)->Arg(45)->Arg(5400);
BENCHMARK(BM_GetObjectMovement)->Arg(45)->Arg(5400);
BENCHMARK(BM_IsMonotonic)->Args({45, 0})->Args({45, 1})->Args({5400, 0})->Args({5400, 1});
BENCHMARK(BM_MeanStdDev)->Arg(45)->Arg(5400);
