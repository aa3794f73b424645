#include "LeapFrame.h"

#include "LeapFrameData.h"

namespace Leap {

int64_t Frame::id() const { return m_frame ? m_frame->id : -1; }

int64_t Frame::timestamp() const { return m_frame ? m_frame->timestamp : 0; }

InteractionBox Frame::interactionBox() const { return m_frame ? m_frame->box : InteractionBox(); }

float Frame::currentFramesPerSecond() const { return m_frame ? m_frame->fps : 0.0f; }

} // namespace Leap
