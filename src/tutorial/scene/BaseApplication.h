#pragma once

#include <OgreColourValue.h>
#include <OgreFrameListener.h>
#include <OgrePrerequisites.h>

#include <Bites/OgreInput.h>
#include <Bites/OgreTrays.h>
#include <Bites/OgreWindowEventUtilities.h>

#include <deque>
#include <string>

namespace Ogre {
class OverlaySystem;
}
namespace OgreBites {
class CameraMan;
class ParamsPanel;
class TrayManager;
} // namespace OgreBites

class OsxTutorialWindow;
class TextRenderer;

// The tutorial's 3D application frame: an Ogre root loaded from the files beside the program, a
// render window inside the host window's view, scene manager, camera, viewport, the help panels
// and the display flags that the keyboard toggles and the scene reads. Keys come from the host
// window's Qt key events (no device grabs) and are applied inside the next frame, so several
// presses between two frames all count. Everything runs on the GUI thread; a timer in the host
// calls Ogre::Root::renderOneFrame, which reaches frameRenderingQueued here.
class BaseApplication : public Ogre::FrameListener,
                        public OgreBites::WindowEventListener,
                        public OgreBites::InputListener,
                        public OgreBites::TrayListener {
public:
    explicit BaseApplication(OsxTutorialWindow* window);
    ~BaseApplication() override;
    BaseApplication(const BaseApplication&) = delete;
    BaseApplication& operator=(const BaseApplication&) = delete;

    // Sets the two list names, builds everything and renders until the shut-down flag is set;
    // false when set-up failed.
    virtual bool go();
    // Builds the root and the scene; false when no render configuration was found or the render
    // system could not start (the reason is then in lastError()). May throw Ogre::Exception from
    // the scene's own steps.
    virtual bool setup();

    // Per frame: false ends the tutorial.
    bool frameRenderingQueued(const Ogre::FrameEvent& evt) override;

    bool keyPressed(const OgreBites::KeyboardEvent& evt) override;
    bool keyReleased(const OgreBites::KeyboardEvent& evt) override;
    bool mouseMoved(const OgreBites::MouseMotionEvent& evt) override;
    bool mousePressed(const OgreBites::MouseButtonEvent& evt) override;
    bool mouseReleased(const OgreBites::MouseButtonEvent& evt) override;

    void windowResized(Ogre::RenderWindow* rw) override;
    void windowClosed(Ogre::RenderWindow* rw) override;

    // The first call sets the shut-down flag; a second closes the host window (later, from the
    // event loop, so that nothing of this object runs when the window's owner deletes it).
    void exit();

    // Default: the shut-down flag. The scene adds its own shutting-down state.
    virtual int isShuttingDown();

    // A key from the host window (Qt key code), queued for the next frame.
    void queueKey(int qtKey, bool pressed, bool autoRepeat);
    // The host view changed size: the render window follows at the next frame.
    void viewResized(int width, int height);
    // The host window is going away: nothing here may reach it any more.
    void forgetHostWindow() { mHostWindow = nullptr; }

    // Four pinches and two circle directions; the explanation index stays below this.
    static const int gestureCount = 6;

    int isInteractive() { return mInteractive; }
    void SetGestureFlip(int flip) { mGestureFlip = ((flip % gestureCount) + gestureCount) % gestureCount; }
    int GetGestureFlip() { return mGestureFlip; }
    bool isManualGestureFlip() { return mManualGestureFlip; }
    int isCursorVisible() { return mCursorVisible; }
    int isMouseVisible() { return mMouseVisible; }
    int isHandVisible() { return mHandVisible; }
    int isResetVirtualDisplay() { return mResetVirtualDisplay; }
    void setResetVirtualDisplay(int value) { mResetVirtualDisplay = value; }
    bool GetShutdown() { return mShutDown; }

    // Readers for the host, the scene and tests.
    Ogre::Root* root() const { return mRoot; }
    Ogre::RenderWindow* renderWindow() const { return mWindow; }
    Ogre::SceneManager* sceneManager() const { return mSceneMgr; }
    Ogre::Camera* camera() const { return mCamera; }
    OgreBites::ParamsPanel* helpPanel() const { return mHelpPanel; }
    OsxTutorialWindow* hostWindow() const { return mHostWindow; }
    const std::string& lastError() const { return mLastError; }
    // Folder of plugins.cfg, ogre.cfg and resources.cfg; the program's resource folder by default.
    void setResourceFolder(const std::string& folder) { mResourcePath = folder; }
    const std::string& resourceFolder() const { return mResourcePath; }

    static const int helpRows = 15;
    static const char* const helpNames[helpRows];
    static const char* const helpValues[helpRows];

protected:
    virtual bool configure();
    virtual void chooseSceneManager();
    virtual void createCamera();
    virtual void createFrameListener();
    virtual void createScene() = 0;
    virtual void destroyScene();
    virtual void createViewports();
    virtual void setupResources();
    virtual void createResourceListener();
    virtual void loadResources();
    void SetupInput();

    Ogre::Root* mRoot = nullptr;
    Ogre::SceneManager* mSceneMgr = nullptr;
    Ogre::RenderWindow* mWindow = nullptr;
    Ogre::Camera* mCamera = nullptr;
    OgreBites::TrayManager* mTrayMgr = nullptr;
    std::string mResourcesCfg;
    std::string mPluginsCfg;
    OgreBites::CameraMan* mCameraMan = nullptr;
    OgreBites::ParamsPanel* mDetailsPanel = nullptr;
    OgreBites::ParamsPanel* mHelpPanel = nullptr;
    TextRenderer* mHelpText = nullptr;
    Ogre::OverlaySystem* mOverlaySystem = nullptr;
    Ogre::SceneNode* mCameraNode = nullptr;
    std::string mViewHandle;
    unsigned long mWindowHandle = 0;
    long mWindowBounds[4] = {0, 0, 0, 0};
    OsxTutorialWindow* mHostWindow = nullptr;
    bool mShutDown = false;
    int mInteractive = 1;
    int mGestureFlip = 0;
    int mCursorVisible = 1;
    int mMouseVisible = 1;
    int mHandVisible = 1;
    int mResetVirtualDisplay = 1;
    bool mManualGestureFlip = false;

private:
    struct QueuedKey {
        OgreBites::Keycode code;
        bool pressed;
    };
    void applyQueuedKeys();
    void applyViewSize();
    bool loadPlugins(const std::string& pluginsFile);

    Ogre::LogManager* mLogManager = nullptr;
    std::string mResourcePath;
    std::string mLastError;
    std::deque<QueuedKey> mKeys;
    int mViewWidth = 0;
    int mViewHeight = 0;
    bool mViewSizeChanged = false;
};
