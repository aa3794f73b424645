#include "WireFormat.h"

#include "LeapProtocol.h"

namespace handsim {

namespace protocol = Leap::protocol;

std::vector<std::string> LineFormat::greeting(const Leap::DeviceStatus& device, const Config& config)
{
    std::vector<std::string> lines{protocol::encodeHello("velmo-handsim", 0), protocol::encodeDevice(device, 0)};
    for (const auto& kv : config)
        lines.push_back(protocol::encodeConfig(kv.first, kv.second, 0));
    return lines;
}

std::string LineFormat::encode(const Output& o)
{
    switch (o.kind) {
    case Output::Kind::Device:
        return protocol::encodeDevice(o.device, o.time);
    case Output::Kind::Config:
        return protocol::encodeConfig(o.key, o.value, o.time);
    case Output::Kind::Frame:
        break;
    }
    return protocol::encodeFrame(o.frame);
}

std::vector<std::string> WebSocketFormat::greeting(const Leap::DeviceStatus& device, const Config&)
{
    std::vector<std::string> out{m_encoder.version()};
    const std::string event = m_encoder.deviceEvent(device.attached);
    if (!event.empty())
        out.push_back(event);
    return out;
}

std::string WebSocketFormat::encode(const Output& o)
{
    switch (o.kind) {
    case Output::Kind::Device:
        // The stand-alone server says nothing: its frames just stop.
        return m_encoder.deviceEvent(o.device.attached);
    case Output::Kind::Config:
        return std::string(); // the protocol has no service settings
    case Output::Kind::Frame:
        break;
    }
    return m_encoder.frame(o.frame, m_fps);
}

} // namespace handsim
