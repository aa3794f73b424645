#pragma once

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <atomic>
#include <cstdio>
#include <functional>
#include <mutex>

#include "ActionTypes.h"
#include "EngineSink.h"

class Desktop;
class Keyboard;
class Mouse;
class OsxMousePointer;
class QTimer;
class Sender;

// The single exit of every action the engine decides (its sink on this machine). In modes
// Standalone and Destination the action happens here (Mouse, Keyboard on the desktop it is given,
// tray signals); in mode Source it goes to the destination machine as one text command per
// datagram.
//
// The tracking thread, the receiver's thread and the GUI thread call it at once: the mode and the
// effect switches are read through the engine's atomics, the senders are made once and retargeted
// in place (never deleted before the manager), and the edge and fist states are guarded.
class ActionMgr : public QObject, public EngineSink {
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
  // The destination's reported screen in mode Source, else this machine's pointer space.
  void pointerSpace(int* width, int* height) override;
  void MousePointerMove(int x, int y, int alternativePointer, int relative) override;
  void GenerateAction(actionType type, int press, int suppress, int notify, const QString& keys,
                      const QString& name, bool osKey) override;
  void ResetMouseWheel() override;
  void MouseWheelMove(float delta, int forward, int notify, float progress) override;
  void HideMousePointer(bool hide);
  void SetMousePointer(OsxMousePointer* pointer);
  void SetMousePointer() override;
  void DeleteMousePointer();
  void setParam(int doubleClickTime, float wheelScaleFactor, int relative, int alternativePointer,
                int onlyPrimaryDisplay) override;
  void GenerateFistDetected(bool fist) override;
  void GenerateScreenBorderReached(screenBorder side1, screenBorder side2, bool hold,
                                   bool autoHeight);
  void sendAudioGraphicParam(bool audioFx, bool audioFxBorder, bool graphicFx) override;
  void sendAudioGraphicParam();
  void SetResolution(int w, int h);
  void SetSourceIp(QHostAddress from);
  // SetSourceIp with no address: a source announces itself.
  void announceSource() override;
  bool CheckAlternativeMousePointer();
  void createSender(int port, const int* ip);
  void resetSocket(int port, const int* ip);
  // Lets go of every button and key held down on this machine (buttons, shortcut keys, the app
  // switcher's held modifiers), silently, and resets the engine's pinch state through the record's
  // heldInputReleased: for when the hand that holds them can no longer let go (tracking gone,
  // pause, quit, a silent or replaced source). Safe from any thread. In source mode nothing is
  // held here; VelmoGestures::releaseHeldActions also sends the destination its releases.
  void releaseHeldInput() override;
  // The relay's answer to a lost release. A source restates what it holds (sendHeldInput, with its
  // announcements); a destination lets go of what it holds for the source and the source no
  // longer does, as the lost release would have (matchHeldInput). Nothing is pressed by it.
  void sendHeldInput();
  void matchHeldInput(bool left, bool right, bool middle, bool keyboard);

  Mouse* GetMouse() { return mouse_; }
  Keyboard* GetKeyboard() { return keyboard_; }
  int GetWidthOfScreen() { return remoteWidth_.load(); }
  int GetHeightOfScreen() { return remoteHeight_.load(); }
  const std::atomic<int>* getNetworkMode() { return modeRef_; }

  // The controller's automatic interaction height, from the hand record of each frame; the
  // screen-edge banner shows its note while it is on.
  void setAutoHeight(bool autoHeight) override { autoHeight_.store(autoHeight); }

  // Readers for the handshake and tests.
  QHostAddress sourceIp() const;
  // Where the destination sender sends to; null before createSender.
  QHostAddress destinationAddress() const;
  int peerPort() const { return peerPort_.load(); }
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
  void sendToDestination(const QByteArray& command);
  // Through the reply sender to the learned source; false while the source is unknown.
  bool replyToSource(const QByteArray& command);
  static QHostAddress addressOf(const int* ip);

  Desktop& desktop_;
  const std::atomic<int>* modeRef_;
  Mouse* mouse_;
  Keyboard* keyboard_;
  std::atomic<Sender*> destSender_{nullptr};
  Sender* replySender_ = nullptr;  // under senderMutex_
  std::mutex senderMutex_;         // making and retargeting the senders
  QObject* parent_;

  mutable std::mutex sourceMutex_;
  QHostAddress sourceIp_{QStringLiteral("0.0.0.0")};
  std::atomic<int> remoteWidth_{0};
  std::atomic<int> remoteHeight_{0};
  std::atomic<int> peerPort_{0};

  mutable std::mutex edgeMutex_;
  bool borderActive_ = false;
  std::atomic<bool> fistActive_{false};

  const std::atomic<bool>* audioFx_;
  const std::atomic<bool>* audioFxBorder_;
  const std::atomic<bool>* graphicFx_;
  std::function<void(bool, bool, bool)> setEffectSwitches_;
  std::function<void()> heldInputReleased_;

  std::atomic<OsxMousePointer*> mPointer_{nullptr};

  // Buttons and shortcuts held down on this machine, one bit per action type. While any is held (a
  // drag) an edge is not announced: the banner would open right under the pointer, at the edge the
  // user is dragging to. It is announced at the next move after the release.
  std::atomic<unsigned> held_{0};
  std::atomic<bool> autoHeight_{false};

  // The shortcut held down here, to let go of it as its release would.
  std::mutex shortcutMutex_;
  QString heldKeys_, heldName_;
  bool heldOsKey_ = false;

  // In source mode: what the destination was told to hold, one bit per action type. A command and
  // its bit change under the lock, so a restatement never overtakes the press it follows.
  std::mutex sourceHeldMutex_;
  unsigned sourceHeld_ = 0;
};
