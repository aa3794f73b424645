#pragma once

namespace Leap {

class Device {
public:
    Device() = default;
    Device(bool embedded, bool streaming) : m_valid(true), m_embedded(embedded), m_streaming(streaming) {}

    bool isValid() const { return m_valid; }
    // Built into the computer (and switched on or off by the user) rather than plugged in.
    bool isEmbedded() const { return m_embedded; }
    bool isStreaming() const { return m_streaming; }

private:
    bool m_valid = false;
    bool m_embedded = false;
    bool m_streaming = false;
};

} // namespace Leap
