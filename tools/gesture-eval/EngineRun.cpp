#include "EngineRun.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "ActionMgr.h"
#include "Leap.h"
#include "LeapTestDriver.h"
#include "Mouse.h"
#include "Player.h"
#include "VelmoBox.h"
#include "VelmoListener.h"

namespace geval {

namespace {

constexpr int kScreenW = 1920;
constexpr int kScreenH = 1080;

class EvalListener : public VelmoListener {
public:
    explicit EvalListener(const QString& dir) { gestures_.setSettingsDir(dir); }
    VelmoGestures& engine() { return gestures_; }
};

// The destination machine: a loopback datagram socket.
class Destination {
public:
    Destination()
    {
        m_fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        int big = 1 << 22;
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &big, sizeof big);
        socklen_t len = sizeof a;
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&a), &len);
        m_port = ntohs(a.sin_port);
    }
    ~Destination() { ::close(m_fd); }
    int port() const { return m_port; }
    // Commands up to the marker (consumed); the marker follows them on the same socket.
    std::vector<std::string> readUntil(const char* marker)
    {
        std::vector<std::string> out;
        for (;;) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, 5000) <= 0)
                return out;
            char buf[1024];
            const ssize_t n = ::recv(m_fd, buf, sizeof buf, 0);
            if (n < 0)
                continue;
            std::string s(buf, static_cast<size_t>(n));
            if (s == marker)
                return out;
            out.push_back(std::move(s));
        }
    }

private:
    int m_fd = -1;
    int m_port = 0;
};

// Wheel notches as the destination's pointer device counts them: the circle's progress times the
// wheel scale, ten notches a turn, minus what this circle has already sent.
struct WheelCounter {
    float scale = 0.3f;
    int sent = 0;
    int add(float delta)
    {
        const double turns = double(delta) * double(scale) * double(Mouse::kNotchesPerTurn);
        const double target = std::isfinite(turns) ? std::max(0.0, turns) : 0.0;
        const int n = std::max(0, std::min(int(std::floor(target)) - sent, Mouse::kMaxNotchesPerCall));
        sent += n;
        return n;
    }
};

bool startsWith(const std::string& s, const char* p) { return s.compare(0, std::strlen(p), p) == 0; }

} // namespace

handsim::Script vary(const handsim::Script& script, const RunSettings& settings)
{
    handsim::Script out = script;
    for (handsim::Step& s : out.steps) {
        if (settings.pinchSeconds > 0.0
            && (s.kind == handsim::StepKind::Pinch || s.kind == handsim::StepKind::Spread))
            s.duration = settings.pinchSeconds;
        if (!settings.mirror)
            continue;
        if (s.kind == handsim::StepKind::Hand || (s.kind == handsim::StepKind::SecondHand && s.sideGiven))
            s.isRight = !s.isRight;
        if (s.kind == handsim::StepKind::Hand || s.kind == handsim::StepKind::SecondHand
            || s.kind == handsim::StepKind::MoveTo || s.kind == handsim::StepKind::MoveBy)
            s.vector.x = -s.vector.x;
    }
    return out;
}

namespace {

// The real listener, engine and action manager of one run, and what the destination hears.
class Harness {
public:
    Harness(int controllerPos, RunResult& result)
        : m_listener(m_dir.path()), m_result(result)
    {
        m_controller.addListener(m_listener);
        VelmoGestures& g = m_listener.engine();
        auto user = [&](int index, float value) {
            g.SetUserParam(value, index);
            g.DecodeParameters(0);
        };
        user(NetworkMode, 1);
        user(AutoHandMotionScaleFactor, 0);
        user(ControllerPos, static_cast<float>(controllerPos));

        ActionMgr::actionMgrData d;
        d.networkModeRef = g.networkModePtr();
        d.audioFx = g.audioFxPtr();
        d.audioFxBorder = g.audioFxBorderPtr();
        d.graphicFx = g.graphicFxPtr();
        d.heldInputReleased = [&g] { g.resetPinchState(); };
        d.port = m_dest.port();
        m_mgr = std::make_unique<ActionMgr>(d, nullptr);
        int ip[4] = {127, 0, 0, 1};
        m_mgr->createSender(m_dest.port(), ip);
        m_mgr->SetResolution(kScreenW, kScreenH);
        g.setEngineObjects(m_mgr.get(), &m_box);
        g.ResetRecogniser();
        g.setMonotonicClock([this] { return nowUs; });
        m_wheel.scale = g.settings().wheelScaleFactor;
    }

