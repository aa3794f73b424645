#pragma once

#include <OgrePrerequisites.h>

#include <chrono>
#include <memory>
#include <string>

#include "BaseApplication.h"
#include "TutorialSceneState.h"

class EngineView;
class OsxTutorialWindow;
class TextRenderer;
class TutorialEngine;
class TutorialSceneFrame;

// The tutorial proper: a floor, a model mouse, a virtual display with icons and folders, a cursor
// arrow, and the tracked hand as a palm ring with fifteen joint spheres and two pointer arrows,
// with a running explanation of the gestures. Every frame reads the engine through its query
// interface; the decisions are made in plain values (TutorialSceneFrame) and copied onto the
// nodes here. Every mesh is generated at start.
class HandVisualiser : public BaseApplication {
 public:
  // engine: the gesture engine's queries, not owned; null shows a scene without a hand.
  HandVisualiser(OsxTutorialWindow* window, TutorialEngine* engine);
  ~HandVisualiser() override;

  bool frameRenderingQueued(const Ogre::FrameEvent& evt) override;

  int isShuttingDown() override;
  void setShuttingDown(int value) { mShuttingDown = value; }

  // What the last frame decided (tests and screenshots).
  const TutorialSceneState* sceneState() const;

 protected:
  void createScene() override;
  void createViewports() override;

  void createArrow(int index, int kind);
  void createIcons();
  void createFolders();
  static void rotateEntity(Ogre::SceneNode* node, float x, float y, float z);
  bool processUnbufferedInput(const Ogre::FrameEvent& evt);

  Ogre::SceneNode* mJointNodes[TutorialSceneState::kJoints] = {};
  Ogre::Entity* mJointSpheres[TutorialSceneState::kJoints] = {};
  Ogre::SceneNode* mPlaneNode = nullptr;
  Ogre::SceneNode* mHandNode = nullptr;
  Ogre::SceneNode* mPalmNode = nullptr;
  Ogre::SceneNode* mFingersNode = nullptr;
  Ogre::SceneNode* mArrowNodes[3] = {};
  Ogre::SceneNode* mArrowBodies[3] = {};
  Ogre::SceneNode* mMouseNode = nullptr;
  Ogre::SceneNode* mLeftButtonNode = nullptr;
  Ogre::SceneNode* mRightButtonNode = nullptr;
  Ogre::SceneNode* mWheelNode = nullptr;
  Ogre::SceneNode* mDisplayNode = nullptr;
  Ogre::SceneNode* mIconNodes[TutorialSceneState::kIcons] = {};
  Ogre::SceneNode* mFolderNodes[TutorialSceneState::kFolders] = {};
  Ogre::Entity* mArrowCones[3] = {};
  Ogre::Entity* mArrowShafts[3] = {};
  Ogre::Entity* mLeftButton = nullptr;
  Ogre::Entity* mRightButton = nullptr;
  Ogre::Entity* mWheel = nullptr;
  Ogre::Entity* mDisplay = nullptr;
  Ogre::Entity* mIcons[TutorialSceneState::kIcons] = {};
  Ogre::Entity* mFolders[TutorialSceneState::kFolders] = {};
  Ogre::Light* mMovingLight = nullptr;
  int mShuttingDown = 0;
  TextRenderer* mTutorialText = nullptr;

 private:
  void applyScene();
  void setMaterial(Ogre::Entity* entity, const std::string& material);
  void setNode(Ogre::SceneNode* node, const TutorialSceneState::Pose& pose);

  const EngineView& engine() const;

  TutorialEngine* mEngine = nullptr;
  std::unique_ptr<EngineView> mNoEngine;
  std::unique_ptr<TutorialSceneFrame> mFrame;
  std::chrono::steady_clock::time_point mStart = std::chrono::steady_clock::now();
  bool mShownTextVisible = false;
  std::string mShownText;
};
