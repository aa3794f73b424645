#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

class EngineSink;
class QTimer;
class ReceiverSocket;
class RelayDestination;
class Sender;
class SourceSink;
struct RelayCommand;
namespace RelayCodec {
struct Decoded;
}

// The receiving end of the network relay: the socket on which this machine hears commands, and
// the three periodic messages of the pairing (a source announces itself, a destination reports its
// screen and asks once for the pointer parameters).
//
// Everything belongs to the thread that made the receiver, whose event loop must run; the
// operations may be called from any thread and are carried over to it.
//
// A destination obeys only its paired source: the first host that announces itself after the
// machine became a destination. Another host takes over only after the paired one has been silent
// for SilenceMs, and the takeover first lets go of every button and key held here. While it sends
// its announcements a source also restates every heldInputMs what it holds, and the destination
// lets go of what it no longer holds. A source listens only to the destination it is set to send
// to.
class Receiver : public QObject {
  Q_OBJECT

 public:
  // A paired source that has said nothing for this long counts as gone (three announcements).
  static constexpr std::int64_t SilenceMs = 15000;

  struct Timing {
    int resolutionMs = 5000;
    int paramsMs = 5000;
    // A source restates what it holds this often, so a lost release is made good within it.
    int heldInputMs = 1000;
    int checkMs = 1000;
    int watchdogMs = 1000;
    // Datagrams handled per wake-up; the rest wait for the next turn of the event loop, so a flood
    // never keeps timers and other work waiting.
    int datagramsPerRead = 64;
  };
  // Milliseconds of a clock that never steps back.
  using Clock = std::function<std::int64_t()>;

  // A destination carries out its source's commands through local (the engine's decisions) and
  // destination (the rest), and answers its source itself; a source hears its destination's size
  // and pointer request through source. Any of them may be null: that role then does nothing.
  Receiver(EngineSink* local, RelayDestination* destination, SourceSink* source, int port);
  ~Receiver() override;
  Receiver(const Receiver&) = delete;
  Receiver& operator=(const Receiver&) = delete;

  // A new socket on port; the old one and what waits on it are dropped at once. The socket is
  // bound only while the machine is a source or a destination.
  void resetSocket(int port);
  // One received datagram from the given sender.
  void ParseMsg(QByteArray datagram, QHostAddress* from);

  void startSendingResolution();
  void stopSendingResolution();
  void startSendingParams();
  void stopSendingParams();
  void startSendingCheckAltMousePtr();
  // Called on the receiver's thread when the configured destination asks this source for its
  // pointer parameters.
  void setPointerRequestHandler(std::function<void()> handler);

  // The machine's network mode became mode: the socket is bound in modes 1 and 2 and closed in 0,
  // each mode keeps only its own timers, and a destination that stops being one lets go of held
  // input, shows the cursor again and forgets its source.
  void applyNetworkMode(int mode);
  // Shut-down: as leaving destination mode, then the socket and every timer stop. Returns when
  // done, whatever thread calls it.
  void shutdown();

  // Where the socket binds (any address unless told; tests bind one loopback address per host).
  void setBindAddress(const QHostAddress& address);
  void setTiming(const Timing& timing);
  void setClock(Clock clock);

  // Readers for tests (any thread).
  bool isBound() const;
  int port() const { return port_.load(); }
  QHostAddress pairedSource() const;
  // Datagrams read and acted on (or dropped) so far.
  int datagramsHandled() const;

 public slots:
  void sendResolution();
  void sendParams();

 private slots:
  void sendCheckAltMousePtr();
  void sendHeldInput();
  void checkSilence();

 private:
  // Runs f on the receiver's thread: now when called there, else queued.
  void onOwnThread(std::function<void()> f);
  // Now when called there or when that thread runs no event loop, else blocking until done.
  void onOwnThreadAndWait(const std::function<void()>& f);
  int mode() const { return appliedMode_; }
  // To the paired source at the relay's port; false while no source is paired.
  bool replyToSource(const RelayCommand& command);
  void bindIfWanted();
  void closeSocket();
  void leaveDestination();
  void releaseHeldInput(const char* why);
  void onDestination(const RelayCodec::Decoded& decoded, const QHostAddress& from);
  void onSource(const RelayCodec::Decoded& decoded, const QHostAddress& from);
  // A command of the paired source carried out on this machine.
  void apply(const RelayCommand& command);
  bool acceptAnnouncement(const QHostAddress& from);
  bool fromConfiguredDestination(const QHostAddress& from) const;
  std::int64_t now() const;

  std::atomic<int> port_{0};
  ReceiverSocket* socket_;
  QTimer* resolutionTimer_;
  QTimer* paramsTimer_;
  QTimer* heldTimer_;
  QTimer* checkTimer_;
  QTimer* watchdogTimer_;
  EngineSink* local_;
  RelayDestination* destination_;
  SourceSink* source_;
  Sender* replySender_ = nullptr;  // made at the first reply
  std::function<void()> pointerRequested_;

  QHostAddress bindAddress_{QHostAddress::Any};
  Timing timing_;
  Clock clock_;
  int appliedMode_ = 0;

  // The paired source (IPv4), when it was last heard, and whether its silence has been acted on.
  mutable std::mutex pairedMutex_;  // paired_ for readers on other threads
  QHostAddress paired_;
  std::int64_t lastHeardMs_ = 0;
  bool silenceHandled_ = false;
};
