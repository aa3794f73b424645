#include "EngineRun.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QTemporaryDir>

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

RunResult runScript(const handsim::Script& script, const RunSettings& settings)
{
    RunResult result;
    QTemporaryDir dir;
    Leap::Controller controller{std::string()};
    Leap::TestDriver driver{controller};
    EvalListener listener(dir.path());
    controller.addListener(listener);
    VelmoGestures& g = listener.engine();
    auto user = [&](int index, float value) {
        g.SetUserParam(value, index);
        g.DecodeParameters(0);
    };
    user(NetworkMode, 1);
    user(AutoHandMotionScaleFactor, 0);
    user(ControllerPos, static_cast<float>(settings.controllerPos));

    Destination dest;
    ActionMgr::actionMgrData d;
    d.networkModeRef = g.networkModePtr();
    d.audioFx = g.audioFxPtr();
    d.audioFxBorder = g.audioFxBorderPtr();
    d.graphicFx = g.graphicFxPtr();
    d.heldInputReleased = [&g] { g.resetPinchState(); };
    d.port = dest.port();
    auto mgr = std::make_unique<ActionMgr>(d, nullptr);
    int ip[4] = {127, 0, 0, 1};
    mgr->createSender(dest.port(), ip);
    mgr->SetResolution(kScreenW, kScreenH);
    VelmoBox box;
    int64_t nowUs = handsim::Player::CLOCK_START_US;
    g.setEngineObjects(mgr.get(), &box);
    g.ResetRecogniser();
    g.setMonotonicClock([&nowUs] { return nowUs; });

    handsim::Player player(vary(script, settings), settings.fps);
    handsim::Realism realism;
    realism.handScale = settings.handScale;
    realism.jitterMm = settings.jitterMm;
    realism.seed = settings.seed;
    player.setRealism(realism);
    for (const auto& kv : player.config())
        driver.setConfig(kv.first, kv.second);
    driver.plugDevice(false, settings.fps);

    WheelCounter wheel;
    wheel.scale = g.settings().wheelScaleFactor;
    bool held[5] = {false, false, false, false, false};
    double lastX = -1.0, lastY = -1.0;
    std::vector<handsim::Output> outputs;
    for (long k = 0; !player.finished(); ++k) {
        const double t = static_cast<double>(k) / settings.fps;
        outputs.clear();
        player.tick(t, outputs);
        for (const handsim::Output& o : outputs) {
            nowUs = o.time;
            switch (o.kind) {
            case handsim::Output::Kind::Device:
                if (o.device.attached)
                    driver.plugDevice(o.device.embedded, settings.fps);
                else
                    driver.unplugDevice();
                break;
            case handsim::Output::Kind::Config:
                driver.setConfig(o.key, o.value);
                break;
            case handsim::Output::Kind::Frame:
                driver.pushFrame(o.frame);
                ++result.frames;
                break;
            }
        }
        driver.sync();
        mgr->SetMousePointer();
        for (const std::string& c : dest.readUntil("SETMOUSEPOINTER")) {
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
                held[act.button] = press;
                result.actions.push_back(act);
            } else if (std::sscanf(c.c_str(), "MOUSEWHEELMOVE %f %d %d %f", &delta, &a, &n, &progress) == 4) {
                const int notches = wheel.add(delta);
                if (notches > 0) {
                    act.kind = Action::Wheel;
                    act.up = a != 0;
                    act.notches = notches;
                    result.actions.push_back(act);
                }
            } else if (c == "RESETMOUSEWHEEL") {
                wheel.sent = 0;
            } else if (std::sscanf(c.c_str(), "MOUSEMOVE %d %d %d %d", &a, &b, &n, &n) == 4) {
                if (lastX >= 0.0)
                    result.pointerTravel += std::hypot(a - lastX, b - lastY);
                lastX = a;
                lastY = b;
            }
        }
        if (settings.trace) {
            const handTrackingData h = listener.getHandData();
            std::fprintf(settings.trace,
                "%7.3f hands %d ext %d%d%d%d%d fist %d tt %5.1f %5.1f %5.1f %5.1f th %5.1f %5.1f %5.1f %5.1f "
                "pt %5.1f %5.1f %5.1f %5.1f mv %5.1f st %d%d%d%d tp %.2f\n",
                t, h.handsCount, h.extendedFingers[0], h.extendedFingers[1], h.extendedFingers[2],
                h.extendedFingers[3], h.extendedFingers[4], h.fist, h.thumbTipDistance[0], h.thumbTipDistance[1],
                h.thumbTipDistance[2], h.thumbTipDistance[3], g.distanceThreshold(0), g.distanceThreshold(1),
                g.distanceThreshold(2), g.distanceThreshold(3), h.palmTipDistance[0], h.palmTipDistance[1],
                h.palmTipDistance[2], h.palmTipDistance[3], g.handMovement(), g.isGestureFired(0),
                g.isGestureFired(1), g.isGestureFired(2), g.isGestureFired(3), h.translationProbability);
            for (size_t i = 0; i < result.actions.size(); ++i) {
                const Action& a = result.actions[i];
                if (a.t != t || a.kind == Action::Wheel)
                    continue;
                std::fprintf(settings.trace, "        %s %d\n", a.kind == Action::Press ? "PRESS" : "RELEASE", a.button);
            }
        }
    }
    for (int b = 1; b <= 4; ++b)
        if (held[b])
            result.stuck.push_back(b);
    g.setEngineObjects(nullptr, nullptr);
    controller.removeListener(listener);
    return result;
}

} // namespace geval
