#pragma once

#include <QHostAddress>
#include <atomic>
#include <functional>
#include <mutex>

#include "EngineSink.h"
#include "Sender.h"

// The engine's sink on a relay source: each decision goes to the destination as one command
// datagram, and nothing happens on this desktop. Made by the relay session, which hands it to the
// engine while the machine is a source and takes it back before it goes.
//
// The tracking thread, the relay's thread and the GUI thread call it at once: the sender retargets
// in place, the remote screen and the fist are atomics, the edge and the held input under locks.
class SourceSink : public EngineSink {
 public:
  struct Effects {
    bool audioFx = false, audioFxBorder = false, graphicFx = false;
  };

  // port and ip (four numbers, null for none): the destination. local: this machine's own sink,
  // which lets go of what is held here and tells the engine so (may be null). effects: the
  // engine's current effect switches, for the periodic announcement.
  SourceSink(int port, const int* ip, EngineSink* local, std::function<Effects()> effects);
  SourceSink(const SourceSink&) = delete;
  SourceSink& operator=(const SourceSink&) = delete;

  void beginFrame() override {}
  void endFrame() override {}
  // The destination's screen once it has told it, else 0 x 0.
  void pointerSpace(int* width, int* height) override;
  void MousePointerMove(int x, int y, int alternativePointer, int relative) override;
  void GenerateAction(actionType type, int press, int suppress, int notify, const QString& keys,
                      const QString& name, bool osKey) override;
  void ResetMouseWheel() override;
  void MouseWheelMove(float delta, int forward, int notify, float progress) override;
  void GenerateFistDetected(bool fist) override;
  void setAutoHeight(bool) override {}
  void setParam(int doubleClickTime, float wheelScaleFactor, int relative, int alternativePointer,
                int onlyPrimaryDisplay) override;
  void SetMousePointer() override;
  void announceSource() override;
  void sendAudioGraphicParam(bool audioFx, bool audioFxBorder, bool graphicFx) override;
  // Forgets what the destination was told to hold (it hears so at the next restatement) and lets
  // go of this machine's own.
  void releaseHeldInput() override;

  void HideMousePointer(bool hide);
  void DeleteMousePointer();
  void GenerateScreenBorderReached(screenBorder side1, screenBorder side2, bool hold,
                                   bool autoHeight);
  // The engine's effect switches as they are now.
  void sendAudioGraphicParam();
  // What the destination was told to hold, restated: the relay's answer to a lost release.
  void sendHeldInput();
  // The destination's reported screen; a size that is no size counts as not reported yet.
  void setRemoteSize(int width, int height);
  int remoteWidth() const { return remoteWidth_.load(); }
  int remoteHeight() const { return remoteHeight_.load(); }
  void retarget(int port, const int* ip);
  QHostAddress destination() const { return sender_.destination(); }
  int port() const { return sender_.port(); }
  bool isBorderActive() const;

 private:
  void send(const QByteArray& command);

  Sender sender_;
  EngineSink* local_;
  std::function<Effects()> effects_;
  std::atomic<int> remoteWidth_{0};
  std::atomic<int> remoteHeight_{0};
  std::atomic<bool> fistActive_{false};
  mutable std::mutex edgeMutex_;
  bool borderActive_ = false;
  // One bit per action type. A command and its bit change under the lock, so a restatement never
  // overtakes the press it follows.
  std::mutex heldMutex_;
  unsigned held_ = 0;
};
