#pragma once
// A scenario of the evaluator's corpus: a simulator script with the actions it expects, written as
// `expect` lines anywhere in it (docs/gesture-eval.md).

#include <string>
#include <vector>

#include "Script.h"

namespace geval {

struct Expectation {
    enum Kind { Press, None, Wheel, Travel };
    Kind kind = None;
    int button = 0;     // Press: 1 left, 2 right, 3 middle, 4 keyboard action
    bool up = false;    // Wheel: forward (up) or downward notches
    int atLeast = 0;    // Wheel: notches; Travel: pixels
    float withinMm = 0.0f;  // Press: when set, the thumb at most this far from the pinched tip
};

struct Scenario {
    std::string name;    // file name without .txt
    std::string family;  // the name up to its first '-'
    handsim::Script script;
    std::vector<Expectation> expectations;
};

// The words of an expect line after "expect".
bool parseExpectation(const std::string& words, Expectation& e);
// On failure, error names the line.
bool parseScenario(const std::string& name, const std::string& text, Scenario& out, std::string& error);
bool loadScenario(const std::string& path, Scenario& out, std::string& error);
// Every *.txt of a folder, sorted by name.
bool loadCorpus(const std::string& folder, std::vector<Scenario>& out, std::string& error);

} // namespace geval
