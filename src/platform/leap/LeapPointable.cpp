#include "LeapPointable.h"

#include "LeapFrameData.h"

namespace Leap {

Pointable::Pointable(detail::FrameRef frame, int hand, int finger)
    : m_frame(std::move(frame)), m_hand(hand), m_finger(finger)
{
}

bool Pointable::isValid() const { return m_frame && m_frame->finger(m_hand, m_finger) != nullptr; }

int Pointable::id() const
{
    const RawFinger* f = m_frame ? m_frame->finger(m_hand, m_finger) : nullptr;
    return f ? m_frame->hands[static_cast<size_t>(m_hand)].raw.id * 10 + f->type : -1;
}

Vector Pointable::direction() const
{
    const RawFinger* f = m_frame ? m_frame->finger(m_hand, m_finger) : nullptr;
    return f ? (f->joints[4] - f->joints[3]).normalized() : Vector();
}

Vector Pointable::tipPosition() const
{
    const RawFinger* f = m_frame ? m_frame->finger(m_hand, m_finger) : nullptr;
    return f ? f->joints[4] : Vector();
}

float Pointable::length() const
{
    const RawFinger* f = m_frame ? m_frame->finger(m_hand, m_finger) : nullptr;
    if (!f)
        return 0.0f;
    return f->joints[1].distanceTo(f->joints[2]) + f->joints[2].distanceTo(f->joints[3])
        + f->joints[3].distanceTo(f->joints[4]);
}

float Pointable::width() const
{
    const RawFinger* f = m_frame ? m_frame->finger(m_hand, m_finger) : nullptr;
    return f ? f->width : 0.0f;
}

bool Pointable::isExtended() const
{
    const RawFinger* f = m_frame ? m_frame->finger(m_hand, m_finger) : nullptr;
    if (!f)
        return false;
    if (f->extended >= 0)
        return f->extended != 0;
    // Proximal against distal bone: a curled finger bends well past this.
    constexpr float kMaxBendRadians = 0.6f;
    return (f->joints[2] - f->joints[1]).angleTo(f->joints[4] - f->joints[3]) < kMaxBendRadians;
}

} // namespace Leap
