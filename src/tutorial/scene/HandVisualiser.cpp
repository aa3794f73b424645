#include "HandVisualiser.h"

#include <Ogre.h>

#include <cstdio>

#include "ProceduralMeshes.h"
#include "TextRenderer.h"
#include "TutorialSceneFrame.h"
#include "TutorialEngine.h"
#include "TutorialTexts.h"

namespace proc = velmo::procedural;

namespace {

constexpr float kHalfPi = 1.5707963f;
const char* const kGroup = "General";

// Stands in for the engine when the tutorial was opened without one: no hand, nothing pressed.
class NoEngineView : public EngineView {
 public:
  handTrackingData getHandData() const override { return {}; }
  int isFist() const override { return 0; }
  int isRelative() const override { return 0; }
  int GetControllerPos() const override { return 0; }
  int isGestureEnabled(int) const override { return 0; }
  int isGestureCircleEnabled(int) const override { return 0; }
  int isGestureFired(int) const override { return 0; }
  int whichGestureIsFired() const override { return -1; }
  int whichActionIsEnabled(int) const override { return 0; }
  int whichWheelActionIsEnabled(int) const override { return 0; }
  int isLeftPressed() const override { return 0; }
  int isRightPressed() const override { return 0; }
  int isMiddlePressed() const override { return 0; }
  int isKeyPressed() const override { return 0; }
  int isWheelMoving() const override { return 0; }
  void GetNormalizedHandPos(float* x, float* y) const override { *x = *y = 0.0f; }
};

std::string numbered(const char* format, int i) {
  char name[64];
  std::snprintf(name, sizeof name, format, i);
  return name;
}

}  // namespace

HandVisualiser::HandVisualiser(OsxTutorialWindow* window, TutorialEngine* engine)
    : BaseApplication(window), mEngine(engine) {
  if (mEngine != nullptr) {
    mEngine->SetInteractiveTutorial(isInteractive() != 0 ? 1 : 0);
  } else {
    mNoEngine = std::make_unique<NoEngineView>();
  }
}

HandVisualiser::~HandVisualiser() {
  mShuttingDown = 1;
  if (mEngine != nullptr) mEngine->SetInteractiveTutorial(0);
  delete mTutorialText;
  mTutorialText = nullptr;
}

const EngineView& HandVisualiser::engine() const {
  if (mEngine != nullptr) return *mEngine;
  return *mNoEngine;
}

int HandVisualiser::isShuttingDown() {
  if (GetShutdown()) mShuttingDown = 1;
  return mShuttingDown;
}

const TutorialSceneState* HandVisualiser::sceneState() const { return mFrame ? &mFrame->scene() : nullptr; }

void HandVisualiser::createViewports() {
  Ogre::Viewport* viewport = mWindow->addViewport(mCamera);
  viewport->setBackgroundColour(Ogre::ColourValue(0.1f, 0.1f, 0.1f, 1.0f));
  mCamera->setAspectRatio(Ogre::Real(viewport->getActualWidth()) / Ogre::Real(viewport->getActualHeight()));
}

void HandVisualiser::rotateEntity(Ogre::SceneNode* node, float x, float y, float z) {
  Ogre::Quaternion orientation = node->getOrientation();
  ::rotateEntity(orientation, x, y, z);
  node->setOrientation(orientation);
}

