// Pinch press and release, seen as the button and key commands a recording sink writes down in
// source mode: speed, guard finger, hand movement, circle posture, shared held flags, the pointer
// freeze, the head-mounted ring pinch and the keyboard entries.

#include <QCoreApplication>
#include <functional>

#include "test_recogniser_harness.h"

using rig::actions;
using rig::openHand;
using rig::setPalm;
using rig::SourceRig;

namespace {

using Strings = std::vector<std::string>;

// A distance profile: held, closing, held closed, opening.
std::vector<float> closeAndOpen(float open = 80.0f, float closed = 20.0f, float step = 5.0f,
                                int before = 10, int hold = 10) {
  std::vector<float> d(before, open);
  for (float v = open - step; v > closed; v -= step) d.push_back(v);
  for (int i = 0; i < hold; ++i) d.push_back(closed);
  for (float v = closed + step; v <= open; v += step) d.push_back(v);
  return d;
}

// Plays the profile on thumb-to-tip distance f; shape() may change each frame. Returns the
// non-move commands, and the index of the frame that produced each of them in frameOf.
Strings play(SourceRig& r, handTrackingData h, int f, const std::vector<float>& d,
             const std::function<void(handTrackingData&, int)>& shape = nullptr,
             std::vector<int>* frameOf = nullptr) {
  Strings out;
  for (size_t i = 0; i < d.size(); ++i) {
    h.thumbTipDistance[f] = d[i];
    if (shape) shape(h, static_cast<int>(i));
    for (const auto& c : actions(r.frame(h))) {
      out.push_back(c);
      if (frameOf) frameOf->push_back(static_cast<int>(i));
    }
  }
  return out;
}

const Strings kLeftClick{"LEFT_BUTTON 1 0 0", "LEFT_BUTTON 0 0 0"};

TEST(PressRelease, OnePressAndOneRelease) {
  SourceRig r;
  std::vector<int> at;
  const auto d = closeAndOpen();
  Strings seen;
  bool heldSeen = false;
  auto h = openHand();
  for (size_t i = 0; i < d.size(); ++i) {
    h.thumbTipDistance[0] = d[i];
    for (const auto& c : actions(r.frame(h))) {
      seen.push_back(c);
      at.push_back(static_cast<int>(i));
    }
    if (i < 11) {  // before any press every threshold is the bone-length start value
      for (int f = 0; f < 4; ++f) EXPECT_FLOAT_EQ(r.g.pinches().distanceThreshold(f), 47.0f);
    }
    if (d[i] == 20.0f) {
      heldSeen = true;
      EXPECT_EQ(r.g.isLeftPressed(), 1);
      EXPECT_EQ(r.g.isGestureFired(0), 1);
      EXPECT_EQ(r.g.whichGestureIsFired(), 0);
    }
  }
  ASSERT_TRUE(heldSeen);
  EXPECT_EQ(seen, kLeftClick);
  // Before the side's first press the start value decides, not the threshold learned in the same
  // frame (70 + 10 x 0.35 at the second closing frame, which pressed a real hand still far
  // open): 45 mm, the first frame within 47.
  ASSERT_EQ(at.size(), 2u);
  EXPECT_FLOAT_EQ(d[at[0]], 45.0f);
  // Released on the first rising step past 0.85 x (20 + 60 x 0.35) = 34.85.
  EXPECT_FLOAT_EQ(d[at[1]], 35.0f);
  EXPECT_EQ(r.g.isLeftPressed(), 0);
  EXPECT_EQ(r.g.whichGestureIsFired(), -1);
  EXPECT_EQ(r.g.pinches().isSideBootstrap(1), 0);
  EXPECT_EQ(r.g.pinches().isSideBootstrap(0), 1);
  EXPECT_FLOAT_EQ(r.g.pinches().distanceThreshold(0), 41.0f);  // learned, now in force
}

TEST(PressRelease, NotificationAndTutorialFlagsAreHandedOn) {
  SourceRig r;
  r.user(NotifyClicks, 1);
  EXPECT_EQ(play(r, openHand(), 0, closeAndOpen()),
            (Strings{"LEFT_BUTTON 1 0 1", "LEFT_BUTTON 0 0 1"}));

  SourceRig t;
  t.g.SetInteractiveTutorial(1);
  auto h = openHand();
  Strings all;
  for (float d : closeAndOpen()) {
    h.thumbTipDistance[0] = d;
    auto c = t.frame(h);
    all.insert(all.end(), c.begin(), c.end());
  }
  EXPECT_EQ(all, (Strings{"LEFT_BUTTON 1 1 0", "LEFT_BUTTON 0 1 0"}));  // and no pointer move
}

// Until a hand side's first press its thresholds go back to the bone-length start value after
// every check; from the first press on the learned thresholds stay.
TEST(StartUpRule, LearnedThresholdsWaitForTheSidesFirstPress) {
  SourceRig r;
  auto few = openHand();
  few.extendedCount = 1;  // no press or release with one finger; the rule still applies
  play(r, few, 0, {80.0f, 20.0f});
  EXPECT_FLOAT_EQ(r.g.pinches().minDistance(0), 20.0f);
  EXPECT_FLOAT_EQ(r.g.pinches().distanceThreshold(0), 47.0f);
  EXPECT_FLOAT_EQ(r.g.pinches().sideDistanceThreshold(1, 0), 47.0f);

  EXPECT_EQ(play(r, openHand(), 1, closeAndOpen(90.0f)),
            (Strings{"RIGHT_BUTTON 1 0 0", "RIGHT_BUTTON 0 0 0"}));
  play(r, few, 0, {10.0f});
  EXPECT_FLOAT_EQ(r.g.pinches().distanceThreshold(0), 34.5f);  // 10 + 70 x 0.35
  play(r, few, 0, {10.0f});
  EXPECT_FLOAT_EQ(r.g.pinches().distanceThreshold(0), 34.5f);
  EXPECT_FLOAT_EQ(r.g.pinches().sideDistanceThreshold(1, 0), 34.5f);
}

// After the side's first press a learned threshold can lie far out (here 20 + 130 x 0.35 = 65.5
// once the hand has spread to 150 mm); the thumb still presses only within the index finger's
// last two bones (47 mm) of the tip.
TEST(Reach, ALearnedThresholdFarOutPressesOnlyWithinTheLastTwoBones) {
  const struct {
    float closedTo;
    std::vector<float> pressedAt;
  } rows[] = {{50.0f, {}}, {40.0f, {45.0f}}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.closedTo);
    SourceRig r;
    ASSERT_EQ(play(r, openHand(), 0, closeAndOpen()), kLeftClick);
    std::vector<float> d;
    for (float v = 85.0f; v <= 150.0f; v += 5.0f) d.push_back(v);
    for (float v = 145.0f; v >= row.closedTo; v -= 5.0f) d.push_back(v);
    d.insert(d.end(), 10, row.closedTo);
    std::vector<int> at;
    const Strings seen = play(r, openHand(), 0, d, nullptr, &at);
    EXPECT_FLOAT_EQ(r.g.pinches().distanceThreshold(0), 65.5f);
    std::vector<float> pressedAt;
    for (int i : at) pressedAt.push_back(d[static_cast<size_t>(i)]);
    EXPECT_EQ(pressedAt, row.pressedAt);
    EXPECT_EQ(seen, Strings(row.pressedAt.size(), "LEFT_BUTTON 1 0 0"));
  }
}

