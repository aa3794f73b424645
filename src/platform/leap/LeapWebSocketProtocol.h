#pragma once
// Messages of the sensor's WebSocket server (JSON protocol version 6): the version message, device
// events and frames, turned into the layer's raw data. Both the older service's built-in server and
// the current stand-alone server are read; where one leaves a field out or fills it wrongly, the
// value comes from the joints or a documented default (docs/tracking-websocket.md).

#include "LeapRaw.h"

#include <string>
#include <string_view>

namespace Leap {
namespace websocket {

constexpr int VERSION = 6;
constexpr const char* DEFAULT_URL = "ws://127.0.0.1:6437/v6.json";
// A two-hand frame is about 15 KiB; anything far longer is dropped unread.
constexpr size_t MAX_MESSAGE_BYTES = 256 * 1024;
constexpr int MAX_HANDS = 4;
constexpr int MAX_POINTABLES = 40;
constexpr float MAX_COORDINATE = 100000.0f; // mm
constexpr float MAX_SPEED = 1000000.0f;     // mm/s
// Reported finger widths outside this range are a server's mistake (one reports about 6 mm).
constexpr float MIN_FINGER_WIDTH = 8.0f;
constexpr float MAX_FINGER_WIDTH = 40.0f;
// A palm width derived from the knuckles is kept within a hand's range.
constexpr float MIN_DERIVED_PALM_WIDTH = 40.0f;
constexpr float MAX_DERIVED_PALM_WIDTH = 160.0f;
// Finger width as a share of the palm width, thumb .. pinky, where the server's is unusable.
constexpr float FINGER_WIDTH_OF_PALM[5] = {19.0f / 85.0f, 17.0f / 85.0f, 17.0f / 85.0f, 16.0f / 85.0f, 14.0f / 85.0f};

enum class Type { Version, Device, Frame };

struct Message {
    Type type = Type::Frame;
    int version = 0;
    bool hasServiceVersion = false; // the older service names itself
    DeviceStatus device;            // nominalFps is left at its default
    RawFrame frame;                 // timestamp on the server's clock, any epoch
};

// false with a short reason for anything that is not one of those messages. Plain bytes in, no
// state kept between calls: the entry point for fuzzing the WebSocket frames.
bool decode(std::string_view text, Message& out, std::string& error);

// What the client says after the version message: focus, then frames in the background too.
constexpr const char* FOCUSED_MESSAGE = "{\"focused\":true}";
constexpr const char* BACKGROUND_MESSAGE = "{\"background\":true}";

} // namespace websocket
} // namespace Leap
