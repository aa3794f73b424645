#include "LeapGesture.h"

#include "LeapFrameData.h"

namespace Leap {

bool Gesture::isValid() const { return m_frame && m_frame->gesture(m_index); }

Gesture::Type Gesture::type() const { return isValid() ? m_frame->gesture(m_index)->type : TYPE_INVALID; }

Gesture::State Gesture::state() const { return isValid() ? m_frame->gesture(m_index)->state : STATE_INVALID; }

int Gesture::id() const { return isValid() ? m_frame->gesture(m_index)->id : -1; }

int64_t Gesture::duration() const { return isValid() ? m_frame->gesture(m_index)->duration : 0; }

} // namespace Leap
