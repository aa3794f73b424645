#pragma once
// Drives the recogniser frame by frame against the real action manager in source mode: every
// action it decides arrives as a command datagram on a loopback socket of the test, and the
// pointer space is whatever the test reports as the destination's screen.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ActionMgr.h"
#include "VelmoBox.h"
#include "VelmoGestures.h"

namespace rig {

// A loopback UDP socket standing for the destination machine.
class CommandReceiver {
 public:
  CommandReceiver() {
    fd_ = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    int big = 1 << 22;
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &big, sizeof big);
    socklen_t len = sizeof a;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
  }
  ~CommandReceiver() { ::close(fd_); }
  CommandReceiver(const CommandReceiver&) = delete;
  CommandReceiver& operator=(const CommandReceiver&) = delete;

  int port() const { return port_; }

  // Everything received before the marker; the marker itself is consumed. The wait is a safety
  // net only: the marker follows on the same socket, so it arrives after what went before it.
  std::vector<std::string> readUntil(const std::string& marker) {
    std::vector<std::string> out;
    for (;;) {
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, 10000) <= 0) {
        ADD_FAILURE() << "marker " << marker << " never arrived";
        return out;
      }
      char buf[2048];
      const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
      if (n < 0) continue;
      std::string s(buf, static_cast<size_t>(n));
      if (s == marker) return out;
      out.push_back(s);
    }
  }

 private:
  int fd_ = -1;
  int port_ = 0;
};

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

// The action manager's record with the engine's live switches, as the engine's start-up hands them over.
inline ActionMgr::actionMgrData engineRecord(const ParameterTable& t) {
  ActionMgr::actionMgrData d;
  d.networkModeRef = t.networkModePtr();
  d.audioFx = t.audioFxPtr();
  d.audioFxBorder = t.audioFxBorderPtr();
  d.graphicFx = t.graphicFxPtr();
  return d;
}

// engineRecord with the pointer device's double-click time and wheel scale at the table's defaults.
inline ActionMgr::actionMgrData engineRecordWithDevice(const ParameterTable& t) {
  ActionMgr::actionMgrData d = engineRecord(t);
  d.doubleClickTime = 1000;
  d.wheelScaleFactor = 0.3;
  return d;
}

// An action manager sending to the loopback receiver; the destination's screen w x h (0 x 0: not told).
inline std::unique_ptr<ActionMgr> loopbackManager(ActionMgr::actionMgrData d, const CommandReceiver& rx,
                                                  int w, int h) {
  d.port = rx.port();
  auto mgr = std::make_unique<ActionMgr>(d, nullptr);
  int ip[4] = {127, 0, 0, 1};
  mgr->createSender(rx.port(), ip);
  if (w != 0 || h != 0) mgr->SetResolution(w, h);
  return mgr;
}

class SourceRig {
 public:
  explicit SourceRig(int width = 1000, int height = 800) {
    g.InitParameters();
    user(NetworkMode, 1);
    user(AutoHandMotionScaleFactor, 0);
    mgr = loopbackManager(engineRecordWithDevice(g), rx, width, height);
    g.setEngineObjects(mgr.get(), &box);
    g.ResetRecogniser();
    g.setMonotonicClock([this] { return clockUs; });
  }

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
    return drain();
  }
  std::vector<std::string> drain() {
    mgr->ResetMouseWheel();
    return rx.readUntil("RESETMOUSEWHEEL");
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

  CommandReceiver rx;
  VelmoGestures g;
  VelmoBox box;
  std::unique_ptr<ActionMgr> mgr;
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
