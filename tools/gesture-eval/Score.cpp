#include "Score.h"

namespace geval {

Score& Score::operator+=(const Score& o)
{
    runs += o.runs;
    intended += o.intended;
    detected += o.detected;
    stray += o.stray;
    stuck += o.stuck;
    missedOther += o.missedOther;
    intendedLowNoise += o.intendedLowNoise;
    detectedLowNoise += o.detectedLowNoise;
    missedOtherLowNoise += o.missedOtherLowNoise;
    return *this;
}

Score score(const Scenario& scenario, const RunResult& result, const RunSettings& settings, std::string* why)
{
    Score s;
    s.runs = 1;
    std::vector<Expectation> expected;
    for (Expectation e : scenario.expectations)
        if (e.kind == Expectation::Press) {
            if (settings.controllerPos == 2 && e.button == 3)
                e.button = 2;
            expected.push_back(e);
        }
    std::vector<int> pressed;
    int up = 0, down = 0;
    // The expected presses in order, each matched by the first fitting press after the last match.
    size_t next = 0;
    for (const Action& a : result.actions) {
        if (a.kind == Action::Wheel)
            (a.up ? up : down) += a.notches;
        if (a.kind != Action::Press)
            continue;
        pressed.push_back(a.button);
        if (next < expected.size() && expected[next].button == a.button
            && (expected[next].withinMm <= 0.0f || (a.thumbMm >= 0.0f && a.thumbMm <= expected[next].withinMm)))
            ++next;
    }
    s.intended = static_cast<int>(expected.size());
    s.detected = static_cast<int>(next);
    s.stray = static_cast<int>(pressed.size()) - s.detected;
    s.stuck = static_cast<int>(result.stuck.size());
    for (const Expectation& e : scenario.expectations) {
        if (e.kind == Expectation::Wheel && (e.up ? up : down) < e.atLeast)
            ++s.missedOther;
        if (e.kind == Expectation::Travel && result.pointerTravel < e.atLeast)
            ++s.missedOther;
    }
    if (settings.jitterMm <= 1.0f) {
        s.intendedLowNoise = s.intended;
        s.detectedLowNoise = s.detected;
        s.missedOtherLowNoise = s.missedOther;
    }
    if (why && (s.stray || s.stuck || s.missedOther || s.detected < s.intended)) {
        *why = "presses";
        for (int b : pressed)
            *why += " " + std::to_string(b);
        *why += "; wheel up " + std::to_string(up) + " down " + std::to_string(down) + "; travel "
            + std::to_string(static_cast<int>(result.pointerTravel)) + "; stuck " + std::to_string(s.stuck);
    }
    return s;
}

} // namespace geval
