#pragma once
// How the simulator's outputs are written for its clients: the tracking service's JSON lines, or the
// sensor's WebSocket messages in either server's style.

#include "Player.h"
#include "V6Encoder.h"

#include <string>
#include <utility>
#include <vector>

namespace handsim {

class WireFormat {
public:
    using Config = std::vector<std::pair<std::string, bool>>;
    virtual ~WireFormat() = default;
    // What a client receives when it connects.
    virtual std::vector<std::string> greeting(const Leap::DeviceStatus& device, const Config& config) = 0;
    // Nothing when the format has no such message.
    virtual std::string encode(const Output& output) = 0;
};

class LineFormat : public WireFormat {
public:
    std::vector<std::string> greeting(const Leap::DeviceStatus& device, const Config& config) override;
    std::string encode(const Output& output) override;
};

class WebSocketFormat : public WireFormat {
public:
    WebSocketFormat(V6Encoder::Style style, float fps) : m_encoder(style), m_fps(fps) {}
    std::vector<std::string> greeting(const Leap::DeviceStatus& device, const Config& config) override;
    std::string encode(const Output& output) override;

private:
    V6Encoder m_encoder;
    float m_fps;
};

} // namespace handsim
