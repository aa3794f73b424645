// Forefinger circles from the simulator's scripted hand, through the controller's recogniser.

#include "Leap.h"
#include "LeapCircleRecognizer.h"
#include "LeapHandBuilder.h"
#include "LeapTestDriver.h"
#include "Player.h"
#include "TrackingSupport.h"

#include <gtest/gtest.h>

#include <cmath>

using tracking_test::RecordingListener;

namespace {

struct Seen {
    int frames = 0;
    std::vector<Leap::CircleGesture> circles;
    std::vector<Leap::Frame> circleFrames;
};

// Plays a script through the simulator's player into a controller and collects the circles.
Seen play(const std::string& text, bool enable = true, float fps = 120.0f)
{
    handsim::Script script;
    std::string error;
    EXPECT_TRUE(handsim::parseScript(text, script, error)) << error;
    RecordingListener listener;
    listener.enableCircles = enable;
    Leap::Controller controller("");
    Leap::TestDriver driver(controller);
    controller.addListener(listener);
    driver.plugDevice(false, fps);
    handsim::Player player(script, fps);
    std::vector<handsim::Output> out;
    for (int k = 0; !player.finished() && k < 100000; ++k) {
        out.clear();
        player.tick(k / static_cast<double>(fps), out);
        for (const handsim::Output& o : out)
            if (o.kind == handsim::Output::Kind::Frame)
                driver.pushFrame(o.frame);
    }
    driver.sync();
    Seen seen;
    for (const Leap::Frame& f : listener.framesCopy()) {
        ++seen.frames;
        for (const Leap::Gesture g : f.gestures()) {
            EXPECT_EQ(g.type(), Leap::Gesture::TYPE_CIRCLE);
            seen.circles.emplace_back(g);
            seen.circleFrames.push_back(f);
        }
    }
    controller.removeListener(listener);
    return seen;
}

// The rule the engine applies: clockwise when the pointing direction is within 45 degrees of the normal.
bool clockwise(const Leap::CircleGesture& c) { return c.pointable().direction().angleTo(c.normal()) <= Leap::PI / 4; }

void expectOneCircle(const Seen& seen, bool cw, float turns, float radius)
{
    ASSERT_GE(seen.circles.size(), 20u);
    const int id = seen.circles.front().id();
    EXPECT_EQ(seen.circles.front().state(), Leap::Gesture::STATE_START);
    EXPECT_EQ(seen.circles.back().state(), Leap::Gesture::STATE_STOP);
    // Progress counts from where the circle began, so it starts at the half turn it took to see it.
    EXPECT_GE(seen.circles.front().progress(), 0.5f);
    EXPECT_LT(seen.circles.front().progress(), 0.8f);
    float last = 0.0f;
    int64_t lastDuration = -1;
    for (size_t i = 0; i < seen.circles.size(); ++i) {
        const Leap::CircleGesture& c = seen.circles[i];
        EXPECT_EQ(c.id(), id);
        EXPECT_EQ(clockwise(c), cw) << "progress " << c.progress();
        EXPECT_GE(c.progress(), last);
        EXPECT_GT(c.duration(), lastDuration);
        last = c.progress();
        lastDuration = c.duration();
        EXPECT_NEAR(c.radius(), radius, radius * 0.25f);
        EXPECT_NEAR(c.normal().magnitude(), 1.0f, 1e-4f);
        // The pointable is the forefinger of the circling hand.
        const Leap::Hand hand = seen.circleFrames[i].hands()[0];
        EXPECT_EQ(c.pointable().tipPosition(), hand.fingers()[1].bone(3).nextJoint());
        EXPECT_TRUE(c.pointable().isValid());
    }
    EXPECT_NEAR(last, turns, 0.15f);
}

const char* kPointing = "hand right\ncurl middle ring pinky over 0.3s\nwait 0.3s\n";
const char* kPointingLeft = "hand left at 20 220 -10\ncurl middle ring pinky thumb over 0.3s\nwait 0.3s\n";

} // namespace

TEST(CircleRecognition, ClockwiseCircleOfARightHand)
{
    const Seen seen = play(std::string(kPointing) + "circle cw radius 25 turns 2 over 2s\nwait 0.5s\n");
    expectOneCircle(seen, true, 2.0f, 25.0f);
}

