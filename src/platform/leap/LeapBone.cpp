#include "LeapBone.h"

namespace Leap {

Bone::Bone(Type type, const Vector& prevJoint, const Vector& nextJoint, float width)
    : m_type(type), m_prev(prevJoint), m_next(nextJoint), m_width(width), m_valid(true)
{
}

} // namespace Leap
