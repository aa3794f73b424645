#pragma once

#include <functional>
#include <memory>

class SourceSink;

// The relay's receiving end on this machine as the session drives it: the socket with the
// pairing's periodic messages. Made and used on the session's thread, except where a call says
// otherwise.
class RelayEndpoint {
 public:
  // port: the relay's. source: the session's sink towards the configured destination, which the
  // endpoint's source side uses. pointerRequested: a destination asked this source for its
  // pointer parameters (called on the session's thread).
  using Factory = std::function<std::unique_ptr<RelayEndpoint>(
      int port, SourceSink& source, std::function<void()> pointerRequested)>;

  virtual ~RelayEndpoint() = default;

  // The socket is bound in modes 1 and 2 and closed in 0; each mode keeps only its own timers.
  virtual void applyNetworkMode(int mode) = 0;
  // The relay's port from now on; what waits on the old socket is dropped.
  virtual void resetSocket(int port) = 0;
  virtual void startSendingParams() = 0;
  virtual void stopSendingParams() = 0;
  virtual void startSendingResolution() = 0;
  virtual void stopSendingResolution() = 0;
  virtual void startSendingCheckAltMousePtr() = 0;
  virtual void sendResolution() = 0;
  // This machine's address and effect switches to the destination.
  virtual void sendParams() = 0;
  // Lets go of what a destination holds, then the socket and timers stop; returns when done, from
  // any thread.
  virtual void shutdown() = 0;
};
