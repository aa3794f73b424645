#include "LeapProtocol.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

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

bool finiteNumber(const QJsonValue& v, double& out)
{
    if (!v.isDouble())
        return false;
    out = v.toDouble();
    return std::isfinite(out);
}

bool readInt(const QJsonValue& v, int64_t lo, int64_t hi, int64_t& out)
{
    double d = 0.0;
    if (!finiteNumber(v, d) || d != std::floor(d) || d < static_cast<double>(lo) || d > static_cast<double>(hi))
        return false;
    out = static_cast<int64_t>(d);
    return true;
}

bool readCoord(const QJsonValue& v, float& out)
{
    double d = 0.0;
    if (!finiteNumber(v, d) || std::fabs(d) > MAX_COORDINATE)
        return false;
    out = static_cast<float>(d);
    return true;
}

bool readVector(const QJsonValue& v, Vector& out)
{
    if (!v.isArray())
        return false;
    const QJsonArray a = v.toArray();
    return a.size() == 3 && readCoord(a[0], out.x) && readCoord(a[1], out.y) && readCoord(a[2], out.z);
}

bool readDirection(const QJsonValue& v, Vector& out)
{
    if (!readVector(v, out) || out.magnitude() < 1e-3f)
        return false;
    out = out.normalized();
    return true;
}

bool readFinger(const QJsonValue& v, RawFinger& out, std::string& error)
{
    if (!v.isObject()) {
        error = "finger is not an object";
        return false;
    }
    const QJsonObject o = v.toObject();
    int64_t type = 0;
    if (!readInt(o.value("type"), 0, 4, type)) {
        error = "finger type";
        return false;
    }
    out.type = static_cast<int>(type);
    if (!readCoord(o.value("width"), out.width) || out.width < 0.0f) {
        error = "finger width";
        return false;
    }
    const QJsonValue jv = o.value("joints");
    const QJsonArray joints = jv.toArray();
    if (!jv.isArray() || joints.size() != 5) {
        error = "finger joints";
        return false;
    }
    for (int i = 0; i < 5; ++i) {
        if (!readVector(joints[i], out.joints[static_cast<size_t>(i)])) {
            error = "finger joint";
            return false;
        }
    }
    return true;
}

bool readHand(const QJsonValue& v, RawHand& out, std::string& error)
{
    if (!v.isObject()) {
        error = "hand is not an object";
        return false;
    }
    const QJsonObject o = v.toObject();
    int64_t id = 0;
    if (!readInt(o.value("id"), 0, 2147483647, id)) {
        error = "hand id";
        return false;
    }
    out.id = static_cast<int>(id);
    const QString side = o.value("side").toString();
    if (side != QLatin1String("right") && side != QLatin1String("left")) {
        error = "hand side";
        return false;
    }
    out.isRight = side == QLatin1String("right");
    if (!readVector(o.value("palm"), out.palmPosition) || !readDirection(o.value("normal"), out.palmNormal)
        || !readDirection(o.value("direction"), out.direction)) {
        error = "palm pose";
        return false;
    }
    if (!readCoord(o.value("width"), out.palmWidth) || out.palmWidth <= 0.0f) {
        error = "palm width";
        return false;
    }
    const QJsonValue fv = o.value("fingers");
    const QJsonArray fingers = fv.toArray();
    if (!fv.isArray() || fingers.size() != 5) {
        error = "not five fingers";
        return false;
    }
    bool seen[5] = {false, false, false, false, false};
    for (int i = 0; i < 5; ++i) {
        RawFinger& f = out.fingers[static_cast<size_t>(i)];
        if (!readFinger(fingers[i], f, error))
            return false;
        if (seen[f.type]) {
            error = "finger types not distinct";
            return false;
        }
        seen[f.type] = true;
    }
    return true;
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

bool decode(const std::string& line, Message& out, std::string& error)
{
    if (line.size() > MAX_MESSAGE_BYTES) {
        error = "oversized";
        return false;
    }
    QJsonParseError perr;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromRawData(line.data(), static_cast<int>(line.size())), &perr);
    if (perr.error != QJsonParseError::NoError || !doc.isObject()) {
        error = "not a JSON object";
        return false;
    }
    const QJsonObject o = doc.object();
    int64_t version = 0;
    if (!readInt(o.value("v"), 0, 1000000, version) || version != VERSION) {
        error = "unsupported version";
        return false;
    }
    if (!readInt(o.value("t"), 0, int64_t(1) << 53, out.time)) {
        error = "time";
        return false;
    }
    const QString type = o.value("type").toString();
    if (type == QLatin1String("frame")) {
        out.type = Type::Frame;
        out.frame.timestamp = out.time;
        out.frame.hands.clear();
        const QJsonValue hv = o.value("hands");
        const QJsonArray hands = hv.toArray();
        if (!hv.isArray() || hands.size() > MAX_HANDS) {
            error = "hands";
            return false;
        }
        for (const QJsonValue& v : hands) {
            RawHand hand;
            if (!readHand(v, hand, error))
                return false;
            for (const RawHand& other : out.frame.hands) {
                if (other.id == hand.id) {
                    error = "duplicate hand id";
                    return false;
                }
            }
            out.frame.hands.push_back(hand);
        }
        return true;
    }
    if (type == QLatin1String("device")) {
        out.type = Type::Device;
        const QJsonValue a = o.value("attached");
        const QJsonValue e = o.value("embedded");
        double fps = 0.0;
        if (!a.isBool() || !e.isBool() || !finiteNumber(o.value("fps"), fps) || fps <= 0.0 || fps > 10000.0) {
            error = "device status";
            return false;
        }
        out.device.attached = a.toBool();
        out.device.embedded = e.toBool();
        out.device.nominalFps = static_cast<float>(fps);
        return true;
    }
    if (type == QLatin1String("config")) {
        out.type = Type::Config;
        const QJsonValue k = o.value("key");
        const QJsonValue v = o.value("value");
        if (!k.isString() || !v.isBool() || k.toString().isEmpty() || k.toString().size() > 256) {
            error = "config entry";
            return false;
        }
        out.key = k.toString().toStdString();
        out.value = v.toBool();
        return true;
    }
    if (type == QLatin1String("hello")) {
        out.type = Type::Hello;
        out.service = o.value("service").toString().left(256).toStdString();
        return true;
    }
    error = "unknown message type";
    return false;
}

} // namespace protocol
} // namespace Leap
