#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <cstdio>
#include <functional>
#include <mutex>

#include "ActionTypes.h"
#include "EngineSink.h"
#include "RelayDestination.h"

class Desktop;
class Keyboard;
class Mouse;
class AlternativePointer;
class QTimer;

// The engine's sink on this machine: every action it decides happens here (Mouse, Keyboard on the
// desktop it is given, tray signals), and so does what a relay source has a destination do. On a
// relay source the engine's sink is the relay's instead.
//
// The tracking thread, the receiver's thread and the GUI thread call it at once: the mode and the
// effect switches are read through the engine's atomics, and the edge and fist states are guarded.
class ActionMgr : public QObject, public EngineSink, public RelayDestination {
  Q_OBJECT

 public:
  enum networkMode { Standalone = 0, Source = 1, Destination = 2 };

  // The engine's record, and the tray window's key-release timer for the keyboard.
  struct actionMgrData : EngineSink::Setup {
    actionMgrData() = default;
    explicit actionMgrData(const EngineSink::Setup& setup) : EngineSink::Setup(setup) {}
    QTimer* releaseKeyTimer = nullptr;
  };

  ActionMgr(Desktop& desktop, actionMgrData data, QObject* parent);
  ~ActionMgr() override;
  // The engine's sink factory: each start's manager on desktop, its keyboard with the tray's
  // key-release timer (may be null); made, when given, hears of each manager made.
  static EngineSink::Factory factory(Desktop& desktop, QTimer* releaseKeyTimer,
                                     std::function<void(ActionMgr*)> made = nullptr);
  ActionMgr(const ActionMgr&) = delete;
  ActionMgr& operator=(const ActionMgr&) = delete;

  // A frame's input goes to the desktop in one write.
  void beginFrame() override;
  void endFrame() override;
  // This machine's pointer space.
  void pointerSpace(int* width, int* height) override;
  void MousePointerMove(int x, int y, int alternativePointer, int relative) override;
  void GenerateAction(actionType type, int press, int suppress, int notify, const QString& keys,
                      const QString& name, bool osKey) override;
  void ResetMouseWheel() override;
  void MouseWheelMove(float delta, int forward, int notify, float progress) override;
  void HideMousePointer(bool hide) override;
  // Stored, and applied unless the machine is a source (whose pointer is the destination's).
  void SetMousePointer(AlternativePointer* pointer);
  void SetMousePointer() override;
  void DeleteMousePointer() override;
  void setParam(int doubleClickTime, float wheelScaleFactor, int relative, int alternativePointer,
                int onlyPrimaryDisplay) override;
  void GenerateFistDetected(bool fist) override;
  void GenerateScreenBorderReached(screenBorder side1, screenBorder side2, bool hold,
                                   bool autoHeight) override;
  // A destination takes its source's effect switches.
  void sendAudioGraphicParam(bool audioFx, bool audioFxBorder, bool graphicFx) override;
  // Only a relay source announces itself.
  void announceSource() override {}
  void screenSize(int* width, int* height) override;
  // Lets go of every button and key held down on this machine (buttons, shortcut keys, the app
  // switcher's held modifiers), silently, and resets the engine's pinch state through the record's
  // heldInputReleased: for when the hand that holds them can no longer let go (tracking gone,
  // pause, quit, a silent or replaced source). Safe from any thread.
  void releaseHeldInput() override;
  // The relay's answer to a lost release: a destination lets go of what it holds for the source
  // and the source no longer does, as the lost release would have. Nothing is pressed by it.
  void matchHeldInput(bool left, bool right, bool middle, bool keyboard) override;

  Mouse* GetMouse() { return mouse_; }
  Keyboard* GetKeyboard() { return keyboard_; }
  const std::atomic<int>* getNetworkMode() { return modeRef_; }

  // The controller's automatic interaction height, from the hand record of each frame; the
  // screen-edge banner shows its note while it is on.
  void setAutoHeight(bool autoHeight) override { autoHeight_.store(autoHeight); }

  // Readers for tests.
  bool isBorderActive() const;
  bool isFistActive() const { return fistActive_.load(); }

 signals:
  void screenBorderReached(int value);
  void screenBorderSideReached(int side, int autoHeight);
  void fistDetected(int value);
  void SendWndEvent(unsigned int message);

 private:
  int mode() const;
  static bool isLocal(int mode) { return mode == Standalone || mode == Destination; }
  void actuateAction(actionType type, int press, int suppress, int notify, const QString& keys,
                     const QString& name, bool osKey);
  void detectScreenEdge(int x, int y);
  // The tray event goes out once the frame's input has reached the X server.
  void notifyWnd(unsigned int event);

  Desktop& desktop_;
  const std::atomic<int>* modeRef_;
  Mouse* mouse_;
  Keyboard* keyboard_;

  mutable std::mutex edgeMutex_;
  bool borderActive_ = false;
  std::atomic<bool> fistActive_{false};

  std::function<void(bool, bool, bool)> setEffectSwitches_;
  std::function<void()> heldInputReleased_;

  std::atomic<AlternativePointer*> mPointer_{nullptr};

  // Buttons and shortcuts held down on this machine, one bit per action type. While any is held (a
  // drag) an edge is not announced: the banner would open right under the pointer, at the edge the
  // user is dragging to. It is announced at the next move after the release.
  std::atomic<unsigned> held_{0};
  std::atomic<bool> autoHeight_{false};

  // The shortcut held down here, to let go of it as its release would.
  std::mutex shortcutMutex_;
  QString heldKeys_, heldName_;
  bool heldOsKey_ = false;
};
