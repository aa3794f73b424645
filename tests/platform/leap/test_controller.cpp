// The controller's contract with its listeners, driven in-process through the test driver.

#include "Leap.h"
#include "LeapHandBuilder.h"
#include "LeapTestDriver.h"
#include "TrackingSupport.h"

#include <QAbstractEventDispatcher>
#include <QTimer>

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <thread>

using Leap::Controller;
using Leap::HandBuilder;
using Leap::TestDriver;
using Leap::Vector;
using tracking_test::RecordingListener;
using tracking_test::waitFor;

namespace {

constexpr int64_t kStep = 10000; // 100 frames a second

// Owns an object made in onInit, like the engine's action manager with its timers.
class TimerListener : public RecordingListener {
public:
    void onInit(const Controller& c) override
    {
        RecordingListener::onInit(c);
        timer = new QTimer;
        QObject::connect(timer, &QTimer::timeout, [this] { ticks++; });
        timer->start(1);
        initThread = QThread::currentThread();
        hadDispatcher = QAbstractEventDispatcher::instance() != nullptr;
        initDone = true;
    }
    void onExit(const Controller& c) override
    {
        exitThread = QThread::currentThread();
        delete timer;
        timer = nullptr;
        RecordingListener::onExit(c);
    }
    QTimer* timer = nullptr;
    std::atomic<int> ticks{0};
    std::atomic<bool> initDone{false};
    QThread* initThread = nullptr;
    QThread* exitThread = nullptr;
    bool hadDispatcher = false;
};

} // namespace

TEST(ControllerContract, InitCompletesOnTheCallbackThreadBeforeAddReturns)
{
    TimerListener listener;
    Controller controller("");
    EXPECT_TRUE(controller.addListener(listener));
    EXPECT_TRUE(listener.initDone);
    EXPECT_NE(listener.initThread, QThread::currentThread());
    EXPECT_TRUE(listener.hadDispatcher);
    EXPECT_FALSE(controller.addListener(listener));
    // The thread that ran onInit runs an event loop: a timer made there fires.
    EXPECT_TRUE(waitFor([&] { return listener.ticks >= 3; }));

    TestDriver driver(controller);
    driver.plugDevice();
    driver.pushHand(HandBuilder::openHand(Vector(0, 200, 0)), kStep);
    driver.unplugDevice();
    driver.sync();
    EXPECT_TRUE(controller.removeListener(listener));
    EXPECT_FALSE(controller.removeListener(listener));
    EXPECT_EQ(listener.exitThread, listener.initThread);
    EXPECT_EQ(listener.sequence(), "init connect frame disconnect exit");
    for (const auto& call : listener.callsCopy())
        EXPECT_EQ(call.thread, listener.initThread) << call.name;
}

TEST(ControllerContract, ListenerAddedWhileConnectedHearsConnectAfterInit)
{
    RecordingListener listener;
    Controller controller("");
    TestDriver driver(controller);
    driver.plugDevice(false, 90.0f);
    driver.sync();
    EXPECT_TRUE(controller.isConnected());
    controller.addListener(listener);
    driver.pushHand(HandBuilder::openHand(Vector(0, 200, 0)), kStep);
    driver.sync();
    EXPECT_EQ(listener.sequence(), "init connect frame");
    // The destructor removes what is still added.
}

