#include "LeapHandBuilder.h"

#include <algorithm>
#include <cmath>

namespace Leap {

namespace {

constexpr float kDeg = PI / 180.0f;

// Adult hand, millimetres: metacarpal, proximal, intermediate, distal. The thumb's metacarpal is
// modelled with zero length; its anatomical metacarpal is the "proximal" bone.
constexpr float kBones[5][4] = {
    {0.0f, 46.0f, 32.0f, 24.0f},
    {68.0f, 40.0f, 23.0f, 17.0f},
    {64.0f, 45.0f, 27.0f, 18.0f},
    {59.0f, 42.0f, 26.0f, 18.0f},
    {54.0f, 34.0f, 19.0f, 17.0f},
};
constexpr float kWidths[5] = {19.0f, 17.0f, 17.0f, 16.0f, 14.0f};
// Knuckles in palm coordinates (toward the pinky side, toward the fingers).
constexpr float kKnuckle[5][2] = {{0.0f, 0.0f}, {-27.0f, 38.0f}, {-9.0f, 40.0f}, {9.0f, 37.0f}, {26.0f, 32.0f}};
// Full curl angles at the three finger joints (knuckle, middle, end joint).
constexpr float kCurlAngles[3] = {85.0f * kDeg, 105.0f * kDeg, 70.0f * kDeg};
// How far a finger curls to meet the thumb in a pinch.
constexpr float kPinchCurl[5] = {0.0f, 0.55f, 0.60f, 0.62f, 0.65f};
constexpr float kPinchGap = 2.0f;
// How far the thumb's path bulges out of the palm on its way to a fingertip (mm at scale 1).
constexpr float kThumbArc = 30.0f;
constexpr float kPalmWidth = 85.0f;

// A finger does not bend all its joints in step: the knuckle leads and the end joint follows, so a
// folding tip first swings down and only then curls in.
float jointShare(float curl, int joint, float jointLag)
{
    constexpr float lag[3] = {0.0f, 0.12f, 0.25f};
    const float l = std::clamp(jointLag, 0.0f, 1.0f) * lag[joint];
    return std::clamp((curl - l) / (1.0f - l), 0.0f, 1.0f);
}

struct Frame3 {
    Vector palm, u, d, n; // pinky side, toward the fingers, out of the palm
    float scale;
    Vector at(float a, float b, float c) const { return palm + (u * a + d * b + n * c) * scale; }
};

Vector orthoNormal(const Vector& v, const Vector& against)
{
    return (v - against * v.dot(against)).normalized();
}

// Rotate a within the plane of a and toward b (both unit, b orthogonal to a) by angle.
Vector bend(const Vector& a, const Vector& b, float angle) { return a * std::cos(angle) + b * std::sin(angle); }

void fabrik(std::array<Vector, 5>& j, const float len[3], const Vector& target)
{
    const Vector base = j[1];
    const float reach = len[0] + len[1] + len[2];
    if (base.distanceTo(target) >= reach) {
        for (int i = 1; i < 4; ++i)
            j[static_cast<size_t>(i + 1)] = j[static_cast<size_t>(i)]
                + (target - j[static_cast<size_t>(i)]).normalized() * len[i - 1];
        return;
    }
    for (int iter = 0; iter < 40; ++iter) {
        j[4] = target;
        for (int i = 3; i >= 1; --i)
            j[static_cast<size_t>(i)] = j[static_cast<size_t>(i + 1)]
                + (j[static_cast<size_t>(i)] - j[static_cast<size_t>(i + 1)]).normalized() * len[i - 1];
        j[1] = base;
        for (int i = 1; i < 4; ++i)
            j[static_cast<size_t>(i + 1)] = j[static_cast<size_t>(i)]
                + (j[static_cast<size_t>(i + 1)] - j[static_cast<size_t>(i)]).normalized() * len[i - 1];
        if (j[4].distanceTo(target) < 0.02f)
            break;
    }
    j[0] = j[1];
}

RawFinger buildFinger(const Frame3& f, int type, float curl, const HandPose& pose)
{
    RawFinger out;
    out.type = type;
    out.width = kWidths[type] * f.scale;
    const float* len = kBones[type];
    const float a = kKnuckle[type][0];
    const float b = kKnuckle[type][1];
    const Vector knuckle = f.at(a, b, 0.0f);
    // The metacarpals fan out from the wrist.
    const float baseA = a * 0.45f;
    const float baseB = b - std::sqrt(std::max(0.0f, len[0] * len[0] - (a - baseA) * (a - baseA)));
    out.joints[0] = f.at(baseA, baseB, 0.0f);
    out.joints[1] = knuckle;
    Vector dir0 = (knuckle - out.joints[0]).normalized();
    if (type == Finger::TYPE_INDEX && (pose.indexSideways != 0.0f || pose.indexDown != 0.0f)) {
        const float reach = (len[1] + len[2] + len[3]) * f.scale;
        Vector off = f.u * pose.indexSideways + f.n * pose.indexDown;
        const float m = off.magnitude();
        if (m > reach * 0.95f)
            off = off * (reach * 0.95f / m);
        dir0 = (dir0 * std::sqrt(reach * reach - off.magnitudeSquared()) + off).normalized();
    }
    const Vector flexTo = orthoNormal(f.n, dir0);
    const float c = std::clamp(curl, 0.0f, 1.0f);
    float angle = 0.0f;
    for (int bone = 1; bone <= 3; ++bone) {
        angle += jointShare(c, bone - 1, pose.jointLag) * kCurlAngles[bone - 1];
        out.joints[static_cast<size_t>(bone + 1)]
            = out.joints[static_cast<size_t>(bone)] + bend(dir0, flexTo, angle) * (len[bone] * f.scale);
    }
    return out;
}

// Natural thumb: lies beside the palm, spread from the index; curling folds it across the palm.
RawFinger buildThumb(const Frame3& f, float curl, float jointLag)
{
    RawFinger out;
    out.type = Finger::TYPE_THUMB;
    out.width = kWidths[0] * f.scale;
    const Vector cmc = f.at(-20.0f, -22.0f, 10.0f);
    const Vector rest = (f.u * -0.72f + f.d * 0.62f + f.n * 0.30f).normalized();
    const Vector across = orthoNormal(f.u * 0.8f + f.n * 0.6f, rest);
    const float c = std::clamp(curl, 0.0f, 1.0f);
    const float angles[3] = {jointShare(c, 0, jointLag) * 25.0f * kDeg, jointShare(c, 1, jointLag) * 55.0f * kDeg,
        jointShare(c, 2, jointLag) * 80.0f * kDeg};
    out.joints[0] = cmc;
    out.joints[1] = cmc;
    float angle = 0.0f;
    for (int bone = 1; bone <= 3; ++bone) {
        angle += angles[bone - 1];
        out.joints[static_cast<size_t>(bone + 1)]
            = out.joints[static_cast<size_t>(bone)] + bend(rest, across, angle) * (kBones[0][bone] * f.scale);
    }
    return out;
}

} // namespace

float HandBuilder::boneLength(int fingerType, int boneType)
{
    if (fingerType < 0 || fingerType > 4 || boneType < 0 || boneType > 3)
        return 0.0f;
    return kBones[fingerType][boneType];
}

float HandBuilder::indexLength(float scale) { return (kBones[1][1] + kBones[1][2] + kBones[1][3]) * scale; }

RawHand HandBuilder::build(const HandPose& pose, int id)
{
    Frame3 f;
    f.palm = pose.palm;
    f.d = pose.direction.normalized();
    if (f.d.magnitudeSquared() == 0.0f)
        f.d = Vector(0.0f, 0.0f, -1.0f);
    f.n = orthoNormal(pose.palmNormal, f.d);
    if (f.n.magnitudeSquared() == 0.0f)
        f.n = orthoNormal(Vector(0.0f, -1.0f, 0.0f), f.d);
    const Vector side = f.d.cross(f.n);
    f.u = pose.isRight ? -side : side;
    f.scale = pose.scale > 0.0f ? pose.scale : 1.0f;

    RawHand hand;
    hand.id = id;
    hand.isRight = pose.isRight;
    hand.palmPosition = pose.palm;
    hand.direction = f.d;
    hand.palmNormal = f.n;
    hand.palmWidth = kPalmWidth * f.scale;

    const int pinchWith = pose.pinchFinger >= 1 && pose.pinchFinger <= 4 ? pose.pinchFinger : 0;
    const float p = pinchWith ? std::clamp(pose.pinch, 0.0f, 1.0f) : 0.0f;
    for (int t = 1; t <= 4; ++t) {
        float curl = pose.curl[t];
        if (t == pinchWith)
            curl = curl + (std::max(curl, kPinchCurl[t]) - curl) * p;
        hand.fingers[static_cast<size_t>(t)] = buildFinger(f, t, curl, pose);
    }
    RawFinger thumb = buildThumb(f, pose.curl[0], pose.jointLag);
    if (p > 0.0f) {
        const RawFinger& other = hand.fingers[static_cast<size_t>(pinchWith)];
        const Vector tip = other.joints[4];
        const Vector meet = tip + (thumb.joints[1] - tip).normalized() * (kPinchGap * f.scale);
        // The thumb swings round under the fingers on an arc (bulging out of the palm) instead of
        // running straight through the tips that lie between it and the one it meets.
        const Vector start = thumb.joints[4];
        const Vector control = (start + meet) * 0.5f + f.n * (kThumbArc * f.scale);
        const float q = 1.0f - p;
        const Vector target = start * (q * q) + control * (2.0f * q * p) + meet * (p * p);
        const float len[3] = {kBones[0][1] * f.scale, kBones[0][2] * f.scale, kBones[0][3] * f.scale};
        fabrik(thumb.joints, len, target);
    }
    hand.fingers[0] = thumb;
    return hand;
}

RawHand HandBuilder::openHand(const Vector& palm, bool isRight, int id)
{
    HandPose p;
    p.palm = palm;
    p.isRight = isRight;
    return build(p, id);
}

RawHand HandBuilder::fist(const Vector& palm, bool isRight, int id)
{
    HandPose p;
    p.palm = palm;
    p.isRight = isRight;
    std::fill(std::begin(p.curl), std::end(p.curl), 1.0f);
    return build(p, id);
}

RawHand HandBuilder::pinch(int fingerType, const Vector& palm, bool isRight, float amount, int id)
{
    HandPose p;
    p.palm = palm;
    p.isRight = isRight;
    p.pinchFinger = fingerType;
    p.pinch = amount;
    return build(p, id);
}

RawHand HandBuilder::pointing(const Vector& palm, bool isRight, int id)
{
    HandPose p;
    p.palm = palm;
    p.isRight = isRight;
    p.curl[2] = p.curl[3] = p.curl[4] = 1.0f;
    return build(p, id);
}

} // namespace Leap
