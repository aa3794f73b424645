#pragma once
// What one run of a scenario scored against its expectations, and the sums of many.

#include <string>

#include "EngineRun.h"
#include "Scenario.h"

namespace geval {

struct Score {
    int runs = 0;
    int intended = 0;  // expected presses
    int detected = 0;  // of those, pressed in the expected order
    int stray = 0;     // presses nobody asked for
    int stuck = 0;     // buttons or keys still held when the script ended
    int missedOther = 0;  // wheel and travel expectations not met
    // Detection among runs with at most 1 mm of noise.
    int intendedLowNoise = 0;
    int detectedLowNoise = 0;
    int missedOtherLowNoise = 0;

    Score& operator+=(const Score& o);
};

// controllerPos 2 turns the ring pinch's press into the middle pinch's (right button).
Score score(const Scenario& scenario, const RunResult& result, const RunSettings& settings, std::string* why = nullptr);

} // namespace geval
