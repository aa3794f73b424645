#include "LeapWebSocketProtocol.h"

#include "LeapHandBuilder.h"
#include "LeapJson.h"

#include <algorithm>
#include <array>

namespace Leap {
namespace websocket {

namespace {

using namespace detail::json;
using simdjson::ondemand::array;
using raw_json_string = Key; // keys compared with their escapes decoded

bool fail(std::string& error, const char* why)
{
    error = why;
    return false;
}

// Ids become pointable ids (id * 10 + type) in an int.
constexpr int64_t MAX_ID = 214748363;

struct Pointable {
    int64_t handId = -1;
    int64_t id = -1; // handId * 10 + type; -1 when absent or unusable
    int type = -1;
    bool tool = false;
    float width = 0.0f;
    signed char extended = -1;
    // carp, mcp, pip, dip, btip, tip
    std::array<Vector, 6> joints{};
    unsigned seen = 0; // bit j: joints[j] given
};

struct Hand {
    int64_t id = -1;
    bool hasWidth = false;
    RawHand raw;
};

bool readPointable(Value v, Pointable& p, std::string& error)
{
    Object o;
    if (v.get_object().get(o))
        return fail(error, "pointable is not an object");
    static constexpr std::string_view jointKeys[6] = {
        "carpPosition", "mcpPosition", "pipPosition", "dipPosition", "btipPosition", "tipPosition"};
    for (auto field : o) {
        raw_json_string key;
        Value value;
        if (field.key().get(key) || field.value().get(value))
            return fail(error, "pointable is not an object");
        if (key == "handId") {
            if (!readInt(value, -MAX_ID, MAX_ID, p.handId))
                return fail(error, "pointable handId");
        } else if (key == "id") {
            // Only a stand-in for a missing type: an odd id is no reason to drop the frame.
            if (!readInt(value, 0, MAX_ID * 10 + 9, p.id))
                p.id = -1;
        } else if (key == "type") {
            int64_t type = 0;
            if (!readInt(value, 0, 4, type))
                return fail(error, "pointable type");
            p.type = static_cast<int>(type);
        } else if (key == "tool") {
            if (!readBool(value, p.tool))
                return fail(error, "pointable tool");
        } else if (key == "extended") {
            bool e = false;
            if (!readBool(value, e))
                return fail(error, "pointable extended");
            p.extended = e ? 1 : 0;
        } else if (key == "width") {
            // Read leniently: a wrong width is replaced, not a reason to drop the frame.
            float w = 0.0f;
            if (readFloat(value, MIN_FINGER_WIDTH, MAX_FINGER_WIDTH, w))
                p.width = w;
        } else {
            for (size_t j = 0; j < 6; ++j) {
                if (key == jointKeys[j]) {
                    if (!readVector(value, MAX_COORDINATE, p.joints[j]))
                        return fail(error, "pointable joint");
                    p.seen |= 1u << j;
                    break;
                }
            }
        }
    }
    return true;
}

bool readHand(Value v, Hand& h, std::string& error)
{
    Object o;
    if (v.get_object().get(o))
        return fail(error, "hand is not an object");
    unsigned seen = 0;
    RawHand& raw = h.raw;
    for (auto field : o) {
        raw_json_string key;
        Value value;
        if (field.key().get(key) || field.value().get(value))
            return fail(error, "hand is not an object");
        if (key == "id") {
            if (!readInt(value, 0, MAX_ID, h.id))
                return fail(error, "hand id");
            seen |= 1;
        } else if (key == "type") {
            bool right = false;
            bool left = false;
            if (!stringIs(value, "right", right) || (!right && (!stringIs(value, "left", left) || !left)))
                return fail(error, "hand type");
            raw.isRight = right;
            seen |= 2;
        } else if (key == "palmPosition") {
            if (!readVector(value, MAX_COORDINATE, raw.palmPosition))
                return fail(error, "palm position");
            seen |= 4;
        } else if (key == "palmNormal") {
            if (!readDirection(value, MAX_COORDINATE, raw.palmNormal))
                return fail(error, "palm normal");
            seen |= 8;
        } else if (key == "direction") {
            if (!readDirection(value, MAX_COORDINATE, raw.direction))
                return fail(error, "hand direction");
            seen |= 16;
        } else if (key == "palmWidth") {
            if (!readFloat(value, 0.0f, MAX_COORDINATE, raw.palmWidth) || raw.palmWidth <= 0.0f)
                return fail(error, "palm width");
            h.hasWidth = true;
        } else if (key == "palmVelocity") {
            if (!readVector(value, MAX_SPEED, raw.palmVelocity))
                return fail(error, "palm velocity");
            raw.hasVelocity = true;
        }
    }
    if (seen != 31)
        return fail(error, "hand field missing");
    raw.id = static_cast<int>(h.id);
    return true;
}

// A service that leaves the type out still tells it in the pointable's id (handId * 10 + type).
int typeOf(const Pointable& p)
{
    if (p.type >= 0 || p.id < 0 || p.handId < 0)
        return p.type;
    const int64_t t = p.id - p.handId * 10;
    return t >= 0 && t <= 4 ? static_cast<int>(t) : -1;
}

Vector clamped(const Vector& v)
{
    auto c = [](float x) { return std::clamp(x, -MAX_COORDINATE, MAX_COORDINATE); };
    return Vector(c(v.x), c(v.y), c(v.z));
}

// Four fingers lie side by side across the palm: the index and pinky knuckles are three finger
// pitches apart, the palm four.
float palmWidthFromKnuckles(const Pointable& index, const Pointable& pinky)
{
    const float span = index.joints[1].distanceTo(pinky.joints[1]);
    return std::clamp(span * 4.0f / 3.0f, MIN_DERIVED_PALM_WIDTH, MAX_DERIVED_PALM_WIDTH);
}

// The metacarpal's base lies behind the knuckle along the hand, as long as a model hand's
// metacarpal scaled by this finger's proximal bone; the thumb's metacarpal has no length.
Vector carpFromKnuckle(const Pointable& p, int type, const Vector& handDirection)
{
    const Vector& mcp = p.joints[1];
    if (type == 0)
        return mcp;
    const float proximal = mcp.distanceTo(p.joints[2]);
    const float scale = std::clamp(proximal / HandBuilder::boneLength(type, 1), 0.5f, 2.0f);
    return clamped(mcp - handDirection * (HandBuilder::boneLength(type, 0) * scale));
}

// Fingers by handId and type, whatever their order; tools and bone-less pointables are skipped.
// What a service leaves out (palm width, metacarpal base, bone end) is derived here.
bool assignFingers(std::array<Hand, MAX_HANDS>& hands, size_t handCount, const Pointable* pointables,
    size_t count, std::string& error)
{
    const Pointable* byType[MAX_HANDS][5] = {};
    for (size_t i = 0; i < count; ++i) {
        const Pointable& p = pointables[i];
        const int type = typeOf(p);
        // mcp, pip and dip, and a tip or the bone's end.
        if (p.tool || type < 0 || (p.seen & 0x0E) != 0x0E || !(p.seen & 0x30))
            continue;
        for (size_t h = 0; h < handCount; ++h) {
            if (hands[h].id != p.handId)
                continue;
            if (byType[h][type])
                return fail(error, "two fingers of one type");
            byType[h][type] = &p;
            break;
        }
    }
    for (size_t h = 0; h < handCount; ++h) {
        const Pointable* const* fingers = byType[h];
        if (std::find(fingers, fingers + 5, nullptr) != fingers + 5)
            return fail(error, "hand without five fingers");
        RawHand& raw = hands[h].raw;
        if (!hands[h].hasWidth)
            raw.palmWidth = palmWidthFromKnuckles(*fingers[1], *fingers[4]);
        for (int t = 0; t < 5; ++t) {
            const Pointable& p = *fingers[t];
            RawFinger& f = raw.fingers[static_cast<size_t>(t)];
            f.type = t;
            f.joints[0] = (p.seen & 0x01) ? p.joints[0] : carpFromKnuckle(p, t, raw.direction);
            for (size_t j = 1; j < 4; ++j)
                f.joints[j] = p.joints[j];
            // The bone's end; the older service puts the tip a few millimetres short of it.
            f.joints[4] = (p.seen & 0x10) ? p.joints[4] : p.joints[5];
            f.width = p.width > 0.0f ? p.width : raw.palmWidth * FINGER_WIDTH_OF_PALM[t];
            f.extended = p.extended;
        }
    }
    return true;
}

// What a frame is assembled from while its fields go by, in whatever order.
struct FrameParts {
    std::array<Hand, MAX_HANDS> hands;
    size_t handCount = 0;
    std::array<Pointable, MAX_POINTABLES> pointables;
    size_t pointableCount = 0;
};

bool readHands(Value value, FrameParts& parts, std::string& error)
{
    array a;
    if (value.get_array().get(a))
        return fail(error, "hands");
    parts.handCount = 0;
    for (auto element : a) {
        Value hv;
        if (element.get(hv) || parts.handCount == parts.hands.size())
            return fail(error, "hands");
        Hand& hand = parts.hands[parts.handCount];
        hand = Hand();
        if (!readHand(hv, hand, error))
            return false;
        for (size_t k = 0; k < parts.handCount; ++k)
            if (parts.hands[k].id == hand.id)
                return fail(error, "duplicate hand id");
        ++parts.handCount;
    }
    return true;
}

bool readPointables(Value value, FrameParts& parts, std::string& error)
{
    array a;
    if (value.get_array().get(a))
        return fail(error, "pointables");
    parts.pointableCount = 0;
    for (auto element : a) {
        Value pv;
        if (element.get(pv) || parts.pointableCount == parts.pointables.size())
            return fail(error, "pointables");
        Pointable& p = parts.pointables[parts.pointableCount];
        p = Pointable();
        if (!readPointable(pv, p, error))
            return false;
        ++parts.pointableCount;
    }
    return true;
}

bool readDeviceEvent(Value v, Message& out, std::string& error)
{
    Object event;
    if (v.get_object().get(event))
        return fail(error, "event");
    bool isDevice = false;
    bool haveState = false;
    bool attached = false;
    bool streaming = true;
    bool embedded = false;
    for (auto field : event) {
        raw_json_string key;
        Value value;
        if (field.key().get(key) || field.value().get(value))
            return fail(error, "event");
        if (key == "type") {
            if (!stringIs(value, "deviceEvent", isDevice))
                return fail(error, "event");
        } else if (key == "state") {
            Object state;
            if (value.get_object().get(state))
                return fail(error, "device state");
            for (auto sf : state) {
                raw_json_string sk;
                Value sv;
                if (sf.key().get(sk) || sf.value().get(sv))
                    return fail(error, "device state");
                if (sk == "attached") {
                    if (!readBool(sv, attached))
                        return fail(error, "device state");
                    haveState = true;
                } else if (sk == "streaming") {
                    if (!readBool(sv, streaming))
                        return fail(error, "device state");
                } else if (sk == "type") {
                    bool peripheral = true;
                    if (!stringIs(sv, "peripheral", peripheral))
                        return fail(error, "device state");
                    embedded = !peripheral;
                }
            }
        }
    }
    if (!isDevice || !haveState)
        return fail(error, "unknown event");
    out.type = Type::Device;
    out.device.attached = attached && streaming;
    out.device.embedded = embedded;
    return true;
}

detail::json::Reader& reader()
{
    thread_local detail::json::Reader r(MAX_MESSAGE_BYTES);
    return r;
}

} // namespace

bool decode(std::string_view text, Message& out, std::string& error)
{
    if (text.size() > MAX_MESSAGE_BYTES)
        return fail(error, "oversized");
    Document doc;
    Object o;
    if (!reader().parse(text, doc) || doc.get_object().get(o))
        return fail(error, "not a JSON object");
    FrameParts parts;
    bool isFrame = false;
    bool haveTime = false;
    bool isEvent = false;
    bool haveVersion = false;
    out.hasServiceVersion = false;
    out.frame.frameRate = 0.0f;
    for (auto field : o) {
        raw_json_string key;
        Value value;
        if (field.key().get(key) || field.value().get(value))
            return fail(error, "not a JSON object");
        if (key == "hands") {
            if (!readHands(value, parts, error))
                return false;
            isFrame = true;
        } else if (key == "pointables") {
            if (!readPointables(value, parts, error))
                return false;
            isFrame = true;
        } else if (key == "timestamp") {
            if (!readInt(value, -(int64_t(1) << 53), int64_t(1) << 53, out.frame.timestamp))
                return fail(error, "timestamp");
            haveTime = true;
        } else if (key == "currentFrameRate") {
            // Only a hint for the first frame: a rate out of range is ignored; a value that is no
            // number (printf's "nan") means the frame is broken.
            double fps = 0.0;
            if (!readNumber(value, fps))
                return fail(error, "frame rate");
            const float rate = static_cast<float>(fps);
            if (rate > 0.0f && rate <= 10000.0f)
                out.frame.frameRate = rate;
        } else if (key == "event") {
            if (!readDeviceEvent(value, out, error))
                return false;
            isEvent = true;
        } else if (key == "version") {
            int64_t v = 0;
            if (!readInt(value, 0, 1000000, v))
                return fail(error, "version");
            out.version = static_cast<int>(v);
            haveVersion = true;
        } else if (key == "serviceVersion") {
            out.hasServiceVersion = true;
        }
    }
    if (!atEnd(doc))
        return fail(error, "not a JSON object");
    if (isFrame) {
        if (!haveTime)
            return fail(error, "timestamp");
        if (!assignFingers(parts.hands, parts.handCount, parts.pointables.data(), parts.pointableCount, error))
            return false;
        out.type = Type::Frame;
        out.frame.hands.clear();
        for (size_t h = 0; h < parts.handCount; ++h)
            out.frame.hands.push_back(parts.hands[h].raw);
        return true;
    }
    if (isEvent)
        return true;
    if (haveVersion) {
        out.type = Type::Version;
        return true;
    }
    return fail(error, "unknown message");
}

} // namespace websocket
} // namespace Leap
