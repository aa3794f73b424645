#pragma once
// A recording of the sensor's WebSocket server (one message a line, as the server sent it; plain or
// gzip) played again at its recorded pace: each line's bytes unchanged, spaced by the differences of
// the frames' timestamps. Around it come the frames a service sends while no hand is over the
// sensor (the recording's first frame with no hands, timestamps and ids running on): for a second
// before it, and without end after it; with looping, the recording comes again after a second of
// them.

#include <cstdint>
#include <string>
#include <vector>

namespace handsim {

class Replay {
public:
    // Gaps longer than this (a paused recorder) are played as this long.
    static constexpr int64_t MAX_GAP_US = 100000;
    static constexpr int64_t NO_HAND_LEAD_US = 1000000;
    static constexpr int64_t LOOP_PAUSE_US = 1000000;
    static constexpr int64_t MIN_PERIOD_US = 1000;
    static constexpr size_t MAX_FILE_BYTES = 256u << 20;

    enum class Load { Loaded, NotSensorRecording, Failed };
    // NotSensorRecording: the file is not one (the simulator's own recordings are read elsewhere).
    Load load(const std::string& path, std::string& error);

    void setLoop(bool loop) { m_loop = loop; }
    // The recording's frames, and their usual spacing (the median gap, at least 1 ms).
    size_t frameCount() const { return m_frames; }
    int64_t periodUs() const { return m_periodUs; }

    struct Message {
        const std::string* text; // valid until the next call
        int64_t atUs;  // after the play began
        bool frame;    // a frame (not an event or other line)
    };
    // The next message to send; there is always one.
    Message next();

    // A frame as the server sends it with no hand in view, shaped like the given one.
    std::string noHandFrame(int64_t timestamp, int64_t id) const;

private:
    struct Line {
        std::string text;
        int64_t gapUs; // after the line before it
        bool frame;
    };
    enum class Phase { Lead, Recording, After };

    Message noHand();

    std::vector<Line> m_lines;
    size_t m_frames = 0;
    int64_t m_periodUs = 8333;
    std::string m_template;
    int64_t m_firstTimestamp = 0, m_lastTimestamp = 0, m_firstId = 0, m_lastId = 0, m_idStep = 1;
    bool m_loop = false;

    Phase m_phase = Phase::Lead;
    size_t m_index = 0;
    int64_t m_at = 0;
    int64_t m_noHandCount = 0; // no-hand frames in the current stretch
    std::string m_noHand;      // the no-hand frame last handed out
};

} // namespace handsim
