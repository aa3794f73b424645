#include "V6Encoder.h"

#include <charconv>
#include <cstdio>

namespace handsim {

namespace {

using Leap::Vector;

class Writer {
public:
    explicit Writer(bool printfStyle) : m_printf(printfStyle) { m_s.reserve(16384); }
    // The stand-alone server writes "key": value with printf's %f; the older one compact JSON.
    void key(const char* k)
    {
        if (m_needComma)
            m_s += ',';
        m_s += '"';
        m_s += k;
        m_s += m_printf ? "\": " : "\":";
        m_needComma = false;
    }
    void num(double v)
    {
        sep();
        char buf[64];
        auto r = m_printf ? std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 6)
                          : std::to_chars(buf, buf + sizeof buf, static_cast<float>(v));
        m_s.append(buf, r.ptr);
        m_needComma = true;
    }
    void integer(int64_t v)
    {
        sep();
        char buf[32];
        auto r = std::to_chars(buf, buf + sizeof buf, v);
        m_s.append(buf, r.ptr);
        m_needComma = true;
    }
    void boolean(bool b)
    {
        sep();
        m_s += b ? "true" : "false";
        m_needComma = true;
    }
    void str(const char* v)
    {
        sep();
        m_s += '"';
        m_s += v;
        m_s += '"';
        m_needComma = true;
    }
    void vec(const Vector& v)
    {
        open('[');
        num(v.x);
        num(v.y);
        num(v.z);
        close(']');
    }
    void open(char c)
    {
        sep();
        m_s += c;
        m_needComma = false;
    }
    void close(char c)
    {
        m_s += c;
        m_needComma = true;
    }
    std::string take() { return std::move(m_s); }

private:
    void sep()
    {
        if (m_needComma)
            m_s += ',';
        m_needComma = false;
    }
    bool m_printf;
    bool m_needComma = false;
    std::string m_s;
};

// Rows x (side), y (top of the finger), z (along the bone toward the wrist); the older service
// mirrors a left hand's x.
void basis(Writer& w, const Vector& along, const Vector& palmNormal, bool mirror)
{
    Vector z = -along.normalized();
    Vector y = -palmNormal;
    y = (y - z * y.dot(z)).normalized();
    Vector x = y.cross(z);
    if (mirror)
        x = -x;
    w.open('[');
    w.vec(x);
    w.vec(y);
    w.vec(z);
    w.close(']');
}

} // namespace

std::string V6Encoder::version() const
{
    return m_style == Style::Standalone ? "{\"version\":6}" : "{\"serviceVersion\":\"velmo-handsim\",\"version\":6}";
}

std::string V6Encoder::deviceEvent(bool attached) const
{
    if (m_style == Style::Standalone)
        return std::string();
    return std::string("{\"event\":{\"state\":{\"attached\":") + (attached ? "true" : "false")
        + ",\"id\":\"vh0001\",\"streaming\":" + (attached ? "true" : "false") + ",\"type\":\"peripheral\"},\"type\":\"deviceEvent\"}}";
}

