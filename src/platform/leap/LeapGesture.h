#pragma once
#include "LeapFrameRef.h"

#include <cstdint>

namespace Leap {

class Gesture {
public:
    enum Type { TYPE_INVALID = -1, TYPE_CIRCLE = 4 };
    enum State { STATE_INVALID = -1, STATE_START = 1, STATE_UPDATE = 2, STATE_STOP = 3 };

    Gesture() = default;

    bool isValid() const;
    Type type() const;
    State state() const;
    // Stays the same for every frame of one gesture.
    int id() const;
    // Microseconds since the gesture began.
    int64_t duration() const;

protected:
    friend class GestureList;
    Gesture(detail::FrameRef frame, int index) : m_frame(std::move(frame)), m_index(index) {}
    detail::FrameRef m_frame;
    int m_index = -1;
};

} // namespace Leap
