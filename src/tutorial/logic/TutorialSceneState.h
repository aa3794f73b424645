#pragma once

#include <OgreQuaternion.h>
#include <OgreVector.h>

#include <string>

// Everything the per-frame logic decides about the scene, in plain values; the visualiser copies
// it onto the Ogre nodes and entities. Visibility follows Ogre's rule that showing or hiding a
// node does the same to everything below it.
struct TutorialSceneState {
  static constexpr int kJoints = 15;
  static constexpr int kIcons = 14;
  static constexpr int kFolders = 2;
  static constexpr int kCursorArrow = 2;

  struct Pose {
    Ogre::Vector3 position = Ogre::Vector3::ZERO;
    Ogre::Quaternion orientation = Ogre::Quaternion::IDENTITY;
    bool visible = true;
  };
  struct Arrow {
    Pose pose;
    Ogre::Vector3 bodyPosition = Ogre::Vector3::ZERO;
    std::string headMaterial;
    std::string shaftMaterial;
  };
  struct Icon {
    bool present = true;
    Ogre::Vector3 position = Ogre::Vector3::ZERO;
    std::string material;
  };

  Pose hand;
  Pose palm;
  Pose joints[kJoints];
  std::string jointMaterials[kJoints];
  Arrow arrows[3];
  Pose mouse;
  std::string leftButtonMaterial;
  std::string rightButtonMaterial;
  std::string wheelMaterial;
  bool textVisible = false;
  std::string text;
  Icon icons[kIcons];
  Icon folders[kFolders];
  Ogre::Vector3 displayPosition{0, 200, -1100};

  // Bring the icons and folders to their first places and colours.
  void resetVirtualDisplay();
  // Visibility of the fingers node and of everything on it.
  void setFingersVisible(bool visible);
  void setHandVisible(bool visible);
};

// Home of icon i (0-13) and folder f (0-1) on the virtual display.
Ogre::Vector3 iconHome(int i);
Ogre::Vector3 folderHome(int f);

// Three turns in a node's own frame (yaw about Y by x, pitch about X by y, roll about Z by z), each
// skipped near the angles where the tracked palm's readings fold over.
void rotateEntity(Ogre::Quaternion& orientation, float x, float y, float z);
