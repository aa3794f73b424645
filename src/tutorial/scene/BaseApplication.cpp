#include "BaseApplication.h"

#include "BuildTreeDirs.h"
#include "OsxTutorialWindow.h"
#include "ResourceDir.h"
#include "TextRenderer.h"

#include <Bites/OgreCameraMan.h>
#include <Bites/OgreTrays.h>
#include <Ogre.h>
#include <OgreOverlaySystem.h>

#include <Qt>
#include <QFileInfo>

#include <exception>

namespace {

const char* const windowTitle = "Velmo Mouse Tutorial";

// Qt key code to the key codes of Ogre's input listeners (letters lower case).
OgreBites::Keycode keycodeOf(int qtKey) {
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return 'a' + (qtKey - Qt::Key_A);
    switch (qtKey) {
    case Qt::Key_Escape: return OgreBites::SDLK_ESCAPE;
    case Qt::Key_Left: return OgreBites::SDLK_LEFT;
    case Qt::Key_Right: return OgreBites::SDLK_RIGHT;
    case Qt::Key_Up: return OgreBites::SDLK_UP;
    case Qt::Key_Down: return OgreBites::SDLK_DOWN;
    case Qt::Key_PageUp: return OgreBites::SDLK_PAGEUP;
    case Qt::Key_PageDown: return OgreBites::SDLK_PAGEDOWN;
    case Qt::Key_Shift: return OgreBites::SDLK_LSHIFT;
    default: return 0;
    }
}

} // namespace

const char* const BaseApplication::helpNames[helpRows] = {
    ":::::::::::::::::::::::::::::::::::::::::::::::::::",
    "press G", "press P", "press C", "press M", "press N", "press R", "press ESC", "press H",
    "press A or LEFT ARROW", "press D or RIGTH ARROW", "press W or UP ARROW", "press S or DOWN ARROW",
    "press PAGE UP", "press PAGE DOWN"};

const char* const BaseApplication::helpValues[helpRows] = {
    "::::::::::::::::::::::::::::::::::::::::::::::::::::::::::::::::::::::::",
    "to change GESTURE's explanation",
    "to change VELMO mouse OPTIONS",
    "to toggle CURSOR visibility",
    "to toggle MOUSE visibility",
    "to toggle HAND visibility",
    "to reset OBJECTS on virtual DISPLAY",
    "to EXIT tutorial",
    "to toggle HELP",
    "to move camera LEFT",
    "to move camera RIGHT",
    "to move camera OUT",
    "to move camera IN",
    "to move camera UP",
    "to move camera DOWN"};

BaseApplication::BaseApplication(OsxTutorialWindow* window) : mHostWindow(window) {
    if (mHostWindow) {
        mWindowHandle = mHostWindow->getHandle(&mViewHandle);
        mHostWindow->getWindowBounds(mWindowBounds);
        mHostWindow->setApplication(this);
    }
    // The program's resource folder when the renderer files are there, else the build's own.
    mResourcePath = velmoResourceDir().toStdString();
    const bool found = !mResourcePath.empty() && QFileInfo::exists(QString::fromStdString(mResourcePath + "/plugins.cfg"));
    if (!found && velmo_build_tutorial_media) mResourcePath = velmo_build_tutorial_media();
}

BaseApplication::~BaseApplication() {
    if (mHostWindow) mHostWindow->setApplication(nullptr);
    if (mRoot) mRoot->removeFrameListener(this);
    delete mTrayMgr;
    mTrayMgr = nullptr;
    if (mWindow) OgreBites::WindowEventUtilities::removeWindowEventListener(mWindow, this);
    destroyScene();
    delete mHelpText;
    mHelpText = nullptr;
    delete mCameraMan;
    mCameraMan = nullptr;
    if (mSceneMgr && mOverlaySystem) mSceneMgr->removeRenderQueueListener(mOverlaySystem);
    delete mOverlaySystem;
    mOverlaySystem = nullptr;
    // The render window (Ogre's child of the host view) goes with the root, before the view.
    delete mRoot;
    mRoot = nullptr;
    delete mLogManager;
}