std::string V6Encoder::frame(const Leap::RawFrame& f, float fps)
{
    const bool standalone = m_style == Style::Standalone;
    const int64_t t = standalone ? f.timestamp + STANDALONE_EPOCH_US : f.timestamp;
    std::map<int, Seen> seen;
    Writer w(standalone);
    w.open('{');
    w.key("currentFrameRate");
    w.num(fps);
    if (standalone) {
        w.key("devices");
        w.open('[');
        w.close(']');
    } else {
        w.key("gestures");
        w.open('[');
        w.close(']');
    }
    w.key("hands");
    w.open('[');
    for (const Leap::RawHand& h : f.hands) {
        Seen& s = seen[h.id];
        auto it = m_seen.find(h.id);
        Vector velocity;
        if (it != m_seen.end()) {
            s = it->second;
            const double dt = static_cast<double>(t - s.at) / 1e6;
            if (dt > 0)
                velocity = (h.palmPosition - s.palm) * static_cast<float>(1.0 / dt);
        } else {
            s.since = t;
            // The stand-alone server's first report of a hand: a velocity spike.
            if (standalone)
                velocity = h.direction * 20500.0f;
        }
        s.palm = h.palmPosition;
        s.at = t;
        const Vector wrist = h.palmPosition - h.direction * 60.0f;
        w.open('{');
        w.key("armBasis");
        w.open('[');
        w.vec(h.palmNormal.cross(h.direction).normalized());
        w.vec(-h.palmNormal);
        w.vec(-h.direction);
        w.close(']');
        w.key("armWidth");
        w.num(h.palmWidth * 0.7f);
        w.key("confidence");
        w.num(1.0);
        w.key("direction");
        w.vec(h.direction);
        w.key("elbow");
        w.vec(wrist - h.direction * 250.0f);
        w.key("grabStrength");
        w.num(0.0);
        w.key("id");
        w.integer(h.id);
        w.key("palmNormal");
        w.vec(h.palmNormal);
        w.key("palmPosition");
        w.vec(h.palmPosition);
        w.key("palmVelocity");
        w.vec(velocity);
        w.key("palmWidth");
        w.num(h.palmWidth);
        w.key("pinchStrength");
        w.num(0.0);
        if (standalone) {
            w.key("pinchDistance");
            w.num(h.fingers[0].joints[4].distanceTo(h.fingers[1].joints[4]));
        } else {
            w.key("sphereCenter");
            w.vec(h.palmPosition - h.palmNormal * 70.0f);
            w.key("sphereRadius");
            w.num(80.0);
            w.key("stabilizedPalmPosition");
            w.vec(h.palmPosition);
        }
        w.key("timeVisible");
        w.num(static_cast<double>(t - s.since) / 1e6);
        w.key("type");
        w.str(h.isRight ? "right" : "left");
        w.key("wrist");
        w.vec(wrist);
        w.close('}');
    }
    w.close(']');
    w.key("id");
    w.integer(++m_frameId);
    if (!standalone) {
        w.key("interactionBox");
        w.open('{');
        w.key("center");
        w.vec(Vector(0, 200, 0));
        w.key("size");
        w.vec(Vector(235.247f, 235.247f, 147.751f));
        w.close('}');
    }
    w.key("pointables");
    w.open('[');
    // The older service lists fingers out of type order; readers must not depend on it.
    static constexpr int legacyOrder[5] = {0, 1, 2, 4, 3};
    for (const Leap::RawHand& h : f.hands) {
        for (int k = 0; k < 5; ++k) {
            const Leap::RawFinger* finger = nullptr;
            const int type = standalone ? k : legacyOrder[k];
            for (const Leap::RawFinger& x : h.fingers)
                if (x.type == type)
                    finger = &x;
            if (!finger)
                continue;
            const auto& j = finger->joints;
            const bool extended = (j[2] - j[1]).angleTo(j[4] - j[3]) < 0.6f;
            w.open('{');
            w.key("bases");
            w.open('[');
            for (int b = 0; b < 4; ++b) {
                const Vector along = j[b + 1] - j[b];
                basis(w, along.magnitude() > 1e-3f ? along : h.direction, h.palmNormal, !standalone && !h.isRight);
            }
            w.close(']');
            const Vector distal = (j[4] - j[3]).normalized();
            const Vector tip = standalone ? j[4] : j[4] - distal * 4.8f;
            w.key("btipPosition");
            w.vec(j[4]);
            w.key("carpPosition");
            w.vec(j[0]);
            w.key("dipPosition");
            w.vec(j[3]);
            w.key("direction");
            // The stand-alone server: from the metacarpal's base to the tip; the older one: the
            // intermediate bone's.
            w.vec(standalone ? (j[4] - j[0]).normalized() : (j[3] - j[2]).normalized());
            w.key("extended");
            w.boolean(extended);
            w.key("handId");
            w.integer(h.id);
            w.key("id");
            w.integer(static_cast<int64_t>(h.id) * 10 + type);
            const float p = j[1].distanceTo(j[2]);
            const float i = j[2].distanceTo(j[3]);
            const float d = j[3].distanceTo(j[4]);
            w.key("length");
            // The stand-alone server writes the distal bone's width here, and a mis-parenthesised
            // mean of the bone widths as the width.
            w.num(standalone ? finger->width : p + i + d);
            w.key("mcpPosition");
            w.vec(j[1]);
            w.key("pipPosition");
            w.vec(j[2]);
            w.key("tipPosition");
            w.vec(tip);
            if (!standalone) {
                w.key("tool");
                w.boolean(false);
                w.key("touchZone");
                w.str("none");
            }
            w.key("type");
            w.integer(type);
            w.key("width");
            const float bw = finger->width;
            w.num(standalone ? (bw + bw + bw + bw / 4.0f) / 10.0f : finger->width);
            w.close('}');
        }
    }
    w.close(']');
    w.key("timestamp");
    w.integer(t);
    w.close('}');
    m_seen.swap(seen);
    return w.take();
}

} // namespace handsim
