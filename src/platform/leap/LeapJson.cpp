#include "LeapJson.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <string>

namespace Leap {
namespace detail {
namespace json {

namespace {

void checkedUpTo(const char* p)
{
    if (p > tText.checked)
        tText.checked = p;
}

// A JSON number at p into the type it is used as, *next just past it. Out of range (1e39 or
// 1e-300 as a float) is refused, not rounded to inf or 0. from_chars reads more than JSON ("1.",
// "047", "-.5"), refused here at the cost of a few bytes looked at; it reads the number up to an
// exponent, which the sensor's numbers rarely have: a caller that meets one calls withExponent.
template <typename T>
inline bool toNumber(const char* p, const char* end, T& out, const char** next)
{
    // Without branches: the signs and zeros of the sensor's numbers follow no pattern the
    // processor could predict. The text is padded: two bytes from p can be read.
    const char* digits = p + (*p == '-' ? 1 : 0);
    const int noDigit = int(!isDigit(digits[0]));
    const int leadingZero = int(digits[0] == '0') & int(isDigit(digits[1]));
    if (noDigit | leadingZero)
        return false;
    T value{};
    const auto r = std::from_chars(p, end, value, std::chars_format::fixed);
    if (r.ec != std::errc() || r.ptr[-1] == '.' || !std::isfinite(value))
        return false;
    *next = r.ptr;
    out = value;
    return true;
}

bool atExponent(const char* p) { return (*p | 0x20) == 'e'; }

// The number at p read whole, once toNumber has stopped at its exponent.
template <typename T>
bool withExponent(const char* p, const char* end, T& out, const char** next)
{
    const char* number = skipNumber(p, end);
    if (!number)
        return false;
    T value{};
    const auto r = std::from_chars(p, number, value);
    if (r.ec != std::errc() || r.ptr != number || !std::isfinite(value))
        return false;
    *next = number;
    out = value;
    return true;
}

// A number token as the parser cut it out (trailing white space included).
template <typename T>
bool scan(Value v, T& out)
{
    const std::string_view token = v.raw_json_token();
    const char* end = token.data() + token.size();
    const char* next = nullptr;
    T value{};
    if (!toNumber(token.data(), end, value, &next) ||
        (atExponent(next) && !withExponent(token.data(), end, value, &next)) || skipSpace(next, end) != end)
        return false;
    checkedUpTo(next);
    out = value;
    return true;
}

} // namespace

Reader::Reader(size_t maxBytes) : m_max(maxBytes), m_buffer(maxBytes + simdjson::SIMDJSON_PADDING), m_parser(maxBytes)
{
    // Allocated once here, never grown by a message.
    if (m_parser.allocate(maxBytes, MAX_DEPTH) != simdjson::SUCCESS)
        m_max = 0;
}

bool Reader::parse(std::string_view text, Document& out)
{
    if (text.size() > m_max)
        return false;
    std::memcpy(m_buffer.data(), text.data(), text.size());
    std::memset(m_buffer.data() + text.size(), ' ', simdjson::SIMDJSON_PADDING);
    tText = Text{m_buffer.data() + text.size(), m_buffer.data(), false};
    return !m_parser.iterate(m_buffer.data(), text.size(), m_buffer.size()).get(out);
}

bool atEnd(Document& doc)
{
    const char* at = nullptr;
    return doc.current_location().get(at) != simdjson::SUCCESS && !tText.bad;
}

bool isJson(std::string_view text)
{
    std::string padded(text);
    padded.append(16, ' ');
    const char* end = padded.data() + text.size();
    const char* p = checkValue(skipSpace(padded.data(), end), end);
    return p && skipSpace(p, end) == end;
}

bool readNumber(Value v, double& out) { return scan(v, out); }

bool readFloat(Value v, float lo, float hi, float& out)
{
    float f = 0.0f;
    if (!scan(v, f) || f < lo || f > hi)
        return false;
    out = f;
    return true;
}

bool readInt(Value v, int64_t lo, int64_t hi, int64_t& out)
{
    double d = 0.0;
    if (!readNumber(v, d) || d != std::floor(d) || d < static_cast<double>(lo) || d > static_cast<double>(hi))
        return false;
    out = static_cast<int64_t>(d);
    return true;
}

bool readBool(Value v, bool& out) { return !v.get_bool().get(out); }

// The array's text is cut out by the parser's index and read in one sweep: three numbers and
// nothing else.
bool readVector(Value v, float limit, Vector& out)
{
    simdjson::ondemand::array a;
    std::string_view text;
    if (v.get_array().get(a) || a.raw_json().get(text))
        return false;
    const char* p = text.data();
    const char* end = p + text.size();
    p = skipSpace(p, end);
    if (p == end || *p != '[')
        return false;
    float xyz[3];
    for (int i = 0; i < 3; ++i) {
        p = skipSpace(p + 1, end);
        const char* number = p;
        const char* next = nullptr;
        if (!toNumber(number, end, xyz[i], &next))
            return false;
        p = skipSpace(next, end);
        const char separator = i < 2 ? ',' : ']';
        if (p == end || *p != separator) {
            if (!atExponent(next) || !withExponent(number, end, xyz[i], &next))
                return false;
            p = skipSpace(next, end);
            if (p == end || *p != separator)
                return false;
        }
        if (xyz[i] < -limit || xyz[i] > limit)
            return false;
    }
    checkedUpTo(p);
    out = Vector(xyz[0], xyz[1], xyz[2]);
    return true;
}

bool readDirection(Value v, float limit, Vector& out)
{
    if (!readVector(v, limit, out) || out.magnitude() < 1e-3f)
        return false;
    out = out.normalized();
    return true;
}

bool stringIs(Value v, std::string_view expected, bool& equal)
{
    simdjson::ondemand::raw_json_string raw;
    if (v.get_raw_json_string().get(raw))
        return false;
    const char* end = textIs(raw.raw(), expected);
    equal = end != nullptr;
    if (equal)
        checkedUpTo(end);
    return true;
}

bool Key::matches(std::string_view expected) const
{
    // Bytes that differ may still mean the same once escapes are decoded.
    const char* end = textIs(raw(), expected);
    if (end)
        m_end = end;
    return end != nullptr;
}

void Key::check() const
{
    const char* key = raw();
    const char* end = tText.end;
    if (!key || !end || tText.bad)
        return;
    const char* p = m_end;
    if (!p && !(p = skipString(key, end))) {
        tText.bad = true;
        return;
    }
    p = skipSpace(p, end);
    const char* value = p < end && *p == ':' ? checkValue(skipSpace(p + 1, end), end) : nullptr;
    // The value ends where its object goes on: "060" is no 0 followed by something else.
    const char* after = value ? skipSpace(value, end) : nullptr;
    if (!after || after >= end || (*after != ',' && *after != '}')) {
        tText.bad = true;
        return;
    }
    // Whatever value holds this key's object has been read now as far as this.
    checkedUpTo(value);
}

} // namespace json
} // namespace detail
} // namespace Leap
