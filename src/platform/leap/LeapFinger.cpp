#include "LeapFinger.h"

#include "LeapFrameData.h"

namespace Leap {

Finger::Type Finger::type() const
{
    const RawFinger* f = m_frame ? m_frame->finger(m_hand, m_finger) : nullptr;
    return f ? static_cast<Type>(f->type) : TYPE_THUMB;
}

Bone Finger::bone(int type) const
{
    const RawFinger* f = m_frame ? m_frame->finger(m_hand, m_finger) : nullptr;
    if (!f || type < Bone::TYPE_METACARPAL || type > Bone::TYPE_DISTAL)
        return Bone();
    const size_t b = static_cast<size_t>(type);
    return Bone(static_cast<Bone::Type>(type), f->joints[b], f->joints[b + 1], f->width);
}

} // namespace Leap
