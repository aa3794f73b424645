#include "LeapLog.h"

#include <QtGlobal>

#include <chrono>
#include <mutex>

namespace Leap {
namespace detail {

namespace {
constexpr int kLinesPerSecond = 5;
std::mutex g_mutex;
std::chrono::steady_clock::time_point g_windowStart;
int g_linesInWindow = 0;
long g_heldBack = 0;
} // namespace

void logDropped(const std::string& reason)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    const auto now = std::chrono::steady_clock::now();
    if (now - g_windowStart >= std::chrono::seconds(1)) {
        g_windowStart = now;
        g_linesInWindow = 0;
    }
    if (g_linesInWindow >= kLinesPerSecond) {
        ++g_heldBack;
        return;
    }
    ++g_linesInWindow;
    if (g_heldBack > 0) {
        qWarning("Leap: tracking message dropped (%s); %ld more dropped before", reason.c_str(), g_heldBack);
        g_heldBack = 0;
    } else {
        qWarning("Leap: tracking message dropped (%s)", reason.c_str());
    }
}

void resetDropLog()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_windowStart = std::chrono::steady_clock::now();
    g_linesInWindow = 0;
    g_heldBack = 0;
}

void logInfo(const std::string& text) { qInfo("Leap: %s", text.c_str()); }

} // namespace detail
} // namespace Leap
