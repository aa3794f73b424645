#include "TutorialSceneFrame.h"

#include "EngineView.h"
#include "TutorialTexts.h"

TutorialSceneFrame::TutorialSceneFrame(const EngineView& engine, double nowMs) : hand_(nowMs) {
  scene_.hand.position = {0, engine.GetControllerPos() == 2 ? 100.0f : -100.0f, -500};
  for (int i = 0; i < 2; ++i) {
    auto& arrow = scene_.arrows[i];
    arrow.pose.visible = false;
    arrow.headMaterial = TutorialTexts::kYellow;
    arrow.shaftMaterial = TutorialTexts::kYellow50;
  }
  auto& cursor = scene_.arrows[TutorialSceneState::kCursorArrow];
  cursor.pose.position = {0, -80, -1080};
  rotateEntity(cursor.pose.orientation, 0, 0, Ogre::Math::PI / 8);
  cursor.bodyPosition = {0, -3, 0};
  cursor.headMaterial = TutorialTexts::kWhite;
  cursor.shaftMaterial = TutorialTexts::kWhite;
  scene_.mouse.position = {0, -80, -300};
  scene_.leftButtonMaterial = TutorialTexts::kLightGray;
  scene_.rightButtonMaterial = TutorialTexts::kLightGray;
  scene_.wheelMaterial = TutorialTexts::kLightGray;
  static const char* const kFingerColour[5] = {TutorialTexts::kGreen, TutorialTexts::kBlue, TutorialTexts::kRed,
                                               TutorialTexts::kLightBlue, TutorialTexts::kWhite};
  for (int i = 0; i < TutorialSceneState::kJoints; ++i) scene_.jointMaterials[i] = kFingerColour[i / 3];
  scene_.text = TutorialTexts::gestureCaption(engine, 0, 0);
  scene_.textVisible = false;
  scene_.resetVirtualDisplay();
}

void TutorialSceneFrame::update(const EngineView& engine, DisplayFlags& flags, double nowMs) {
  const bool handShown = hand_.update(engine, flags, nowMs, scene_);
  display_.moveCursor(engine, handShown, scene_);
  display_.moveClickIcon(engine, scene_);
  if (flags.resetVirtualDisplay != 0) display_.resetVirtualDisplay(flags, scene_);
}
