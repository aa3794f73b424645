#pragma once
// The immutable record behind every handle of one frame (internal to the layer).

#include "LeapGesture.h"
#include "LeapInteractionBox.h"
#include "LeapRaw.h"

#include <vector>

namespace Leap {
namespace detail {

struct HandData {
    RawHand raw;
    Vector stabilizedPalmPosition;
    Vector palmVelocity;
    // palmVelocity smoothed over FrameBuilder::MOTION_SECONDS: steady even at a slow pace, near
    // zero for a hand held still or turning in place (the translation probability's evidence).
    Vector smoothedPalmVelocity;
};

struct GestureData {
    int id = 0;
    Gesture::Type type = Gesture::TYPE_INVALID;
    Gesture::State state = Gesture::STATE_INVALID;
    int64_t duration = 0;
    int hand = -1;   // index in the frame's hand list
    int finger = -1; // index in that hand's finger list
    float progress = 0.0f;
    float radius = 0.0f;
    Vector center;
    Vector normal;
};

struct FrameData {
    int64_t id = 0;
    int64_t timestamp = 0;
    float fps = 0.0f;
    std::vector<HandData> hands;
    std::vector<GestureData> gestures;
    InteractionBox box;

    const HandData* hand(int index) const
    {
        return index >= 0 && index < static_cast<int>(hands.size()) ? &hands[static_cast<size_t>(index)] : nullptr;
    }
    const RawFinger* finger(int handIndex, int fingerIndex) const
    {
        const HandData* h = hand(handIndex);
        return h && fingerIndex >= 0 && fingerIndex < 5 ? &h->raw.fingers[static_cast<size_t>(fingerIndex)] : nullptr;
    }
    const GestureData* gesture(int index) const
    {
        return index >= 0 && index < static_cast<int>(gestures.size()) ? &gestures[static_cast<size_t>(index)] : nullptr;
    }
};

} // namespace detail
} // namespace Leap
