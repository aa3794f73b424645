// One tutorial frame after another against a scripted engine: what the scene would show.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "ScriptedEngine.h"
#include "TutorialSceneFrame.h"
#include "TutorialTexts.h"

namespace {

using T = TutorialTexts;

struct Session {
  ScriptedEngine engine;
  DisplayFlags flags;
  double now = 0;
  TutorialSceneFrame frame{engine, 0};

  const TutorialSceneState& scene() const { return frame.scene(); }
  void step(double ms = 16) {
    now += ms;
    frame.update(engine, flags, now);
  }
};

std::string caption(const char* title, int gestureLine, const char* action) {
  return std::string(title) + T::kGesture[gestureLine] + action;
}

}  // namespace

TEST(TutorialSceneFrame, JointMouseAndCursorColoursFollowTheEngine) {
  struct Case {
    const char* name;
    std::function<void(ScriptedEngine&)> set;
    const char *thumb, *index, *middle, *leftButton, *wheel, *cursor;
  };
  const Case cases[] = {
      {"open hand", [](ScriptedEngine&) {}, T::kGreen, T::kBlue, T::kRed, T::kLightGray, T::kLightGray, T::kWhite},
      {"left pinch", [](ScriptedEngine& e) { e.fired[0] = e.left = 1; }, T::kGlowGreen, T::kGlowGreen, T::kRed,
       T::kGlowGreen, T::kLightGray, T::kGlowGreen},
      {"right pinch", [](ScriptedEngine& e) { e.fired[1] = e.right = 1; }, T::kGlowOrange, T::kBlue, T::kGlowOrange,
       T::kLightGray, T::kLightGray, T::kGlowOrange},
      {"middle pinch", [](ScriptedEngine& e) { e.fired[2] = e.middle = 1; }, T::kGlowRed, T::kBlue, T::kRed,
       T::kLightGray, T::kGlowRed, T::kGlowRed},
      {"key pinch", [](ScriptedEngine& e) { e.fired[3] = e.key = 1; }, T::kGlowAzure, T::kBlue, T::kRed,
       T::kLightGray, T::kLightGray, T::kWhite},
      {"wheel forward", [](ScriptedEngine& e) { e.wheel = 1; }, T::kGreen, T::kGlowMagenta, T::kRed, T::kLightGray,
       T::kGlowMagenta, T::kGlowMagenta},
      {"wheel back", [](ScriptedEngine& e) { e.wheel = 2; }, T::kGreen, T::kGlowYellow, T::kRed, T::kLightGray,
       T::kGlowYellow, T::kGlowYellow},
      {"middle pinch disabled", [](ScriptedEngine& e) { e.actions[1] = 0; }, T::kGreen, T::kBlue, T::kGray50,
       T::kLightGray, T::kLightGray, T::kWhite},
      {"fist: model at rest", [](ScriptedEngine& e) { e.fist = e.left = 1; }, T::kGreen, T::kBlue, T::kRed,
       T::kLightGray, T::kLightGray, T::kWhite},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Session run;
    c.set(run.engine);
    run.step();
    const auto& s = run.scene();
    for (int j = 0; j < 3; ++j) {
      EXPECT_EQ(s.jointMaterials[j], c.thumb);
      EXPECT_EQ(s.jointMaterials[3 + j], c.index);
      EXPECT_EQ(s.jointMaterials[6 + j], c.middle);
    }
    EXPECT_EQ(s.leftButtonMaterial, c.leftButton);
    EXPECT_EQ(s.wheelMaterial, c.wheel);
    EXPECT_EQ(s.arrows[2].headMaterial, c.cursor);
    EXPECT_EQ(s.arrows[2].shaftMaterial, c.cursor);
  }
}

