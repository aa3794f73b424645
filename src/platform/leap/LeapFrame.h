#pragma once
#include "LeapGestureList.h"
#include "LeapHandList.h"
#include "LeapInteractionBox.h"

#include <cstdint>

namespace Leap {

namespace detail {
class ControllerImpl;
}

class Frame {
public:
    // An invalid frame: what frame(n) gives for a frame no longer kept.
    Frame() = default;

    bool isValid() const { return m_frame != nullptr; }
    int64_t id() const;
    // Microseconds on the service's clock.
    int64_t timestamp() const;
    HandList hands() const { return HandList(m_frame); }
    GestureList gestures() const { return GestureList(m_frame); }
    InteractionBox interactionBox() const;
    float currentFramesPerSecond() const;

private:
    friend class Hand;
    friend class Controller;
    friend class TestDriver;
    friend struct detail::FrameData;
    friend class detail::ControllerImpl;
    explicit Frame(detail::FrameRef frame) : m_frame(std::move(frame)) {}
    detail::FrameRef m_frame;
};

} // namespace Leap
