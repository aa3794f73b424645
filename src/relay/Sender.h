#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <mutex>

#include <netinet/in.h>

// The sending end of the network relay: one UDP destination and a socket.
//
// The tracking thread, the receiver's thread and the GUI thread may use one sender at once, so the
// destination is changed in place under a lock and the socket is a plain datagram socket: a
// QUdpSocket belongs to the thread that made it and binds lazily with notifiers on that thread's
// event loop, while the tracking thread runs no event loop at all.
class Sender : public QObject {
  Q_OBJECT

 public:
  Sender(int port, QHostAddress destination, QObject* parent = nullptr);
  ~Sender() override;
  Sender(const Sender&) = delete;
  Sender& operator=(const Sender&) = delete;

  // Where the next command goes; the socket stays.
  void resetSocket(int port, QHostAddress destination);
  // One datagram with the bytes as they are. Nothing is reported: a command that cannot go out
  // (no valid destination, too long, socket error) is lost.
  void broadcastDatagram(QByteArray command);

  QHostAddress destination() const;
  int port() const;

  // A destination we send to: a unicast IPv4 address (or its IPv4-mapped IPv6 form), never
  // 0.0.0.0 and the rest of 0/8, broadcast, multicast or the reserved 240/4 block.
  static bool isSendableAddress(const QHostAddress& address);

 private:
  void retargetLocked(int port, const QHostAddress& destination);

  int socket_ = -1;
  mutable std::mutex mutex_;  // the fields below
  QHostAddress destination_;
  int port_ = 0;
  sockaddr_in target_{};
  bool sendable_ = false;
};
