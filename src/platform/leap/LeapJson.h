#pragma once
// The one JSON reader of the tracking layer (service lines and WebSocket frames): simdjson's
// On-Demand parser over a fixed-size buffer. Memory stays bounded whatever arrives: a message over
// the limit is refused before parsing, nesting deeper than MAX_DEPTH fails, repeated keys and
// unknown fields are skipped without allocating.
//
// Only JSON (RFC 8259) is taken, in every field, read or skipped. simdjson checks the UTF-8 and
// the characters inside strings; On-Demand checks the structure of what it is asked to walk; the
// readers here check the grammar of what they read (numbers, strings with their escapes). What
// a decoder leaves unread, Key checks when it is done with its field; atEnd reports the verdict.

#include "LeapJsonGrammar.h"
#include "LeapVector.h"

#include <simdjson.h>

#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace Leap {
namespace detail {
namespace json {

using Value = simdjson::ondemand::value;
using Object = simdjson::ondemand::object;
using Document = simdjson::ondemand::document;

// One parser with its padded copy of the input; reused message after message.
class Reader {
public:
    explicit Reader(size_t maxBytes);
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    // false when the text is too long or its structure is not JSON. Its fields are then read on
    // this thread (the checks of what is not read belong to the thread's last text).
    bool parse(std::string_view text, Document& out);
    size_t maxBytes() const { return m_max; }

private:
    size_t m_max;
    std::vector<char> m_buffer;
    simdjson::ondemand::parser m_parser;
};

// After the root object has been read: nothing but white space follows it, and no field of the
// text was found not to be JSON.
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
// A string compared by what it means: escapes are decoded ("ri\u0067ht" is "right").
bool stringIs(Value v, std::string_view expected, bool& equal);

// The text being read on this thread: where it ends (padding follows), the furthest point the
// readers here have checked, and whether a field was found not to be JSON.
struct Text {
    const char* end = nullptr;
    const char* checked = nullptr;
    bool bad = false;
};
inline thread_local Text tText;

// The whole text is one JSON value, with white space around it at most: the check of skipped
// values on its own, for the fuzz targets to hold the decoders to.
bool isJson(std::string_view text);

// An object's key (field.key().get(key)), compared as stringIs compares: key == "type". When the
// loop is done with the field, a value that nothing here has read (an unknown field, one a
// decoder ignores or reads through simdjson alone) is checked to be JSON.
class Key : public simdjson::ondemand::raw_json_string {
public:
    Key() = default;
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    ~Key()
    {
        // Matched, and its value read here: the usual field costs no more than this.
        if (!m_end || tText.checked < m_end)
            check();
    }
    bool operator==(std::string_view expected) const
    {
        // As simdjson compares (the bytes, then the closing quote), and only a key that differs
        // from the start on and is no escape there is told apart without a look at its escapes.
        const char* k = raw();
        const size_t n = expected.size();
        if (n > 0 && k[0] != expected[0] && k[0] != '\\')
            return false;
        if (std::memcmp(k, expected.data(), n) == 0 && k[n] == '"') {
            m_end = k + n + 1;
            return true;
        }
        return matches(expected);
    }
    bool operator!=(std::string_view expected) const { return !(*this == expected); }

private:
    bool matches(std::string_view expected) const;
    void check() const;
    mutable const char* m_end = nullptr; // just past the key, once it has matched
};

} // namespace json
} // namespace detail
} // namespace Leap
