#include "HandExplanation.h"

#include <cmath>

#include "EngineView.h"
#include "TutorialTexts.h"

namespace {

constexpr float kHalfPi = 1.5707963f;

Ogre::Vector3 vec(const double (&v)[3]) {
  return {static_cast<float>(v[0]), static_cast<float>(v[1]), static_cast<float>(v[2])};
}

bool usable(const Ogre::Vector3& d) { return d.isNaN() == false && d.squaredLength() > 1e-12f; }

const char* pressColour(const EngineView& engine) {
  if (engine.isLeftPressed()) return TutorialTexts::kGlowGreen;
  if (engine.isRightPressed()) return TutorialTexts::kGlowOrange;
  if (engine.isMiddlePressed()) return TutorialTexts::kGlowRed;
  if (engine.isKeyPressed()) return TutorialTexts::kGlowAzure;
  return nullptr;
}

}  // namespace

bool HandExplanation::update(const EngineView& engine, DisplayFlags& flags, double nowMs,
                             TutorialSceneState& scene) {
  const bool handVisible = flags.handVisible != 0;
  scene.arrows[TutorialSceneState::kCursorArrow].pose.visible = flags.cursorVisible != 0;
  scene.mouse.visible = flags.mouseVisible != 0;
  scene.setFingersVisible(handVisible);
  scene.setHandVisible(handVisible);

  const handTrackingData hand = engine.getHandData();
  const bool fist = engine.isFist() != 0;
  if (hand.handsCount < 1 || flags.interactive == 0 || fist) {
    scene.palm.visible = false;
    for (auto& joint : scene.joints) joint.visible = false;
    scene.arrows[0].pose.visible = false;
    scene.arrows[1].pose.visible = false;
    scene.textVisible = false;
    if (hand.handsCount >= 1 && flags.interactive != 0 && fist) {
      scene.textVisible = true;
      scene.text = engine.isRelative() == 0 ? TutorialTexts::kFistAbsolute : TutorialTexts::kFistRelative;
    }
    return false;
  }

  scene.palm.orientation = Ogre::Quaternion::IDENTITY;
  scene.palm.position = vec(hand.palmPositionView);
  scene.palm.visible = handVisible;
  if (engine.GetControllerPos() == 2) {
    scene.hand.orientation = Ogre::Quaternion::IDENTITY;
    rotateEntity(scene.hand.orientation, Ogre::Math::PI, 0, 0);
    rotateEntity(scene.hand.orientation, 0, kHalfPi, 0);
  }
  rotateEntity(scene.palm.orientation, static_cast<float>(hand.yaw), static_cast<float>(hand.pitch),
               static_cast<float>(hand.roll));

  for (int i = 0; i < TutorialSceneState::kJoints; ++i) {
    auto& joint = scene.joints[i];
    if (handVisible) joint.visible = true;
    joint.orientation = Ogre::Quaternion::IDENTITY;
    joint.position = vec(hand.boneCenter[i]);
    if (i % 3 == 2) {
      tip_[i / 3] = joint.position;
      tipDirection_[i / 3] = vec(hand.boneDirection[i]);
    }
  }
  colourJoints(engine, scene);

  if (blink_ == 0 && handVisible) {
    scene.arrows[0].pose.visible = true;
    scene.arrows[1].pose.visible = true;
  }
  explain(engine, flags, nowMs, hand, scene);

  if (nowMs - lastBlinkMs_ >= kBlinkMs) {
    blink_ = 1 - blink_;
    blinkArrows(engine, flags, scene);
    lastBlinkMs_ = nowMs;
  }
  return true;
}

void HandExplanation::colourJoints(const EngineView& engine, TutorialSceneState& scene) const {
  const char* pressed = pressColour(engine);
  static const char* const kFingerColour[4] = {TutorialTexts::kBlue, TutorialTexts::kRed, TutorialTexts::kLightBlue,
                                               TutorialTexts::kWhite};
  for (int finger = 0; finger < 5; ++finger) {
    const char* colour = nullptr;
    if (finger == 0) {
      colour = pressed != nullptr ? pressed : TutorialTexts::kGreen;
    } else if (engine.isGestureFired(finger - 1)) {
      colour = pressed;  // fired with nothing pressed: unchanged
    } else if (finger == 1 && engine.isWheelMoving() == 1) {
      colour = TutorialTexts::kGlowMagenta;
    } else if (finger == 1 && engine.isWheelMoving() == 2) {
      colour = TutorialTexts::kGlowYellow;
    } else if (engine.isGestureEnabled(finger - 1)) {
      colour = kFingerColour[finger - 1];
    } else {
      colour = TutorialTexts::kGray50;
    }
    if (colour == nullptr) continue;
    for (int j = finger * 3; j < finger * 3 + 3; ++j) scene.jointMaterials[j] = colour;
  }
}

