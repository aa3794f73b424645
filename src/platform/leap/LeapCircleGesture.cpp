#include "LeapCircleGesture.h"

#include "LeapFrameData.h"

namespace Leap {

CircleGesture::CircleGesture(const Gesture& gesture) : Gesture(gesture)
{
    if (gesture.type() != TYPE_CIRCLE) {
        m_frame.reset();
        m_index = -1;
    }
}

float CircleGesture::progress() const { return isValid() ? m_frame->gesture(m_index)->progress : 0.0f; }

float CircleGesture::radius() const { return isValid() ? m_frame->gesture(m_index)->radius : 0.0f; }

Vector CircleGesture::center() const { return isValid() ? m_frame->gesture(m_index)->center : Vector(); }

Vector CircleGesture::normal() const { return isValid() ? m_frame->gesture(m_index)->normal : Vector(); }

Pointable CircleGesture::pointable() const
{
    if (!isValid())
        return Pointable();
    const detail::GestureData* g = m_frame->gesture(m_index);
    return Pointable(m_frame, g->hand, g->finger);
}

} // namespace Leap
