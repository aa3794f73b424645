#pragma once
// Turns the service's raw frames into frame records: frame rate, stabilised palms, interaction
// box, circle gestures. One per stream; used on the callback thread only.

#include "LeapCircleRecognizer.h"
#include "LeapFrameData.h"
#include "LeapFrameRef.h"
#include "LeapPalmStabilizer.h"

#include <map>

namespace Leap {
namespace detail {

class FrameBuilder {
public:
    // Frames further apart than this are a gap, not a rate.
    static constexpr int64_t MAX_FRAME_GAP_US = 250000;
    static constexpr float RATE_SMOOTHING = 0.25f;
    // Time constant with which the automatic box's height follows the hand.
    static constexpr float AUTO_BOX_SECONDS = 2.0f;
    // A hand's first frames report no velocity: trackers report spikes for a hand just found.
    static constexpr int FRAMES_WITHOUT_VELOCITY = 3;
    // Time constant of the smoothed palm velocity behind the translation probability.
    static constexpr float MOTION_SECONDS = 0.15f;

    // A new stream (device attached): the first frame reports the device's nominal rate.
    void reset(float nominalFps);
    FrameRef build(const RawFrame& raw, bool autoBox, bool circles);

private:
    int64_t m_nextId = 1;
    bool m_haveLast = false;
    int64_t m_lastTimestamp = 0;
    float m_nominalFps = 120.0f;
    float m_fps = 120.0f;
    struct Track {
        PalmStabilizer stabilizer;
        int frames = 0;
        Vector lastPalm;
        Vector smoothedVelocity;
    };
    std::map<int, Track> m_tracks;
    CircleRecognizer m_circles;
    float m_autoCenterY = InteractionBox::DEFAULT_CENTER_Y;
};

} // namespace detail
} // namespace Leap
