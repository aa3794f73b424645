#pragma once
#include "LeapVector.h"

namespace Leap {

// A bone is a plain value: two joints and a width.
class Bone {
public:
    enum Type { TYPE_METACARPAL = 0, TYPE_PROXIMAL = 1, TYPE_INTERMEDIATE = 2, TYPE_DISTAL = 3 };

    Bone() = default;
    Bone(Type type, const Vector& prevJoint, const Vector& nextJoint, float width);

    bool isValid() const { return m_valid; }
    Type type() const { return m_type; }
    Vector prevJoint() const { return m_prev; }
    // The end away from the palm; of the distal bone, the fingertip.
    Vector nextJoint() const { return m_next; }
    Vector center() const { return (m_prev + m_next) * 0.5f; }
    Vector direction() const { return (m_next - m_prev).normalized(); }
    float length() const { return m_prev.distanceTo(m_next); }
    float width() const { return m_width; }

private:
    Type m_type = TYPE_METACARPAL;
    Vector m_prev;
    Vector m_next;
    float m_width = 0.0f;
    bool m_valid = false;
};

} // namespace Leap
