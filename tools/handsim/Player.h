#pragma once
// Plays a script in simulated time: the device's state and one frame per tick.

#include "LeapHandBuilder.h"
#include "LeapRaw.h"
#include "Script.h"

#include <array>
#include <string>
#include <vector>

namespace handsim {

struct Output {
    enum class Kind { Device, Config, Frame };
    Kind kind = Kind::Frame;
    int64_t time = 0; // device clock, microseconds
    Leap::DeviceStatus device;
    std::string key;
    bool value = false;
    Leap::RawFrame frame;
};

// What a real sensor and a real hand add to the script: the hand's size, and the sensor's noise
// (seeded, so a run can be repeated).
struct Realism {
    float handScale = 1.0f;
    float jitterMm = 0.0f;
    uint32_t seed = 1;
};

class Player {
public:
    // The device clock starts here, so that no timestamp is 0.
    static constexpr int64_t CLOCK_START_US = 1000000;

    Player(Script script, float fps);

    // Advances to t seconds since the start and appends what happens: device and config changes on
    // the way, then the frame at t while the device is plugged in. With loop, the script starts
    // again from its beginning when it ends.
    void tick(double t, std::vector<Output>& out, bool loop = false);
    bool finished() const { return m_finished; }
    void setRealism(const Realism& realism);

    const Leap::DeviceStatus& device() const { return m_device; }
    const std::vector<std::pair<std::string, bool>>& config() const { return m_config; }

private:
    struct HandState {
        bool visible = false;
        int id = 0;
        Leap::HandPose pose;
    };

    void restart(double at, std::vector<Output>& out);
    void begin(const Step& s, double at, std::vector<Output>& out);
    void apply(const Step& s, double progress);
    void emitDevice(double at, std::vector<Output>& out);
    int64_t clock(double t) const;

    Script m_script;
    float m_fps;
    size_t m_index = 0;
    double m_stepStart = 0.0;
    bool m_begun = false;
    bool m_finished = false;
    int m_nextHandId = 1;
    std::array<HandState, 2> m_hands;
    std::array<HandState, 2> m_from;
    Leap::DeviceStatus m_device;
    std::vector<std::pair<std::string, bool>> m_config;
    Realism m_realism;
};

} // namespace handsim