void HandVisualiser::createArrow(int index, int kind) {
  Ogre::SceneNode* parent = kind == 0 ? mFingersNode : mSceneMgr->getRootSceneNode();
  mArrowNodes[index] = parent->createChildSceneNode(numbered("ArrowNode%d", index));
  const std::string shaftMesh = numbered("myCylinder%d", index);
  const std::string headMesh = numbered("myCone%d", index);
  proc::realiseMesh(proc::makeCylinder(1, kind == 0 ? 4.0f : 2.0f, 16), shaftMesh, kGroup);
  proc::realiseMesh(proc::makeCone(3, 3, 36, 2), headMesh, kGroup);
  mArrowBodies[index] = mArrowNodes[index]->createChildSceneNode(numbered("ArrowBody%d", index));
  mArrowCones[index] = mSceneMgr->createEntity(headMesh);
  mArrowShafts[index] = mSceneMgr->createEntity(shaftMesh);
  mArrowNodes[index]->attachObject(mArrowCones[index]);
  mArrowBodies[index]->attachObject(mArrowShafts[index]);
  if (kind == 0) {
    mArrowNodes[index]->setScale(2, 6, 1);
    mArrowBodies[index]->setScale(1, 1, 1);
    mArrowCones[index]->setMaterialName(TutorialTexts::kYellow);
    mArrowShafts[index]->setMaterialName(TutorialTexts::kYellow50);
    mArrowCones[index]->setCastShadows(false);
    mArrowShafts[index]->setCastShadows(false);
    mArrowNodes[index]->setVisible(false);
  } else {
    mArrowNodes[index]->setScale(2.5f, 6.5f, 1.5f);
    mArrowBodies[index]->setScale(1.5f, 1.5f, 1.5f);
    mArrowCones[index]->setMaterialName(TutorialTexts::kWhite);
    mArrowShafts[index]->setMaterialName(TutorialTexts::kWhite);
    mArrowCones[index]->setCastShadows(true);
    mArrowShafts[index]->setCastShadows(true);
    mArrowBodies[index]->setPosition(0, -3, 0);
    rotateEntity(mArrowNodes[index], 0, 0, Ogre::Math::PI / 8);
  }
}

// Meshes, entities and nodes of the icons and folders are made once; a rebuild of the virtual
// display only brings them back to their places and colours (see applyScene).
void HandVisualiser::createIcons() {
  for (int i = 0; i < TutorialSceneState::kIcons; ++i) {
    const std::string mesh = numbered("Icon%d", i);
    proc::realiseMesh(proc::makeBox(30, 20, 40), mesh, kGroup);
    mIcons[i] = mSceneMgr->createEntity(mesh);
    mIconNodes[i] = mSceneMgr->getRootSceneNode()->createChildSceneNode(numbered("IconMesh%d", i));
    mIconNodes[i]->attachObject(mIcons[i]);
    mIconNodes[i]->setPosition(iconHome(i));
    mIcons[i]->setMaterialName(TutorialTexts::kYellow);
    mIcons[i]->setCastShadows(false);
    rotateEntity(mIconNodes[i], 0, kHalfPi, 0);
    mIconNodes[i]->setVisible(true);
  }
}

void HandVisualiser::createFolders() {
  for (int f = 0; f < TutorialSceneState::kFolders; ++f) {
    const std::string mesh = numbered("Folder%d", f);
    proc::realiseMesh(proc::makeBox(90, 30, 90), mesh, kGroup);
    mFolders[f] = mSceneMgr->createEntity(mesh);
    mFolderNodes[f] = mSceneMgr->getRootSceneNode()->createChildSceneNode(numbered("FolderMesh%d", f));
    mFolderNodes[f]->attachObject(mFolders[f]);
    mFolderNodes[f]->setPosition(folderHome(f));
    mFolders[f]->setMaterialName(TutorialTexts::kRed);
    mFolders[f]->setCastShadows(false);
    rotateEntity(mFolderNodes[f], 0, kHalfPi, 0);
    mFolderNodes[f]->setVisible(true);
  }
}

