#include "LeapHand.h"

#include "LeapFrame.h"
#include "LeapFrameData.h"

#include <cmath>

namespace Leap {

namespace {
// Smoothed palm speed (mm/s) at which a movement counts as deliberate with probability one half:
// a slow deliberate move (5 mm/s) is well above it, a hand held still or turning in place stays
// near zero.
constexpr float kHalfProbabilitySpeed = 3.0f;
} // namespace

bool Hand::isValid() const { return m_frame && m_frame->hand(m_index); }

int Hand::id() const { return isValid() ? m_frame->hand(m_index)->raw.id : -1; }

FingerList Hand::fingers() const { return isValid() ? FingerList(m_frame, m_index) : FingerList(); }

Vector Hand::direction() const { return isValid() ? m_frame->hand(m_index)->raw.direction : Vector(); }

Vector Hand::palmNormal() const { return isValid() ? m_frame->hand(m_index)->raw.palmNormal : Vector(); }

Vector Hand::palmPosition() const { return isValid() ? m_frame->hand(m_index)->raw.palmPosition : Vector(); }

Vector Hand::stabilizedPalmPosition() const
{
    return isValid() ? m_frame->hand(m_index)->stabilizedPalmPosition : Vector();
}

Vector Hand::palmVelocity() const { return isValid() ? m_frame->hand(m_index)->palmVelocity : Vector(); }

float Hand::palmWidth() const { return isValid() ? m_frame->hand(m_index)->raw.palmWidth : 0.0f; }

bool Hand::isRight() const { return isValid() && m_frame->hand(m_index)->raw.isRight; }

bool Hand::isLeft() const { return isValid() && !m_frame->hand(m_index)->raw.isRight; }

float Hand::translationProbability(const Frame& sinceFrame) const
{
    if (!isValid() || !sinceFrame.isValid())
        return 0.0f;
    const detail::HandData* now = m_frame->hand(m_index);
    for (const detail::HandData& then : sinceFrame.m_frame->hands) {
        if (then.raw.id != now->raw.id)
            continue;
        const float sq = now->smoothedPalmVelocity.magnitudeSquared();
        if (!std::isfinite(sq))
            return 0.0f;
        return sq / (sq + kHalfProbabilitySpeed * kHalfProbabilitySpeed);
    }
    // The hand was not there then: no evidence of a movement yet.
    return 0.0f;
}

} // namespace Leap