bool BaseApplication::go() {
    mResourcesCfg = "resources.cfg";
    mPluginsCfg = "plugins.cfg";
    if (!setup()) return false;
    mRoot->startRendering();
    destroyScene();
    return true;
}

bool BaseApplication::loadPlugins(const std::string& pluginsFile) {
    Ogre::ConfigFile list;
    try {
        list.load(pluginsFile);
    } catch (const Ogre::Exception&) {
        mLastError = "The renderer's plug-in list " + pluginsFile + " cannot be read.";
        return false;
    }
    std::string folder = list.getSetting("PluginFolder");
    if (!folder.empty() && folder.back() != '/') folder += '/';
    const Ogre::StringVector plugins = list.getMultiSetting("Plugin");
    if (plugins.empty()) {
        mLastError = "The renderer's plug-in list " + pluginsFile + " names no plug-in.";
        return false;
    }
    for (const std::string& plugin : plugins) {
        try {
            mRoot->loadPlugin(folder + plugin);
        } catch (const Ogre::Exception& e) {
            mLastError = "The renderer's plug-in " + folder + plugin + " could not be loaded: " + e.getDescription();
            return false;
        }
    }
    if (mRoot->getAvailableRenderers().empty()) {
        mLastError = "No render system: " + pluginsFile + " loads none.";
        return false;
    }
    return true;
}

bool BaseApplication::setup() {
    const std::string path = mResourcePath + "/";
    if (mResourcesCfg.empty()) mResourcesCfg = "resources.cfg";
    if (mPluginsCfg.empty()) mPluginsCfg = "plugins.cfg";
    try {
        if (!Ogre::LogManager::getSingletonPtr()) {
            mLogManager = new Ogre::LogManager();
            mLogManager->createLog(path + "ogre.log", true, false, false);
        }
        // No plug-ins at construction: a render system that cannot start (no display, no GL) then
        // throws from loadPlugin, where it can be caught, instead of from inside the root.
        mRoot = new Ogre::Root("", path + "ogre.cfg", path + "ogre.log");
        if (!loadPlugins(path + mPluginsCfg)) return false;
        // Before the resources: overlay scripts are parsed while the groups initialise.
        mOverlaySystem = new Ogre::OverlaySystem();
        setupResources();
        if (!configure()) return false;
        chooseSceneManager();
        createCamera();
        createViewports();
        createResourceListener();
        loadResources();
        createScene();
        createFrameListener();
        return true;
    } catch (const Ogre::Exception& e) {
        mLastError = e.getFullDescription();
    } catch (const std::exception& e) {
        mLastError = e.what();
    }
    return false;
}

void BaseApplication::setupResources() {
    Ogre::ResourceGroupManager& groups = Ogre::ResourceGroupManager::getSingleton();
    const std::string general = Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME;
    groups.addResourceLocation(mResourcePath, "FileSystem", general, false);
    Ogre::ConfigFile list;
    list.loadFromResourceSystem(mResourcesCfg, general, "\t:=", true);
    // A relative location is the list's own folder's: the list names no installation's path, so an
    // installed, read-only or moved copy reads right as it is.
    for (const auto& section : list.getSettingsBySection())
        for (const auto& entry : section.second) {
            const std::string& where = entry.second;
            const std::string location = where.empty() || where[0] == '/' ? where : mResourcePath + "/" + where;
            groups.addResourceLocation(location, entry.first, section.first, false);
        }
}

bool BaseApplication::configure() {
    if (!mRoot->restoreConfig()) {
        mLastError = "The renderer's configuration " + mResourcePath + "/ogre.cfg is missing.";
        return false;
    }
    mRoot->initialise(false, windowTitle);
    Ogre::NameValuePairList params;
    params["parentWindowHandle"] = mViewHandle;
    params["colourDepth"] = "32";
    int width = static_cast<int>(mWindowBounds[2] - mWindowBounds[0]);
    int height = static_cast<int>(mWindowBounds[3] - mWindowBounds[1]);
    if (width <= 0 || height <= 0) width = 640, height = 480;
    mWindow = mRoot->createRenderWindow(windowTitle, width, height, false, &params);
    SetupInput();
    mWindow->setActive(true);
    mWindow->setAutoUpdated(true);
    mWindow->windowMovedOrResized();
    return true;
}

