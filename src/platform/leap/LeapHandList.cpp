#include "LeapHandList.h"

#include "LeapFrameData.h"

namespace Leap {

int HandList::count() const { return m_frame ? static_cast<int>(m_frame->hands.size()) : 0; }

Hand HandList::operator[](int index) const
{
    if (index < 0 || index >= count())
        return Hand();
    return Hand(m_frame, index);
}

} // namespace Leap