TEST(ControllerContract, NoCallbackOverlapsAndNoneFollowsRemove)
{
    RecordingListener a, b;
    Controller controller("");
    TestDriver driver(controller);
    std::atomic<bool> removed{false};
    std::atomic<int> afterRemove{0};
    a.frameHook = [&](const Controller& c, const Leap::Frame&) {
        if (removed)
            afterRemove++;
        // Calls back into the controller from inside a callback.
        (void)c.frame(5);
        (void)c.devices();
        (void)c.config().getBool("interaction_box_auto");
        c.setPolicyFlags(c.policyFlags() | Controller::POLICY_BACKGROUND_FRAMES);
        c.enableGesture(Leap::Gesture::TYPE_CIRCLE, true);
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    };
    controller.addListener(a);
    controller.addListener(b);
    driver.plugDevice();
    driver.sync();

    // Another thread feeds frames without pause while this one removes the listener.
    std::atomic<bool> stop{false};
    std::thread feeder([&] {
        TestDriver feed(controller);
        int64_t t = kStep;
        while (!stop) {
            feed.pushHand(HandBuilder::openHand(Vector(0, 200, 0)), t);
            t += kStep;
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
    });
    // Other threads read the shared state meanwhile.
    std::thread reader([&] {
        while (!stop) {
            (void)controller.isConnected();
            (void)controller.devices().count();
            (void)controller.policyFlags();
            (void)controller.frame(0).timestamp();
        }
    });
    ASSERT_TRUE(waitFor([&] { return a.frameCount > 20; }));
    EXPECT_TRUE(controller.removeListener(a));
    removed = true;
    const int framesAtRemove = a.frameCount;
    ASSERT_TRUE(waitFor([&] { return b.frameCount > framesAtRemove + 40; }));
    stop = true;
    feeder.join();
    reader.join();
    driver.sync();

    EXPECT_EQ(afterRemove, 0);
    EXPECT_EQ(a.frameCount, framesAtRemove);
    EXPECT_EQ(a.overlaps, 0);
    EXPECT_EQ(b.overlaps, 0);
    const auto calls = a.callsCopy();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().name, "exit");
}

