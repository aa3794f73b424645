#include "ReceiverSocket.h"

#include <QDebug>
#include <QUdpSocket>
#include <algorithm>

#include "RelayCodec.h"

ReceiverSocket::ReceiverSocket(Handler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)) {}

ReceiverSocket::~ReceiverSocket() { close(); }

bool ReceiverSocket::bind(const QHostAddress& address, int port) {
  if (socket_) return true;
  if (port <= 0 || port > 65535) return false;
  auto* socket = new QUdpSocket(this);
  // Not shared: another program on the port would hear our commands, or we its.
  if (!socket->bind(address, static_cast<quint16>(port), QAbstractSocket::DontShareAddress)) {
    if (port != unbindablePort_) {
      qWarning().noquote() << "RECEIVER COULD NOT BIND PORT" << port << ":"
                           << socket->errorString();
      unbindablePort_ = port;
    }
    delete socket;
    return false;
  }
  unbindablePort_ = 0;
  socket_ = socket;
  bound_.store(true);
  connect(socket, &QUdpSocket::readyRead, this, &ReceiverSocket::readPending);
  return true;
}

void ReceiverSocket::close() {
  delete socket_;
  socket_ = nullptr;
  ++closes_;
  bound_.store(false);
}

void ReceiverSocket::setDatagramsPerRead(int count) { perRead_ = std::max(1, count); }

void ReceiverSocket::readPending() {
  QUdpSocket* socket = socket_;
  if (!socket) return;
  const unsigned closes = closes_;
  // The rest wait in the socket: its notifier fires again on the next turn of the event loop,
  // after whatever else is waiting. No call of our own is queued for them: one that drained the
  // socket first would leave the next readyRead reading nothing, and Qt then keeps its notifier
  // off for good (GLib's loop runs them in that order).
  for (int n = 0; n < perRead_ && socket->hasPendingDatagrams(); ++n) {
    const qint64 size = socket->pendingDatagramSize();
    if (size < 0 || size > RelayCodec::MaxDatagramBytes) {
      char discard;
      socket->readDatagram(&discard, 1);
      handled_.fetch_add(1);
      continue;
    }
    QByteArray data(static_cast<int>(size), Qt::Uninitialized);
    QHostAddress from;
    const qint64 got = socket->readDatagram(data.data(), size, &from);
    if (got >= 0) {
      data.resize(static_cast<int>(got));
      handler_(data, from);
    }
    handled_.fetch_add(1);
    // The handler may have closed or replaced the socket.
    if (closes_ != closes) return;
  }
}
