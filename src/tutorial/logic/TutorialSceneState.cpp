#include "TutorialSceneState.h"

#include <cmath>

#include "TutorialTexts.h"

Ogre::Vector3 iconHome(int i) {
  const int column = i < 7 ? 1 : 2;
  const int row = i % 7 + 1;
  return {static_cast<float>(column * 45 - 442), static_cast<float>(500 - 40 - row * 60), -1095.0f};
}

Ogre::Vector3 folderHome(int f) { return {307.0f, static_cast<float>(500 - 90 - (f + 1) * 135), -1095.0f}; }

void TutorialSceneState::resetVirtualDisplay() {
  for (int i = 0; i < kIcons; ++i) icons[i] = Icon{true, iconHome(i), TutorialTexts::kYellow};
  for (int f = 0; f < kFolders; ++f) folders[f] = Icon{true, folderHome(f), TutorialTexts::kRed};
}

void TutorialSceneState::setFingersVisible(bool visible) {
  for (Pose& joint : joints) joint.visible = visible;
  arrows[0].pose.visible = visible;
  arrows[1].pose.visible = visible;
}

void TutorialSceneState::setHandVisible(bool visible) {
  hand.visible = visible;
  palm.visible = visible;
  setFingersVisible(visible);
}

void rotateEntity(Ogre::Quaternion& orientation, float x, float y, float z) {
  constexpr float kEighth = 0.3926991f;
  constexpr float kQuarter = 0.7853982f;
  constexpr float kThreeEighths = 1.1780972f;
  const float ax = std::fabs(x);
  const float ay = std::fabs(y);
  const float az = std::fabs(z);
  if (!(ay >= kThreeEighths && ax >= kQuarter)) {
    orientation = orientation * Ogre::Quaternion(Ogre::Radian(x), Ogre::Vector3::UNIT_Y);
  }
  if (ay < kEighth || ax < kThreeEighths || az > kEighth) {
    orientation = orientation * Ogre::Quaternion(Ogre::Radian(y), Ogre::Vector3::UNIT_X);
  }
  if (ay < kThreeEighths || ax < kThreeEighths) {
    orientation = orientation * Ogre::Quaternion(Ogre::Radian(z), Ogre::Vector3::UNIT_Z);
  }
  orientation.normalise();
}
