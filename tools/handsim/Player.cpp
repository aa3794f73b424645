#include "Player.h"

#include <algorithm>
#include <cmath>

namespace handsim {

using Leap::Vector;

namespace {

constexpr float kTwoPi = 2.0f * Leap::PI;
// The finger swings at most this share of its length off its rest line; a bigger circle moves
// the palm too.
constexpr float kMaxSwingShare = 0.45f;

float ease(double p)
{
    const float x = static_cast<float>(std::clamp(p, 0.0, 1.0));
    return x * x * (3.0f - 2.0f * x);
}

float lerp(float a, float b, float t) { return a + (b - a) * t; }

Vector defaultPalm() { return Vector(0.0f, 200.0f, 0.0f); }

} // namespace

Player::Player(Script script, float fps) : m_script(std::move(script)), m_fps(fps)
{
    m_device.attached = true;
    m_device.embedded = false;
    m_device.nominalFps = fps;
    // As a sensor's service offers it: the box follows the hand's height, so a fist at a new
    // height re-centres it. A script's `config interaction_box_auto off` fixes it.
    m_config.emplace_back("interaction_box_auto", true);
}

void Player::setRealism(const Realism& realism)
{
    m_realism = realism;
    m_random.seed(realism.seed);
}

Vector Player::wander(const Vector& v, double dt)
{
    // Ornstein-Uhlenbeck: pulled back toward zero over tau, driven so that its spread is sigma.
    constexpr double tau = 0.04;
    const double sigma = m_realism.jitterMm;
    const double a = std::exp(-dt / tau);
    const double b = sigma * std::sqrt(1.0 - a * a);
    std::normal_distribution<double> n(0.0, 1.0);
    return Vector(static_cast<float>(v.x * a + b * n(m_random)), static_cast<float>(v.y * a + b * n(m_random)),
        static_cast<float>(v.z * a + b * n(m_random)));
}

Leap::RawHand Player::noisy(const HandState& h, Noise& noise, double dt)
{
    Leap::HandPose pose = h.pose;
    pose.scale = m_realism.handScale > 0.0f ? m_realism.handScale : 1.0f;
    pose.jointLag = 1.0f;
    Leap::RawHand hand = Leap::HandBuilder::build(pose, h.id);
    if (m_realism.jitterMm <= 0.0f)
        return hand;
    noise.palm = wander(noise.palm, dt);
    hand.palmPosition = hand.palmPosition + noise.palm;
    for (size_t k = 0; k < 5; ++k) {
        // Each finger is fitted as a whole: its bones keep their lengths.
        noise.fingers[k] = wander(noise.fingers[k], dt);
        for (Vector& j : hand.fingers[k].joints)
            j = j + noise.palm + noise.fingers[k];
    }
    return hand;
}

int64_t Player::clock(double t) const { return CLOCK_START_US + static_cast<int64_t>(std::llround(t * 1e6)); }

void Player::emitDevice(double at, std::vector<Output>& out)
{
    Output o;
    o.kind = Output::Kind::Device;
    o.time = clock(at);
    o.device = m_device;
    out.push_back(o);
}

void Player::restart(double at, std::vector<Output>& out)
{
    m_index = 0;
    m_stepStart = at;
    m_begun = false;
    m_finished = false;
    for (HandState& h : m_hands)
        h.visible = false;
    if (!m_device.attached || m_device.embedded) {
        m_device.attached = true;
        m_device.embedded = false;
        emitDevice(at, out);
    }
}

void Player::begin(const Step& s, double at, std::vector<Output>& out)
{
    HandState& first = m_hands[0];
    switch (s.kind) {
    case StepKind::Hand:
        first = HandState();
        first.visible = true;
        first.id = m_nextHandId++;
        first.pose.isRight = s.isRight;
        first.pose.palm = s.hasPosition ? s.vector : defaultPalm();
        break;
    case StepKind::SecondHand: {
        HandState& second = m_hands[1];
        const bool firstRight = first.visible ? first.pose.isRight : true;
        second = HandState();
        second.visible = true;
        second.id = m_nextHandId++;
        second.pose.isRight = s.sideGiven ? s.isRight : !firstRight;
        const Vector base = first.visible ? first.pose.palm : defaultPalm();
        second.pose.palm = s.hasPosition ? s.vector : base + Vector(firstRight ? -160.0f : 160.0f, 0.0f, 0.0f);
        break;
    }
    case StepKind::Remove:
        m_hands[0].visible = m_hands[1].visible = false;
        break;
    case StepKind::RemoveSecond:
        m_hands[1].visible = false;
        break;
    case StepKind::Unplug:
        if (m_device.attached) {
            m_device.attached = false;
            emitDevice(at, out);
        }
        break;
    case StepKind::Plug:
        if (!m_device.attached) {
            m_device.attached = true;
            emitDevice(at, out);
        }
        break;
    case StepKind::Embedded:
        if (m_device.embedded != s.flag) {
            m_device.embedded = s.flag;
            emitDevice(at, out);
        }
        break;
    case StepKind::Config: {
        auto it = std::find_if(m_config.begin(), m_config.end(), [&](const auto& kv) { return kv.first == s.key; });
        if (it == m_config.end())
            m_config.emplace_back(s.key, s.flag);
        else
            it->second = s.flag;
        Output o;
        o.kind = Output::Kind::Config;
        o.time = clock(at);
        o.key = s.key;
        o.value = s.flag;
        out.push_back(o);
        break;
    }
    case StepKind::Curl:
    case StepKind::Extend:
    case StepKind::Fist:
    case StepKind::Open: {
        // Fingers start a little apart and take a little more or less time.
        std::uniform_real_distribution<float> start(0.0f, 0.15f);
        std::uniform_real_distribution<float> span(0.75f, 1.0f);
        for (size_t f = 0; f < 5; ++f) {
            m_fingerStart[f] = start(m_random);
            m_fingerSpan[f] = std::min(span(m_random), 1.0f - m_fingerStart[f]);
        }
        break;
    }
    default:
        break;
    }
    m_from = m_hands;
}

float Player::fingerEase(int f, double progress) const
{
    const size_t k = static_cast<size_t>(f);
    if (progress >= 1.0 || m_fingerSpan[k] <= 0.0f)
        return progress >= 1.0 ? 1.0f : 0.0f;
    return ease((progress - m_fingerStart[k]) / m_fingerSpan[k]);
}

void Player::apply(const Step& s, double progress)
{
    const HandState& from = m_from[0];
    Leap::HandPose& pose = m_hands[0].pose;
    const float e = ease(progress);
    switch (s.kind) {
    case StepKind::MoveTo:
        pose.palm = from.pose.palm + (s.vector - from.pose.palm) * e;
        break;
    case StepKind::MoveBy:
        pose.palm = from.pose.palm + s.vector * e;
        break;
    case StepKind::Pinch: {
        const float start = from.pose.pinchFinger == s.finger ? from.pose.pinch : 0.0f;
        pose.pinchFinger = s.finger;
        pose.pinch = lerp(start, 1.0f, e);
        break;
    }
    case StepKind::Spread:
        pose.pinch = lerp(from.pose.pinch, 0.0f, e);
        if (progress >= 1.0)
            pose.pinchFinger = 0;
        break;
    case StepKind::Curl:
    case StepKind::Extend:
        for (int f : s.fingers)
            pose.curl[f] = lerp(from.pose.curl[f], s.kind == StepKind::Curl ? 1.0f : 0.0f, fingerEase(f, progress));
        break;
    case StepKind::Fist:
    case StepKind::Open:
        for (int f = 0; f < 5; ++f)
            pose.curl[f] = lerp(from.pose.curl[f], s.kind == StepKind::Fist ? 1.0f : 0.0f, fingerEase(f, progress));
        pose.pinch = lerp(from.pose.pinch, 0.0f, e);
        if (progress >= 1.0)
            pose.pinchFinger = 0;
        break;
    case StepKind::Circle: {
        // The tip runs round a circle through its rest position, in the plane across the finger;
        // clockwise as seen along the finger.
        const float phi = progress >= 1.0 ? 0.0f : kTwoPi * s.turns * static_cast<float>(progress);
        const float sense = (s.clockwise ? 1.0f : -1.0f) * (pose.isRight ? 1.0f : -1.0f);
        const float side = s.radius * (std::cos(phi) - 1.0f);
        const float down = s.radius * std::sin(phi) * sense;
        const float reach = Leap::HandBuilder::indexLength(pose.scale) * kMaxSwingShare;
        const float share = std::min(1.0f, reach / (2.0f * s.radius));
        pose.indexSideways = side * share;
        pose.indexDown = down * share;
        // What the finger cannot reach, the palm does.
        const Vector d = pose.direction.normalized();
        const Vector n = (pose.palmNormal - d * pose.palmNormal.dot(d)).normalized();
        const Vector u = pose.isRight ? -d.cross(n) : d.cross(n);
        pose.palm = from.pose.palm + (u * side + n * down) * (1.0f - share);
        break;
    }
    default:
        break;
    }
}

void Player::tick(double t, std::vector<Output>& out, bool loop)
{
    for (;;) {
        if (m_index >= m_script.steps.size()) {
            if (!loop || m_script.steps.empty() || m_script.duration() <= 0.0) {
                m_finished = true;
                break;
            }
            restart(m_stepStart, out);
        }
        const Step& s = m_script.steps[m_index];
        if (!m_begun) {
            begin(s, m_stepStart, out);
            m_begun = true;
        }
        const double end = m_stepStart + s.duration;
        if (t >= end) {
            apply(s, 1.0);
            ++m_index;
            m_stepStart = end;
            m_begun = false;
            continue;
        }
        apply(s, (t - m_stepStart) / s.duration);
        break;
    }
    if (!m_device.attached)
        return;
    Output o;
    o.kind = Output::Kind::Frame;
    o.time = clock(t);
    o.frame.timestamp = o.time;
    const double dt = m_lastTick < 0.0 || t <= m_lastTick ? 1.0 / m_fps : t - m_lastTick;
    m_lastTick = t;
    for (size_t k = 0; k < m_hands.size(); ++k)
        if (m_hands[k].visible)
            o.frame.hands.push_back(noisy(m_hands[k], m_noise[k], dt));
    out.push_back(o);
}

} // namespace handsim