TEST(CircleRecognition, CounterClockwiseCircleOfARightHand)
{
    const Seen seen = play(std::string(kPointing) + "circle ccw radius 20 turns 3 over 2.4s\nwait 0.5s\n");
    expectOneCircle(seen, false, 3.0f, 20.0f);
}

TEST(CircleRecognition, LeftHandBothWaysAndABigCircleWithThePalm)
{
    expectOneCircle(play(std::string(kPointingLeft) + "circle cw radius 15 turns 1.5 over 1.5s\nwait 0.5s\n"), true, 1.5f, 15.0f);
    expectOneCircle(play(std::string(kPointingLeft) + "circle ccw radius 15 turns 1.5 over 1.5s\nwait 0.5s\n"), false, 1.5f, 15.0f);
    expectOneCircle(play(std::string(kPointing) + "circle cw radius 60 turns 1.25 over 1.5s\nwait 0.5s\n"), true, 1.25f, 60.0f);
}

TEST(CircleRecognition, TwoCirclesInARowAreTwoGestures)
{
    const Seen seen = play(std::string(kPointing) + "circle cw radius 25 turns 1 over 1s\nwait 0.5s\n"
                                                    "circle ccw radius 25 turns 1 over 1s\nwait 0.5s\n");
    ASSERT_FALSE(seen.circles.empty());
    const int first = seen.circles.front().id();
    int second = -1;
    for (const auto& c : seen.circles) {
        if (c.id() != first) {
            second = c.id();
            EXPECT_FALSE(clockwise(c));
        } else {
            EXPECT_TRUE(clockwise(c));
        }
    }
    EXPECT_NE(second, -1);
}

TEST(CircleRecognition, NoCircleUnlessEnabled)
{
    const Seen seen = play(std::string(kPointing) + "circle cw radius 25 turns 2 over 2s\n", false);
    EXPECT_GT(seen.frames, 200);
    EXPECT_TRUE(seen.circles.empty());
}

TEST(CircleRecognition, OtherHandMovementsAreNoCircles)
{
    const Seen seen = play("hand right at -80 190 0\nwait 0.3s\nmove to 80 210 -10 over 1.5s\nmove by 0 40 0 over 0.5s\n"
                           "pinch index over 0.15s\nwait 0.3s\nspread over 0.2s\npinch middle\nspread\npinch ring\n"
                           "spread\npinch pinky over 0.5s\nspread over 0.5s\ncurl all over 0.3s\nextend all over 0.3s\n"
                           "fist over 0.3s\nwait 0.3s\nopen over 0.3s\ncurl index over 1s\nextend index over 1s\n"
                           "second hand\nwait 0.3s\nremove\nwait 0.3s\n");
    EXPECT_GT(seen.frames, 1000);
    for (const auto& c : seen.circles)
        ADD_FAILURE() << "circle at " << c.duration() << " us, progress " << c.progress() << ", radius " << c.radius();
}

// A service whose timestamps crawl (1 us apart) keeps the tip's path bounded, and a circle drawn
// at a normal rate afterwards is still recognised.
TEST(CircleRecognition, PathBoundedByCountWhenTimestampsCrawl)
{
    using Leap::detail::CircleRecognizer;
    CircleRecognizer recognizer;
    std::vector<Leap::detail::HandData> hands(1);
    // A pointing hand whose palm (and so the tip) runs round a 30 mm circle, one turn a second.
    auto at = [&](double turns) {
        const double a = 2.0 * Leap::PI * turns;
        hands[0].raw = Leap::HandBuilder::pointing(
            Leap::Vector(static_cast<float>(30.0 * std::cos(a)), 200.0f, static_cast<float>(30.0 * std::sin(a))));
    };
    int64_t t = 1000000;
    for (int k = 0; k < 50000; ++k) {
        at(k / 120.0);
        recognizer.update(hands, t += 1);
        ASSERT_LE(recognizer.pathLength(1), CircleRecognizer::MAX_SAMPLES);
    }
    EXPECT_EQ(recognizer.pathLength(1), CircleRecognizer::MAX_SAMPLES);
    int starts = 0;
    for (int k = 0; k < 240; ++k) {
        at(k / 120.0);
        for (const Leap::detail::GestureData& g : recognizer.update(hands, t += 8333))
            starts += g.state == Leap::Gesture::STATE_START;
    }
    EXPECT_EQ(starts, 1);
    EXPECT_LE(recognizer.pathLength(1), CircleRecognizer::MAX_SAMPLES);
}
