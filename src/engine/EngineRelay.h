#pragma once

#include <functional>
#include <memory>

class QObject;

// The network relay as the engine drives it: the receiving socket with the pairing's periodic
// messages, and the sender towards the configured destination. Made by whoever wires the engine
// to this machine (the tray window), once the engine has started.
class EngineRelay {
 public:
  // port and ip (four numbers): the configured destination; socketParent: where the sockets live.
  using Factory =
      std::function<std::unique_ptr<EngineRelay>(int port, const int* ip, QObject* socketParent)>;

  virtual ~EngineRelay() = default;

  // The socket is bound in modes 1 and 2 and closed in 0; each mode keeps only its own timers.
  virtual void applyNetworkMode(int mode) = 0;
  // Sender and socket to the configured destination and port.
  virtual void resetSocket(int port, const int* ip) = 0;
  virtual void startSendingParams() = 0;
  virtual void stopSendingParams() = 0;
  virtual void startSendingResolution() = 0;
  virtual void stopSendingResolution() = 0;
  virtual void startSendingCheckAltMousePtr() = 0;
  virtual void sendResolution() = 0;
  virtual void sendParams() = 0;
  // A destination asked for the pointer parameters; the next frame serves it.
  virtual bool getAltMousePtrCheck() const = 0;
  virtual void setAltMousePtrCheck(bool check) = 0;
  // Lets go of what a destination holds, then the socket and timers stop; returns when done.
  virtual void shutdown() = 0;
};
