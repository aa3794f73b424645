#include "HandVisualiser.h"

#include "VelmoListener.h"

#include <Ogre.h>

HandVisualiser::HandVisualiser(OsxTutorialWindow* window, VelmoListener* listener)
    : BaseApplication(window), mListener(listener) {
    if (mListener) mListener->SetInteractiveTutorial(isInteractive() != 0);
}

HandVisualiser::~HandVisualiser() {
    mShuttingDown = 1;
    if (mListener) mListener->SetInteractiveTutorial(0);
}

int HandVisualiser::isShuttingDown() {
    if (GetShutdown()) mShuttingDown = 1;
    return mShuttingDown;
}

void HandVisualiser::createScene() {
    mSceneMgr->setAmbientLight(Ogre::ColourValue(0.3f, 0.3f, 0.3f));
    Ogre::Light* light = mSceneMgr->createLight("pointLight");
    light->setType(Ogre::Light::LT_DIRECTIONAL);
    light->setDiffuseColour(0.5f, 0.5f, 0.7f);
    Ogre::SceneNode* lightNode = mSceneMgr->getRootSceneNode()->createChildSceneNode();
    lightNode->attachObject(light);
    lightNode->setDirection(Ogre::Vector3(0, -0.7071068f, -0.7071068f));

    const Ogre::Plane plane(Ogre::Vector3::UNIT_Y, 0);
    Ogre::MeshManager::getSingleton().createPlane("planeMesh", Ogre::RGN_DEFAULT, plane, 1500, 1500, 20, 20, true, 1,
                                                  1, 1, Ogre::Vector3::UNIT_Z);
    Ogre::Entity* floor = mSceneMgr->createEntity("planeMesh");
    floor->setMaterialName("mat/White");
    Ogre::SceneNode* floorNode = mSceneMgr->getRootSceneNode()->createChildSceneNode("PlaneNode");
    floorNode->setPosition(0, -100, -500);
    floorNode->attachObject(floor);
}