TEST(Speed, ASlowDriftNeverPresses) {
  SourceRig r;
  auto h = openHand();
  h.translationProbability = 0.0f;
  std::vector<float> d(10, 80.0f);
  // 0.03 mm per frame at 100 fps: 3.6 mm/s over the 0.075 s window, below 5 mm/s.
  for (int i = 1; i <= 2000; ++i) d.push_back(80.0f - 0.03f * static_cast<float>(i));
  EXPECT_TRUE(play(r, h, 0, d).empty());
  EXPECT_EQ(r.g.isGestureFired(0), 0);
}

TEST(Speed, AClosingRunNeedsSevenStepsAt100Fps) {
  // Rising to 80 first, so that the closing run starts there.
  std::vector<float> d = {70, 72, 74, 76, 78, 80};
  for (int i = 1; i <= 6; ++i) d.push_back(80.0f - 5.0f * i);  // six fast closing steps
  for (int i = 1; i <= 6; ++i) d.push_back(50.0f + 5.0f * i);
  SourceRig shortRun;
  EXPECT_TRUE(play(shortRun, openHand(), 0, d).empty());

  d.resize(12);
  d.push_back(45.0f);  // the seventh step
  SourceRig longRun;
  std::vector<int> at;
  EXPECT_EQ(play(longRun, openHand(), 0, d, nullptr, &at), Strings{"LEFT_BUTTON 1 0 0"});
  EXPECT_EQ(at, std::vector<int>{12});
}

