#pragma once
#include "LeapVector.h"

namespace Leap {

// The box of space above the device that maps onto the screen. Default-constructed it is the
// layer's fixed box, so code that reads it before any frame still gets usable sizes.
class InteractionBox {
public:
    static constexpr float DEFAULT_CENTER_Y = 200.0f;
    static constexpr float DEFAULT_WIDTH = 235.0f;
    static constexpr float DEFAULT_HEIGHT = 235.0f;
    static constexpr float DEFAULT_DEPTH = 147.0f;

    InteractionBox() = default;
    InteractionBox(const Vector& center, float width, float height, float depth)
        : m_center(center), m_width(width), m_height(height), m_depth(depth) {}

    bool isValid() const { return m_width > 0.0f && m_height > 0.0f && m_depth > 0.0f; }
    Vector center() const { return m_center; }
    float width() const { return m_width; }
    float height() const { return m_height; }
    float depth() const { return m_depth; }

private:
    Vector m_center{0.0f, DEFAULT_CENTER_Y, 0.0f};
    float m_width = DEFAULT_WIDTH;
    float m_height = DEFAULT_HEIGHT;
    float m_depth = DEFAULT_DEPTH;
};

} // namespace Leap
