#pragma once

// What the tray program sees of the 3D tutorial, which lives in a module of its own (it brings
// Ogre, SDL and the GL stack, tens of megabytes the tray does not need until the user opens it).
// Nothing here names Ogre: the tray program includes only this file.

class QWidget;
class TutorialEngine;

// One opened tutorial's renderer. Failures while starting or rendering come back through the
// window's tutorialFailed(QString) signal, never as exceptions.
class TutorialSession {
 public:
  virtual ~TutorialSession() = default;

  // Builds the scene and starts rendering; false when that failed (already reported).
  virtual bool go() = 0;
  // Stops rendering; the session is deleted later.
  virtual void shutdown() = 0;
  // One of its own calls is running: it must not be deleted now.
  virtual bool isBusy() const = 0;
  // Frames rendered since rendering started.
  virtual long long frameCount() const = 0;
  // Shows the tutorial's window again and gives it the focus.
  virtual void showWindow() = 0;
};

// The module's one entry point hands out this factory.
class TutorialFactory {
 public:
  // The tutorial's window object: never shown itself, it owns the visible window and has the
  // signals tutorialClosed() (exactly once, when it is deleted), openOptions() and
  // tutorialFailed(QString). Deleting it closes the tutorial.
  virtual QWidget* createWindow() = 0;
  // The renderer for a window made by createWindow(); null for any other widget. engine must
  // outlive the session.
  virtual TutorialSession* createSession(QWidget* window, TutorialEngine* engine) = 0;

 protected:
  ~TutorialFactory() = default;
};

// Raised whenever the classes above change, so that a module from another build is refused
// instead of called.
constexpr int tutorialInterfaceVersion = 1;
constexpr const char* tutorialFactorySymbol = "velmo_tutorial_factory";
// The module's entry point: its factory, or null when interfaceVersion is not its own.
using TutorialFactoryFunction = TutorialFactory* (*)(int interfaceVersion);
