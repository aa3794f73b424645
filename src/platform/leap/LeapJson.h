#pragma once
// The one JSON reader of the tracking layer (service lines and WebSocket frames): simdjson's
// On-Demand parser over a fixed-size buffer. Memory stays bounded whatever arrives: a message over
// the limit is refused before parsing, nesting deeper than MAX_DEPTH fails, repeated keys and
// unknown fields are skipped without allocating.

#include "LeapVector.h"

#include <simdjson.h>

#include <cstdint>
#include <string_view>
#include <vector>

namespace Leap {
namespace detail {
namespace json {

using Value = simdjson::ondemand::value;
using Object = simdjson::ondemand::object;
using Document = simdjson::ondemand::document;

constexpr size_t MAX_DEPTH = 32;

// One parser with its padded copy of the input; reused message after message.
class Reader {
public:
    explicit Reader(size_t maxBytes);
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    // false when the text is too long or its structure is not JSON.
    bool parse(std::string_view text, Document& out);
    size_t maxBytes() const { return m_max; }

private:
    size_t m_max;
    std::vector<char> m_buffer;
    simdjson::ondemand::parser m_parser;
};

// After the root object has been read: nothing but white space follows it.
bool atEnd(Document& doc);

// Each returns false for a missing, mistyped or out-of-range value.
bool readNumber(Value v, double& out); // finite only
// The range is checked on the float the value becomes: 1e-300 is not a positive float.
bool readFloat(Value v, float lo, float hi, float& out);
// An integral number (1e6 counts) within lo..hi, which stay within +-2^53.
bool readInt(Value v, int64_t lo, int64_t hi, int64_t& out);
bool readBool(Value v, bool& out);
// Exactly three finite numbers within +-limit.
bool readVector(Value v, float limit, Vector& out);
// As readVector, then normalised; a (near) zero vector is refused.
bool readDirection(Value v, float limit, Vector& out);
// The raw text of a string without escapes decoded, compared as bytes.
bool stringIs(Value v, std::string_view expected, bool& equal);

} // namespace json
} // namespace detail
} // namespace Leap
