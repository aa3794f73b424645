#include "FrameStamps.h"

#include <ctime>

namespace handsim {

FrameStamps::~FrameStamps()
{
    if (m_file)
        std::fclose(m_file);
}

bool FrameStamps::open(const std::string& path)
{
    m_file = std::fopen(path.c_str(), "w");
    return m_file != nullptr;
}

void FrameStamps::stamp()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    // Line-buffered would cost a write per frame on the sender's own timing; the file is read after.
    std::fprintf(m_file, "%lld\n", static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec);
}

} // namespace handsim
