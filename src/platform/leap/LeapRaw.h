#pragma once
// The raw kinematic hand as the tracking service reports it, before the layer derives anything.

#include "LeapVector.h"

#include <array>
#include <cstdint>
#include <vector>

namespace Leap {

// One finger as five joints from the wrist end outward: bone b runs from joints[b] to joints[b + 1]
// (b = 0 metacarpal, 1 proximal, 2 intermediate, 3 distal; joints[4] is the tip). The thumb's
// metacarpal has zero length (joints[0] == joints[1]).
struct RawFinger {
    int type = 0; // 0 thumb .. 4 pinky
    std::array<Vector, 5> joints{};
    float width = 15.0f;
    // As the source reports it; -1 when it does not (the layer then judges from the joints).
    signed char extended = -1;
};

struct RawHand {
    int id = 1;
    bool isRight = true;
    Vector palmPosition{0.0f, 200.0f, 0.0f};
    Vector palmNormal{0.0f, -1.0f, 0.0f};
    Vector direction{0.0f, 0.0f, -1.0f};
    float palmWidth = 85.0f;
    std::array<RawFinger, 5> fingers{};
    // mm/s as the source reports it; without one the layer derives it from the palm's movement.
    Vector palmVelocity;
    bool hasVelocity = false;
};

struct RawFrame {
    int64_t timestamp = 0; // microseconds on the service's clock
    std::vector<RawHand> hands;
    // Hz as the source reports it, 0 when it does not.
    float frameRate = 0.0f;
};

// What the service says about the device: attached and streaming, and whether it is built in.
// A built-in device that is switched off stays listed (attached false, embedded true).
struct DeviceStatus {
    bool attached = false;
    bool embedded = false;
    float nominalFps = 120.0f;
};

} // namespace Leap
