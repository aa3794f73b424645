#pragma once
// JSON's grammar (RFC 8259) checked on raw text, without building anything: for the fields the
// tracking layer's decoders do not read. Each reads no further than end, except where it says the
// text is padded (the readers' buffers are).

#include <cstddef>
#include <string_view>

namespace Leap {
namespace detail {
namespace json {

constexpr size_t MAX_DEPTH = 32;

inline bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
inline bool isDigit(char c) { return static_cast<unsigned char>(c - '0') < 10u; }

inline const char* skipSpace(const char* p, const char* end)
{
    while (p < end && isSpace(*p))
        ++p;
    return p;
}

// p is just past a string's opening quote; returns just past its closing one, or null. Padded:
// up to 15 bytes past end may be read.
const char* skipString(const char* p, const char* end);
// A number at p; returns just past it, or null. Padded: 16 bytes from p may be read.
const char* skipNumber(const char* p, const char* end);
// One value at p, nested ones included (at most MAX_DEPTH deep); returns just past it, or null.
// Padded, as the two above.
const char* checkValue(const char* p, const char* end);
// p is just past a string's opening quote (its closing one is there). When the string means
// expected, its escapes decoded, returns just past its closing quote; else null.
const char* textIs(const char* p, std::string_view expected);

} // namespace json
} // namespace detail
} // namespace Leap
