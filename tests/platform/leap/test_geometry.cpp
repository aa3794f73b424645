// The kinematic hand and the simulator's timeline: the features the engine measures on a hand
// must come out as on a real one.

#include "LeapHandBuilder.h"
#include "LeapVector.h"
#include "Player.h"
#include "Script.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

using Leap::HandBuilder;
using Leap::HandPose;
using Leap::RawFinger;
using Leap::RawHand;
using Leap::Vector;

namespace {

Vector boneDir(const RawFinger& f, int b) { return (f.joints[b + 1] - f.joints[b]).normalized(); }

// The engine's extension value: thumb from its last three bones, other fingers metacarpal to distal.
float extension(const RawFinger& f)
{
    if (f.type == 0)
        return 0.5f * (boneDir(f, 2).dot(boneDir(f, 3)) + boneDir(f, 1).dot(boneDir(f, 3)));
    return boneDir(f, 0).dot(boneDir(f, 3));
}

float tipGap(const RawHand& h, int a, int b) { return h.fingers[a].joints[4].distanceTo(h.fingers[b].joints[4]); }

} // namespace

TEST(VectorAngle, FollowsTheClampedRule)
{
    EXPECT_FLOAT_EQ(Vector(1, 0, 0).angleTo(Vector(0, 1, 0)), Leap::PI / 2);
    EXPECT_FLOAT_EQ(Vector(0, 0, 2).angleTo(Vector(0, 0, -3)), Leap::PI);
    EXPECT_FLOAT_EQ(Vector(0, 3, 0).angleTo(Vector(0, 0.5f, 0)), 0.0f);
    // Squared lengths multiplying to at most 1.1920929e-07 give 0 whatever the directions.
    EXPECT_FLOAT_EQ(Vector(0.01f, 0, 0).angleTo(Vector(-0.01f, 0, 0)), 0.0f);
    EXPECT_FLOAT_EQ(Vector().angleTo(Vector(1, 0, 0)), 0.0f);
    EXPECT_NEAR(Vector(1, 1, 0).angleTo(Vector(1, 0, 0)), Leap::PI / 4, 1e-6);
}

TEST(HandBuilder, StraightFingersGiveOneAndRightAnglesZero)
{
    const RawHand open = HandBuilder::openHand(Vector(0, 200, 0));
    for (const RawFinger& f : open.fingers)
        EXPECT_NEAR(extension(f), 1.0f, 0.01f) << "finger " << f.type;

    // 90 degrees spread over the three joints of each finger.
    HandPose bent;
    for (int t = 1; t < 5; ++t)
        bent.curl[t] = 90.0f / 260.0f;
    const RawHand hand = HandBuilder::build(bent);
    for (int t = 1; t < 5; ++t)
        EXPECT_NEAR(extension(hand.fingers[t]), 0.0f, 0.05f) << "finger " << t;
}

TEST(HandBuilder, BonesHaveRealisticFixedLengths)
{
    const RawHand fist = HandBuilder::fist(Vector(30, 150, 20), false);
    for (const RawFinger& f : fist.fingers) {
        for (int b = 0; b < 4; ++b)
            EXPECT_NEAR(f.joints[b].distanceTo(f.joints[b + 1]), HandBuilder::boneLength(f.type, b), 0.01f);
    }
    EXPECT_EQ(HandBuilder::boneLength(0, 0), 0.0f); // the thumb's metacarpal
    const float index = HandBuilder::boneLength(1, 2) + HandBuilder::boneLength(1, 3);
    EXPECT_GT(index, 30.0f);
    EXPECT_LT(index, 50.0f);
}

TEST(HandBuilder, FistFoldsEveryFingerAndPointingOnlyTheLastThree)
{
    for (bool right : {true, false}) {
        const RawHand fist = HandBuilder::fist(Vector(0, 200, 0), right);
        for (const RawFinger& f : fist.fingers)
            EXPECT_LT(extension(f), 0.0f) << "finger " << f.type;
        // Curled fingertips come close to the palm.
        for (int t = 1; t < 5; ++t)
            EXPECT_LT(fist.fingers[t].joints[4].distanceTo(fist.palmPosition), 45.0f);

        const RawHand pointing = HandBuilder::pointing(Vector(0, 200, 0), right);
        EXPECT_GT(extension(pointing.fingers[1]), 0.75f);
        for (int t = 2; t < 5; ++t)
            EXPECT_LT(extension(pointing.fingers[t]), 0.0f);
    }
}

