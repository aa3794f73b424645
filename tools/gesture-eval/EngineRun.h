#pragma once
// One scripted hand through the real engine, in-process and faster than real time: the simulator's
// player makes the frames, the tracking layer's test driver delivers them to the real listener on
// the controller's thread, and the engine's decisions go to a sink of this run's own that counts
// them as a relay destination's pointer device would.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "LeapRaw.h"
#include "Script.h"

namespace geval {

struct Action {
    enum Kind { Press, Release, Wheel, Move };
    Kind kind = Press;
    int button = 0;   // 1 left, 2 right, 3 middle, 4 keyboard action (Press, Release)
    bool up = false;  // Wheel: a forward (up) notch, else downward
    int notches = 0;  // Wheel
    double t = 0.0;   // seconds since the script started
    float thumbMm = -1.0f;  // Press: the thumb's distance to the pinched tip, when known
};

struct RunSettings {
    int controllerPos = 0;
    float fps = 120.0f;
    // Simulator realism.
    float handScale = 1.0f;
    float jitterMm = 0.0f;
    uint32_t seed = 1;
    // When given, every pinch and spread step takes this long (seconds).
    double pinchSeconds = 0.0;
    bool mirror = false;  // the other hand: sides swapped, x mirrored
    FILE* trace = nullptr;  // one line per frame when set
};

struct RunResult {
    std::vector<Action> actions;   // presses, releases and wheel notches, in order
    double pointerTravel = 0.0;    // pixels the pointer moved (absolute positions)
    std::vector<int> stuck;        // buttons (1-4) still held when the script ended
    int frames = 0;
};

// The script as written, turned into the variant: mirrored, pinch times replaced.
handsim::Script vary(const handsim::Script& script, const RunSettings& settings);

RunResult runScript(const handsim::Script& script, const RunSettings& settings);

// Recorded frames on their own timestamps (controllerPos and trace of the settings apply).
RunResult runFrames(const std::vector<Leap::RawFrame>& frames, const RunSettings& settings);

} // namespace geval