    ~Harness()
    {
        m_listener.engine().setEngineObjects(nullptr, nullptr);
        m_controller.removeListener(m_listener);
    }

    Leap::TestDriver& driver() { return m_driver; }

    // Waits for everything pushed so far, then takes in what the destination heard meanwhile (at
    // t seconds into the run).
    void collect(double t, FILE* trace)
    {
        m_driver.sync();
        m_mgr->SetMousePointer();
        const size_t before = m_result.actions.size();
        for (const std::string& c : m_dest.readUntil("SETMOUSEPOINTER"))
            take(c, t);
        if (trace)
            traceFrame(trace, t, before);
    }

    void finish()
    {
        for (int b = 1; b <= 4; ++b)
            if (m_held[b])
                m_result.stuck.push_back(b);
    }

    int64_t nowUs = handsim::Player::CLOCK_START_US;

private:
    void take(const std::string& c, double t)
    {
        int a = 0, b = 0, n = 0;
        float delta = 0.0f, progress = 0.0f;
        Action act;
        act.t = t;
        if (startsWith(c, "LEFT_BUTTON ") || startsWith(c, "RIGHT_BUTTON ") || startsWith(c, "MIDDLE_BUTTON ")
            || startsWith(c, "KEYBOARD ")) {
            act.button = c[0] == 'L' ? 1 : c[0] == 'R' ? 2 : c[0] == 'M' ? 3 : 4;
            const size_t sp = c.find(' ');
            const bool press = c[sp + 1] == '1';
            act.kind = press ? Action::Press : Action::Release;
            m_held[act.button] = press;
            if (press)
                act.thumbMm = pinchedTipDistance();
            m_result.actions.push_back(act);
        } else if (std::sscanf(c.c_str(), "MOUSEWHEELMOVE %f %d %d %f", &delta, &a, &n, &progress) == 4) {
            const int notches = m_wheel.add(delta);
            if (notches > 0) {
                act.kind = Action::Wheel;
                act.up = a != 0;
                act.notches = notches;
                m_result.actions.push_back(act);
            }
        } else if (c == "RESETMOUSEWHEEL") {
            m_wheel.sent = 0;
        } else if (std::sscanf(c.c_str(), "MOUSEMOVE %d %d %d %d", &a, &b, &n, &n) == 4) {
            if (m_lastX >= 0.0)
                m_result.pointerTravel += std::hypot(a - m_lastX, b - m_lastY);
            m_lastX = a;
            m_lastY = b;
        }
    }

    // The thumb's distance to the tip of the finger whose pinch slot the frame closed (head
    // mounted, the ring pinch closes the middle finger's slot).
    float pinchedTipDistance()
    {
        VelmoGestures& g = m_listener.engine();
        const handTrackingData h = m_listener.getHandData();
        for (int f = 0; f < 4; ++f)
            if (g.isGestureFired(f))
                return h.thumbTipDistance[f];
        return -1.0f;
    }

