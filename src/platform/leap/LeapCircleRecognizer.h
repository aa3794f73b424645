#pragma once
// Recognises forefinger circles from the path of each hand's index tip.

#include "LeapFrameData.h"

#include <deque>
#include <map>
#include <vector>

namespace Leap {
namespace detail {

class CircleRecognizer {
public:
    static constexpr float MIN_RADIUS_MM = 5.0f;
    static constexpr float MAX_RADIUS_MM = 150.0f;
    // Half a turn of steady circling starts a circle; its progress counts from where it began.
    static constexpr float START_TURNS = 0.5f;
    // A curling finger also sweeps its tip round an arc; a circling one keeps its reach.
    static constexpr float MAX_REACH_CHANGE = 0.2f;
    // Slower than this over STOP_WINDOW_US ends it.
    static constexpr float MIN_TURNS_PER_SECOND = 0.3f;
    static constexpr int64_t STOP_WINDOW_US = 150000;
    // The tip's path is kept for 1.2 s, and never more samples than that is at 500 frames a second:
    // a service whose timestamps crawl must not make it grow without end.
    static constexpr size_t MAX_SAMPLES = 600;

    // Gestures for this frame's hands; hand and finger indices refer to the given list.
    std::vector<GestureData> update(const std::vector<HandData>& hands, int64_t timestamp);
    void reset();
    // Samples of a hand's tip path kept now (0 for a hand not seen).
    size_t pathLength(int handId) const;

private:
    struct Sample {
        int64_t t;
        Vector p;
        float reach; // tip to palm: steady while a finger circles, shrinking while it curls
    };
    struct Fit {
        Vector center;
        Vector normal;
        float radius = 0.0f;
        float swept = 0.0f; // radians, positive about the normal
    };
    struct Track {
        std::deque<Sample> samples;
        bool active = false;
        bool started = false;
        int id = 0;
        int64_t start = 0;
        Fit fit;
        float angle = 0.0f;
        float reach = 0.0f;
        Vector lastRel;
        std::deque<std::pair<int64_t, float>> steps;
    };

    static bool fitWindow(const std::deque<Sample>& samples, size_t first, Fit& out);
    // Diagonal of the box around samples[first..]: a half turn of the smallest circle spans more.
    static float extent(const std::deque<Sample>& samples, size_t first);
    bool tryStart(Track& track, int64_t now);
    // false when the circle ends with this sample.
    bool advance(Track& track, const Sample& s);

    std::map<int, Track> m_tracks;
    std::vector<int> m_seen; // hands of the current frame, kept to save an allocation per frame
    int m_nextId = 1;
};

} // namespace detail
} // namespace Leap
