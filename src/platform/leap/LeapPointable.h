#pragma once
#include "LeapFrameRef.h"
#include "LeapVector.h"

namespace Leap {

// Something that points: here always a finger of a hand.
class Pointable {
public:
    Pointable() = default;

    bool isValid() const;
    int id() const;
    // Direction of the distal bone.
    Vector direction() const;
    Vector tipPosition() const;
    float length() const;
    float width() const;
    // As the source says; when it does not, a finger whose bones lie nearly in line.
    bool isExtended() const;

protected:
    friend class FingerList;
    friend class CircleGesture;
    Pointable(detail::FrameRef frame, int hand, int finger);
    detail::FrameRef m_frame;
    int m_hand = -1;
    int m_finger = -1;
};

} // namespace Leap
