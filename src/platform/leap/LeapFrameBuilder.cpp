#include "LeapFrameBuilder.h"

#include <algorithm>

namespace Leap {
namespace detail {

void FrameBuilder::reset(float nominalFps)
{
    m_haveLast = false;
    m_nominalFps = nominalFps > 0.0f ? nominalFps : 120.0f;
    m_fps = m_nominalFps;
    m_tracks.clear();
    m_circles.reset();
    m_autoCenterY = InteractionBox::DEFAULT_CENTER_Y;
}

FrameRef FrameBuilder::build(const RawFrame& raw, bool autoBox, bool circles)
{
    auto frame = std::make_shared<FrameData>();
    frame->id = m_nextId++;
    frame->timestamp = raw.timestamp;

    float dt = 1.0f / m_fps;
    if (m_haveLast) {
        const int64_t delta = raw.timestamp - m_lastTimestamp;
        if (delta > 0 && delta <= MAX_FRAME_GAP_US) {
            dt = static_cast<float>(delta) / 1e6f;
            m_fps += (1.0f / dt - m_fps) * RATE_SMOOTHING;
        }
    }
    m_haveLast = true;
    m_lastTimestamp = raw.timestamp;
    frame->fps = m_fps;

    std::map<int, Track> live;
    frame->hands.reserve(raw.hands.size());
    for (const RawHand& hand : raw.hands) {
        Track& track = live[hand.id];
        auto it = m_tracks.find(hand.id);
        if (it != m_tracks.end())
            track = it->second;
        Vector velocity;
        if (track.frames >= FRAMES_WITHOUT_VELOCITY)
            velocity = hand.hasVelocity ? hand.palmVelocity : (hand.palmPosition - track.lastPalm) / dt;
        ++track.frames;
        track.lastPalm = hand.palmPosition;
        track.smoothedVelocity = track.smoothedVelocity + (velocity - track.smoothedVelocity) * (dt / (MOTION_SECONDS + dt));
        frame->hands.push_back(
            HandData{hand, track.stabilizer.filter(hand.palmPosition, dt), velocity, track.smoothedVelocity});
    }
    m_tracks.swap(live);

    if (autoBox) {
        if (!frame->hands.empty()) {
            const float y = frame->hands.front().raw.palmPosition.y;
            m_autoCenterY += (y - m_autoCenterY) * (dt / (AUTO_BOX_SECONDS + dt));
            m_autoCenterY = std::clamp(m_autoCenterY, 100.0f, 500.0f);
        }
        frame->box = InteractionBox(Vector(0.0f, m_autoCenterY, 0.0f), InteractionBox::DEFAULT_WIDTH,
            InteractionBox::DEFAULT_HEIGHT, InteractionBox::DEFAULT_DEPTH);
    } else {
        m_autoCenterY = InteractionBox::DEFAULT_CENTER_Y;
    }

    if (circles)
        frame->gestures = m_circles.update(frame->hands, raw.timestamp);
    else
        m_circles.reset();
    return frame;
}

} // namespace detail
} // namespace Leap
