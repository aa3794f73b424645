#pragma once
// Writes the simulator's hands as the sensor's WebSocket server does (JSON protocol version 6), in
// one of two styles: the current stand-alone server (no device events, interaction box, gestures or
// stabilised fields; finger length and width wrong; tip equal to the bone's end; "%f" numbers; a
// velocity spike on a hand's first frame; timestamps on an arbitrary epoch) or the older service's
// built-in server (device events, every field, the tip short of the bone's end).

#include "LeapRaw.h"

#include <map>
#include <string>

namespace handsim {

class V6Encoder {
public:
    enum class Style { Standalone, Legacy };
    // The stand-alone server's clock counts from an arbitrary epoch.
    static constexpr int64_t STANDALONE_EPOCH_US = 439217709806;

    explicit V6Encoder(Style style) : m_style(style) {}
    Style style() const { return m_style; }

    std::string version() const;
    // Empty for the stand-alone server, which has none.
    std::string deviceEvent(bool attached) const;
    // Frame ids, time visible and velocities carry over from call to call.
    std::string frame(const Leap::RawFrame& frame, float fps);

private:
    struct Seen {
        int64_t since = 0;
        Leap::Vector palm;
        int64_t at = 0;
    };
    Style m_style;
    int64_t m_frameId = 1000;
    std::map<int, Seen> m_seen;
};

} // namespace handsim
