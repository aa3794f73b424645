#pragma once
#include "LeapHand.h"

namespace Leap {

class HandList {
public:
    HandList() = default;

    int count() const;
    bool isEmpty() const { return count() == 0; }
    Hand operator[](int index) const;

    using const_iterator = detail::ListIterator<HandList, Hand>;
    const_iterator begin() const { return const_iterator(*this, 0); }
    const_iterator end() const { return const_iterator(*this, count()); }

private:
    friend class Frame;
    explicit HandList(detail::FrameRef frame) : m_frame(std::move(frame)) {}
    detail::FrameRef m_frame;
};

} // namespace Leap
