#include "LeapCircleRecognizer.h"

#include <algorithm>
#include <cmath>

namespace Leap {
namespace detail {

namespace {

constexpr int64_t kHistoryUs = 1200000;
constexpr int64_t kWindowsUs[] = {1200000, 1000000, 800000, 600000, 450000, 300000};
constexpr size_t kMinSamples = 8;
constexpr float kMaxResidual = 0.15f; // rms radius error relative to the radius
constexpr float kTwoPi = 2.0f * PI;
constexpr float kStillMm = 0.02f;

float signedAngle(const Vector& a, const Vector& b, const Vector& axis)
{
    return std::atan2(axis.dot(a.cross(b)), a.dot(b));
}

Vector inPlane(const Vector& v, const Vector& n) { return v - n * v.dot(n); }

} // namespace

void CircleRecognizer::reset() { m_tracks.clear(); }

size_t CircleRecognizer::pathLength(int handId) const
{
    const auto it = m_tracks.find(handId);
    return it == m_tracks.end() ? 0 : it->second.samples.size();
}

float CircleRecognizer::extent(const std::deque<Sample>& samples, size_t first)
{
    if (first >= samples.size())
        return 0.0f;
    Vector lo = samples[first].p, hi = lo;
    for (size_t i = first + 1; i < samples.size(); ++i) {
        const Vector& p = samples[i].p;
        lo = Vector(std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z));
        hi = Vector(std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z));
    }
    return hi.distanceTo(lo);
}

bool CircleRecognizer::fitWindow(const std::deque<Sample>& samples, size_t first, Fit& out)
{
    const size_t count = samples.size() - first;
    if (count < kMinSamples)
        return false;
    float minReach = samples[first].reach, maxReach = samples[first].reach;
    for (size_t i = first; i < samples.size(); ++i) {
        minReach = std::min(minReach, samples[i].reach);
        maxReach = std::max(maxReach, samples[i].reach);
    }
    if (maxReach - minReach > MAX_REACH_CHANGE * maxReach)
        return false;
    // The whole window must be motion: a still stretch plus one arc fits all kinds of circles.
    size_t still = 0;
    for (size_t i = first + 1; i < samples.size(); ++i)
        if (samples[i].p.distanceTo(samples[i - 1].p) < kStillMm)
            ++still;
    if (still * 10 > count)
        return false;
    Vector c0;
    for (size_t i = first; i < samples.size(); ++i)
        c0 += samples[i].p;
    c0 = c0 / static_cast<float>(count);
    // The rotation axis by the right-hand rule of the motion.
    Vector w;
    for (size_t i = first + 1; i < samples.size(); ++i)
        w += (samples[i - 1].p - c0).cross(samples[i].p - c0);
    if (w.magnitude() < 1e-3f)
        return false;
    const Vector n = w.normalized();
    Vector e1 = inPlane(samples[first].p - c0, n).normalized();
    if (e1.magnitudeSquared() == 0.0f)
        return false;
    const Vector e2 = n.cross(e1);

    // Least-squares circle in the plane: x^2 + y^2 + D x + E y + F = 0.
    double sxx = 0, sxy = 0, syy = 0, sx = 0, sy = 0, sxz = 0, syz = 0, sz = 0;
    for (size_t i = first; i < samples.size(); ++i) {
        const Vector r = samples[i].p - c0;
        const double x = r.dot(e1), y = r.dot(e2), z = x * x + y * y;
        sxx += x * x; sxy += x * y; syy += y * y; sx += x; sy += y;
        sxz += x * z; syz += y * z; sz += z;
    }
    const double nn = static_cast<double>(count);
    const double a[3][3] = {{sxx, sxy, sx}, {sxy, syy, sy}, {sx, sy, nn}};
    const double b[3] = {-sxz, -syz, -sz};
    const double det = a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) - a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0])
        + a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
    if (std::fabs(det) < 1e-9)
        return false;
    auto solve = [&](int col) {
        double m[3][3];
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                m[r][c] = c == col ? b[r] : a[r][c];
        return (m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0])
                   + m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]))
            / det;
    };
    const double D = solve(0), E = solve(1), F = solve(2);
    const double cx = -D / 2.0, cy = -E / 2.0;
    const double r2 = cx * cx + cy * cy - F;
    if (!(r2 > 0.0))
        return false;
    const float radius = static_cast<float>(std::sqrt(r2));
    if (radius < MIN_RADIUS_MM || radius > MAX_RADIUS_MM)
        return false;
    const Vector center = c0 + e1 * static_cast<float>(cx) + e2 * static_cast<float>(cy);

    double err = 0.0;
    float swept = 0.0f;
    size_t backward = 0;
    for (size_t i = first; i < samples.size(); ++i) {
        const Vector rel = inPlane(samples[i].p - center, n);
        const double d = rel.magnitude() - radius;
        err += d * d;
        if (i > first) {
            const float step = signedAngle(inPlane(samples[i - 1].p - center, n), rel, n);
            swept += step;
            if (step < 0.0f)
                ++backward;
        }
    }
    if (std::sqrt(err / nn) > kMaxResidual * radius || backward * 10 > count)
        return false;
    out.center = center;
    out.normal = n;
    out.radius = radius;
    out.swept = swept;
    return true;
}