TEST(HandBuilder, PinchBringsTheTipsWithinAFewMillimetres)
{
    for (bool right : {true, false}) {
        const RawHand open = HandBuilder::openHand(Vector(0, 200, 0), right);
        for (int k = 1; k < 5; ++k) {
            EXPECT_GT(tipGap(open, 0, k), 60.0f);
            const RawHand half = HandBuilder::pinch(k, Vector(0, 200, 0), right, 0.5f);
            const RawHand closed = HandBuilder::pinch(k, Vector(0, 200, 0), right, 1.0f);
            EXPECT_LT(tipGap(closed, 0, k), 4.0f) << "finger " << k;
            EXPECT_LT(tipGap(half, 0, k), tipGap(open, 0, k));
            EXPECT_GT(tipGap(half, 0, k), tipGap(closed, 0, k));
            // The other fingers stay out of the pinch and extended.
            for (int other = 1; other < 5; ++other) {
                if (other == k)
                    continue;
                EXPECT_GT(tipGap(closed, 0, other), 40.0f);
                EXPECT_GT(extension(closed.fingers[other]), 0.75f);
            }
            // The thumb keeps its bone lengths while it reaches.
            for (int b = 1; b < 4; ++b)
                EXPECT_NEAR(closed.fingers[0].joints[b].distanceTo(closed.fingers[0].joints[b + 1]),
                    HandBuilder::boneLength(0, b), 0.05f);
        }
    }
}

TEST(HandBuilder, SidesMirrorAndThePoseFollowsThePalm)
{
    const RawHand right = HandBuilder::openHand(Vector(0, 200, 0), true);
    const RawHand left = HandBuilder::openHand(Vector(0, 200, 0), false);
    // Palm down over the device: a right thumb points to -x, a left one to +x.
    EXPECT_LT(right.fingers[0].joints[4].x, right.fingers[4].joints[4].x);
    EXPECT_GT(left.fingers[0].joints[4].x, left.fingers[4].joints[4].x);
    EXPECT_TRUE(right.isRight);
    EXPECT_FALSE(left.isRight);
    for (int t = 0; t < 5; ++t)
        EXPECT_EQ(right.fingers[t].type, t);

    const RawHand moved = HandBuilder::openHand(Vector(50, 250, -30), true);
    for (int t = 0; t < 5; ++t) {
        const Vector shift = moved.fingers[t].joints[4] - right.fingers[t].joints[4];
        EXPECT_NEAR(shift.x, 50.0f, 1e-3f);
        EXPECT_NEAR(shift.y, 50.0f, 1e-3f);
        EXPECT_NEAR(shift.z, -30.0f, 1e-3f);
    }
    // Fingers point along the hand's direction.
    EXPECT_GT(boneDir(right.fingers[2], 3).dot(right.direction), 0.99f);
}

TEST(Script, ParsesEveryStepAndReportsTheLineOfAnError)
{
    handsim::Script s;
    std::string error;
    ASSERT_TRUE(handsim::parseScript("# comment\n\nhand left at 1 2 3\nsecond hand\nmove by 10 0 0 over 250ms\n"
                                     "pinch ring over 0.1s\nspread\ncurl middle pinky\nextend all over 1\n"
                                     "fist\nopen\ncircle ccw radius 30 turns 2.5 over 3s\nunplug\nplug\n"
                                     "embedded on\nconfig interaction_box_auto on\nremove second\nremove\nwait 2s\n",
        s, error))
        << error;
    ASSERT_EQ(s.steps.size(), 17u);
    EXPECT_EQ(s.steps[0].kind, handsim::StepKind::Hand);
    EXPECT_FALSE(s.steps[0].isRight);
    EXPECT_EQ(s.steps[0].vector, Vector(1, 2, 3));
    EXPECT_FALSE(s.steps[1].sideGiven);
    EXPECT_DOUBLE_EQ(s.steps[2].duration, 0.25);
    EXPECT_EQ(s.steps[3].finger, 3);
    EXPECT_EQ(s.steps[5].fingers, (std::vector<int>{2, 4}));
    EXPECT_EQ(s.steps[6].fingers.size(), 5u);
    EXPECT_FALSE(s.steps[9].clockwise);
    EXPECT_FLOAT_EQ(s.steps[9].radius, 30.0f);
    EXPECT_FLOAT_EQ(s.steps[9].turns, 2.5f);
    EXPECT_DOUBLE_EQ(s.steps[9].duration, 3.0);
    EXPECT_EQ(s.steps[13].key, "interaction_box_auto");

    const char* bad[] = {"hand up", "move to 1 2", "pinch thumb", "circle sideways", "wait", "wait -1s",
        "fly away", "curl index over", "circle cw radius 500", "embedded maybe", "move to 1 2 nan"};
    for (const char* line : bad) {
        EXPECT_FALSE(handsim::parseScript(std::string("wait 1s\n") + line + "\n", s, error)) << line;
        EXPECT_EQ(error.rfind("line 2:", 0), 0u) << error;
    }
}

