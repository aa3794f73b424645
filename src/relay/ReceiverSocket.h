#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <atomic>
#include <functional>

class QUdpSocket;

// The socket on which a machine hears relay commands: bound on one port, never shared with
// another program, and read in turns so that a flood never keeps its thread's other work waiting.
//
// It belongs to the thread that made it, whose event loop must run: bind, close and the handler
// run there. The readers marked so may be called from any thread.
class ReceiverSocket : public QObject {
  Q_OBJECT

 public:
  // One datagram of at most RelayCodec::MaxDatagramBytes, and who sent it.
  using Handler = std::function<void(const QByteArray& datagram, const QHostAddress& from)>;

  explicit ReceiverSocket(Handler handler, QObject* parent = nullptr);
  ~ReceiverSocket() override;
  ReceiverSocket(const ReceiverSocket&) = delete;
  ReceiverSocket& operator=(const ReceiverSocket&) = delete;

  // A socket on address and port unless one is open. False when none could be bound: a port
  // outside 1..65535 (nothing is tried), or a bind that failed, logged once until that port
  // binds or another is tried.
  bool bind(const QHostAddress& address, int port);
  // At once: what was pending on it is lost, as a new port wants.
  void close();
  bool isOpen() const { return socket_ != nullptr; }
  // Datagrams handled per wake-up (at least one).
  void setDatagramsPerRead(int count);

  // Any thread.
  bool isBound() const { return bound_.load(); }
  // Datagrams read and handed on (or dropped for their size) so far.
  int datagramsHandled() const { return handled_.load(); }

 private:
  void readPending();

  Handler handler_;
  QUdpSocket* socket_ = nullptr;
  unsigned closes_ = 0;  // tells a handler's close apart from a new socket at the old address
  int perRead_ = 64;
  int unbindablePort_ = 0;  // whose bind failure was logged
  std::atomic<bool> bound_{false};
  std::atomic<int> handled_{0};
};
