#include "LeapJsonGrammar.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Leap {
namespace detail {
namespace json {

namespace {

bool isHex(char c) { return isDigit(c) || static_cast<unsigned char>((c | 0x20) - 'a') < 6u; }
bool isHex4(const char* p) { return isHex(p[0]) && isHex(p[1]) && isHex(p[2]) && isHex(p[3]); }

// Bytes that end a run of plain string text: the quote, the backslash, control characters.
struct StringStops {
    bool stop[256] = {};
    constexpr StringStops()
    {
        for (int c = 0; c < 0x20; ++c)
            stop[c] = true;
        stop[static_cast<unsigned char>('"')] = true;
        stop[static_cast<unsigned char>('\\')] = true;
    }
};
constexpr StringStops kStops;

#if defined(__SSE2__)
__m128i load16(const char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

unsigned bytesAtMost(__m128i v, char c)
{
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(v, _mm_set1_epi8(c)), v)));
}

unsigned bytesEqual(__m128i v, char c)
{
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(c))));
}
#endif

const char* skipDigits(const char* p, const char* end)
{
    while (p < end && isDigit(*p))
        ++p;
    return p;
}

const char* skipWord(const char* p, const char* end, std::string_view word)
{
    if (static_cast<size_t>(end - p) < word.size() || std::memcmp(p, word.data(), word.size()) != 0)
        return nullptr;
    return p + word.size();
}

unsigned hex4(const char* p)
{
    unsigned v = 0;
    for (int i = 0; i < 4; ++i) {
        const char c = p[i];
        v = v * 16 + static_cast<unsigned>(isDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10);
    }
    return v;
}

