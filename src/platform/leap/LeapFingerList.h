#pragma once
#include "LeapFinger.h"

namespace Leap {

// A hand's fingers in the service's order (five of them, each type once).
class FingerList {
public:
    FingerList() = default;

    int count() const;
    bool isEmpty() const { return count() == 0; }
    // Out of range gives an invalid finger.
    Finger operator[](int index) const;

    using const_iterator = detail::ListIterator<FingerList, Finger>;
    const_iterator begin() const { return const_iterator(*this, 0); }
    const_iterator end() const { return const_iterator(*this, count()); }

private:
    friend class Hand;
    FingerList(detail::FrameRef frame, int hand) : m_frame(std::move(frame)), m_hand(hand) {}
    detail::FrameRef m_frame;
    int m_hand = -1;
};

} // namespace Leap
