#pragma once
#include <string>

namespace Leap {
namespace detail {

// One warning line per dropped message, at most a few a second: a broken service must not flood
// the log. Lines held back are counted into the next one.
void logDropped(const std::string& reason);
void logInfo(const std::string& text);
// Opens a fresh window of the rate limit (tests).
void resetDropLog();

} // namespace detail
} // namespace Leap
