#pragma once
// The moment each frame was handed to the clients' sockets, on CLOCK_MONOTONIC in nanoseconds, one
// number a line: what an end-to-end latency measurement compares the X server's events with.

#include <cstdio>
#include <string>

namespace handsim {

class FrameStamps {
public:
    FrameStamps() = default;
    FrameStamps(const FrameStamps&) = delete;
    FrameStamps& operator=(const FrameStamps&) = delete;
    ~FrameStamps();

    bool open(const std::string& path);
    explicit operator bool() const { return m_file != nullptr; }
    void stamp();

private:
    std::FILE* m_file = nullptr;
};

} // namespace handsim