// The UTF-8 of code point cp into out; its length.
size_t utf8(unsigned cp, char* out)
{
    if (cp < 0x80) {
        out[0] = static_cast<char>(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = static_cast<char>(0xC0 | cp >> 6);
        out[1] = static_cast<char>(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp < 0x10000) {
        out[0] = static_cast<char>(0xE0 | cp >> 12);
        out[1] = static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out[2] = static_cast<char>(0x80 | (cp & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | cp >> 18);
    out[1] = static_cast<char>(0x80 | (cp >> 12 & 0x3F));
    out[2] = static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    out[3] = static_cast<char>(0x80 | (cp & 0x3F));
    return 4;
}

} // namespace

// p is just past the opening quote; returns just past the closing one, or null. The text is
// padded: up to 15 bytes past end may be read.
const char* skipString(const char* p, const char* end)
{
    for (;;) {
#if defined(__SSE2__)
        // Sixteen bytes at a time to the first that ends the plain text.
        for (;;) {
            const __m128i v = load16(p);
            const unsigned stops = bytesEqual(v, '"') | bytesEqual(v, '\\') | bytesAtMost(v, 0x1F);
            if (stops) {
                p += __builtin_ctz(stops);
                break;
            }
            p += 16;
            if (p >= end)
                break;
        }
#endif
        while (p < end && !kStops.stop[static_cast<unsigned char>(*p)])
            ++p;
        if (p >= end || *p != '\\')
            return p < end && *p == '"' ? p + 1 : nullptr;
        if (end - p < 2)
            return nullptr;
        switch (p[1]) {
        case '"': case '\\': case '/': case 'b': case 'f': case 'n': case 'r': case 't':
            p += 2;
            break;
        case 'u':
            if (end - p < 6 || !isHex4(p + 2))
                return nullptr;
            p += 6;
            break;
        default:
            return nullptr;
        }
    }
}

// -? (0 | [1-9][0-9]*) (. [0-9]+)? ([eE] [+-]? [0-9]+)?: returns its end, or null. The text is
// padded: 16 bytes from p may be read.
const char* skipNumber(const char* p, const char* end)
{
#if defined(__SSE2__)
    // The common number, -?[digits](.[digits])? within 16 bytes, from a few vector compares
    // instead of a loop per digit, whose end the processor cannot predict.
    {
        const __m128i v = load16(p);
        const unsigned stops = ~bytesAtMost(_mm_sub_epi8(v, _mm_set1_epi8('0')), 9) | 0x10000u;
        const unsigned s = *p == '-' ? 1 : 0;
        const unsigned whole = static_cast<unsigned>(__builtin_ctz(stops >> s << s));
        unsigned at = whole;
        if (p[whole] == '.')
            at = static_cast<unsigned>(__builtin_ctz(stops >> (whole + 1) << (whole + 1)));
        const bool plain = whole > s && !(p[s] == '0' && whole > s + 1) && at != whole + 1 && at < 16 &&
            (p[at] | 0x20) != 'e';
        if (plain)
            return p + at <= end ? p + at : nullptr;
    }
#endif
    if (p < end && *p == '-')
        ++p;
    if (p >= end || !isDigit(*p))
        return nullptr;
    p = *p == '0' ? p + 1 : skipDigits(p, end);
    if (p < end && *p == '.') {
        if (++p >= end || !isDigit(*p))
            return nullptr;
        p = skipDigits(p, end);
    }
    if (p < end && (*p | 0x20) == 'e') {
        if (++p < end && (*p == '+' || *p == '-'))
            ++p;
        if (p >= end || !isDigit(*p))
            return nullptr;
        p = skipDigits(p, end);
    }
    return p;
}

// One value from p, nested ones included; returns just past it, or null when it is not JSON.
// The open containers are one bit a level (1 an object).
const char* checkValue(const char* p, const char* end)
{
    uint64_t objects = 0;
    size_t depth = 0;
value:
    if (p >= end)
        return nullptr;
    switch (*p) {
    case '{':
    case '[':
        if (++depth > MAX_DEPTH)
            return nullptr;
        objects = objects << 1 | (*p == '{' ? 1u : 0u);
        p = skipSpace(p + 1, end);
        if (p < end && *p == ((objects & 1) ? '}' : ']')) {
            ++p;
            goto closed;
        }
        if (objects & 1)
            goto key;
        goto value;
    case '"':
        p = skipString(p + 1, end);
        break;
    case 't':
        p = skipWord(p, end, "true");
        break;
    case 'f':
        p = skipWord(p, end, "false");
        break;
    case 'n':
        p = skipWord(p, end, "null");
        break;
    default:
        p = skipNumber(p, end);
        break;
    }
    if (!p)
        return nullptr;
after:
    if (depth == 0)
        return p;
    p = skipSpace(p, end);
    if (p < end && *p == ',') {
        p = skipSpace(p + 1, end);
        if (objects & 1)
            goto key;
        goto value;
    }
    if (p < end && *p == ((objects & 1) ? '}' : ']')) {
        ++p;
        goto closed;
    }
    return nullptr;
closed:
    --depth;
    objects >>= 1;
    goto after;
key:
    if (p >= end || *p != '"' || !(p = skipString(p + 1, end)))
        return nullptr;
    p = skipSpace(p, end);
    if (p >= end || *p != ':')
        return nullptr;
    p = skipSpace(p + 1, end);
    goto value;
}

// p is just past a string's opening quote (simdjson has found its closing one). When the string
// means expected, returns just past its closing quote, every escape in it checked; else null.
const char* textIs(const char* p, std::string_view expected)
{
    size_t i = 0;
    for (;;) {
        const char c = *p;
        if (c == '"')
            return i == expected.size() ? p + 1 : nullptr;
        if (c != '\\') {
            if (i == expected.size() || expected[i] != c)
                return nullptr;
            ++i;
            ++p;
            continue;
        }
        char bytes[4];
        size_t n = 1;
        const char e = p[1];
        p += 2;
        switch (e) {
        case '"': case '\\': case '/': bytes[0] = e; break;
        case 'b': bytes[0] = '\b'; break;
        case 'f': bytes[0] = '\f'; break;
        case 'n': bytes[0] = '\n'; break;
        case 'r': bytes[0] = '\r'; break;
        case 't': bytes[0] = '\t'; break;
        case 'u': {
            if (!isHex4(p))
                return nullptr;
            unsigned cp = hex4(p);
            p += 4;
            if (cp >= 0xD800 && cp < 0xDC00 && p[0] == '\\' && p[1] == 'u' && isHex4(p + 2)) {
                const unsigned low = hex4(p + 2);
                if (low >= 0xDC00 && low < 0xE000) {
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                    p += 6;
                }
            }
            // A lone surrogate is no character: it equals no text.
            if (cp >= 0xD800 && cp < 0xE000)
                return nullptr;
            n = utf8(cp, bytes);
            break;
        }
        default:
            return nullptr;
        }
        if (expected.size() - i < n || std::memcmp(expected.data() + i, bytes, n) != 0)
            return nullptr;
        i += n;
    }
}

} // namespace json
} // namespace detail
} // namespace Leap