void HandExplanation::explain(const EngineView& engine, DisplayFlags& flags, double nowMs,
                              const handTrackingData& hand, TutorialSceneState& scene) {
  // An index pushed past the last gesture (several G presses in one frame) starts over.
  int f = flags.gestureFlip;
  if (f < 0 || f > 5) {
    f = 0;
    flags.gestureFlip = 0;
  }
  const bool enabled = f < 4 ? engine.isGestureEnabled(f) != 0 : engine.isGestureCircleEnabled(f - 4) != 0;
  if (nowMs - lastStepMs_ >= kStepMs || !enabled) {
    if (!(flags.manualGestureFlip && enabled)) flags.gestureFlip = ++f;
    lastStepMs_ = nowMs;
  }
  if (f > 5) {
    f = 0;
    flags.gestureFlip = 0;
  }

  const int wheel = engine.isWheelMoving();
  const int fired = engine.whichGestureIsFired();
  const bool anyPressed =
      engine.isLeftPressed() || engine.isRightPressed() || engine.isMiddlePressed() || engine.isKeyPressed();
  if (fired >= 0 && fired < 4 && anyPressed) {
    placeArrow(0, tip_[0], tip_[fired + 1], tipDirection_[0], false, false, scene);
    placeArrow(1, tip_[fired + 1], tip_[0], tipDirection_[0], false, false, scene);
    showGesture(engine, fired, 1, scene);
  } else if (f < 4 && enabled && engine.isGestureEnabled(f) && wheel == 0) {
    showGesture(engine, f, 0, scene);
    placeArrow(0, tip_[0], tip_[f + 1], tipDirection_[0], true, false, scene);
    placeArrow(1, tip_[f + 1], tip_[0], tipDirection_[0], true, false, scene);
  } else if (f >= 4 && wheel == 0) {
    if (blink_ == 0 && flags.handVisible) scene.arrows[0].pose.visible = true;
    scene.arrows[1].pose.visible = false;
    if (engine.isGestureCircleEnabled(f - 4)) showGesture(engine, 4, f - 4, scene);
    placeArrow(0, tip_[1], tip_[0], tipDirection_[1], true, true, scene);
    auto& orientation = scene.arrows[0].pose.orientation;
    orientation = Ogre::Quaternion::IDENTITY;
    const float turn = f == 4 ? -kHalfPi : kHalfPi;
    rotateEntity(orientation, static_cast<float>(hand.yaw), static_cast<float>(hand.pitch),
                 static_cast<float>(hand.roll) + turn);
  } else {
    scene.arrows[0].pose.visible = false;
    scene.arrows[1].pose.visible = false;
    scene.textVisible = false;
  }
}

void HandExplanation::showGesture(const EngineView& engine, int g, int phase, TutorialSceneState& scene) const {
  scene.textVisible = true;
  scene.text = TutorialTexts::gestureCaption(engine, g, phase);
}

void HandExplanation::placeArrow(int index, const Ogre::Vector3& from, const Ogre::Vector3& to,
                                 const Ogre::Vector3& back, bool explaining, bool circle,
                                 TutorialSceneState& scene) const {
  auto& arrow = scene.arrows[index];
  arrow.headMaterial = explaining ? TutorialTexts::kYellow : TutorialTexts::kMagenta;
  arrow.shaftMaterial = explaining ? TutorialTexts::kYellow50 : TutorialTexts::kMagenta50;
  arrow.bodyPosition = Ogre::Vector3(0, -4, 0);
  const Ogre::Vector3 d = explaining ? to - from : from - to;
  // Touching tips give no direction: the arrow keeps its last placement.
  const bool directed = usable(d);
  if (explaining) {
    arrow.pose.position = from - 25.0f * back;
  } else if (directed) {
    arrow.pose.position = from - 25.0f * back + 36.0f * d / d.length();
  }
  if (!circle && directed) arrow.pose.orientation = Ogre::Vector3::UNIT_Y.getRotationTo(d);
}

void HandExplanation::blinkArrows(const EngineView& engine, const DisplayFlags& flags,
                                  TutorialSceneState& scene) const {
  const int f = flags.gestureFlip;
  const bool both = f < 4 || engine.isLeftPressed() || engine.isRightPressed() || engine.isMiddlePressed();
  if (blink_ == 1) {
    scene.arrows[0].pose.visible = false;
    if (both) scene.arrows[1].pose.visible = false;
  } else if (flags.handVisible) {
    scene.arrows[0].pose.visible = true;
    if (both) scene.arrows[1].pose.visible = true;
  }
}
