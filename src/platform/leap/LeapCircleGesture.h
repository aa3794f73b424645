#pragma once
#include "LeapGesture.h"
#include "LeapPointable.h"
#include "LeapVector.h"

namespace Leap {

// A circle drawn by the forefinger tip. The normal follows the right-hand rule of the motion, so a
// circle that is clockwise when seen along the finger has its normal along the finger's direction.
class CircleGesture : public Gesture {
public:
    CircleGesture() = default;
    // A gesture that is not a circle gives an invalid circle.
    explicit CircleGesture(const Gesture& gesture);

    // Turns since the circle began.
    float progress() const;
    float radius() const;
    Vector center() const;
    Vector normal() const;
    Pointable pointable() const;
};

} // namespace Leap
