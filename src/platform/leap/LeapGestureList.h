#pragma once
#include "LeapGesture.h"

namespace Leap {

class GestureList {
public:
    GestureList() = default;

    int count() const;
    bool isEmpty() const { return count() == 0; }
    Gesture operator[](int index) const;

    using const_iterator = detail::ListIterator<GestureList, Gesture>;
    const_iterator begin() const { return const_iterator(*this, 0); }
    const_iterator end() const { return const_iterator(*this, count()); }

private:
    friend class Frame;
    explicit GestureList(detail::FrameRef frame) : m_frame(std::move(frame)) {}
    detail::FrameRef m_frame;
};

} // namespace Leap
