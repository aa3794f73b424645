#include "LeapProtocol.h"

#include "LeapJson.h"

#include <algorithm>

#include <charconv>
#include <cstdio>
#include <cmath>

namespace Leap {
namespace protocol {

namespace {

// Shortest round-trip text, independent of the process locale.
void put(std::string& out, float v)
{
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

void put(std::string& out, int64_t v)
{
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

void put(std::string& out, const Vector& v)
{
    out += '[';
    put(out, v.x);
    out += ',';
    put(out, v.y);
    out += ',';
    put(out, v.z);
    out += ']';
}

void putString(std::string& out, const std::string& s)
{
    out += '"';
    for (char c : s) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", u);
            out += buf;
        } else {
            out += c;
        }
    }
    out += '"';
}

std::string head(const char* type, int64_t time)
{
    std::string s = "{\"v\":";
    put(s, static_cast<int64_t>(VERSION));
    s += ",\"type\":\"";
    s += type;
    s += "\",\"t\":";
    put(s, time);
    return s;
}

} // namespace

std::string encodeHello(const std::string& service, int64_t time)
{
    std::string s = head("hello", time);
    s += ",\"service\":";
    putString(s, service);
    s += '}';
    return s;
}

std::string encodeDevice(const DeviceStatus& device, int64_t time)
{
    std::string s = head("device", time);
    s += ",\"attached\":";
    s += device.attached ? "true" : "false";
    s += ",\"embedded\":";
    s += device.embedded ? "true" : "false";
    s += ",\"fps\":";
    put(s, device.nominalFps);
    s += '}';
    return s;
}

std::string encodeConfig(const std::string& key, bool value, int64_t time)
{
    std::string s = head("config", time);
    s += ",\"key\":";
    putString(s, key);
    s += ",\"value\":";
    s += value ? "true" : "false";
    s += '}';
    return s;
}

std::string encodeFrame(const RawFrame& frame)
{
    std::string s = head("frame", frame.timestamp);
    s.reserve(1024 + frame.hands.size() * 2048);
    s += ",\"hands\":[";
    for (size_t h = 0; h < frame.hands.size(); ++h) {
        const RawHand& hand = frame.hands[h];
        if (h)
            s += ',';
        s += "{\"id\":";
        put(s, static_cast<int64_t>(hand.id));
        s += hand.isRight ? ",\"side\":\"right\"" : ",\"side\":\"left\"";
        s += ",\"palm\":";
        put(s, hand.palmPosition);
        s += ",\"normal\":";
        put(s, hand.palmNormal);
        s += ",\"direction\":";
        put(s, hand.direction);
        s += ",\"width\":";
        put(s, hand.palmWidth);
        s += ",\"fingers\":[";
        for (size_t f = 0; f < hand.fingers.size(); ++f) {
            const RawFinger& finger = hand.fingers[f];
            if (f)
                s += ',';
            s += "{\"type\":";
            put(s, static_cast<int64_t>(finger.type));
            s += ",\"width\":";
            put(s, finger.width);
            s += ",\"joints\":[";
            for (size_t j = 0; j < finger.joints.size(); ++j) {
                if (j)
                    s += ',';
                put(s, finger.joints[j]);
            }
            s += "]}";
        }
        s += "]}";
    }
    s += "]}";
    return s;
}

namespace {

using namespace detail::json;

// Field presence bits while a message is read in one pass.
enum : unsigned {
    HAS_V = 1, HAS_T = 2, HAS_TYPE = 4, HAS_HANDS = 8, HAS_ATTACHED = 16, HAS_EMBEDDED = 32, HAS_FPS = 64,
    HAS_KEY = 128, HAS_VALUE = 256,
};

bool fail(std::string& error, const char* why)
{
    error = why;
    return false;
}

bool readFinger(Value v, RawFinger& out, std::string& error)
{
    Object o;
    if (v.get_object().get(o))
        return fail(error, "finger is not an object");
    unsigned seen = 0;
    for (auto field : o) {
        Key key;
        Value value;
        if (field.key().get(key) || field.value().get(value))
            return fail(error, "finger is not an object");
        if (key == "type") {
            int64_t type = 0;
            if (!readInt(value, 0, 4, type))
                return fail(error, "finger type");
            out.type = static_cast<int>(type);
            seen |= 1;
        } else if (key == "width") {
            if (!readFloat(value, 0.0f, MAX_COORDINATE, out.width))
                return fail(error, "finger width");
            seen |= 2;
        } else if (key == "joints") {
            simdjson::ondemand::array joints;
            if (value.get_array().get(joints))
                return fail(error, "finger joints");
            size_t n = 0;
            for (auto j : joints) {
                Value jv;
                if (j.get(jv) || n == 5)
                    return fail(error, "finger joints");
                if (!readVector(jv, MAX_COORDINATE, out.joints[n]))
                    return fail(error, "finger joint");
                ++n;
            }
            if (n != 5)
                return fail(error, "finger joints");
            seen |= 4;
        }
    }
    if (!(seen & 1))
        return fail(error, "finger type");
    if (!(seen & 2))
        return fail(error, "finger width");
    if (!(seen & 4))
        return fail(error, "finger joints");
    return true;
}

bool readHand(Value v, RawHand& out, std::string& error)
{
    Object o;
    if (v.get_object().get(o))
        return fail(error, "hand is not an object");
    unsigned seen = 0;
    for (auto field : o) {
        Key key;
        Value value;
        if (field.key().get(key) || field.value().get(value))
            return fail(error, "hand is not an object");
        if (key == "id") {
            int64_t id = 0;
            if (!readInt(value, 0, 2147483647, id))
                return fail(error, "hand id");
            out.id = static_cast<int>(id);
            seen |= 1;
        } else if (key == "side") {
            bool right = false;
            bool left = false;
            if (!stringIs(value, "right", right) || (!right && (!stringIs(value, "left", left) || !left)))
                return fail(error, "hand side");
            out.isRight = right;
            seen |= 2;
        } else if (key == "palm") {
            if (!readVector(value, MAX_COORDINATE, out.palmPosition))
                return fail(error, "palm pose");
            seen |= 4;
        } else if (key == "normal") {
            if (!readDirection(value, MAX_COORDINATE, out.palmNormal))
                return fail(error, "palm pose");
            seen |= 8;
        } else if (key == "direction") {
            if (!readDirection(value, MAX_COORDINATE, out.direction))
                return fail(error, "palm pose");
            seen |= 16;
        } else if (key == "width") {
            if (!readFloat(value, 0.0f, MAX_COORDINATE, out.palmWidth) || out.palmWidth <= 0.0f)
                return fail(error, "palm width");
            seen |= 32;
        } else if (key == "fingers") {
            simdjson::ondemand::array fingers;
            if (value.get_array().get(fingers))
                return fail(error, "not five fingers");
            bool types[5] = {false, false, false, false, false};
            size_t n = 0;
            for (auto f : fingers) {
                Value fv;
                if (f.get(fv) || n == 5)
                    return fail(error, "not five fingers");
                RawFinger& finger = out.fingers[n];
                if (!readFinger(fv, finger, error))
                    return false;
                if (types[finger.type])
                    return fail(error, "finger types not distinct");
                types[finger.type] = true;
                ++n;
            }
            if (n != 5)
                return fail(error, "not five fingers");
            seen |= 64;
        }
    }
    if (!(seen & 1))
        return fail(error, "hand id");
    if (!(seen & 2))
        return fail(error, "hand side");
    if ((seen & 28) != 28)
        return fail(error, "palm pose");
    if (!(seen & 32))
        return fail(error, "palm width");
    if (!(seen & 64))
        return fail(error, "not five fingers");
    return true;
}

bool readHands(Value v, std::vector<RawHand>& hands, std::string& error)
{
    simdjson::ondemand::array a;
    if (v.get_array().get(a))
        return fail(error, "hands");
    hands.clear();
    for (auto h : a) {
        Value hv;
        if (h.get(hv) || hands.size() == static_cast<size_t>(MAX_HANDS))
            return fail(error, "hands");
        RawHand hand;
        if (!readHand(hv, hand, error))
            return false;
        for (const RawHand& other : hands)
            if (other.id == hand.id)
                return fail(error, "duplicate hand id");
        hands.push_back(hand);
    }
    return true;
}

Reader& reader()
{
    // One per thread that decodes: the socket thread, a test, the simulator.
    thread_local Reader r(MAX_MESSAGE_BYTES);
    return r;
}

} // namespace

bool decode(std::string_view line, Message& out, std::string& error)
{
    if (line.size() > MAX_MESSAGE_BYTES)
        return fail(error, "oversized");
    Document doc;
    Object o;
    if (!reader().parse(line, doc) || doc.get_object().get(o))
        return fail(error, "not a JSON object");
    enum class Kind { Unknown, Hello, Device, Config, Frame } kind = Kind::Unknown;
    unsigned seen = 0;
    for (auto field : o) {
        Key key;
        Value value;
        if (field.key().get(key) || field.value().get(value))
            return fail(error, "not a JSON object");
        if (key == "v") {
            int64_t version = 0;
            if (!readInt(value, 0, 1000000, version) || version != VERSION)
                return fail(error, "unsupported version");
            seen |= HAS_V;
        } else if (key == "t") {
            if (!readInt(value, 0, int64_t(1) << 53, out.time))
                return fail(error, "time");
            seen |= HAS_T;
        } else if (key == "type") {
            std::string_view type;
            if (value.get_string().get(type))
                return fail(error, "unknown message type");
            kind = type == "frame" ? Kind::Frame
                : type == "device" ? Kind::Device
                : type == "config" ? Kind::Config
                : type == "hello"  ? Kind::Hello
                                   : Kind::Unknown;
            seen |= HAS_TYPE;
        } else if (key == "hands") {
            if (!readHands(value, out.frame.hands, error))
                return false;
            seen |= HAS_HANDS;
        } else if (key == "attached") {
            if (!readBool(value, out.device.attached))
                return fail(error, "device status");
            seen |= HAS_ATTACHED;
        } else if (key == "embedded") {
            if (!readBool(value, out.device.embedded))
                return fail(error, "device status");
            seen |= HAS_EMBEDDED;
        } else if (key == "fps") {
            if (!readFloat(value, 0.0f, 10000.0f, out.device.nominalFps) || out.device.nominalFps <= 0.0f)
                return fail(error, "device status");
            seen |= HAS_FPS;
        } else if (key == "key") {
            std::string_view k;
            if (value.get_string().get(k) || k.empty() || k.size() > 256)
                return fail(error, "config entry");
            out.key.assign(k.data(), k.size());
            seen |= HAS_KEY;
        } else if (key == "value") {
            if (!readBool(value, out.value))
                return fail(error, "config entry");
            seen |= HAS_VALUE;
        } else if (key == "service") {
            std::string_view s;
            if (!value.get_string().get(s))
                out.service.assign(s.data(), std::min<size_t>(s.size(), 256));
        }
    }
    if (!atEnd(doc))
        return fail(error, "not a JSON object");
    if (!(seen & HAS_V))
        return fail(error, "unsupported version");
    if (!(seen & HAS_T))
        return fail(error, "time");
    switch (kind) {
    case Kind::Frame:
        if (!(seen & HAS_HANDS))
            return fail(error, "hands");
        out.type = Type::Frame;
        out.frame.timestamp = out.time;
        return true;
    case Kind::Device:
        if ((seen & (HAS_ATTACHED | HAS_EMBEDDED | HAS_FPS)) != (HAS_ATTACHED | HAS_EMBEDDED | HAS_FPS))
            return fail(error, "device status");
        out.type = Type::Device;
        return true;
    case Kind::Config:
        if ((seen & (HAS_KEY | HAS_VALUE)) != (HAS_KEY | HAS_VALUE))
            return fail(error, "config entry");
        out.type = Type::Config;
        return true;
    case Kind::Hello:
        out.type = Type::Hello;
        return true;
    case Kind::Unknown:
        break;
    }
    return fail(error, "unknown message type");
}

} // namespace protocol
} // namespace Leap
