#include "LeapJson.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace Leap {
namespace detail {
namespace json {

Reader::Reader(size_t maxBytes) : m_max(maxBytes), m_buffer(maxBytes + simdjson::SIMDJSON_PADDING), m_parser(maxBytes)
{
    // Allocated once here, never grown by a message.
    if (m_parser.allocate(maxBytes, MAX_DEPTH) != simdjson::SUCCESS)
        m_max = 0;
}

bool atEnd(Document& doc)
{
    const char* at = nullptr;
    return doc.current_location().get(at) != simdjson::SUCCESS;
}

bool Reader::parse(std::string_view text, Document& out)
{
    if (text.size() > m_max)
        return false;
    std::memcpy(m_buffer.data(), text.data(), text.size());
    std::memset(m_buffer.data() + text.size(), ' ', simdjson::SIMDJSON_PADDING);
    return !m_parser.iterate(m_buffer.data(), text.size(), m_buffer.size()).get(out);
}

namespace {

// A JSON number token read straight into the type it is used as. The parser has already cut the
// token out; what from_chars accepts beyond JSON's grammar ("inf", "nan") is refused here or by
// the finiteness check.
template <typename T>
bool scan(Value v, T& out)
{
    const std::string_view token = v.raw_json_token();
    if (token.empty())
        return false;
    const char c = token[0];
    if (c != '-' && (c < '0' || c > '9'))
        return false;
    size_t n = token.size();
    while (n > 0 && (token[n - 1] == ' ' || token[n - 1] == '\t' || token[n - 1] == '\n' || token[n - 1] == '\r'))
        --n;
    T value{};
    const auto r = std::from_chars(token.data(), token.data() + n, value);
    // Out of range (1e39 as a float, 1e-300 as a float) is refused, not rounded to inf or 0.
    if (r.ec != std::errc() || r.ptr != token.data() + n || !std::isfinite(value))
        return false;
    out = value;
    return true;
}

} // namespace

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

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

const char* skipSpace(const char* p, const char* end)
{
    while (p < end && isSpace(*p))
        ++p;
    return p;
}

} // namespace

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
        if (p == end || (*p != '-' && (*p < '0' || *p > '9')))
            return false;
        const auto r = std::from_chars(p, end, xyz[i]);
        if (r.ec != std::errc() || !std::isfinite(xyz[i]) || xyz[i] < -limit || xyz[i] > limit)
            return false;
        p = skipSpace(r.ptr, end);
        if (p == end || *p != (i < 2 ? ',' : ']'))
            return false;
    }
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
    equal = raw.is_equal(expected);
    return true;
}

} // namespace json
} // namespace detail
} // namespace Leap
