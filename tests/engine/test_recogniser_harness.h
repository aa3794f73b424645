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
#include "hand_builder.h"
#include "recording_sink.h"

namespace rig {

using hands::openHand;
using hands::setPalm;

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
