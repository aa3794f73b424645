#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <thread>

#include "VelmoGestures.h"

namespace {

const float kUserDefaults[UserParamCount] = {
    0, 1.25f, 1000, 0, 0.3f, 0, 300, 0.35f, 0.25f, 0.3f, 0.3f, 0.85f, 0.85f, 1.0f, 1.0f,
    0, 0, 1, 1, 0, 0, 1, 2, 3, 4, 1, 0.5f, 0, 0, 0, 0, 0, 0, 0, 0, 0, 14155, 1, 0, 1, 0, 0, 0};
const float kAdminDefaults[AdminParamCount] = {
    0, 0.75f, 90.0f, 0.9f, 6.0f, 60, 30, 40, 300, 5.0f, 0.05f, 0.5f, 0.075f, 5.0f,
    0.75f, 2.0f, 2.0f, 0.5f, 2, 2, 0.0f, 250, 300, 300, 300, 10.0f, 0};

struct Fresh : ::testing::Test {
  VelmoGestures g;
  void SetUp() override {
    g.InitParameters();
    g.EncodeParameters();
  }
  // Sets one user entry, decodes and returns the working settings.
  WorkingSettings decodeUser(int index, float value) {
    g.SetUserParam(value, index);
    g.DecodeParameters(0);
    return g.parameters().settings();
  }
};

}  // namespace

TEST_F(Fresh, EncodedDefaultsMatchTheTables) {
  for (int i = 0; i < UserParamCount; ++i) EXPECT_EQ(g.GetUserParam(i), kUserDefaults[i]) << "user " << i;
  for (int i = 0; i < AdminParamCount; ++i)
    EXPECT_EQ(g.GetAdminParam(i), kAdminDefaults[i]) << "admin " << i;
  EXPECT_EQ(g.IsAdmin(), 0);
  EXPECT_EQ(g.parameters().encryptLog(), 0);
}

TEST_F(Fresh, DefaultKeyboardActionsInOrder) {
  const QList<keyboardAct::Entry> e = g.GetKeyboardActions()->entries();
  ASSERT_EQ(e.size(), 3);
  EXPECT_EQ(e[0].name, "ESC KEY");
  EXPECT_EQ(e[0].keys, "Esc");
  EXPECT_FALSE(e[0].osKey);
  EXPECT_EQ(e[1].name, "APP SWITCHER");
  EXPECT_EQ(e[1].keys, "Alt+Tab");
  EXPECT_FALSE(e[1].osKey);
  EXPECT_EQ(e[2].name, "FN+F9 KEY");
  EXPECT_EQ(e[2].keys, "F9");
  EXPECT_TRUE(e[2].osKey);
  // Init does not clear: a second call appends the defaults again.
  g.InitParameters();
  EXPECT_EQ(g.GetKeyboardActions()->count(), 6);
  EXPECT_EQ(g.GetKeyboardActions()->at(3).name, "ESC KEY");
}

TEST_F(Fresh, EveryUserEntryRoundTripsThroughDecode) {
  // Values chosen valid for every entry's range.
  for (int i = 0; i < UserParamCount; ++i) g.SetUserParam(i % 2 == 0 ? 1.0f : 0.0f, i);
  g.SetUserParam(0.42f, HandMotionScaleFactor);
  g.SetUserParam(2, ControllerPos);
  g.SetUserParam(250, DoubleClickTime);
  g.SetUserParam(0.6f, FistSensitivity);
  g.SetUserParam(9999, DestinationPort);
  g.SetUserParam(192, DestinationIpAddress1);
  g.SetUserParam(-12, CursorPosOffset);
  float before[UserParamCount];
  for (int i = 0; i < UserParamCount; ++i) before[i] = g.GetUserParam(i);
  g.DecodeParameters(0);
  g.EncodeParameters();
  for (int i = 0; i < UserParamCount; ++i) EXPECT_EQ(g.GetUserParam(i), before[i]) << "user " << i;
}

TEST_F(Fresh, EveryAdminEntryRoundTripsWhenDecodedWithAdmin) {
  for (int i = 0; i < AdminParamCount; ++i) g.SetAdminParam(static_cast<float>(i + 3), i);
  g.DecodeParameters(1);
  for (int i = 0; i < AdminParamCount; ++i) g.SetAdminParam(-1.0f, i);
  g.EncodeParameters();
  for (int i = 0; i < AdminParamCount; ++i) EXPECT_EQ(g.GetAdminParam(i), static_cast<float>(i + 3));
}

