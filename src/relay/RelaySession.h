#pragma once

#include <atomic>
#include <functional>
#include <memory>

#include "RelayEndpoint.h"
#include "SourceSink.h"

class QObject;
class QThread;

// The network relay of this machine, from the tray window's start to its end: the thread the
// receiver runs on, which of the three modes the machine is in, and what each mode sends when. The
// tray window and the options dialog change the mode here only; the settings hear of it through
// storeMode. While the machine is a source the engine's sink is the session's SourceSink (handed
// over through useSink, and taken back before the session ends). A destination's request for the
// pointer parameters is handed on as it arrives.
//
// Its operations belong to the thread that made it (the GUI thread).
class RelaySession {
 public:
  enum Mode { Standalone = 0, Source = 1, Destination = 2 };

  struct Wiring {
    // Makes the relay's parts on the session's thread, once the engine has started.
    RelayEndpoint::Factory endpoint;
    // Records a new mode where the settings keep it.
    std::function<void(int mode)> storeMode;
    // A destination asked for the pointer parameters (on the session's thread); the pointer
    // window's command follows.
    std::function<void()> pointerRequested;
    // Gives the engine its sink: the session's source sink, or null for the engine's own.
    std::function<void(EngineSink* sink)> useSink;
    // The engine's own sink, which lets go of what is held here (may be null).
    EngineSink* localSink = nullptr;
    // The engine's effect switches, announced with the source's address.
    std::function<SourceSink::Effects()> effects;
  };

  explicit RelaySession(Wiring wiring);
  ~RelaySession();
  RelaySession(const RelaySession&) = delete;
  RelaySession& operator=(const RelaySession&) = delete;

  // The thread, the relay's parts towards the destination at port and ip, and the first messages
  // of mode (a destination's size, a source's address and effect switches). Nothing without an
  // endpoint factory or when the factory makes nothing.
  void start(int mode, int port, const int* ip);
  // Lets go of what a destination holds, closes the socket and ends the thread.
  void stop();

  // The machine becomes standalone, a source or a destination (other values are ignored): the
  // settings record it, the socket follows, and each mode's periodic messages start or stop.
  void setMode(int mode);
  // The destination the user set: the commands go there from the next one, and the socket listens
  // on the new port. Nothing when both are as they were, so nothing pending is dropped.
  void retarget(int port, const int* ip);
  int mode() const { return mode_.load(); }
  // The receiver's thread while started, else null.
  QThread* thread() const { return thread_; }
  // The sink towards the destination while the machine is a source, else null (session's thread).
  SourceSink* source() const { return mode_.load() == Source ? source_.get() : nullptr; }

 private:
  // The socket and the periodic messages of mode, which was preceded by was; starting: the first
  // messages of a start.
  void follow(int mode, bool starting, int was);

  Wiring wiring_;
  std::atomic<int> mode_{Standalone};
  QThread* thread_ = nullptr;
  QObject* context_ = nullptr;  // lives on thread_
  std::unique_ptr<SourceSink> source_;
  std::unique_ptr<RelayEndpoint> endpoint_;
  int port_ = 0;
  int ip_[4] = {0, 0, 0, 0};
};