TEST(Script, ShippedScenariosParse)
{
    const char* src = std::getenv("VELMO_SOURCE_DIR");
    ASSERT_NE(src, nullptr);
    for (const char* name : {"demo.txt", "pinches.txt", "circles.txt", "two-hands.txt"}) {
        handsim::Script s;
        std::string error;
        EXPECT_TRUE(handsim::loadScript(std::string(src) + "/tools/scenarios/" + name, s, error)) << name << ": " << error;
        EXPECT_GT(s.duration(), 1.0) << name;
    }
}

TEST(Player, FramesAtTheRateAndTheDeviceFollowsTheScript)
{
    handsim::Script s;
    std::string error;
    ASSERT_TRUE(handsim::parseScript("hand right\nwait 0.5s\nunplug\nwait 0.5s\nembedded on\nplug\nwait 0.5s\nremove\n"
                                     "wait 0.1s\n", s, error));
    handsim::Player player(s, 60.0f);
    std::vector<handsim::Output> out;
    std::vector<int64_t> frameTimes;
    std::vector<handsim::Output> devices;
    int k = 0;
    while (!player.finished() && k < 1000) {
        out.clear();
        player.tick(k / 60.0, out);
        for (const auto& o : out) {
            if (o.kind == handsim::Output::Kind::Frame) {
                frameTimes.push_back(o.frame.timestamp);
                // The hand shows until it is removed at 1.5 s.
                EXPECT_EQ(o.frame.hands.size(), o.time < handsim::Player::CLOCK_START_US + 1500000 ? 1u : 0u);
            } else if (o.kind == handsim::Output::Kind::Device) {
                devices.push_back(o);
            }
        }
        ++k;
    }
    ASSERT_TRUE(player.finished());
    // Unplugged from 0.5 s to 1.0 s: no frames in between.
    for (int64_t t : frameTimes)
        EXPECT_FALSE(t > handsim::Player::CLOCK_START_US + 500000 && t < handsim::Player::CLOCK_START_US + 1000000) << t;
    for (size_t i = 1; i < frameTimes.size(); ++i) {
        const int64_t d = frameTimes[i] - frameTimes[i - 1];
        EXPECT_TRUE(std::llabs(d - 16667) <= 1 || d > 400000) << d;
    }
    ASSERT_EQ(devices.size(), 3u);
    EXPECT_FALSE(devices[0].device.attached);
    EXPECT_TRUE(devices[1].device.embedded);
    EXPECT_FALSE(devices[1].device.attached);
    EXPECT_TRUE(devices[2].device.attached);
}

TEST(Player, PinchAndSpreadMoveTheThumbAtTheScriptedSpeed)
{
    handsim::Script s;
    std::string error;
    ASSERT_TRUE(handsim::parseScript("hand right\npinch middle over 0.2s\nwait 0.1s\nspread over 0.4s\n", s, error));
    handsim::Player player(s, 100.0f);
    std::vector<float> gaps;
    std::vector<handsim::Output> out;
    for (int k = 0; !player.finished(); ++k) {
        out.clear();
        player.tick(k / 100.0, out);
        for (const auto& o : out)
            if (o.kind == handsim::Output::Kind::Frame && !o.frame.hands.empty())
                gaps.push_back(tipGap(o.frame.hands[0], 0, 2));
    }
    ASSERT_GE(gaps.size(), 70u);
    EXPECT_GT(gaps.front(), 60.0f);
    // Closed at 0.2 s, open again from 0.3 s to 0.7 s; closing is twice as fast as opening.
    EXPECT_LT(gaps[20], 4.0f);
    EXPECT_LT(gaps[29], 4.0f);
    EXPECT_GT(gaps.back(), 60.0f);
    const float closing = gaps[5] - gaps[15];
    const float opening = gaps[60] - gaps[40];
    ASSERT_GT(closing, 0.0f);
    ASSERT_GT(opening, 0.0f);
    const float speedRatio = (closing / 10.0f) / (opening / 20.0f);
    EXPECT_GT(speedRatio, 1.6f);
    EXPECT_LT(speedRatio, 2.5f);
}