TEST_F(Fresh, DecodingWithoutAdminLeavesAdminSettingsAlone) {
  g.SetAdminParam(77.0f, OptimalFrameRateTh);
  g.SetAdminParam(1.0f, EnableLog);
  g.DecodeParameters(0);
  EXPECT_EQ(g.parameters().settings().optimalFrameRateTh, 90.0f);
  EXPECT_EQ(g.parameters().settings().enableLog, 0);
  g.DecodeParameters(1);
  EXPECT_EQ(g.parameters().settings().optimalFrameRateTh, 77.0f);
  EXPECT_EQ(g.parameters().settings().enableLog, 1);
}

TEST_F(Fresh, IntegersTruncateTowardZero) {
  EXPECT_EQ(decodeUser(DoubleClickTime, 2.9f).doubleClickTime, 2);
  EXPECT_EQ(decodeUser(DoubleClickTime, -0.5f).doubleClickTime, 0);
  EXPECT_EQ(decodeUser(CursorPosOffset, -7.9f).cursorPosOffset, -7);
  EXPECT_EQ(decodeUser(ControllerPos, 1.99f).controllerPos, 1);
}

TEST_F(Fresh, FlagsDecodeAnyNonZeroAndEncodeToOne) {
  for (int i = EnableAudioFx; i <= OnlyPrimaryDisplay; ++i) g.SetUserParam(0.25f, i);
  g.DecodeParameters(0);
  const WorkingSettings s = g.parameters().settings();
  EXPECT_TRUE(s.enableAudioFx && s.enableAudioFxBorder && s.enableGraphicFx && s.onlyPrimaryDisplay);
  EXPECT_TRUE(g.parameters().audioFxBorderPtr()->load());
  g.EncodeParameters();
  for (int i = EnableAudioFx; i <= OnlyPrimaryDisplay; ++i) EXPECT_EQ(g.GetUserParam(i), 1.0f);
  EXPECT_FALSE(decodeUser(EnableGraphicFx, 0.0f).enableGraphicFx);
  EXPECT_FALSE(g.parameters().graphicFxPtr()->load());
}

TEST_F(Fresh, CircleEntryFeedsBothDirections) {
  WorkingSettings s = decodeUser(ForeFingerCircleAction, 0);
  EXPECT_EQ(s.circleAction[0], 0);
  EXPECT_EQ(s.circleAction[1], 0);
  s = decodeUser(ForeFingerCircleAction, 1);
  EXPECT_EQ(s.circleAction[0], 1);
  EXPECT_EQ(s.circleAction[1], 1);
}

TEST_F(Fresh, ValuesThatCannotMeanAnythingKeepTheDefault) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  struct Case {
    int index;
    float value;
  };
  // Start from non-default valid values so that "default" is distinguishable from "kept".
  g.SetUserParam(1, ControllerPos);
  g.SetUserParam(2, NetworkMode);
  g.SetUserParam(1, CursorPos);
  g.SetUserParam(3, ThumbForeAction);
  g.SetUserParam(8080, DestinationPort);
  g.SetUserParam(10, DestinationIpAddress2);
  g.SetUserParam(2.0f, HandMotionScaleFactor);
  g.SetUserParam(0.0f, EnableAudioFx);
  g.DecodeParameters(0);
  const Case bad[] = {{ControllerPos, 3},        {NetworkMode, -1},       {NetworkMode, nan},
                      {CursorPos, 2},            {ThumbForeAction, 5},    {ThumbForeAction, -1},
                      {DestinationPort, 0},      {DestinationPort, 65536}, {DestinationIpAddress2, 256},
                      {DestinationIpAddress2, -1}, {HandMotionScaleFactor, inf}, {EnableAudioFx, nan},
                      {DoubleClickTime, 3e9f},   {DoubleClickTime, -inf}};
  for (const Case& c : bad) g.SetUserParam(c.value, c.index);
  g.DecodeParameters(0);
  const WorkingSettings s = g.parameters().settings();
  const WorkingSettings d;
  EXPECT_EQ(s.controllerPos, d.controllerPos);
  EXPECT_EQ(s.networkMode, d.networkMode);
  EXPECT_EQ(g.parameters().networkModePtr()->load(), d.networkMode);
  EXPECT_EQ(s.cursorPos, d.cursorPos);
  EXPECT_EQ(s.pinchAction[0], d.pinchAction[0]);
  EXPECT_EQ(s.destinationPort, d.destinationPort);
  EXPECT_EQ(s.destinationIp[1], d.destinationIp[1]);
  EXPECT_EQ(s.handMotionScaleFactor, d.handMotionScaleFactor);
  EXPECT_EQ(s.enableAudioFx, d.enableAudioFx);
  EXPECT_EQ(s.doubleClickTime, d.doubleClickTime);
  // Edges of the valid ranges are accepted.
  EXPECT_EQ(decodeUser(DestinationPort, 65535).destinationPort, 65535);
  EXPECT_EQ(decodeUser(DestinationPort, 1).destinationPort, 1);
  EXPECT_EQ(decodeUser(DestinationIpAddress4, 255).destinationIp[3], 255);
  EXPECT_EQ(decodeUser(ThumbPinkyAction, 0).pinchAction[3], 0);
  EXPECT_EQ(decodeUser(NetworkMode, 2).networkMode, 2);
  EXPECT_EQ(g.parameters().networkModePtr()->load(), 2);
}