TEST(TutorialSceneFrame, ExplanationStepsThroughTheGesturesAndYieldsToAClosedPinch) {
  Session run;
  run.engine.actions[2] = 0;  // the ring pinch does nothing: skipped at the next frame
  struct Expect {
    double afterMs;
    int flip;
    bool textVisible;
    std::string text;
  };
  const std::string left0 = caption("LEFT CLICK\n\n", 0, "to PRESS LEFT mouse button");
  const std::string right0 = caption("RIGHT CLICK\n\n", 2, "to PRESS RIGHT mouse button");
  const std::string key0 = caption("KEYBOARD ACTION\n\n", 6, "to PRESS KEYBOARD shortcut");
  const std::string wheelCw = caption("MOUSE WHEEL\n\n", 8, "to move BACKWARD mouse wheel");
  const std::string wheelAcw = caption("MOUSE WHEEL\n\n", 9, "to move FORWARD mouse wheel");
  const Expect script[] = {
      {16, 0, true, left0},     {2400, 0, true, left0},  {100, 1, true, right0}, {2500, 2, false, right0},
      {16, 3, false, ""},       {16, 3, true, key0},     {2500, 4, true, wheelCw}, {2500, 5, true, wheelAcw}, {2500, 0, true, left0},
  };
  int n = 0;
  for (const Expect& e : script) {
    SCOPED_TRACE(n++);
    run.step(e.afterMs);
    EXPECT_EQ(run.flags.gestureFlip, e.flip);
    EXPECT_EQ(run.scene().textVisible, e.textVisible);
    if (e.textVisible) {
      EXPECT_EQ(run.scene().text, e.text);
    }
  }
  // While explained, the yellow arrows point at each other: thumb tip (-80, 40) to forefinger tip (-40, 40).
  const auto& a0 = run.scene().arrows[0];
  EXPECT_EQ(a0.headMaterial, T::kYellow);
  EXPECT_TRUE(a0.pose.position.positionEquals({-80, 15, 0}, 1e-3f));
  EXPECT_TRUE((a0.pose.orientation * Ogre::Vector3::UNIT_Y).positionEquals(Ogre::Vector3::UNIT_X, 1e-3f));
  EXPECT_TRUE((run.scene().arrows[1].pose.orientation * Ogre::Vector3::UNIT_Y)
                  .positionEquals(Ogre::Vector3::NEGATIVE_UNIT_X, 1e-3f));

  // A closed pinch overrides: spread-apart line with the release text, magenta arrows 36 further out.
  run.engine.fired[1] = run.engine.right = 1;
  run.step();
  EXPECT_EQ(run.scene().text, caption("RIGHT CLICK\n\n", 3, "to RELEASE RIGHT mouse button"));
  EXPECT_EQ(run.scene().arrows[0].headMaterial, T::kMagenta);
  EXPECT_TRUE(run.scene().arrows[0].pose.position.positionEquals({-80 - 36, 15, 0}, 1e-3f));
  // Touching tips give no direction: both arrows keep their last placement.
  const auto before = run.scene().arrows[0].pose;
  for (int j = 6; j < 9; ++j) run.engine.hand.boneCenter[j][0] = -80;
  run.engine.hand.boneCenter[8][1] = 40;
  run.step();
  const auto& after = run.scene().arrows[0].pose;
  EXPECT_TRUE(after.position.positionEquals(before.position, 1e-3f));
  EXPECT_TRUE(after.orientation.equals(before.orientation, Ogre::Radian(1e-3f)));
  EXPECT_FALSE(after.position.isNaN());
  run.engine.fired[1] = run.engine.right = 0;

  // After G the explanation stays put; all gestures disabled: one step per frame, text hidden.
  run.flags.manualGestureFlip = true;
  run.flags.gestureFlip = 1;
  run.step(10000);
  EXPECT_EQ(run.flags.gestureFlip, 1);
  for (int& a : run.engine.actions) a = 0;
  run.engine.wheelAction = 0;
  for (int frame = 0; frame < 6; ++frame) {
    run.step();
    EXPECT_EQ(run.flags.gestureFlip, (2 + frame) % 6);
    EXPECT_FALSE(run.scene().textVisible);
  }
}