bool CircleRecognizer::tryStart(Track& track, int64_t now)
{
    const auto& s = track.samples;
    // The windows nest (longest first): a tip that stayed in too small a box over the longest one
    // cannot have swept half of the smallest circle in any of them. A still or slightly trembling
    // hand costs one pass instead of six fits.
    bool roomy = false;
    for (int64_t window : kWindowsUs) {
        if (s.empty() || s.front().t > now - window + 20000)
            continue; // not enough history for this window
        size_t first = 0;
        while (first < s.size() && s[first].t < now - window)
            ++first;
        if (!roomy) {
            // 1.5 x the smallest radius: the fit tolerates some radius error, so leave a margin.
            if (extent(s, first) < 1.5f * MIN_RADIUS_MM)
                return false;
            roomy = true;
        }
        Fit fit;
        if (!fitWindow(s, first, fit) || fit.swept < START_TURNS * kTwoPi)
            continue;
        track.active = true;
        track.started = false;
        track.id = m_nextId++;
        track.start = s[first].t;
        track.fit = fit;
        track.angle = fit.swept;
        track.reach = s.back().reach;
        track.lastRel = inPlane(s.back().p - fit.center, fit.normal);
        track.steps.clear();
        track.steps.emplace_back(now, fit.swept);
        return true;
    }
    return false;
}

bool CircleRecognizer::advance(Track& track, const Sample& s)
{
    const Vector rel = inPlane(s.p - track.fit.center, track.fit.normal);
    const float r = rel.magnitude();
    if (r < 0.4f * track.fit.radius || r > 2.0f * track.fit.radius)
        return false;
    if (std::fabs(s.reach - track.reach) > MAX_REACH_CHANGE * track.reach)
        return false;
    const float step = signedAngle(track.lastRel, rel, track.fit.normal);
    track.lastRel = rel;
    if (step > 0.0f)
        track.angle += step;
    track.steps.emplace_back(s.t, step);
    while (!track.steps.empty() && track.steps.front().first < s.t - STOP_WINDOW_US)
        track.steps.pop_front();
    float recent = 0.0f;
    for (const auto& st : track.steps)
        recent += st.second;
    if (s.t - track.start > STOP_WINDOW_US
        && recent < MIN_TURNS_PER_SECOND * kTwoPi * (static_cast<float>(STOP_WINDOW_US) / 1e6f))
        return false;
    // Follow a slowly drifting circle; keep the sense of rotation.
    size_t first = 0;
    while (first < track.samples.size() && track.samples[first].t < s.t - 1000000)
        ++first;
    Fit fit;
    if (fitWindow(track.samples, first, fit) && fit.normal.dot(track.fit.normal) > 0.7f) {
        track.fit.center = fit.center;
        track.fit.normal = fit.normal;
        track.fit.radius = fit.radius;
        track.lastRel = inPlane(s.p - fit.center, fit.normal);
    }
    return true;
}

std::vector<GestureData> CircleRecognizer::update(const std::vector<HandData>& hands, int64_t now)
{
    std::vector<GestureData> out;
    // Tracks are updated where they are; those of hands gone from the frame are dropped at the end.
    m_seen.clear();
    for (size_t h = 0; h < hands.size(); ++h) {
        const RawHand& hand = hands[h].raw;
        int indexPos = -1;
        for (int f = 0; f < 5; ++f)
            if (hand.fingers[static_cast<size_t>(f)].type == 1)
                indexPos = f;
        if (indexPos < 0)
            continue;
        m_seen.push_back(hand.id);
        Track& track = m_tracks[hand.id];
        const Vector tip = hand.fingers[static_cast<size_t>(indexPos)].joints[4];
        const Sample sample{now, tip, tip.distanceTo(hand.palmPosition)};
        if (!track.samples.empty() && now <= track.samples.back().t)
            continue; // a repeated or out-of-order timestamp says nothing about motion
        track.samples.push_back(sample);
        while (!track.samples.empty() && track.samples.front().t < now - kHistoryUs)
            track.samples.pop_front();
        while (track.samples.size() > MAX_SAMPLES)
            track.samples.pop_front();

        GestureData g;
        bool emit = false;
        if (track.active) {
            emit = true;
            if (advance(track, sample)) {
                g.state = Gesture::STATE_UPDATE;
            } else {
                g.state = Gesture::STATE_STOP;
                track.active = false;
            }
        } else if (tryStart(track, now)) {
            emit = true;
            g.state = Gesture::STATE_START;
        }
        if (emit) {
            g.id = track.id;
            g.type = Gesture::TYPE_CIRCLE;
            g.duration = now - track.start;
            g.hand = static_cast<int>(h);
            g.finger = indexPos;
            g.progress = track.angle / kTwoPi;
            g.radius = track.fit.radius;
            g.center = track.fit.center;
            g.normal = track.fit.normal;
            out.push_back(g);
            if (g.state == Gesture::STATE_STOP) {
                // The finished path must not start a new circle.
                const Sample last = track.samples.back();
                track.samples.clear();
                track.samples.push_back(last);
            }
        }
    }
    for (auto it = m_tracks.begin(); it != m_tracks.end();) {
        if (std::find(m_seen.begin(), m_seen.end(), it->first) == m_seen.end())
            it = m_tracks.erase(it);
        else
            ++it;
    }
    return out;
}

} // namespace detail
} // namespace Leap