void HandVisualiser::createScene() {
  Ogre::SceneNode* root = mSceneMgr->getRootSceneNode();
  mSceneMgr->setAmbientLight(Ogre::ColourValue(0, 0, 0, 1));

  proc::realiseMesh(proc::makePlane(1500, 1500, 100, 100), "planeMesh", kGroup);
  Ogre::Entity* floor = mSceneMgr->createEntity("planeMesh");
  mPlaneNode = root->createChildSceneNode("PlaneNode", Ogre::Vector3(0, -100, -500));
  mPlaneNode->attachObject(floor);
  floor->setMaterialName(TutorialTexts::kWhite);
  floor->setCastShadows(false);

  proc::realiseMesh(proc::makeRoundedBox(5, 1.5f, 10, 1), "bodyMouseMesh", kGroup);
  Ogre::Entity* body = mSceneMgr->createEntity("bodyMouseMesh");
  mMouseNode = root->createChildSceneNode("bodyMouseNode", Ogre::Vector3(0, -80, -300));
  mMouseNode->setScale(7, 7, 7);
  mMouseNode->attachObject(body);
  body->setMaterialName(TutorialTexts::kDarkBlue);
  body->setCastShadows(false);

  struct Part {
    const char* name;
    float sizeZ, sizeX, x;
    Ogre::SceneNode** node;
    Ogre::Entity** entity;
  };
  const Part parts[] = {{"leftButtonMesh", 6, 2, -1.7f, &mLeftButtonNode, &mLeftButton},
                        {"rightButtonMesh", 6, 2, 1.7f, &mRightButtonNode, &mRightButton},
                        {"wheelMesh", 6, 0.5f, 0, &mWheelNode, &mWheel}};
  for (const Part& part : parts) {
    proc::realiseMesh(proc::makePlane(part.sizeZ, part.sizeX, 50, 50), part.name, kGroup);
    *part.entity = mSceneMgr->createEntity(part.name);
    *part.node = mMouseNode->createChildSceneNode(part.name, Ogre::Vector3(part.x, 1.8f, -1.5f));
    (*part.node)->attachObject(*part.entity);
    (*part.entity)->setMaterialName(TutorialTexts::kLightGray);
    (*part.entity)->setCastShadows(false);
  }

  createArrow(TutorialSceneState::kCursorArrow, 1);
  mArrowNodes[TutorialSceneState::kCursorArrow]->setPosition(0, -80, -1080);
  mArrowCones[TutorialSceneState::kCursorArrow]->setCastShadows(false);
  mArrowShafts[TutorialSceneState::kCursorArrow]->setCastShadows(false);

  proc::realiseMesh(proc::makePlane(500, 885, 100, 100), "displayMesh", kGroup);
  mDisplay = mSceneMgr->createEntity("displayMesh");
  mDisplayNode = root->createChildSceneNode("displayMesh", Ogre::Vector3(0, 200, -1100));
  mDisplayNode->attachObject(mDisplay);
  mDisplay->setMaterialName(TutorialTexts::kLightGray);
  mDisplay->setCastShadows(false);
  rotateEntity(mDisplayNode, 0, kHalfPi, 0);
  mDisplayNode->setVisible(true);

  createIcons();
  createFolders();

  mFrame = std::make_unique<TutorialSceneFrame>(engine(), 0.0);
  const TutorialSceneState& scene = mFrame->scene();
  mHandNode = root->createChildSceneNode("HandNode", scene.hand.position);

  proc::realiseMesh(proc::makeTorus(30, 3, 16, 16), "myTorus", kGroup);
  Ogre::Entity* palm = mSceneMgr->createEntity("myTorus");
  mPalmNode = mHandNode->createChildSceneNode("PalmNode");
  mPalmNode->attachObject(palm);
  palm->setMaterialName(TutorialTexts::kGray50);
  palm->setCastShadows(true);

  mFingersNode = mHandNode->createChildSceneNode("FingersNode");
  createArrow(0, 0);
  createArrow(1, 0);

  static const float kRadius[3] = {7, 6, 5};
  for (int i = 0; i < TutorialSceneState::kJoints; ++i) {
    const std::string mesh = numbered("mySphere%d", i);
    proc::realiseMesh(proc::makeSphere(kRadius[i % 3], 16, 16), mesh, kGroup);
    mJointSpheres[i] = mSceneMgr->createEntity(mesh);
    mJointNodes[i] = mFingersNode->createChildSceneNode(numbered("%d", i));
    mJointNodes[i]->attachObject(mJointSpheres[i]);
    mJointSpheres[i]->setMaterialName(scene.jointMaterials[i]);
    mJointSpheres[i]->setCastShadows(true);
  }

  mTutorialText = new TextRenderer(0.03f, 0.7f, "TutorialManager", "TutorialContainer");
  mTutorialText->addTextBox("TutorialTxt", scene.text, 0, 0, 0.2f, 0.2f, Ogre::ColourValue::White, "Verdana",
                            0.04f);
  mTutorialText->setTextBoxVisible("TutorialTxt", false);
  mShownText = scene.text;
  mShownTextVisible = false;

  Ogre::Light* light = mSceneMgr->createLight("pointLight");
  light->setType(Ogre::Light::LT_DIRECTIONAL);
  light->setDiffuseColour(0.5f, 0.5f, 0.7f);
  light->setSpecularColour(Ogre::ColourValue::White);
  Ogre::SceneNode* lightNode = root->createChildSceneNode();
  lightNode->attachObject(light);
  lightNode->setDirection(Ogre::Vector3(0, -0.7071068f, -0.7071068f), Ogre::Node::TS_WORLD);

  mMovingLight = mSceneMgr->createLight("movingLight");
  mMovingLight->setType(Ogre::Light::LT_POINT);
  mMovingLight->setDiffuseColour(0.5f, 0.5f, 0.7f);
  mMovingLight->setSpecularColour(Ogre::ColourValue::White);
  mMovingLight->setCastShadows(false);
  root->createChildSceneNode(mCamera->getDerivedPosition())->attachObject(mMovingLight);

  mStart = std::chrono::steady_clock::now();
}

