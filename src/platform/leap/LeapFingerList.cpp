#include "LeapFingerList.h"

#include "LeapFrameData.h"

namespace Leap {

int FingerList::count() const { return m_frame && m_frame->hand(m_hand) ? 5 : 0; }

Finger FingerList::operator[](int index) const
{
    if (index < 0 || index >= count())
        return Finger();
    return Finger(m_frame, m_hand, index);
}

} // namespace Leap
