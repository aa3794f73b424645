#include <QCoreApplication>
#include <QSignalSpy>

#include <cmath>
#include <cstring>

#include "LeapProtocol.h"
#include "test_listener_harness.h"

namespace {

using Leap::HandBuilder;

// The features the recogniser depends on, compared field by field.
void expectSameHandFields(const handTrackingData& a, const handTrackingData& b) {
  EXPECT_EQ(0, std::memcmp(a.fingerIndex, b.fingerIndex, sizeof a.fingerIndex));
  EXPECT_EQ(0, std::memcmp(a.boneLengths, b.boneLengths, sizeof a.boneLengths));
  EXPECT_EQ(0, std::memcmp(a.extendedFingers, b.extendedFingers, sizeof a.extendedFingers));
  EXPECT_EQ(0, std::memcmp(a.extensionValues, b.extensionValues, sizeof a.extensionValues));
  EXPECT_EQ(a.extendedCount, b.extendedCount);
  EXPECT_EQ(a.extendedCountStrict, b.extendedCountStrict);
  EXPECT_EQ(a.fps, b.fps);
  EXPECT_EQ(a.isRight, b.isRight);
  EXPECT_EQ(a.timestamp, b.timestamp);
  EXPECT_EQ(a.fist, b.fist);
  EXPECT_EQ(a.circlePosture, b.circlePosture);
  EXPECT_EQ(0, std::memcmp(&a.interactionBox, &b.interactionBox, sizeof a.interactionBox));
  EXPECT_EQ(0, std::memcmp(a.palmPosition, b.palmPosition, sizeof a.palmPosition));
  EXPECT_EQ(0, std::memcmp(a.stabilizedPalmPosition, b.stabilizedPalmPosition,
                           sizeof a.stabilizedPalmPosition));
  EXPECT_EQ(0, std::memcmp(a.thumbTipDistance, b.thumbTipDistance, sizeof a.thumbTipDistance));
  EXPECT_EQ(0, std::memcmp(a.palmTipDistance, b.palmTipDistance, sizeof a.palmTipDistance));
  EXPECT_EQ(a.translationProbability, b.translationProbability);
  EXPECT_EQ(a.yaw, b.yaw);
  EXPECT_EQ(a.palmWidth, b.palmWidth);
}

float distance(const Leap::Vector& a, const Leap::Vector& b) { return a.distanceTo(b); }

using ListenerFeatures = ListenerFixture;

TEST_F(ListenerFeatures, OpenHandHasFiveExtendedFingersAndTheFramesGeometry) {
  Leap::RawHand raw = HandBuilder::openHand(palmAt(20, 210, -10));
  raw.palmWidth = 84.0f;
  const handTrackingData d = push(raw);
  const Leap::Frame frame = controller.frame(0);
  const Leap::Hand hand = frame.hands()[0];

  EXPECT_EQ(d.handsCount, 1);
  EXPECT_EQ(d.extendedCount, 5);
  EXPECT_EQ(d.extendedCountStrict, 5);
  for (int t = 0; t < 5; ++t) {
    EXPECT_EQ(d.extendedFingers[t], 1) << t;
    EXPECT_GT(d.extensionValues[t], 0.75f) << t;
    EXPECT_EQ(d.extensionValues[t], d.extensionValuesStrict[t]);
  }
  EXPECT_EQ(d.fist, 0);
  EXPECT_EQ(d.circlePosture, 0);
  EXPECT_EQ(d.isRight, 1);
  EXPECT_EQ(d.fps, frame.currentFramesPerSecond());
  EXPECT_EQ(d.palmWidth, 84.0f);

  // Finger indices name the list position of each type.
  const Leap::FingerList fingers = hand.fingers();
  for (int t = 0; t < 5; ++t) EXPECT_EQ(fingers[d.fingerIndex[t]].type(), t);

  for (int i = 0; i < 4; ++i) {
    const Leap::Finger f = fingers[d.fingerIndex[i + 1]];
    EXPECT_EQ(d.boneLengths[0][i], f.bone(3).length());
    EXPECT_EQ(d.boneLengths[1][i], f.bone(2).length());
    EXPECT_NEAR(d.boneLengths[0][i], HandBuilder::boneLength(i + 1, 3), 1e-3);
    const Leap::Vector tip = f.bone(3).nextJoint();
    EXPECT_EQ(d.palmTipDistance[i], distance(hand.stabilizedPalmPosition(), tip));
    EXPECT_EQ(d.thumbTipDistance[i], distance(fingers[d.fingerIndex[0]].bone(3).nextJoint(), tip));
    EXPECT_GT(d.thumbTipDistance[i], 30.0f);
  }

  EXPECT_EQ(d.palmPosition[0], static_cast<double>(hand.palmPosition().x));
  EXPECT_EQ(d.palmPosition[1], static_cast<double>(hand.palmPosition().y));
  EXPECT_EQ(d.palmPositionView[2], static_cast<double>(hand.palmPosition().z));
  EXPECT_EQ(d.stabilizedPalmPosition[1], static_cast<double>(hand.stabilizedPalmPosition().y));

  const Leap::InteractionBox box = frame.interactionBox();
  EXPECT_EQ(d.interactionBox.x, box.center().x);
  EXPECT_EQ(d.interactionBox.y, box.center().y);
  EXPECT_EQ(d.interactionBox.z, box.center().z);
  EXPECT_EQ(d.interactionBox.width, box.width());
  EXPECT_EQ(d.interactionBox.height, box.height());
  EXPECT_EQ(d.interactionBox.depth, box.depth());
}

TEST_F(ListenerFeatures, FistPinchAndPointingPostures) {
  handTrackingData d = push(HandBuilder::fist(palmAt()));
  EXPECT_EQ(d.fist, 1);
  EXPECT_LE(d.extendedCount, 1);
  EXPECT_EQ(d.extendedFingers[1], 0);

  d = push(HandBuilder::pinch(1, palmAt()));
  EXPECT_LT(d.thumbTipDistance[0], 5.0f);
  EXPECT_GT(d.thumbTipDistance[3], 20.0f);
  EXPECT_EQ(d.fist, 0);

  d = push(HandBuilder::pinch(3, palmAt()));
  EXPECT_LT(d.thumbTipDistance[2], 5.0f);
  EXPECT_GT(d.thumbTipDistance[0], 20.0f);

  d = push(HandBuilder::pointing(palmAt()));
  EXPECT_EQ(d.circlePosture, 1);
  EXPECT_EQ(d.extendedFingers[1], 1);
  EXPECT_EQ(d.extendedFingers[2], 0);
  EXPECT_EQ(d.extendedFingers[3], 0);
  EXPECT_EQ(d.extendedFingers[4], 0);
  EXPECT_EQ(d.fist, 0);
}

TEST_F(ListenerFeatures, FistRules) {
  // Thumb alone extended: a fist. Thumb and index: not.
  EXPECT_EQ(push(handWithCurl(0, 1, 1, 1, 1)).fist, 1);
  EXPECT_EQ(push(handWithCurl(0, 0, 1, 1, 1)).fist, 0);
  // Index alone: not a fist either.
  EXPECT_EQ(push(handWithCurl(1, 0, 1, 1, 1)).fist, 0);

  // A held button action prevents it; a held keyboard action does not.
  for (int action = 1; action <= 3; ++action) {
    EngineAccess::setPressed(engine(), action, 1);
    EXPECT_EQ(push(HandBuilder::fist(palmAt())).fist, 0) << action;
    EngineAccess::setPressed(engine(), action, 0);
  }
  EngineAccess::setPressed(engine(), 4, 1);
  EXPECT_EQ(push(HandBuilder::fist(palmAt())).fist, 1);
  EngineAccess::setPressed(engine(), 4, 0);

  // The sensitivity acts from the table at once: above every extension value an open hand is a
  // fist, without decoding.
  engine().SetUserParam(1.5f, FistSensitivity);
  EXPECT_EQ(push(HandBuilder::openHand(palmAt())).fist, 1);
  engine().SetUserParam(0.5f, FistSensitivity);
  EXPECT_EQ(push(HandBuilder::openHand(palmAt())).fist, 0);
}

TEST_F(ListenerFeatures, ExtensionThresholdsAreStrict) {
  // A finger bent part way is extended at 0.0 but not at 0.75.
  const handTrackingData d = push(handWithCurl(1, 0.25f, 1, 1, 1));
  ASSERT_GT(d.extensionValues[1], 0.0f);
  ASSERT_LT(d.extensionValues[1], 0.75f);
  EXPECT_EQ(d.extendedFingers[1], 1);
  EXPECT_EQ(d.extendedFingersStrict[1], 0);
  EXPECT_EQ(d.circlePosture, 0);
  EXPECT_EQ(d.extendedCount - d.extendedCountStrict, 1);
}

TEST_F(ListenerFeatures, FrameWithoutAHandKeepsTheRecord) {
  driver.setConfig("interaction_box_auto", false);
  const handTrackingData before = push(HandBuilder::pinch(2, palmAt(5, 190, 3)));
  ASSERT_EQ(before.handsCount, 1);
  driver.setConfig("interaction_box_auto", true);
  const handTrackingData after = pushEmpty();
  EXPECT_EQ(after.handsCount, 0);
  EXPECT_TRUE(after.interactionBoxAuto);
  expectSameHandFields(before, after);
}

TEST_F(ListenerFeatures, FingerOrderAndMalformedHands) {
  // Fingers listed in another order are found by type.
  Leap::RawHand raw = HandBuilder::openHand(palmAt());
  std::swap(raw.fingers[0], raw.fingers[4]);
  std::swap(raw.fingers[1], raw.fingers[2]);
  handTrackingData d = push(raw);
  ASSERT_EQ(d.handsCount, 1);
  const int expected[5] = {4, 2, 1, 3, 0};
  for (int t = 0; t < 5; ++t) EXPECT_EQ(d.fingerIndex[t], expected[t]) << t;
  EXPECT_EQ(d.extendedCount, 5);

  // A list without exactly one finger of each type leaves the record alone.
  const handTrackingData good = push(HandBuilder::pinch(1, palmAt()));
  Leap::RawHand bad = HandBuilder::openHand(palmAt(40, 250, 20));
  bad.fingers[2].type = 1;  // two index fingers, no middle finger
  d = push(bad);
  EXPECT_EQ(d.handsCount, 0);
  expectSameHandFields(good, d);

  int idx[5] = {9, 9, 9, 9, 9};
  const int ok[5] = {3, 0, 4, 1, 2};
  EXPECT_TRUE(VelmoListener::classifyFingerTypes(ok, 5, idx));
  const int want[5] = {1, 3, 4, 0, 2};
  for (int t = 0; t < 5; ++t) EXPECT_EQ(idx[t], want[t]);
  const int dup[5] = {0, 1, 1, 3, 4};
  const int range[5] = {0, 1, 2, 3, 5};
  const int neg[5] = {0, 1, -1, 3, 4};
  for (const int* types : {dup, range, neg}) {
    int keep[5] = {7, 7, 7, 7, 7};
    EXPECT_FALSE(VelmoListener::classifyFingerTypes(types, 5, keep));
    for (int t = 0; t < 5; ++t) EXPECT_EQ(keep[t], 7);
  }
  int keep[5] = {7, 7, 7, 7, 7};
  EXPECT_FALSE(VelmoListener::classifyFingerTypes(ok, 4, keep));
  EXPECT_FALSE(VelmoListener::classifyFingerTypes(ok, 0, keep));
}

TEST_F(ListenerFeatures, AnglesTimestampAndPalmWidth) {
  const float a = 0.3f;
  Leap::HandPose pose;
  pose.direction = Leap::Vector(std::sin(a), 0.0f, -std::cos(a));
  pose.palmNormal = Leap::Vector(0.0f, -1.0f, 0.0f);
  clock = (int64_t{1} << 32) + 5000;
  handTrackingData d = push(HandBuilder::build(pose));
  const Leap::Hand hand = controller.frame(0).hands()[0];
  EXPECT_EQ(d.yaw, static_cast<double>(std::atan2(hand.direction().x, -hand.direction().z)));
  EXPECT_NEAR(d.yaw, a, 1e-3);
  EXPECT_EQ(d.pitch, static_cast<double>(std::atan2(hand.direction().y, -hand.direction().z)));
  EXPECT_EQ(d.roll, static_cast<double>(std::atan2(hand.palmNormal().x, -hand.palmNormal().y)));
  EXPECT_EQ(d.timestamp, static_cast<int32_t>(controller.frame(0).timestamp() & 0xffffffff));
  EXPECT_LT(d.timestamp, 1 << 20);  // low 32 bits of a clock past 2^32

  // The width handed on is the running maximum.
  Leap::RawHand raw = HandBuilder::openHand(palmAt());
  const float widths[] = {80.0f, 90.0f, 70.0f, 85.0f};
  const float handed[] = {80.0f, 90.0f, 90.0f, 90.0f};
  listener.InitParameters();
  for (int k = 0; k < 4; ++k) {
    raw.palmWidth = widths[k];
    EXPECT_EQ(push(raw).palmWidth, handed[k]) << k;
  }
  listener.InitParameters();
  raw.palmWidth = 70.0f;
  EXPECT_EQ(push(raw).palmWidth, 70.0f);
}

TEST_F(ListenerFeatures, BonesAreRecordedOnlyForTheTutorial) {
  handTrackingData d = push(HandBuilder::openHand(palmAt()));
  for (int e = 0; e < 15; ++e)
    for (int c = 0; c < 3; ++c) ASSERT_EQ(d.boneCenter[e][c], 0.0) << e;

  engine().SetInteractiveTutorial(1);
  d = push(HandBuilder::pinch(2, palmAt(10, 220, 0)));
  const Leap::FingerList fingers = controller.frame(0).hands()[0].fingers();
  for (int k = 0; k < 5; ++k) {
    for (int b = 1; b <= 3; ++b) {
      const Leap::Bone bone = fingers[k].bone(b);
      const int e = 3 * k + b - 1;
      EXPECT_EQ(d.boneCenter[e][0], static_cast<double>(bone.center().x)) << e;
      EXPECT_EQ(d.boneCenter[e][1], static_cast<double>(bone.center().y)) << e;
      EXPECT_EQ(d.boneCenter[e][2], static_cast<double>(bone.center().z)) << e;
      EXPECT_EQ(d.boneDirection[e][0], static_cast<double>(bone.direction().x)) << e;
      EXPECT_EQ(d.boneDirection[e][2], static_cast<double>(bone.direction().z)) << e;
    }
  }
  EXPECT_NE(d.boneCenter[0][1], 0.0);
}

TEST_F(ListenerFeatures, TranslationProbabilityDependsOnTheControllerPosition) {
  // A hand held still: the layer reports no deliberate translation once the frame n back exists.
  const Leap::RawHand still = HandBuilder::openHand(palmAt());
  handTrackingData d;
  for (int k = 0; k < 10; ++k) d = push(still);
  EXPECT_EQ(d.translationProbability, 1.0f);  // controller position 0

  setUser(ControllerPos, 1);
  d = push(still);
  const float window = engine().optimalFrameRate() * engine().parameters().settings().deltaTimeHandMovementTh;
  const int n = static_cast<int>(window);
  const Leap::Frame since = controller.frame(n);
  ASSERT_TRUE(since.isValid());
  const float expected = controller.frame(0).hands()[0].translationProbability(since);
  EXPECT_EQ(d.translationProbability, expected);
  EXPECT_LT(d.translationProbability, 1.0f);

  setUser(ControllerPos, 2);
  EXPECT_EQ(push(still).translationProbability, expected);

  // Moving fast at position 0 still gives exactly 1.
  setUser(ControllerPos, 0);
  for (int k = 0; k < 6; ++k) d = push(HandBuilder::openHand(palmAt(30.0f * k)));
  EXPECT_EQ(d.translationProbability, 1.0f);
}

// Connection events and policy flags.
using ListenerConnection = ListenerFixture;

TEST_F(ListenerConnection, ConnectEnablesCirclesAndBackgroundFrames) {
  EXPECT_EQ(engine().IsConnected(), 1);
  EXPECT_TRUE(controller.isGestureEnabled(Leap::Gesture::TYPE_CIRCLE));
  EXPECT_NE(controller.policyFlags() & 1, 0);

  listener.initVRViewer(controller);
  EXPECT_EQ(controller.policyFlags(), 7);
  listener.closeVRViewer(controller);
  EXPECT_EQ(controller.policyFlags(), 1);
}

TEST_F(ListenerConnection, DisconnectReportsEmbeddedOrExternalDevices) {
  QSignalSpy spy(&listener, SIGNAL(SendWndEvent(unsigned int)));
  driver.unplugDevice();
  driver.sync();
  ASSERT_EQ(spy.count(), 1);
  EXPECT_EQ(spy.takeFirst().at(0).toUInt(), 1u);
  EXPECT_EQ(engine().IsConnected(), 0);

  driver.plugDevice();
  driver.sync();
  ASSERT_EQ(spy.count(), 1);
  EXPECT_EQ(spy.takeFirst().at(0).toUInt(), 0u);
  EXPECT_EQ(engine().IsConnected(), 1);

  // The tray window calls onDisconnect itself when no controller answers.
  driver.unplugDevice();
  driver.sync();
  spy.clear();
  listener.onDisconnect(controller);
  ASSERT_EQ(spy.count(), 1);
  EXPECT_EQ(spy.takeFirst().at(0).toUInt(), 1u);

  listener.setIconStatusOk();
  ASSERT_EQ(spy.count(), 1);
  EXPECT_EQ(spy.takeFirst().at(0).toUInt(), 0u);
}

TEST(ListenerEmbedded, SwitchedOffEmbeddedDeviceSendsInactive) {
  Leap::Controller controller{std::string()};
  Leap::TestDriver driver(controller);
  ProbeListener listener;
  QSignalSpy spy(&listener, SIGNAL(SendWndEvent(unsigned int)));
  ASSERT_TRUE(controller.addListener(listener));
  driver.plugDevice(true);
  driver.sync();
  ASSERT_EQ(spy.count(), 1);
  EXPECT_EQ(spy.takeFirst().at(0).toUInt(), 0u);
  // Switched off, the built-in device stays listed.
  driver.pushMessage(Leap::protocol::encodeDevice(Leap::DeviceStatus{false, true, 120.0f}, 5000));
  driver.sync();
  ASSERT_EQ(controller.devices().count(), 1);
  ASSERT_EQ(spy.count(), 1);
  EXPECT_EQ(spy.takeFirst().at(0).toUInt(), 7u);
  EXPECT_EQ(listener.engine().IsConnected(), 0);
  controller.removeListener(listener);
}

TEST_F(ListenerConnection, DestinationModeIgnoresEverything) {
  QSignalSpy spy(&listener, SIGNAL(SendWndEvent(unsigned int)));
  setUser(NetworkMode, 2);
  const handTrackingData before = listener.engine().getHandData();
  push(HandBuilder::fist(palmAt()));
  push(HandBuilder::openHand(palmAt(50, 250, 0)));
  pushEmpty();
  const handTrackingData after = listener.engine().getHandData();
  EXPECT_EQ(after.handsCount, before.handsCount);
  expectSameHandFields(before, after);

  driver.unplugDevice();
  driver.sync();
  listener.onDisconnect(controller);
  driver.plugDevice();
  driver.sync();
  EXPECT_EQ(spy.count(), 0);
  EXPECT_EQ(engine().IsConnected(), 1);  // as the connect before the mode change left it

  setUser(NetworkMode, 0);
  EXPECT_EQ(push(HandBuilder::fist(palmAt())).fist, 1);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