bool HandVisualiser::frameRenderingQueued(const Ogre::FrameEvent& evt) {
  const bool running = BaseApplication::frameRenderingQueued(evt);
  if (running) processUnbufferedInput(evt);
  return running;
}

bool HandVisualiser::processUnbufferedInput(const Ogre::FrameEvent&) {
  if (!mFrame) return true;
  DisplayFlags flags;
  flags.interactive = isInteractive();
  flags.gestureFlip = GetGestureFlip();
  flags.manualGestureFlip = isManualGestureFlip();
  flags.cursorVisible = isCursorVisible();
  flags.mouseVisible = isMouseVisible();
  flags.handVisible = isHandVisible();
  flags.resetVirtualDisplay = isResetVirtualDisplay();
  const double nowMs =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - mStart).count();
  mFrame->update(engine(), flags, nowMs);
  SetGestureFlip(flags.gestureFlip);
  setResetVirtualDisplay(flags.resetVirtualDisplay);
  applyScene();
  return true;
}

void HandVisualiser::setMaterial(Ogre::Entity* entity, const std::string& material) {
  if (material.empty() || entity->getSubEntity(0)->getMaterialName() == material) return;
  entity->setMaterialName(material);
}

void HandVisualiser::setNode(Ogre::SceneNode* node, const TutorialSceneState::Pose& pose) {
  node->setPosition(pose.position);
  node->setOrientation(pose.orientation);
  node->setVisible(pose.visible, false);
}

void HandVisualiser::applyScene() {
  const TutorialSceneState& s = mFrame->scene();
  mHandNode->setOrientation(s.hand.orientation);
  setNode(mPalmNode, s.palm);
  for (int i = 0; i < TutorialSceneState::kJoints; ++i) {
    setNode(mJointNodes[i], s.joints[i]);
    setMaterial(mJointSpheres[i], s.jointMaterials[i]);
  }
  for (int a = 0; a < 3; ++a) {
    setNode(mArrowNodes[a], s.arrows[a].pose);
    mArrowBodies[a]->setPosition(s.arrows[a].bodyPosition);
    mArrowBodies[a]->setVisible(s.arrows[a].pose.visible, false);
    setMaterial(mArrowCones[a], s.arrows[a].headMaterial);
    setMaterial(mArrowShafts[a], s.arrows[a].shaftMaterial);
  }
  mMouseNode->setPosition(s.mouse.position);
  mMouseNode->setVisible(s.mouse.visible, true);
  setMaterial(mLeftButton, s.leftButtonMaterial);
  setMaterial(mRightButton, s.rightButtonMaterial);
  setMaterial(mWheel, s.wheelMaterial);
  for (int i = 0; i < TutorialSceneState::kIcons; ++i) {
    mIconNodes[i]->setVisible(s.icons[i].present, false);
    mIconNodes[i]->setPosition(s.icons[i].position);
    setMaterial(mIcons[i], s.icons[i].material);
  }
  for (int f = 0; f < TutorialSceneState::kFolders; ++f) setMaterial(mFolders[f], s.folders[f].material);
  if (s.text != mShownText) {
    mTutorialText->setText("TutorialTxt", s.text);
    mShownText = s.text;
  }
  if (s.textVisible != mShownTextVisible) {
    mTutorialText->setTextBoxVisible("TutorialTxt", s.textVisible);
    mShownTextVisible = s.textVisible;
  }
}
