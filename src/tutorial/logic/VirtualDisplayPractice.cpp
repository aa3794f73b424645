#include "VirtualDisplayPractice.h"

#include <algorithm>
#include <cmath>

#include "EngineView.h"
#include "TutorialTexts.h"

void VirtualDisplayPractice::moveCursor(const EngineView& engine, bool handShown, TutorialSceneState& scene) const {
  auto& cursor = scene.arrows[TutorialSceneState::kCursorArrow];
  if (!handShown) {
    scene.leftButtonMaterial = TutorialTexts::kLightGray;
    scene.rightButtonMaterial = TutorialTexts::kLightGray;
    scene.wheelMaterial = TutorialTexts::kLightGray;
    cursor.headMaterial = TutorialTexts::kWhite;
    cursor.shaftMaterial = TutorialTexts::kWhite;
    return;
  }
  const bool left = engine.isLeftPressed() != 0;
  const bool right = engine.isRightPressed() != 0;
  const bool middle = engine.isMiddlePressed() != 0;
  const int wheel = engine.isWheelMoving();
  scene.leftButtonMaterial = left ? TutorialTexts::kGlowGreen : TutorialTexts::kLightGray;
  scene.rightButtonMaterial = right ? TutorialTexts::kGlowOrange : TutorialTexts::kLightGray;
  scene.wheelMaterial = wheel == 1 ? TutorialTexts::kGlowMagenta
                        : wheel == 2 ? TutorialTexts::kGlowYellow
                        : middle     ? TutorialTexts::kGlowRed
                                     : TutorialTexts::kLightGray;
  const char* colour = left           ? TutorialTexts::kGlowGreen
                       : right        ? TutorialTexts::kGlowOrange
                       : middle       ? TutorialTexts::kGlowRed
                       : wheel == 1   ? TutorialTexts::kGlowMagenta
                       : wheel == 2   ? TutorialTexts::kGlowYellow
                                      : TutorialTexts::kWhite;
  cursor.headMaterial = colour;
  cursor.shaftMaterial = colour;

  if (wheel != 0) return;
  float nx = 0.0f;
  float ny = 0.0f;
  engine.GetNormalizedHandPos(&nx, &ny);
  // No screen size yet, or any other unusable reading: the cursor stays where it is.
  if (!std::isfinite(nx) || !std::isfinite(ny)) return;
  Ogre::Vector3& mouse = scene.mouse.position;
  Ogre::Vector3& arrow = cursor.pose.position;
  if (engine.isRelative() == 0) {
    mouse = {150 * nx - 75, -80, -150 * ny + 75 - 300};
    arrow = {1200 * nx - 600, std::min(450.0f, 1000 * ny - 80), -1080};
  } else {
    mouse = {std::clamp(mouse.x + 20 * nx, -100.0f, 100.0f), -80, std::clamp(mouse.z + 25 * ny, -400.0f, -200.0f)};
    arrow = {std::clamp(arrow.x + 150 * nx, -500.0f, 500.0f), std::clamp(arrow.y - 150 * ny, -80.0f, 500.0f), -1080};
  }
}

void VirtualDisplayPractice::moveClickIcon(const EngineView& engine, TutorialSceneState& scene) {
  const Ogre::Vector3 display = scene.displayPosition;
  const Ogre::Vector3 cursor = scene.arrows[TutorialSceneState::kCursorArrow].pose.position;
  const float cx = cursor.x;
  const float cy = cursor.y;
  const bool inDisplay = display.x - 442 <= cx && cx <= display.x + 442;
  const bool left = engine.isLeftPressed() != 0;
  const bool right = engine.isRightPressed() != 0;
  const bool middle = engine.isMiddlePressed() != 0;

  for (int i = 0; i < TutorialSceneState::kIcons; ++i) {
    auto& icon = scene.icons[i];
    if (!icon.present) continue;
    const float px = icon.position.x;
    const float py = icon.position.y;
    const bool over = px - 10 <= cx && cx <= px + 40 && py - 50 <= cy && cy <= py + 10;
    if (over || held_ == i) {
      underCursor_ = i;
      if (!left && !right && !middle && held_ != -1) {
        held_ = -1;
        if (leftHeld_ == 1) {
          ++clicks_;
          leftHeld_ = 0;
          for (auto& folder : scene.folders) {
            const float fx = folder.position.x;
            const float fy = folder.position.y;
            if (fx - 55 <= cx && cx <= fx + 55 && fy - 55 <= cy && cy <= fy + 55) {
              folder.material = icon.material;
              icon.present = false;
              break;
            }
          }
          if (!icon.present) continue;  // filed away: nothing more to do with it
        }
      }
      if (left && (held_ == i || held_ == -1)) {
        if (held_ == -1) {
          grabX_ = static_cast<int>(px - cx);
          grabY_ = static_cast<int>(py - cy);
        }
        if (inDisplay && display.y - 250 <= cy && cy <= display.y + 250 - 20) {
          icon.position = {static_cast<float>(grabX_) + cx, static_cast<float>(grabY_) + cy, -1095};
        }
        if (held_ == -1) held_ = i;
        leftHeld_ = 1;
      }
      if (clicks_ == 2) {
        icon.material = TutorialTexts::kGlowGreen;
        leftHeld_ = 0;
        clicks_ = 0;
      } else if (right && (held_ == i || held_ == -1)) {
        if (held_ == -1) held_ = i;
        rightClicked_ = 1;
        clicks_ = 0;
      } else if (middle && (held_ == i || held_ == -1)) {
        if (held_ == -1) held_ = i;
        middleClicked_ = 1;
        clicks_ = 0;
      }
      if (!right && rightClicked_ == 1) {
        icon.material = TutorialTexts::kGlowOrange;
        rightClicked_ = 0;
        clicks_ = 0;
      } else if (!middle && middleClicked_ == 1) {
        icon.material = TutorialTexts::kGlowRed;
        middleClicked_ = 0;
        clicks_ = 0;
      }
    }
    if (!over && i == underCursor_) clicks_ = 0;
  }
}

void VirtualDisplayPractice::resetVirtualDisplay(DisplayFlags& flags, TutorialSceneState& scene) {
  scene.resetVirtualDisplay();
  flags.resetVirtualDisplay = 0;
}
