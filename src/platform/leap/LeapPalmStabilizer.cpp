#include "LeapPalmStabilizer.h"

namespace Leap {
namespace detail {

namespace {
float smoothing(float cutoffHz, float dt)
{
    const float tau = 1.0f / (2.0f * PI * cutoffHz);
    return 1.0f / (1.0f + tau / dt);
}
} // namespace

Vector PalmStabilizer::filter(const Vector& raw, float dt)
{
    if (!m_started) {
        m_started = true;
        m_value = raw;
        m_speed = Vector();
        return m_value;
    }
    const Vector speed = (raw - m_value) / dt;
    m_speed += (speed - m_speed) * smoothing(SPEED_CUTOFF_HZ, dt);
    const float cutoff = MIN_CUTOFF_HZ + SPEED_COEFFICIENT * m_speed.magnitude();
    m_value += (raw - m_value) * smoothing(cutoff, dt);
    return m_value;
}

} // namespace detail
} // namespace Leap