TEST(TutorialSceneFrame, FistAndMissingHandHideTheHand) {
  struct Case {
    const char* name;
    int hands, fist, relative, interactive;
    bool textVisible;
    const char* text;
  };
  const Case cases[] = {
      {"fist, absolute", 1, 1, 0, 1, true, T::kFistAbsolute},
      {"fist, relative", 1, 1, 1, 1, true, T::kFistRelative},
      {"no hand", 0, 0, 0, 1, false, ""},
      {"not interactive", 1, 1, 0, 0, false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Session run;
    run.step();
    run.engine.hand.handsCount = c.hands;
    run.engine.fist = c.fist;
    run.engine.relative = c.relative;
    run.flags.interactive = c.interactive;
    const Ogre::Vector3 cursor = run.scene().arrows[2].pose.position;
    run.engine.nx = 0.9f;
    run.step();
    const auto& s = run.scene();
    EXPECT_FALSE(s.palm.visible);
    for (const auto& joint : s.joints) EXPECT_FALSE(joint.visible);
    EXPECT_FALSE(s.arrows[0].pose.visible || s.arrows[1].pose.visible);
    EXPECT_EQ(s.textVisible, c.textVisible);
    if (c.textVisible) {
      EXPECT_EQ(s.text, c.text);
    }
    EXPECT_TRUE(s.arrows[2].pose.position.positionEquals(cursor, 1e-3f));
  }
}

TEST(TutorialSceneFrame, CursorAndMouseModelFollowThePointer) {
  struct Case {
    const char* name;
    int relative;
    float nx, ny;
    int frames;
    Ogre::Vector3 cursor, mouse;
  };
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const Case cases[] = {
      {"absolute centre", 0, 0.5f, 0.5f, 1, {0, 420, -1080}, {0, -80, -300}},
      {"absolute, high hand clamps", 0, 0.5f, 0.6f, 1, {0, 450, -1080}, {0, -80, -315}},
      {"relative, pushed left and down", 1, -0.1f, 0.1f, 100, {-500, -80, -1080}, {-100, -80, -200}},
      {"relative, pushed right and up", 1, 0.1f, -0.1f, 100, {500, 500, -1080}, {100, -80, -400}},
      {"no screen size: stays", 0, nan, nan, 3, {0, -80, -1080}, {0, -80, -300}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Session run;
    run.engine.relative = c.relative;
    run.engine.nx = c.nx;
    run.engine.ny = c.ny;
    for (int i = 0; i < c.frames; ++i) run.step();
    EXPECT_TRUE(run.scene().arrows[2].pose.position.positionEquals(c.cursor, 1e-2f))
        << run.scene().arrows[2].pose.position;
    EXPECT_TRUE(run.scene().mouse.position.positionEquals(c.mouse, 1e-2f)) << run.scene().mouse.position;
  }
}

TEST(TutorialSceneFrame, IconsDragIntoFoldersAndRecolourOnClicksUntilReset) {
  struct Step {
    float cx, cy;
    int left, right, middle;
  };
  struct Case {
    const char* name;
    int icon;
    std::vector<Step> steps;
    bool present;
    const char* iconMaterial;
    Ogre::Vector3 iconAt;
    const char* folder0;
  };
  const Ogre::Vector3 icon1 = iconHome(1), icon2 = iconHome(2), icon3 = iconHome(3);
  const Case cases[] = {
      {"drag into folder 0", 0,
       {{-390, 380, 0, 0, 0}, {-390, 380, 1, 0, 0}, {0, 330, 1, 0, 0}, {300, 270, 1, 0, 0}, {300, 270, 0, 0, 0}},
       false, T::kYellow, iconHome(0), T::kYellow},
      {"dropped off every folder", 0,
       {{-390, 380, 1, 0, 0}, {100, 380, 1, 0, 0}, {100, 380, 0, 0, 0}},
       true, T::kYellow, {93, 400, -1095}, T::kRed},
      {"dragged past the display's top edge stops", 0,
       {{-390, 380, 1, 0, 0}, {-390, 420, 1, 0, 0}, {-390, 440, 1, 0, 0}},
       true, T::kYellow, {-397, 440, -1095}, T::kRed},
      {"double left click", 1,
       {{-390, 320, 1, 0, 0}, {-390, 320, 0, 0, 0}, {-390, 320, 1, 0, 0}, {-390, 320, 0, 0, 0}},
       true, T::kGlowGreen, icon1, T::kRed},
      {"two clicks with a move off between", 1,
       {{-390, 320, 1, 0, 0}, {-390, 320, 0, 0, 0}, {0, 0, 0, 0, 0}, {-390, 320, 1, 0, 0}, {-390, 320, 0, 0, 0}},
       true, T::kYellow, icon1, T::kRed},
      {"right click", 2, {{-390, 260, 0, 1, 0}, {-390, 260, 0, 0, 0}}, true, T::kGlowOrange, icon2, T::kRed},
      {"middle click", 3, {{-390, 200, 0, 0, 1}, {-390, 200, 0, 0, 0}}, true, T::kGlowRed, icon3, T::kRed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Session run;
    for (const Step& s : c.steps) {
      run.engine.pointAt(s.cx, s.cy);
      run.engine.left = s.left;
      run.engine.right = s.right;
      run.engine.middle = s.middle;
      run.step();
    }
    const auto& icon = run.scene().icons[c.icon];
    EXPECT_EQ(icon.present, c.present);
    EXPECT_EQ(icon.material, c.iconMaterial);
    if (c.present) {
      EXPECT_TRUE(icon.position.positionEquals(c.iconAt, 1e-2f)) << icon.position;
    }
    EXPECT_EQ(run.scene().folders[0].material, c.folder0);
    for (int i = 0; i < TutorialSceneState::kIcons; ++i) {
      if (i != c.icon) {
        EXPECT_TRUE(run.scene().icons[i].present && run.scene().icons[i].material == T::kYellow);
      }
    }
    // R puts everything back.
    run.flags.resetVirtualDisplay = 1;
    run.engine.pointAt(0, 0);
    run.step();
    EXPECT_EQ(run.flags.resetVirtualDisplay, 0);
    EXPECT_TRUE(run.scene().icons[c.icon].present);
    EXPECT_EQ(run.scene().icons[c.icon].material, T::kYellow);
    EXPECT_TRUE(run.scene().icons[c.icon].position.positionEquals(iconHome(c.icon), 1e-3f));
    EXPECT_EQ(run.scene().folders[0].material, T::kRed);
  }
}
