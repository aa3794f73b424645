#pragma once
// Messages between the tracking service and the controller: JSON objects, one per line
// (docs/tracking-protocol.md). Shared by the controller's client and the simulator.

#include "LeapRaw.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace Leap {
namespace protocol {

constexpr int VERSION = 1;
// A longer line is dropped whole.
constexpr size_t MAX_MESSAGE_BYTES = 64 * 1024;
constexpr int MAX_HANDS = 4;
// Coordinates beyond this many millimetres are not a hand above a device.
constexpr float MAX_COORDINATE = 100000.0f;

enum class Type { Hello, Device, Config, Frame };

struct Message {
    Type type = Type::Hello;
    int64_t time = 0; // microseconds on the service's clock
    std::string service;
    DeviceStatus device;
    std::string key;
    bool value = false;
    RawFrame frame;
};

// Each returns one line without its newline.
std::string encodeHello(const std::string& service, int64_t time);
std::string encodeDevice(const DeviceStatus& device, int64_t time);
std::string encodeConfig(const std::string& key, bool value, int64_t time);
std::string encodeFrame(const RawFrame& frame);

// false with a short reason for anything that is not a well-formed message of this version. Plain
// bytes in, no state kept between calls: the entry point for fuzzing the service's lines.
bool decode(std::string_view line, Message& out, std::string& error);

} // namespace protocol
} // namespace Leap
