// One message of the sensor's WebSocket server through its decoder, and a frame on through the
// frame builder and the circle recogniser, as the controller's callback thread does.
#include "FuzzCheck.h"
#include "LeapFrameBuilder.h"
#include "LeapFrameData.h"
#include "LeapJson.h"
#include "LeapWebSocketProtocol.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace Leap;
using namespace Leap::detail;

namespace {

bool finite(const Vector& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    websocket::Message msg;
    std::string error;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (!websocket::decode(text, msg, error))
        return 0;
    // Nothing that is not JSON gets through, in any field.
    check(json::isJson(text));
    if (msg.type != websocket::Type::Frame)
        return 0;
    // What the decoder lets through stays within what the rest of the layer expects.
    check(msg.frame.hands.size() <= static_cast<size_t>(websocket::MAX_HANDS));
    for (const RawHand& h : msg.frame.hands) {
        check(finite(h.palmPosition) && std::fabs(h.palmPosition.x) <= websocket::MAX_COORDINATE);
        // Given or derived, a palm width is a width.
        check(std::isfinite(h.palmWidth) && h.palmWidth > 0.0f && h.palmWidth <= websocket::MAX_COORDINATE);
        for (const RawFinger& f : h.fingers) {
            check(std::isfinite(f.width) && f.width > 0.0f);
            for (const Vector& j : f.joints)
                check(finite(j) && std::fabs(j.x) <= websocket::MAX_COORDINATE
                    && std::fabs(j.y) <= websocket::MAX_COORDINATE && std::fabs(j.z) <= websocket::MAX_COORDINATE);
        }
    }
    FrameBuilder builder;
    // Twice: the second frame has a predecessor to take velocities and circles from.
    for (int i = 0; i < 2; ++i) {
        const FrameRef f = builder.build(msg.frame, false, true);
        check(f != nullptr);
        check(std::isfinite(f->fps) && f->fps > 0.0f);
        for (const GestureData& g : f->gestures)
            check(g.hand >= 0 && g.hand < static_cast<int>(f->hands.size()));
        msg.frame.timestamp += 8333;
    }
    return 0;
}
