#include "Sender.h"

#include <QDebug>
#include <arpa/inet.h>
#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

#include "RelayCodec.h"

Sender::Sender(int port, QHostAddress destination, QObject* /*parent*/) : QObject(nullptr) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    retargetLocked(port, destination);
  }
  qDebug().noquote() << "CREATED SENDER TO IPADDRESS: " << destination.toString();
  socket_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
}

Sender::~Sender() {
  if (socket_ >= 0) ::close(socket_);
}

void Sender::resetSocket(int port, QHostAddress destination) {
  std::lock_guard<std::mutex> lock(mutex_);
  retargetLocked(port, destination);
}

void Sender::retargetLocked(int port, const QHostAddress& destination) {
  destination_ = destination;
  port_ = port;
  sendable_ = port > 0 && port <= 65535 && isSendableAddress(destination);
  target_ = sockaddr_in{};
  if (!sendable_) return;
  bool ok = false;
  const quint32 v4 = destination.toIPv4Address(&ok);
  target_.sin_family = AF_INET;
  target_.sin_port = htons(static_cast<uint16_t>(port));
  target_.sin_addr.s_addr = htonl(v4);
}

void Sender::broadcastDatagram(QByteArray command) {
  if (socket_ < 0 || command.size() > RelayCodec::MaxCommandBytes) return;
  sockaddr_in target;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!sendable_) return;
    target = target_;
  }
  // A full send buffer or an unreachable peer loses the command, as the protocol allows.
  ssize_t sent;
  do {
    sent = ::sendto(socket_, command.constData(), static_cast<size_t>(command.size()),
                    MSG_DONTWAIT | MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&target),
                    sizeof(target));
  } while (sent < 0 && errno == EINTR);
}

QHostAddress Sender::destination() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return destination_;
}

int Sender::port() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return port_;
}

bool Sender::isSendableAddress(const QHostAddress& address) {
  bool ok = false;
  const quint32 v4 = address.toIPv4Address(&ok);
  if (!ok) return false;
  const quint32 first = v4 >> 24;
  if (first == 0) return false;     // "this network", 0.0.0.0 among it
  if (first >= 224) return false;   // multicast, reserved, broadcast
  return true;
}