// A release takes the first step of the newest rising run: at 128 fps a step of 5/128 mm is
// exactly 5 mm/s.
TEST(Speed, TheFirstRisingStepDecidesTheRelease) {
  SourceRig r;
  std::vector<float> d = closeAndOpen();
  d.resize(d.size() - 12);  // closed at 20; threshold 41, release level 34.85
  EXPECT_EQ(play(r, openHand(), 0, d), Strings{"LEFT_BUTTON 1 0 0"});
  auto h = openHand();
  h.extendedCount = 1;  // past the release level without releasing
  EXPECT_TRUE(play(r, h, 0, {25.0f, 30.0f, 36.0f}).empty());
  h.extendedCount = 5;
  h.fps = 128.0f;
  // A fall, then 4 mm/s, then a fast rise: the run starts with the slow step.
  EXPECT_TRUE(play(r, h, 0, {35.875f, 35.90625f, 36.90625f}).empty());
  EXPECT_EQ(r.g.isLeftPressed(), 1);
  EXPECT_EQ(play(r, h, 0, {36.5f, 36.5390625f}), Strings{"LEFT_BUTTON 0 0 0"});
}

TEST(Guard, ThePinkyMustStayExtendedAndStill) {
  SourceRig bent;
  auto h = openHand();
  h.extendedFingers[4] = 0;
  EXPECT_TRUE(play(bent, h, 0, closeAndOpen()).empty());
  SourceRig bentMiddle;
  EXPECT_TRUE(play(bentMiddle, h, 1, closeAndOpen(90.0f)).empty());

  // Curling toward the palm: 11 mm over the window is too much, 9 mm is not.
  auto curling = [](float perWindow) {
    return [perWindow](handTrackingData& f, int i) {
      f.palmTipDistance[3] = 80.0f - perWindow / 9.0f * static_cast<float>(i);
    };
  };
  SourceRig eleven;
  EXPECT_TRUE(play(eleven, openHand(), 0, closeAndOpen(), curling(11.0f)).empty());
  SourceRig nine;
  EXPECT_EQ(play(nine, openHand(), 0, closeAndOpen(), curling(9.0f)), kLeftClick);
}

TEST(Guard, TheIndexGuardsTheRingAndPinkyPinches) {
  auto h = openHand();
  h.extendedFingers[1] = 0;
  h.extendedCount = 4;
  SourceRig bent;
  EXPECT_TRUE(play(bent, h, 2, closeAndOpen(90.0f)).empty());

  // A thumb-index press test in the same frame (too slow to press) waives the index.
  h.thumbTipDistance[0] = 30.0f;
  SourceRig waived;
  EXPECT_EQ(play(waived, h, 2, closeAndOpen(90.0f)),
            (Strings{"MIDDLE_BUTTON 1 0 0", "MIDDLE_BUTTON 0 0 0"}));

  auto still = openHand();
  SourceRig moving;  // the index curling 11 mm blocks the ring pinch
  EXPECT_TRUE(play(moving, still, 2, closeAndOpen(90.0f), [](handTrackingData& f, int i) {
                f.palmTipDistance[0] = 90.0f - 11.0f / 9.0f * static_cast<float>(i);
              }).empty());
}

TEST(HandMovement, AMovingHandNeitherPressesNorReleases) {
  // 1.6 mm per frame is 10 px per frame: 40 px over the 4-frame window, above 30.
  auto moving = [](handTrackingData& f, int i) { setPalm(&f, -60.0 + 1.6 * i, 200, 0); };
  SourceRig r;
  EXPECT_TRUE(play(r, openHand(), 0, closeAndOpen(), moving).empty());

  SourceRig s;
  std::vector<float> d = closeAndOpen();
  const size_t closedEnd = d.size() - 12;
  auto h = openHand();
  std::vector<float> closing(d.begin(), d.begin() + static_cast<long>(closedEnd));
  EXPECT_EQ(play(s, h, 0, closing), Strings{"LEFT_BUTTON 1 0 0"});
  std::vector<float> opening(d.begin() + static_cast<long>(closedEnd), d.end());
  EXPECT_TRUE(play(s, h, 0, opening, moving).empty());
  EXPECT_EQ(s.g.isLeftPressed(), 1);
}

