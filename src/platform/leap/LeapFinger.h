#pragma once
#include "LeapBone.h"
#include "LeapPointable.h"

namespace Leap {

class Finger : public Pointable {
public:
    enum Type { TYPE_THUMB = 0, TYPE_INDEX = 1, TYPE_MIDDLE = 2, TYPE_RING = 3, TYPE_PINKY = 4 };

    Finger() = default;
    explicit Finger(const Pointable& p) : Pointable(p) {}

    Type type() const;
    // type: 0 metacarpal .. 3 distal; an invalid finger or type gives an invalid bone.
    Bone bone(int type) const;

private:
    friend class FingerList;
    using Pointable::Pointable;
};

} // namespace Leap
