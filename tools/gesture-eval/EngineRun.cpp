#include "EngineRun.h"

#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <mutex>

#include "EngineSink.h"
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
    explicit EvalListener(const QString& dir) { gestures_.parameters().setSettingsDir(dir); }
    VelmoGestures& engine() { return gestures_; }
};

// What the engine decided that a destination acts on, in order.
struct Decision {
    enum Kind { Button, Wheel, WheelReset, Move };
    Kind kind = Button;
    int button = 0;    // Button: 1 left, 2 right, 3 middle, 4 keyboard action
    bool press = false;
    bool up = false;   // Wheel: forward
    float delta = 0.0f;
    int x = 0, y = 0;  // Move
};

// The engine's sink for a run: a source whose destination's screen is 1920 x 1080. The decisions
// come on the controller's thread and are taken on the run's.
class EvalSink : public EngineSink {
public:
    explicit EvalSink(std::function<void()> released) : m_released(std::move(released)) { }

    std::vector<Decision> take()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<Decision> out;
        out.swap(m_decisions);
        return out;
    }

    void beginFrame() override { }
    void endFrame() override { }
    void pointerSpace(int* width, int* height) override
    {
        *width = kScreenW;
        *height = kScreenH;
    }
    void MousePointerMove(int x, int y, int, int) override
    {
        Decision d;
        d.kind = Decision::Move;
        d.x = x;
        d.y = y;
        add(d);
    }
    void GenerateAction(actionType type, int press, int, int, const QString&, const QString&, bool) override
    {
        if (type < LeftButton || type > KeyboardShortcut)
            return;
        Decision d;
        d.button = type == LeftButton ? 1 : type == RightButton ? 2 : type == MiddleButton ? 3 : 4;
        d.press = press != 0;
        add(d);
    }
    void ResetMouseWheel() override
    {
        Decision d;
        d.kind = Decision::WheelReset;
        add(d);
    }
    void MouseWheelMove(float delta, int forward, int, float) override
    {
        Decision d;
        d.kind = Decision::Wheel;
        d.delta = delta;
        d.up = forward != 0;
        add(d);
    }
    void GenerateFistDetected(bool) override { }
    void setAutoHeight(bool) override { }
    void setParam(int, float, int, int, int) override { }
    void SetMousePointer() override { }
    void announceSource() override { }
    void sendAudioGraphicParam(bool, bool, bool) override { }
    void releaseHeldInput() override { m_released(); }

private:
    void add(const Decision& d)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_decisions.push_back(d);
    }

    std::function<void()> m_released;
    std::mutex m_mutex;
    std::vector<Decision> m_decisions;
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

// The real listener and engine of one run, and what a destination would act on.
class Harness {
public:
    Harness(int controllerPos, RunResult& result)
        : m_listener(m_dir.path()), m_sink([this] { m_listener.engine().resetPinchState(); }), m_result(result)
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

        g.setEngineObjects(&m_sink, &m_box);
        g.ResetRecogniser();
        g.setMonotonicClock([this] { return nowUs; });
        m_wheel.scale = g.parameters().settings().wheelScaleFactor;
    }

    ~Harness()
    {
        m_listener.engine().setEngineObjects(nullptr, nullptr);
        m_controller.removeListener(m_listener);
    }

    Leap::TestDriver& driver() { return m_driver; }

    // Waits for everything pushed so far, then takes in what the engine decided meanwhile (at t
    // seconds into the run).
    void collect(double t, FILE* trace)
    {
        m_driver.sync();
        const size_t before = m_result.actions.size();
        for (const Decision& d : m_sink.take())
            take(d, t);
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
    void take(const Decision& d, double t)
    {
        Action act;
        act.t = t;
        switch (d.kind) {
        case Decision::Button:
            act.button = d.button;
            act.kind = d.press ? Action::Press : Action::Release;
            m_held[act.button] = d.press;
            if (d.press)
                act.thumbMm = pinchedTipDistance();
            m_result.actions.push_back(act);
            break;
        case Decision::Wheel:
            act.notches = m_wheel.add(d.delta);
            if (act.notches > 0) {
                act.kind = Action::Wheel;
                act.up = d.up;
                m_result.actions.push_back(act);
            }
            break;
        case Decision::WheelReset:
            m_wheel.sent = 0;
            break;
        case Decision::Move:
            if (m_lastX >= 0.0)
                m_result.pointerTravel += std::hypot(d.x - m_lastX, d.y - m_lastY);
            m_lastX = d.x;
            m_lastY = d.y;
            break;
        }
    }

    // The thumb's distance to the tip of the finger whose pinch slot the frame closed (head
    // mounted, the ring pinch closes the middle finger's slot).
    float pinchedTipDistance()
    {
        VelmoGestures& g = m_listener.engine();
        const handTrackingData h = m_listener.engine().getHandData();
        for (int f = 0; f < 4; ++f)
            if (g.isGestureFired(f))
                return h.thumbTipDistance[f];
        return -1.0f;
    }

    void traceFrame(FILE* trace, double t, size_t firstNew)
    {
        VelmoGestures& g = m_listener.engine();
        const handTrackingData h = m_listener.engine().getHandData();
        std::fprintf(trace,
            "%7.3f hands %d ext %d%d%d%d%d fist %d tt %5.1f %5.1f %5.1f %5.1f th %5.1f %5.1f %5.1f %5.1f "
            "pt %5.1f %5.1f %5.1f %5.1f mv %5.1f st %d%d%d%d tp %.2f\n",
            t, h.handsCount, h.extendedFingers[0], h.extendedFingers[1], h.extendedFingers[2], h.extendedFingers[3],
            h.extendedFingers[4], h.fist, h.thumbTipDistance[0], h.thumbTipDistance[1], h.thumbTipDistance[2],
            h.thumbTipDistance[3], g.pinches().distanceThreshold(0), g.pinches().distanceThreshold(1), g.pinches().distanceThreshold(2),
            g.pinches().distanceThreshold(3), h.palmTipDistance[0], h.palmTipDistance[1], h.palmTipDistance[2],
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
    EvalSink m_sink;
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