TEST_F(Fresh, IndicesOutsideTheTablesAreHarmless) {
  EXPECT_EQ(g.GetUserParam(-1), 0.0f);
  EXPECT_EQ(g.GetUserParam(UserParamCount), 0.0f);
  EXPECT_EQ(g.GetAdminParam(AdminParamCount), 0.0f);
  EXPECT_EQ(g.GetAdminParam(-5), 0.0f);
  g.SetUserParam(9.0f, UserParamCount);
  g.SetUserParam(9.0f, -1);
  g.SetAdminParam(9.0f, AdminParamCount);
  for (int i = 0; i < UserParamCount; ++i) EXPECT_EQ(g.GetUserParam(i), kUserDefaults[i]);
  for (int i = 0; i < AdminParamCount; ++i) EXPECT_EQ(g.GetAdminParam(i), kAdminDefaults[i]);
}

TEST_F(Fresh, TableWritesReachSettingsOnlyAtDecode) {
  g.SetUserParam(1, CursorMovement);
  EXPECT_EQ(g.parameters().settings().cursorMovement, 0);
  g.DecodeParameters(0);
  EXPECT_EQ(g.parameters().settings().cursorMovement, 1);
  // Init restores working defaults but leaves the tables as they are.
  g.InitParameters();
  EXPECT_EQ(g.parameters().settings().cursorMovement, 0);
  EXPECT_EQ(g.GetUserParam(CursorMovement), 1.0f);
}

TEST(KeyboardActionList, OutOfRangeAccessIsEmptyAndListsStayEqual) {
  keyboardAct k;
  k.append("A", "Ctrl+A", true);
  EXPECT_EQ(k.at(1).name, QString());
  EXPECT_EQ(k.at(-1).keys, QString());
  EXPECT_FALSE(k.at(7).osKey);
  k.removeAt(5);
  EXPECT_EQ(k.count(), 1);
  k.removeAt(0);
  EXPECT_EQ(k.count(), 0);
  EXPECT_EQ(k.names().size(), k.keys().size());
  EXPECT_EQ(k.keys().size(), k.osKey().size());
}

// The GUI thread edits the lists and the tables while the tracking thread reads them per frame.
TEST(ParameterTableThreads, ConcurrentEditsAndReadsStayConsistent) {
  VelmoGestures g;
  g.InitParameters();
  std::atomic<bool> stop{false};
  std::atomic<int> inconsistent{0};
  std::thread reader([&] {
    while (!stop.load()) {
      const WorkingSettings s = g.parameters().settings();
      if (s.circleAction[0] != s.circleAction[1]) inconsistent++;
      const QList<keyboardAct::Entry> e = g.GetKeyboardActions()->entries();
      for (const auto& entry : e)
        if (entry.name.isEmpty()) inconsistent++;
      (void)g.GetKeyboardActions()->at(2);
      (void)g.parameters().networkModePtr()->load();
    }
  });
  for (int i = 0; i < 2000; ++i) {
    g.SetUserParam(static_cast<float>(i % 2), ForeFingerCircleAction);
    g.SetUserParam(static_cast<float>(i % 3), NetworkMode);
    g.DecodeParameters(i % 2);
    g.EncodeParameters();
    g.GetKeyboardActions()->append(QString("N%1").arg(i), "F1", false);
    if (g.GetKeyboardActions()->count() > 8) g.GetKeyboardActions()->removeAt(0);
  }
  stop = true;
  reader.join();
  EXPECT_EQ(inconsistent.load(), 0);
}
