#include "LeapGestureList.h"

#include "LeapFrameData.h"

namespace Leap {

int GestureList::count() const { return m_frame ? static_cast<int>(m_frame->gestures.size()) : 0; }

Gesture GestureList::operator[](int index) const
{
    if (index < 0 || index >= count())
        return Gesture();
    return Gesture(m_frame, index);
}

} // namespace Leap
