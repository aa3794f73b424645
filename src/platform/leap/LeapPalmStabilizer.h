#pragma once
// Smooths one hand's palm position for pointer control: an adaptive low-pass filter whose cutoff
// rises with speed, so a resting hand holds still and a moving one lags little.

#include "LeapVector.h"

#include <cstdint>

namespace Leap {
namespace detail {

class PalmStabilizer {
public:
    static constexpr float MIN_CUTOFF_HZ = 1.0f;
    static constexpr float SPEED_COEFFICIENT = 0.05f; // Hz per mm/s
    static constexpr float SPEED_CUTOFF_HZ = 1.0f;

    // dtSeconds > 0; the first sample passes through.
    Vector filter(const Vector& raw, float dtSeconds);

private:
    bool m_started = false;
    Vector m_value;
    Vector m_speed;
};

} // namespace detail
} // namespace Leap
