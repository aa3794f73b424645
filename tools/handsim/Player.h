#pragma once
// Plays a script in simulated time: the device's state and one frame per tick.

#include "LeapHandBuilder.h"
#include "LeapRaw.h"
#include "Script.h"

#include <array>
#include <random>
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

// What a real sensor and a real hand add to the script: the hand's size, the sensor's noise, and
// fingers that do not fold in lockstep. Seeded, so a run can be repeated.
struct Realism {
    float handScale = 1.0f;
    // Standard deviation of the tracking noise on the palm and on each finger (mm); it wanders
    // over some 40 ms as a tracker's does, rather than jumping every frame.
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
    // Before the first tick.
    void setRealism(const Realism& realism);

    const Leap::DeviceStatus& device() const { return m_device; }
    const std::vector<std::pair<std::string, bool>>& config() const { return m_config; }

private:
    struct HandState {
        bool visible = false;
        int id = 0;
        Leap::HandPose pose;
    };

    struct Noise {
        Leap::Vector palm;
        std::array<Leap::Vector, 5> fingers;
    };

    void restart(double at, std::vector<Output>& out);
    Leap::RawHand noisy(const HandState& h, Noise& noise, double dt);
    Leap::Vector wander(const Leap::Vector& v, double dt);
    void begin(const Step& s, double at, std::vector<Output>& out);
    void apply(const Step& s, double progress);
    float fingerEase(int f, double progress) const;
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
    std::mt19937 m_random{1};
    // Per step: when each finger (thumb .. pinky) starts and how long it takes, as shares of the
    // step's time.
    std::array<float, 5> m_fingerStart{};
    std::array<float, 5> m_fingerSpan{1.0f, 1.0f, 1.0f, 1.0f, 1.0f};
    std::array<Noise, 2> m_noise{};
    double m_lastTick = -1.0;
};

} // namespace handsim