void BaseApplication::SetupInput() {
    // Keys come from the host window's own key events: nothing grabs the keyboard or pointer.
    Ogre::LogManager::getSingleton().logMessage("*** Initializing input from the tutorial window ***");
    windowResized(mWindow);
}

void BaseApplication::chooseSceneManager() {
    mSceneMgr = mRoot->createSceneManager();
    mSceneMgr->addRenderQueueListener(mOverlaySystem);
}

void BaseApplication::createCamera() {
    mCamera = mSceneMgr->createCamera("PlayerCam");
    mCameraNode = mSceneMgr->getRootSceneNode()->createChildSceneNode("PlayerCamNode");
    mCameraNode->attachObject(mCamera);
    mCameraNode->setPosition(0, 0, 50);
    mCameraNode->lookAt(Ogre::Vector3(0, 0, -300), Ogre::Node::TS_WORLD);
    mCamera->setNearClipDistance(5);
    mCameraMan = new OgreBites::CameraMan(mCameraNode);
    mCameraMan->setStyle(OgreBites::CS_FREELOOK);
    mCameraMan->setTopSpeed(150);
}

void BaseApplication::createViewports() {
    Ogre::Viewport* vp = mWindow->addViewport(mCamera);
    vp->setBackgroundColour(Ogre::ColourValue(0, 0, 0, 1));
    mCamera->setAspectRatio(Ogre::Real(vp->getActualWidth()) / Ogre::Real(vp->getActualHeight()));
}

void BaseApplication::createResourceListener() {}

void BaseApplication::loadResources() {
    Ogre::ResourceGroupManager::getSingleton().initialiseAllResourceGroups();
}

void BaseApplication::destroyScene() {}

void BaseApplication::createFrameListener() {
    OgreBites::WindowEventUtilities::addWindowEventListener(mWindow, this);

    mTrayMgr = new OgreBites::TrayManager("InterfaceName", mWindow, this);
    mTrayMgr->hideCursor();

    const Ogre::StringVector details = {"cam.pX", "cam.pY", "cam.pZ", "", "cam.oW", "cam.oX",
                                        "cam.oY", "cam.oZ", "", "Filtering", "Poly Mode"};
    mDetailsPanel = mTrayMgr->createParamsPanel(OgreBites::TL_NONE, "DetailsPanel", 200, details);
    mDetailsPanel->setParamValue(9, "Bilinear");
    mDetailsPanel->setParamValue(10, "Solid");
    mDetailsPanel->hide();

    const Ogre::StringVector help(helpNames, helpNames + helpRows);
    mHelpPanel = mTrayMgr->createParamsPanel(OgreBites::TL_NONE, "HelpPanel", 450, help);
    mHelpPanel->hide();

    mHelpText = new TextRenderer(0.31f, 0.94f, "HelpTextManager", "HelpContainer");
    mHelpText->addTextBox("HelpText", "pressh H to toggle HELP", 0, 0, 0.4f, 0.4f, Ogre::ColourValue::White,
                          "Ctrl_freak", 0.05f);

    mRoot->addFrameListener(this);
}

bool BaseApplication::frameRenderingQueued(const Ogre::FrameEvent& evt) {
    if (mWindow->isClosed() || mShutDown) return false;
    applyViewSize();
    applyQueuedKeys();
    mTrayMgr->frameRendered(evt);
    if (!mTrayMgr->isDialogVisible()) {
        mCameraMan->frameRendered(evt);
        if (mHelpPanel->getOverlayElement()->isVisible()) {
            for (int i = 0; i < helpRows; ++i) mHelpPanel->setParamValue(i, helpValues[i]);
        }
        mHelpText->setText("HelpText", "press H to toggle HELP");
    }
    return true;
}

void BaseApplication::queueKey(int qtKey, bool pressed, bool autoRepeat) {
    if (autoRepeat) return;
    const OgreBites::Keycode code = keycodeOf(qtKey);
    if (code != 0) mKeys.push_back({code, pressed});
}

