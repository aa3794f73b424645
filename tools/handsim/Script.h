#pragma once
// The hand simulator's script: plain text, one step per line (docs/handsim.md).

#include "LeapVector.h"

#include <string>
#include <vector>

namespace handsim {

enum class StepKind {
    Hand,         // a hand appears: side, position
    SecondHand,   // a second hand appears: side, position (relative to the first by default)
    Remove,       // every hand goes
    RemoveSecond, // the second hand goes
    MoveTo,
    MoveBy,
    Pinch,  // thumb to finger
    Spread, // pinch released
    Curl,
    Extend,
    Fist,
    Open,
    Circle,
    Unplug,
    Plug,
    Embedded,
    Config,
    Wait,
};

struct Step {
    StepKind kind = StepKind::Wait;
    int line = 0;
    double duration = 0.0; // seconds
    bool isRight = true;
    bool sideGiven = false; // SecondHand: otherwise the side opposite the first hand
    bool hasPosition = false;
    Leap::Vector vector;
    int finger = 0;           // Pinch: 1 index .. 4 pinky
    std::vector<int> fingers; // Curl, Extend: finger types
    float radius = 0.0f;      // Circle, mm
    float turns = 0.0f;       // Circle
    bool clockwise = true;    // Circle: seen along the pointing finger
    bool flag = false;        // Embedded, Config
    std::string key;          // Config
};

struct Script {
    std::vector<Step> steps;
    double duration() const;
};

// On failure, error reads "line N: ...".
bool parseScript(const std::string& text, Script& out, std::string& error);
bool loadScript(const std::string& path, Script& out, std::string& error);

} // namespace handsim