    void traceFrame(FILE* trace, double t, size_t firstNew)
    {
        VelmoGestures& g = m_listener.engine();
        const handTrackingData h = m_listener.getHandData();
        std::fprintf(trace,
            "%7.3f hands %d ext %d%d%d%d%d fist %d tt %5.1f %5.1f %5.1f %5.1f th %5.1f %5.1f %5.1f %5.1f "
            "pt %5.1f %5.1f %5.1f %5.1f mv %5.1f st %d%d%d%d tp %.2f\n",
            t, h.handsCount, h.extendedFingers[0], h.extendedFingers[1], h.extendedFingers[2], h.extendedFingers[3],
            h.extendedFingers[4], h.fist, h.thumbTipDistance[0], h.thumbTipDistance[1], h.thumbTipDistance[2],
            h.thumbTipDistance[3], g.distanceThreshold(0), g.distanceThreshold(1), g.distanceThreshold(2),
            g.distanceThreshold(3), h.palmTipDistance[0], h.palmTipDistance[1], h.palmTipDistance[2],
            h.palmTipDistance[3], g.handMovement(), g.isGestureFired(0), g.isGestureFired(1), g.isGestureFired(2),
            g.isGestureFired(3), h.translationProbability);
        for (size_t i = firstNew; i < m_result.actions.size(); ++i) {
            const Action& a = m_result.actions[i];
            if (a.kind != Action::Wheel)
                std::fprintf(trace, "        %s %d\n", a.kind == Action::Press ? "PRESS" : "RELEASE", a.button);
        }
    }

    QTemporaryDir m_dir;
    Leap::Controller m_controller{std::string()};
    Leap::TestDriver m_driver{m_controller};
    EvalListener m_listener;
    Destination m_dest;
    std::unique_ptr<ActionMgr> m_mgr;
    VelmoBox m_box;
    RunResult& m_result;
    WheelCounter m_wheel;
    bool m_held[5] = {false, false, false, false, false};
    double m_lastX = -1.0, m_lastY = -1.0;
};

} // namespace

RunResult runScript(const handsim::Script& script, const RunSettings& settings)
{
    RunResult result;
    Harness run(settings.controllerPos, result);
    handsim::Player player(vary(script, settings), settings.fps);
    handsim::Realism realism;
    realism.handScale = settings.handScale;
    realism.jitterMm = settings.jitterMm;
    realism.seed = settings.seed;
    player.setRealism(realism);
    for (const auto& kv : player.config())
        run.driver().setConfig(kv.first, kv.second);
    run.driver().plugDevice(false, settings.fps);

    std::vector<handsim::Output> outputs;
    for (long k = 0; !player.finished(); ++k) {
        const double t = static_cast<double>(k) / settings.fps;
        outputs.clear();
        player.tick(t, outputs);
        for (const handsim::Output& o : outputs) {
            run.nowUs = o.time;
            switch (o.kind) {
            case handsim::Output::Kind::Device:
                if (o.device.attached)
                    run.driver().plugDevice(o.device.embedded, settings.fps);
                else
                    run.driver().unplugDevice();
                break;
            case handsim::Output::Kind::Config:
                run.driver().setConfig(o.key, o.value);
                break;
            case handsim::Output::Kind::Frame:
                run.driver().pushFrame(o.frame);
                ++result.frames;
                break;
            }
        }
        run.collect(t, settings.trace);
    }
    run.finish();
    return result;
}

RunResult runFrames(const std::vector<Leap::RawFrame>& frames, const RunSettings& settings)
{
    RunResult result;
    if (frames.empty())
        return result;
    Harness run(settings.controllerPos, result);
    run.driver().plugDevice(false, frames.front().frameRate > 0.0f ? frames.front().frameRate : settings.fps);
    // The recording's own clock from the harness's start: the engine's freeze after a press follows
    // it as it would follow the service's.
    const int64_t first = frames.front().timestamp;
    for (const Leap::RawFrame& recorded : frames) {
        Leap::RawFrame f = recorded;
        f.timestamp = std::max(run.nowUs, handsim::Player::CLOCK_START_US + (recorded.timestamp - first));
        run.nowUs = f.timestamp;
        run.driver().pushFrame(f);
        ++result.frames;
        run.collect(double(f.timestamp - handsim::Player::CLOCK_START_US) / 1e6, settings.trace);
    }
    run.finish();
    return result;
}

} // namespace geval