void BaseApplication::applyQueuedKeys() {
    while (!mKeys.empty()) {
        const QueuedKey key = mKeys.front();
        mKeys.pop_front();
        OgreBites::KeyboardEvent evt{};
        evt.type = key.pressed ? OgreBites::KEYDOWN : OgreBites::KEYUP;
        evt.keysym.sym = key.code;
        if (key.pressed)
            keyPressed(evt);
        else
            keyReleased(evt);
        // After ESC the tutorial ends: later keys do not matter.
        if (mShutDown) mKeys.clear();
    }
}

bool BaseApplication::keyPressed(const OgreBites::KeyboardEvent& evt) {
    if (mTrayMgr && mTrayMgr->isDialogVisible()) return true;
    switch (evt.keysym.sym) {
    case OgreBites::SDLK_ESCAPE: mShutDown = true; break;
    case 'r': mResetVirtualDisplay = 1 - mResetVirtualDisplay; break;
    case 'p':
        if (mHostWindow) mHostWindow->openOptionsDlg();
        break;
    case 'g':
        mManualGestureFlip = true;
        SetGestureFlip(mGestureFlip + 1);
        break;
    case 'h':
        if (mHelpPanel && mTrayMgr) {
            if (mHelpPanel->getTrayLocation() == OgreBites::TL_NONE) {
                mTrayMgr->moveWidgetToTray(mHelpPanel, OgreBites::TL_TOPRIGHT, 0);
                mHelpPanel->show();
            } else {
                mTrayMgr->moveWidgetToTray(mHelpPanel, OgreBites::TL_NONE, -1);
                mHelpPanel->hide();
            }
        }
        break;
    case 'c': mCursorVisible = 1 - mCursorVisible; break;
    case 'n': mHandVisible = 1 - mHandVisible; break;
    case 'm': mMouseVisible = 1 - mMouseVisible; break;
    default: break;
    }
    if (mCameraMan) mCameraMan->keyPressed(evt);
    return true;
}

bool BaseApplication::keyReleased(const OgreBites::KeyboardEvent& evt) {
    if (mCameraMan) mCameraMan->keyReleased(evt);
    return true;
}

bool BaseApplication::mouseMoved(const OgreBites::MouseMotionEvent& evt) {
    if (mTrayMgr && mTrayMgr->mouseMoved(evt)) return true;
    if (mCameraMan) mCameraMan->mouseMoved(evt);
    return true;
}

bool BaseApplication::mousePressed(const OgreBites::MouseButtonEvent& evt) {
    if (mTrayMgr && mTrayMgr->mousePressed(evt)) return true;
    if (mCameraMan) mCameraMan->mousePressed(evt);
    return true;
}

bool BaseApplication::mouseReleased(const OgreBites::MouseButtonEvent& evt) {
    if (mTrayMgr && mTrayMgr->mouseReleased(evt)) return true;
    if (mCameraMan) mCameraMan->mouseReleased(evt);
    return true;
}

void BaseApplication::viewResized(int width, int height) {
    if (width <= 0 || height <= 0) return;
    mViewWidth = width;
    mViewHeight = height;
    mViewSizeChanged = true;
}

void BaseApplication::applyViewSize() {
    if (!mViewSizeChanged || !mWindow) return;
    mViewSizeChanged = false;
    if (static_cast<int>(mWindow->getWidth()) == mViewWidth && static_cast<int>(mWindow->getHeight()) == mViewHeight)
        return;
    mWindow->resize(mViewWidth, mViewHeight);
    mWindow->windowMovedOrResized();
    windowResized(mWindow);
}

void BaseApplication::windowResized(Ogre::RenderWindow* rw) {
    if (!rw || !mCamera) return;
    if (rw->getNumViewports() > 0) {
        Ogre::Viewport* vp = rw->getViewport(0);
        mCamera->setAspectRatio(Ogre::Real(vp->getActualWidth()) / Ogre::Real(vp->getActualHeight()));
    }
}

void BaseApplication::windowClosed(Ogre::RenderWindow* rw) {
    // Nothing to release: no input devices are opened on the window.
    (void)rw;
}

int BaseApplication::isShuttingDown() {
    return mShutDown ? 1 : 0;
}

void BaseApplication::exit() {
    const bool already = mShutDown;
    mShutDown = true;
    if (already && mHostWindow) mHostWindow->closeWindowTut();
}
