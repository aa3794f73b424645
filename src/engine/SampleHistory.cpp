#include "SampleHistory.h"

#include <climits>
#include <cmath>

#include "SampleHistory.h"

namespace {

int clampIndex(long long i, int n) {
  if (i < 0) return 0;
  if (i > n - 1) return n - 1;
  return static_cast<int>(i);
}

}  // namespace

float GetDistanceMovement(const std::deque<float>& h, int window, int lastIndex) {
  const int n = static_cast<int>(h.size());
  if (n == 0) return -1.0f;
  const int i = clampIndex(lastIndex, n);
  const int j = clampIndex(static_cast<long long>(i) - window, n);
  return std::fabs(h[i] - h[j]);
}

float GetObjectMovement(const std::deque<float>& hx, const std::deque<float>& hy, int window,
                        int lastIndex) {
  // The two histories are filled in step; should they ever differ, the shorter bounds the read.
  const int n = static_cast<int>(hx.size() < hy.size() ? hx.size() : hy.size());
  if (n == 0) return 0.0f;
  const int i = clampIndex(lastIndex, n);
  const int j = clampIndex(static_cast<long long>(i) - window, n);
  const float dx = hx[i] - hx[j];
  const float dy = hy[i] - hy[j];
  const double dx2 = static_cast<double>(dx) * dx;
  const double dy2 = static_cast<double>(dy) * dy;
  return static_cast<float>(std::sqrt(dx2 + dy2));
}

float IsMonotonic(const std::deque<float>& h, float timeSpan, int* runLength, FILE* /*log*/,
                  float fps, int direction, float* change) {
  const float span = timeSpan * fps;
  int e;
  if (!(span < 2147483520.0f))  // NaN or beyond int: no window is that long anyway
    e = std::isnan(span) ? 1 : INT_MAX;
  else
    e = static_cast<int>(span);
  // An unmeasured (negative) frame rate must not yield a negative window.
  if (e < 1) e = 1;

  if (change != nullptr) *change = 0.0f;
  const int n = static_cast<int>(h.size());
  if (n == 0) return -1.0f;

  const long long loWide = static_cast<long long>(n) - 3 - e;
  const int lo = loWide > 0 ? static_cast<int>(loWide) : 0;
  const int hi = n - 1;
  int j = hi;
  if (lo < hi) {
    j = lo;
    for (int i = n - 1; i > lo; --i) {
      const float step = h[i] - h[i - 1];
      if (direction == 0) {
        if (step < 0.0f) {
          j = i;
          break;
        }
        if (change != nullptr) *change += step;
      } else {
        if (step > 0.0f) {
          j = i;
          break;
        }
        if (change != nullptr) *change += h[i - 1] - h[i];
      }
    }
  }
  const int run = n - 1 - j;
  if (runLength != nullptr) *runLength = run;

  if (run < e) {
    if (run == 0 || direction != 0) return -1.0f;
    return (h[j + 1] - h[j]) / (1.0f / fps);
  }
  if (direction == 0) return (h[n - 1] - h[j]) / timeSpan;
  return (h[j] - h[n - 1]) / timeSpan;
}

void MeanStdDev(const std::deque<float>& h, double* sum, double* sumSq, float* mean, float* std,
                int index, int limit) {
  const int n = static_cast<int>(h.size());
  if (n == 0 || sum == nullptr || sumSq == nullptr || mean == nullptr || std == nullptr) return;
  const int i = clampIndex(index, n);
  const double v = h[i];
  *sum += v;
  *sumSq += v * v;
  if (n >= limit) {
    const double front = h[0];
    *sum -= front;
    *sumSq -= front * front;
  }
  *mean = static_cast<float>(*sum / n);
  *std = static_cast<float>(std::sqrt(std::fabs(n * *sumSq - *sum * *sum))) / static_cast<float>(n);
}