TEST(Posture, TheCirclePostureBlocksPressesNotReleases) {
  auto circle = openHand();
  circle.circlePosture = 1;
  SourceRig r;
  EXPECT_TRUE(play(r, circle, 0, closeAndOpen()).empty());

  SourceRig s;
  std::vector<float> d = closeAndOpen();
  const size_t closedEnd = d.size() - 12;
  EXPECT_EQ(play(s, openHand(), 0, {d.begin(), d.begin() + static_cast<long>(closedEnd)}),
            Strings{"LEFT_BUTTON 1 0 0"});
  EXPECT_EQ(play(s, circle, 0, {d.begin() + static_cast<long>(closedEnd), d.end()}),
            Strings{"LEFT_BUTTON 0 0 0"});
}

TEST(FingerCount, TooFewFingersNeitherPressNorRelease) {
  auto one = openHand();
  one.extendedCount = 1;
  SourceRig r;
  EXPECT_TRUE(play(r, one, 0, closeAndOpen()).empty());
}

TEST(HeldFlags, TwoPinchesOnTheLeftButtonShareOneFlag) {
  SourceRig r;
  r.user(ThumbMiddleAction, 1);
  EXPECT_EQ(play(r, openHand(), 1, closeAndOpen(90.0f)), kLeftClick);
  EXPECT_EQ(r.g.isLeftPressed(), 0);
  EXPECT_EQ(r.g.isRightPressed(), 0);
  EXPECT_EQ(play(r, openHand(), 0, closeAndOpen()), kLeftClick);
  EXPECT_EQ(r.g.isLeftPressed(), 0);
}

TEST(HeldFlags, OnePinchAtATime) {
  SourceRig r;
  auto d = closeAndOpen();
  const size_t closedEnd = d.size() - 12;
  auto h = openHand();
  EXPECT_EQ(play(r, h, 0, {d.begin(), d.begin() + static_cast<long>(closedEnd)}),
            Strings{"LEFT_BUTTON 1 0 0"});
  h.thumbTipDistance[0] = 20.0f;
  EXPECT_TRUE(play(r, h, 1, closeAndOpen(90.0f)).empty());  // the middle pinch is not checked
  EXPECT_EQ(r.g.isRightPressed(), 0);
}

TEST(HeldFlags, APinchWithoutActionStillCloses) {
  SourceRig r;
  r.user(ThumbForeAction, 0);
  auto d = closeAndOpen();
  const size_t closedEnd = d.size() - 12;
  auto h = openHand();
  EXPECT_TRUE(play(r, h, 0, {d.begin(), d.begin() + static_cast<long>(closedEnd)}).empty());
  EXPECT_EQ(r.g.isGestureFired(0), 1);
  EXPECT_EQ(r.g.isLeftPressed(), 0);
  h.thumbTipDistance[0] = 20.0f;
  EXPECT_TRUE(play(r, h, 1, closeAndOpen(90.0f)).empty());  // blocks the others
  h.thumbTipDistance[1] = 90.0f;
  EXPECT_TRUE(play(r, h, 0, {d.begin() + static_cast<long>(closedEnd), d.end()}).empty());
  EXPECT_EQ(r.g.isGestureFired(0), 0);
}

TEST(HeadMounted, TheRingPinchPressesTheMiddleActionAndTheMiddleReleasesIt) {
  SourceRig r;
  r.user(ControllerPos, 2);
  auto d = closeAndOpen(90.0f);
  const size_t closedEnd = d.size() - 12;
  auto h = openHand();
  EXPECT_EQ(play(r, h, 2, {d.begin(), d.begin() + static_cast<long>(closedEnd)}),
            Strings{"RIGHT_BUTTON 1 0 0"});
  EXPECT_EQ(r.g.isGestureFired(1), 1);
  EXPECT_EQ(r.g.isGestureFired(2), 0);
  EXPECT_EQ(r.g.isRightPressed(), 1);
  EXPECT_EQ(r.g.isMiddlePressed(), 0);
  // The ring opening alone releases nothing.
  EXPECT_TRUE(play(r, h, 2, {d.begin() + static_cast<long>(closedEnd), d.end()}).empty());
  EXPECT_EQ(r.g.isRightPressed(), 1);
  h.thumbTipDistance[2] = 90.0f;
  EXPECT_EQ(play(r, h, 1, {90.0f, 95.0f}), Strings{"RIGHT_BUTTON 0 0 0"});
  EXPECT_EQ(r.g.isGestureFired(1), 0);

  SourceRig flat;  // normal to the controller the ring pinch has its own action
  EXPECT_EQ(play(flat, openHand(), 2, closeAndOpen(90.0f)),
            (Strings{"MIDDLE_BUTTON 1 0 0", "MIDDLE_BUTTON 0 0 0"}));
}

