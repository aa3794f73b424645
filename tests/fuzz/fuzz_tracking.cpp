// Bytes from a tracking service, line by line, through the client's decoder and on through the
// frame builder and the circle recogniser, as the controller's callback thread does.
#include "FuzzCheck.h"
#include "LeapFrameBuilder.h"
#include "LeapFrameData.h"
#include "LeapJson.h"
#include "LeapProtocol.h"
#include "LeapServiceClient.h"
#include "LeapServiceEvent.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

using namespace Leap::detail;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FrameBuilder builder;
    bool autoBox = false;
    const ServiceClient::Sink sink = [&](ServiceEvent&& ev) {
        switch (ev.kind) {
        case ServiceEvent::Kind::Device:
            if (ev.device.attached)
                builder.reset(ev.device.nominalFps);
            break;
        case ServiceEvent::Kind::Config:
            if (ev.key == "interaction_box_auto")
                autoBox = ev.value;
            break;
        case ServiceEvent::Kind::Frame: {
            const FrameRef f = builder.build(ev.frame, autoBox, true);
            check(f != nullptr);
            check(std::isfinite(f->fps) && f->fps > 0.0f);
            for (const GestureData& g : f->gestures) {
                check(g.hand >= 0 && g.hand < static_cast<int>(f->hands.size()));
                check(std::isfinite(g.progress) && std::isfinite(g.radius));
            }
            break;
        }
        default:
            break;
        }
    };
    const std::string text(reinterpret_cast<const char*>(data), size);
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(start, end - start);
        // Nothing that is not JSON gets through, in any field.
        Leap::protocol::Message message;
        std::string error;
        if (Leap::protocol::decode(line, message, error))
            check(json::isJson(line));
        ServiceClient::handleLine(line, sink);
        start = end + 1;
    }
    return 0;
}
