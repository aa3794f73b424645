#pragma once
#include "LeapFingerList.h"

namespace Leap {

class Frame;

class Hand {
public:
    Hand() = default;

    bool isValid() const;
    int id() const;
    FingerList fingers() const;
    Vector direction() const;
    Vector palmNormal() const;
    Vector palmPosition() const;
    // Palm position after the pointer-control smoothing filter (see docs/tracking-protocol.md).
    Vector stabilizedPalmPosition() const;
    float palmWidth() const;
    // mm/s; zero for a hand's first frames.
    Vector palmVelocity() const;
    bool isRight() const;
    bool isLeft() const;
    // 0..1: how likely the palm's movement since that frame is a deliberate translation.
    float translationProbability(const Frame& sinceFrame) const;

private:
    friend class HandList;
    Hand(detail::FrameRef frame, int index) : m_frame(std::move(frame)), m_index(index) {}
    detail::FrameRef m_frame;
    int m_index = -1;
};

} // namespace Leap
