#include "LeapJson.h"

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

bool readNumber(Value v, double& out)
{
    double d = 0.0;
    if (v.get_double().get(d) || !std::isfinite(d))
        return false;
    out = d;
    return true;
}

bool readFloat(Value v, float lo, float hi, float& out)
{
    double d = 0.0;
    if (!readNumber(v, d))
        return false;
    const float f = static_cast<float>(d);
    if (!std::isfinite(f) || f < lo || f > hi)
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

bool readVector(Value v, float limit, Vector& out)
{
    simdjson::ondemand::array a;
    if (v.get_array().get(a))
        return false;
    float xyz[3];
    int n = 0;
    for (auto element : a) {
        Value e;
        if (element.get(e) || n == 3 || !readFloat(e, -limit, limit, xyz[n]))
            return false;
        ++n;
    }
    if (n != 3)
        return false;
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
