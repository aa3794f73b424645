#pragma once
// Drives the recogniser frame by frame against a recording sink in source mode: every decision is
// written down in the relay's words, and the pointer space is whatever the test reports as the
// destination's screen.

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "VelmoBox.h"
#include "VelmoGestures.h"
#include "recording_sink.h"

namespace rig {

inline handTrackingData openHand() {
  handTrackingData h;
  h.handsCount = 1;
  h.fps = 100.0f;
  h.isRight = 1;
  h.extendedCount = 5;
  h.extendedCountStrict = 5;
  for (int i = 0; i < 5; ++i) h.extendedFingers[i] = h.extendedFingersStrict[i] = 1;
  // Box x -100..100, y 100..300, z -100..100.
  h.interactionBox.x = 0.0f;
  h.interactionBox.y = 200.0f;
  h.interactionBox.z = 0.0f;
  h.interactionBox.width = 200.0f;
  h.interactionBox.height = 200.0f;
  h.interactionBox.depth = 200.0f;
  h.stabilizedPalmPosition[1] = h.palmPosition[1] = 200.0;
  h.translationProbability = 1.0f;
  const float thumbTip[4] = {80.0f, 90.0f, 90.0f, 90.0f};
  const float palmTip[4] = {90.0f, 95.0f, 90.0f, 80.0f};
  for (int f = 0; f < 4; ++f) {
    h.thumbTipDistance[f] = thumbTip[f];
    h.palmTipDistance[f] = palmTip[f];
    h.boneLengths[0][f] = 22.0f;  // distal: start threshold 22 + 25 = 47
    h.boneLengths[1][f] = 25.0f;
  }
  h.palmWidth = 80.0f;
  return h;
}

inline void setPalm(handTrackingData* h, double x, double y, double z) {
  h->stabilizedPalmPosition[0] = h->palmPosition[0] = x;
  h->stabilizedPalmPosition[1] = h->palmPosition[1] = y;
  h->stabilizedPalmPosition[2] = h->palmPosition[2] = z;
}

class SourceRig {
 public:
  explicit SourceRig(int width = 1000, int height = 800) : sink(width, height) {
    g.InitParameters();
    user(NetworkMode, 1);
    user(AutoHandMotionScaleFactor, 0);
    g.setEngineObjects(&sink, &box);
    g.ResetRecogniser();
    g.setMonotonicClock([this] { return clockUs; });
  }
  ~SourceRig() { g.setEngineObjects(nullptr, nullptr); }

  void user(int index, float value) {
    g.SetUserParam(value, index);
    g.DecodeParameters(0);
  }
  void admin(int index, float value) {
    g.SetAdminParam(value, index);
    g.DecodeParameters(1);
  }

  // One frame; returns the commands it produced. Each frame advances the clock by 10 ms.
  std::vector<std::string> frame(const handTrackingData& h) {
    g.DetectGestures(h);
    clockUs += 10000;
    return sink.take();
  }
  // Frames whose commands are all collected, in order.
  std::vector<std::string> frames(const handTrackingData& h, int count) {
    std::vector<std::string> all;
    for (int i = 0; i < count; ++i) {
      auto c = frame(h);
      all.insert(all.end(), c.begin(), c.end());
    }
    return all;
  }

  RecordingSink sink;
  VelmoGestures g;
  VelmoBox box;
  std::int64_t clockUs = 1000000;
};

inline int countOf(const std::vector<std::string>& commands, const std::string& text) {
  int n = 0;
  for (const auto& c : commands) n += c == text ? 1 : 0;
  return n;
}

inline int countPrefix(const std::vector<std::string>& commands, const std::string& prefix) {
  int n = 0;
  for (const auto& c : commands) n += c.compare(0, prefix.size(), prefix) == 0 ? 1 : 0;
  return n;
}

// The commands other than pointer moves.
inline std::vector<std::string> actions(const std::vector<std::string>& commands) {
  std::vector<std::string> out;
  for (const auto& c : commands)
    if (c.compare(0, 9, "MOUSEMOVE") != 0) out.push_back(c);
  return out;
}

}  // namespace rig