TEST(ControllerContract, RemoveWaitsForTheCallbackInFlight)
{
    RecordingListener listener;
    Controller controller("");
    TestDriver driver(controller);
    std::atomic<bool> inFrame{false};
    std::atomic<bool> frameFinished{false};
    std::atomic<bool> release{false};
    listener.frameHook = [&](const Controller&, const Leap::Frame&) {
        inFrame = true;
        while (!release)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        frameFinished = true;
    };
    controller.addListener(listener);
    driver.plugDevice();
    driver.pushHand(HandBuilder::openHand(Vector(0, 200, 0)), kStep);
    ASSERT_TRUE(waitFor([&] { return inFrame.load(); }));
    std::atomic<bool> removeReturned{false};
    std::thread remover([&] {
        controller.removeListener(listener);
        removeReturned = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(removeReturned);
    release = true;
    remover.join();
    EXPECT_TRUE(frameFinished);
    EXPECT_EQ(listener.sequence(), "init connect frame exit");
}

TEST(ControllerContract, FramesFlowOnlyWithTheBackgroundPolicy)
{
    struct Quiet : RecordingListener {
        void onConnect(const Controller&) override {}
    } listener;
    Controller controller("");
    TestDriver driver(controller);
    controller.addListener(listener);
    driver.plugDevice();
    driver.pushHand(HandBuilder::openHand(Vector(0, 200, 0)), kStep);
    driver.sync();
    EXPECT_EQ(listener.frameCount, 0);
    EXPECT_FALSE(controller.frame(0).isValid());
    controller.setPolicyFlags(7);
    EXPECT_EQ(controller.policyFlags(), 7);
    driver.pushHand(HandBuilder::openHand(Vector(0, 200, 0)), 2 * kStep);
    driver.sync();
    EXPECT_EQ(listener.frameCount, 1);
}

TEST(ControllerContract, HistoryKeepsSixtyFramesAndFrameZeroIsTheOneDelivered)
{
    RecordingListener listener;
    Controller controller("");
    TestDriver driver(controller);
    std::atomic<int> mismatches{0};
    listener.frameHook = [&](const Controller& c, const Leap::Frame& f) {
        if (c.frame(0).timestamp() != f.timestamp() || c.frame(1).timestamp() >= f.timestamp())
            mismatches++;
    };
    controller.addListener(listener);
    driver.plugDevice();
    for (int i = 1; i <= 100; ++i)
        driver.pushHand(HandBuilder::openHand(Vector(0, 200, 0)), i * kStep);
    driver.sync();
    EXPECT_EQ(mismatches, 0);
    for (int n = 0; n < 60; ++n) {
        const Leap::Frame f = controller.frame(n);
        ASSERT_TRUE(f.isValid()) << n;
        EXPECT_EQ(f.timestamp(), (100 - n) * kStep);
    }
    EXPECT_FALSE(controller.frame(60).isValid());
    EXPECT_FALSE(controller.frame(-1).isValid());
    EXPECT_TRUE(controller.frame(60).hands().isEmpty());
    // A frame handed out stays readable after it left the history.
    const Leap::Frame old = listener.framesCopy().front();
    EXPECT_TRUE(old.isValid());
    EXPECT_EQ(old.hands().count(), 1);
    // Disconnecting forgets the history.
    driver.unplugDevice();
    driver.sync();
    EXPECT_FALSE(controller.frame(0).isValid());
}

TEST(ControllerContract, DeviceListAtDisconnectTellsEmbeddedFromExternal)
{
    RecordingListener listener;
    Controller controller("");
    TestDriver driver(controller);
    controller.addListener(listener);
    EXPECT_FALSE(controller.isConnected());
    EXPECT_TRUE(controller.devices().isEmpty());

    driver.plugDevice(true);
    driver.sync();
    EXPECT_TRUE(controller.isConnected());
    ASSERT_EQ(controller.devices().count(), 1);
    EXPECT_TRUE(controller.devices()[0].isEmbedded());
    driver.unplugDevice();
    // A built-in device that is switched off stays listed.
    driver.pushMessage(R"({"v":1,"type":"device","t":5,"attached":false,"embedded":true,"fps":120})");
    driver.sync();
    EXPECT_FALSE(controller.isConnected());

    driver.plugDevice(false);
    driver.sync();
    EXPECT_EQ(listener.connects, 2);
    driver.unplugDevice();
    driver.sync();
    EXPECT_EQ(listener.disconnects, 2);
    EXPECT_FALSE(listener.embeddedAtDisconnect);
    EXPECT_TRUE(controller.devices().isEmpty());

    // The service going away disconnects a connected device, once.
    driver.plugDevice(true);
    driver.stopService();
    driver.stopService();
    driver.sync();
    EXPECT_EQ(listener.disconnects, 3);
    EXPECT_EQ(listener.serviceDowns, 1);
    EXPECT_FALSE(controller.isServiceConnected());
}

TEST(ControllerContract, EmbeddedFlagIsReadInsideOnDisconnect)
{
    RecordingListener listener;
    Controller controller("");
    TestDriver driver(controller);
    controller.addListener(listener);
    driver.plugDevice(true);
    driver.pushMessage(R"({"v":1,"type":"device","t":5,"attached":false,"embedded":true,"fps":120})");
    driver.sync();
    EXPECT_EQ(listener.disconnects, 1);
    EXPECT_TRUE(listener.embeddedAtDisconnect);
}

TEST(FrameData, RateStartsAtTheNominalRateAndFollowsTimestamps)
{
    RecordingListener listener;
    Controller controller("");
    TestDriver driver(controller);
    controller.addListener(listener);
    driver.plugDevice(false, 90.0f);
    driver.pushHand(HandBuilder::openHand(Vector(0, 200, 0)), 5000000);
    driver.sync();
    EXPECT_FLOAT_EQ(controller.frame(0).currentFramesPerSecond(), 90.0f);
    // 50 frames a second; a repeated timestamp and a long gap change nothing.
    int64_t t = 5000000;
    for (int i = 0; i < 60; ++i)
        driver.pushHand(HandBuilder::openHand(Vector(0, 200, 0)), t += 20000);
    driver.sync();
    EXPECT_NEAR(controller.frame(0).currentFramesPerSecond(), 50.0f, 0.5f);
    driver.pushHand(HandBuilder::openHand(Vector(0, 200, 0)), t);
    driver.pushHand(HandBuilder::openHand(Vector(0, 200, 0)), t += 3000000);
    driver.sync();
    EXPECT_NEAR(controller.frame(0).currentFramesPerSecond(), 50.0f, 0.5f);
    for (const Leap::Frame& f : listener.framesCopy()) {
        EXPECT_GE(f.currentFramesPerSecond(), 49.0f);
        EXPECT_LE(f.currentFramesPerSecond(), 90.0f);
    }
    // A new connection starts again from the device's rate.
    driver.unplugDevice();
    driver.plugDevice(false, 120.0f);
    driver.pushHand(HandBuilder::openHand(Vector(0, 200, 0)), t + 20000);
    driver.sync();
    EXPECT_FLOAT_EQ(controller.frame(0).currentFramesPerSecond(), 120.0f);
}

TEST(FrameData, StabilisedPalmHoldsStillOnJitterAndFollowsAMove)
{
    RecordingListener listener;
    Controller controller("");
    TestDriver driver(controller);
    controller.addListener(listener);
    driver.plugDevice();
    int64_t t = 0;
    // A resting hand with 1.5 mm of jitter.
    float rawSpread = 0.0f, stableSpread = 0.0f;
    float lastRaw = 0.0f, lastStable = 0.0f;
    for (int i = 0; i < 120; ++i) {
        const float x = (i % 2 ? 1.5f : -1.5f);
        driver.pushHand(HandBuilder::openHand(Vector(x, 200, 0)), t += kStep);
        driver.sync();
        const Leap::Hand h = controller.frame(0).hands()[0];
        if (i > 60) {
            rawSpread = std::max(rawSpread, std::fabs(h.palmPosition().x - lastRaw));
            stableSpread = std::max(stableSpread, std::fabs(h.stabilizedPalmPosition().x - lastStable));
        }
        lastRaw = h.palmPosition().x;
        lastStable = h.stabilizedPalmPosition().x;
    }
    EXPECT_FLOAT_EQ(rawSpread, 3.0f);
    EXPECT_LT(stableSpread, 0.3f);

    // A quick move of 100 mm: the stabilised palm lags, then arrives.
    for (int i = 1; i <= 10; ++i)
        driver.pushHand(HandBuilder::openHand(Vector(10.0f * i, 200, 0)), t += kStep);
    driver.sync();
    const float during = controller.frame(0).hands()[0].stabilizedPalmPosition().x;
    EXPECT_GT(during, 40.0f);
    EXPECT_LT(during, 100.0f);
    for (int i = 0; i < 100; ++i)
        driver.pushHand(HandBuilder::openHand(Vector(100, 200, 0)), t += kStep);
    driver.sync();
    EXPECT_NEAR(controller.frame(0).hands()[0].stabilizedPalmPosition().x, 100.0f, 1.0f);
    EXPECT_FLOAT_EQ(controller.frame(0).hands()[0].stabilizedPalmPosition().y, 200.0f);
}

TEST(FrameData, TranslationProbabilityTellsMovingFromResting)
{
    RecordingListener listener;
    Controller controller("");
    TestDriver driver(controller);
    controller.addListener(listener);
    driver.plugDevice();
    int64_t t = 0;
    for (int i = 0; i < 10; ++i)
        driver.pushHand(HandBuilder::openHand(Vector(0, 200, 0)), t += kStep);
    driver.sync();
    Leap::Hand h = controller.frame(0).hands()[0];
    EXPECT_LT(h.translationProbability(controller.frame(5)), 0.05f);
    // 300 mm/s.
    for (int i = 1; i <= 10; ++i)
        driver.pushHand(HandBuilder::openHand(Vector(3.0f * i, 200, 0)), t += kStep);
    driver.sync();
    h = controller.frame(0).hands()[0];
    const float p = h.translationProbability(controller.frame(5));
    EXPECT_GT(p, 0.95f);
    EXPECT_LE(p, 1.0f);
    // A hand that was not there then, or a frame no longer kept, gives no evidence of movement.
    EXPECT_FLOAT_EQ(h.translationProbability(Leap::Frame()), 0.0f);
    driver.pushHand(HandBuilder::openHand(Vector(0, 200, 0), true, 7), t += kStep);
    driver.sync();
    EXPECT_FLOAT_EQ(controller.frame(0).hands()[0].translationProbability(controller.frame(3)), 0.0f);
}

// Slow deliberate movement opens the gate (0.5) after a moment; a hand held still or turning in
// place never does.
TEST(FrameData, TranslationProbabilityFollowsSteadySlowMovementOnly)
{
    struct Row {
        const char* what;
        Vector velocity;  // mm/s
        float turn;       // radians per second about the palm
        bool moving;
    };
    const Row rows[] = {
        {"still", Vector(), 0.0f, false},
        {"turning in place", Vector(), 1.5f, false},
        {"5 mm/s sideways", Vector(5, 0, 0), 0.0f, true},
        {"5 mm/s toward the user", Vector(0, 0, 5), 0.0f, true},
        {"5 mm/s up while turning", Vector(0, 5, 0), 1.5f, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        RecordingListener listener;
        Controller controller("");
        TestDriver driver(controller);
        controller.addListener(listener);
        driver.plugDevice();
        int64_t t = 0;
        float lowest = 1.0f, highest = 0.0f;
        for (int i = 0; i < 200; ++i) {  // two seconds
            const float s = static_cast<float>(i) * kStep / 1e6f;
            Leap::HandPose pose;
            pose.palm = Vector(0, 200, 0) + row.velocity * s;
            pose.direction = Vector(std::sin(row.turn * s), 0, -std::cos(row.turn * s));
            driver.pushHand(HandBuilder::build(pose), t += kStep);
            driver.sync();
            if (i < 50)
                continue;  // the first half second: the movement is still being judged
            const float p = controller.frame(0).hands()[0].translationProbability(controller.frame(5));
            lowest = std::min(lowest, p);
            highest = std::max(highest, p);
        }
        if (row.moving)
            EXPECT_GT(lowest, 0.5f);
        else
            EXPECT_LT(highest, 0.05f);
    }
}

TEST(FrameData, InteractionBoxIsFixedUnlessConfiguredAutomatic)
{
    RecordingListener listener;
    Controller controller("");
    TestDriver driver(controller);
    controller.addListener(listener);
    driver.plugDevice();
    EXPECT_FALSE(controller.config().getBool("interaction_box_auto"));
    int64_t t = 0;
    for (int i = 0; i < 50; ++i)
        driver.pushHand(HandBuilder::openHand(Vector(0, 320, 0)), t += kStep);
    driver.sync();
    const Leap::InteractionBox fixed = controller.frame(0).interactionBox();
    const Leap::InteractionBox deflt;
    EXPECT_EQ(fixed.center(), deflt.center());
    EXPECT_FLOAT_EQ(fixed.width(), deflt.width());
    EXPECT_FLOAT_EQ(fixed.height(), deflt.height());
    EXPECT_FLOAT_EQ(fixed.depth(), deflt.depth());
    EXPECT_GT(deflt.width(), 0.0f);

    driver.setConfig("interaction_box_auto", true);
    for (int i = 0; i < 600; ++i)
        driver.pushHand(HandBuilder::openHand(Vector(0, 320, 0)), t += kStep);
    driver.sync();
    EXPECT_TRUE(controller.config().getBool("interaction_box_auto"));
    const Leap::InteractionBox follows = controller.frame(0).interactionBox();
    EXPECT_GT(follows.center().y, 300.0f);
    EXPECT_LE(follows.center().y, 320.0f);
    EXPECT_FLOAT_EQ(follows.height(), deflt.height());
    // Later frames do not change a box already handed out.
    EXPECT_EQ(fixed.center(), deflt.center());

    controller.config().setBool("interaction_box_auto", false);
    driver.pushHand(HandBuilder::openHand(Vector(0, 320, 0)), t += kStep);
    driver.sync();
    EXPECT_EQ(controller.frame(0).interactionBox().center(), deflt.center());
}

TEST(FrameData, HandsFingersAndBonesReadBackAsSent)
{
    RecordingListener listener;
    Controller controller("");
    TestDriver driver(controller);
    controller.addListener(listener);
    driver.plugDevice();
    Leap::RawFrame raw;
    raw.timestamp = 123456789;
    raw.hands.push_back(HandBuilder::pinch(2, Vector(10, 180, 5), false, 1.0f, 3));
    raw.hands.push_back(HandBuilder::fist(Vector(-150, 200, 0), true, 4));
    driver.pushFrame(raw);
    driver.sync();
    const Leap::Frame f = controller.frame(0);
    EXPECT_EQ(f.timestamp(), 123456789);
    ASSERT_EQ(f.hands().count(), 2);
    const Leap::Hand left = f.hands()[0];
    EXPECT_FALSE(left.isRight());
    EXPECT_EQ(left.id(), 3);
    EXPECT_EQ(left.palmPosition(), Vector(10, 180, 5));
    EXPECT_FLOAT_EQ(left.palmWidth(), raw.hands[0].palmWidth);
    ASSERT_EQ(left.fingers().count(), 5);
    int type = 0;
    for (const Leap::Finger finger : left.fingers()) {
        EXPECT_EQ(finger.type(), type);
        const Leap::Bone distal = finger.bone(Leap::Bone::TYPE_DISTAL);
        EXPECT_EQ(distal.nextJoint(), raw.hands[0].fingers[type].joints[4]);
        EXPECT_EQ(distal.center(), (raw.hands[0].fingers[type].joints[3] + distal.nextJoint()) * 0.5f);
        EXPECT_NEAR(distal.direction().magnitude(), 1.0f, 1e-5f);
        EXPECT_FALSE(finger.bone(4).isValid());
        ++type;
    }
    EXPECT_EQ(type, 5);
    const float pinchGap = left.fingers()[0].bone(3).nextJoint().distanceTo(left.fingers()[2].bone(3).nextJoint());
    EXPECT_LT(pinchGap, 4.0f);
    EXPECT_TRUE(f.hands()[1].isRight());
    EXPECT_FALSE(f.hands()[2].isValid());
    EXPECT_FALSE(left.fingers()[5].isValid());
    EXPECT_TRUE(f.gestures().isEmpty());
}

TEST(ControllerContract, ListenersMayRemoveAndAddFromInsideACallback)
{
    RecordingListener first, second;
    {
        Controller controller("");
        TestDriver driver(controller);
        int seen = 0;
        first.frameHook = [&](const Controller& c, const Leap::Frame&) {
            if (++seen == 2) {
                auto& mutableController = const_cast<Controller&>(c);
                EXPECT_TRUE(mutableController.removeListener(first));
                EXPECT_TRUE(mutableController.addListener(second));
            }
        };
        controller.addListener(first);
        driver.plugDevice();
        for (int i = 1; i <= 5; ++i)
            driver.pushHand(HandBuilder::openHand(Vector(0, 200, 0)), i * kStep);
        driver.sync();
        EXPECT_EQ(first.frameCount, 2);
        EXPECT_EQ(first.sequence(), "init connect frame exit");
        EXPECT_EQ(second.frameCount, 3);
        // Destroying the controller removes the listener still added.
    }
    EXPECT_EQ(second.sequence(), "init connect frame exit");
}

TEST(ControllerContract, ServicePathIsFixedPerUser)
{
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    const std::string saved = old ? old : "";
    setenv("XDG_RUNTIME_DIR", "/run/user/4242", 1);
    EXPECT_EQ(Controller::servicePath(), "/run/user/4242/velmo-tracking.sock");
    unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(Controller::servicePath(), "/tmp/velmo-" + std::to_string(getuid()) + "/velmo-tracking.sock");
    if (old)
        setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
}