TEST(Keyboard, ThePinkyPinchSendsItsKeyboardEntry) {
  SourceRig r;
  r.user(ThumbPinkyKeyboardAction, 1);
  EXPECT_EQ(play(r, openHand(), 3, closeAndOpen(90.0f)),
            (Strings{"KEYBOARD 1 0 0 Alt+Tab APPSWITCHER 0", "KEYBOARD 0 0 0 Alt+Tab APPSWITCHER 0"}));
  EXPECT_EQ(r.g.isKeyPressed(), 0);
}

TEST(Keyboard, AnIndexOutsideTheListsHandsOnAnEmptyEntry) {
  SourceRig r;
  r.user(ThumbPinkyKeyboardAction, 7);
  EXPECT_EQ(play(r, openHand(), 3, closeAndOpen(90.0f)),
            (Strings{"KEYBOARD 1 0 0   0", "KEYBOARD 0 0 0   0"}));

  SourceRig deleted;  // "Delete All" in the options dialog
  deleted.g.GetKeyboardActions()->clear();
  EXPECT_EQ(play(deleted, openHand(), 3, closeAndOpen(90.0f)),
            (Strings{"KEYBOARD 1 0 0   0", "KEYBOARD 0 0 0   0"}));
}

// ---------------------------------------------------------------------------------------------
// The pointer after a press: frozen for MoveAfterClickTime, dragged while a button is held.

struct Pressed {
  SourceRig r;
  std::int64_t pressedAt = 0;
  handTrackingData h = openHand();

  Pressed() {
    for (float d : closeAndOpen()) {
      if (d == 20.0f) break;
      h.thumbTipDistance[0] = d;
      const std::int64_t t = r.clockUs;
      if (!actions(r.frame(h)).empty()) pressedAt = t;
    }
    h.thumbTipDistance[0] = 20.0f;
  }
  Strings at(std::int64_t us, int extended = 5) {
    r.clockUs = pressedAt + us;
    h.extendedCount = extended;
    return r.frame(h);
  }
};

TEST(Freeze, ThePointerStaysUntilStrictlyAfterMoveAfterClickTime) {
  Pressed p;
  ASSERT_GT(p.pressedAt, 0);
  EXPECT_EQ(p.r.g.isMovingAllowed(), 0);
  EXPECT_TRUE(p.at(150000).empty());
  EXPECT_TRUE(p.at(300000).empty());
  EXPECT_EQ(p.at(300001).size(), 1u);
  EXPECT_EQ(p.r.g.isMovingAllowed(), 1);
}

TEST(Freeze, ALongerSettingHoldsLonger) {
  Pressed p;
  p.r.user(MoveAfterClickTime, 1000);
  EXPECT_TRUE(p.at(999000).empty());
  EXPECT_TRUE(p.at(1000000).empty());
  EXPECT_EQ(p.at(1000001).size(), 1u);
}

TEST(Drag, AHeldButtonMovesThePointerWithOneFinger) {
  Pressed p;
  EXPECT_EQ(p.at(400000, 1).size(), 1u);  // left button held
  EXPECT_EQ(p.r.g.isLeftPressed(), 1);

  SourceRig k;  // a held keyboard action does not count
  k.user(ThumbForeAction, 4);
  auto h = openHand();
  Strings seen;
  for (float d : closeAndOpen()) {
    if (d == 20.0f) break;
    h.thumbTipDistance[0] = d;
    for (const auto& c : actions(k.frame(h))) seen.push_back(c);
  }
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].compare(0, 10, "KEYBOARD 1"), 0);
  EXPECT_EQ(k.g.isKeyPressed(), 1);
  h.thumbTipDistance[0] = 20.0f;
  h.extendedCount = 1;
  k.clockUs += 1000000;
  EXPECT_TRUE(k.frame(h).empty());
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
