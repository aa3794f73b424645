#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QNetworkDatagram>
#include <QUdpSocket>
#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include "RelayCodec.h"
#include "Sender.h"

namespace {

// A peer on loopback that collects datagrams.
struct Peer {
  QUdpSocket socket;
  explicit Peer(const char* address = "127.0.0.1") {
    EXPECT_TRUE(socket.bind(QHostAddress(QString::fromLatin1(address)), 0));
    socket.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4 * 1024 * 1024);
  }
  int port() const { return socket.localPort(); }
  // The next datagram, or a null one when none comes within a generous bound.
  QNetworkDatagram next() {
    if (!socket.hasPendingDatagrams() && !socket.waitForReadyRead(5000)) return QNetworkDatagram();
    return socket.receiveDatagram();
  }
};

}  // namespace

TEST(Sender, SendsExactBytesAndRetargetsOnTheSameSocket) {
  Peer a, b;
  Sender sender(a.port(), QHostAddress("127.0.0.1"));
  sender.broadcastDatagram("LEFT_BUTTON 1 0 1");
  const QNetworkDatagram first = a.next();
  EXPECT_EQ(first.data(), QByteArray("LEFT_BUTTON 1 0 1"));

  sender.resetSocket(b.port(), QHostAddress("127.0.0.1"));
  EXPECT_EQ(sender.port(), b.port());
  sender.broadcastDatagram(QByteArray("KEYBOARD 1 0 1 Ctrl+Tab APPSWITCHER 0"));
  const QNetworkDatagram second = b.next();
  EXPECT_EQ(second.data(), QByteArray("KEYBOARD 1 0 1 Ctrl+Tab APPSWITCHER 0"));
  // Same socket: the datagrams leave from the same local port.
  EXPECT_EQ(first.senderPort(), second.senderPort());
  EXPECT_FALSE(a.socket.hasPendingDatagrams());

  // A NUL inside the command goes out as it is.
  const QByteArray withNul("MOUSEMOVE 1 2 0 0\0tail", 22);
  sender.broadcastDatagram(withNul);
  EXPECT_EQ(b.next().data(), withNul);
}

TEST(Sender, IPv4MappedDestinationIsSent) {
  Peer a;
  Sender sender(a.port(), QHostAddress("::ffff:127.0.0.1"));
  sender.broadcastDatagram("FIST_DETECTED");
  EXPECT_EQ(a.next().data(), QByteArray("FIST_DETECTED"));
}

TEST(Sender, NothingGoesToInvalidDestinations) {
  // A datagram to 0.0.0.0 would be delivered to this machine: the marker sent afterwards must be
  // the first thing the peer sees.
  Peer a;
  Sender sender(a.port(), QHostAddress("0.0.0.0"));
  sender.broadcastDatagram("BAD 0.0.0.0");
  sender.resetSocket(a.port(), QHostAddress());
  sender.broadcastDatagram("BAD null");
  sender.resetSocket(0, QHostAddress("127.0.0.1"));
  sender.broadcastDatagram("BAD port 0");
  sender.resetSocket(a.port() + 65536, QHostAddress("127.0.0.1"));
  sender.broadcastDatagram("BAD port range");
  sender.resetSocket(a.port(), QHostAddress("127.0.0.1"));
  sender.broadcastDatagram(QByteArray(RelayCodec::MaxCommandBytes + 1, 'X'));
  sender.broadcastDatagram("MARKER");
  EXPECT_EQ(a.next().data(), QByteArray("MARKER"));
  // The largest command still goes.
  const QByteArray largest(RelayCodec::MaxCommandBytes, 'Y');
  sender.broadcastDatagram(largest);
  EXPECT_EQ(a.next().data(), largest);

  EXPECT_TRUE(Sender::isSendableAddress(QHostAddress("192.168.1.20")));
  EXPECT_TRUE(Sender::isSendableAddress(QHostAddress("127.0.0.1")));
  EXPECT_TRUE(Sender::isSendableAddress(QHostAddress("::ffff:10.0.0.1")));
  EXPECT_FALSE(Sender::isSendableAddress(QHostAddress("0.0.0.0")));
  EXPECT_FALSE(Sender::isSendableAddress(QHostAddress("0.1.2.3")));
  EXPECT_FALSE(Sender::isSendableAddress(QHostAddress("255.255.255.255")));
  EXPECT_FALSE(Sender::isSendableAddress(QHostAddress("224.0.0.1")));
  EXPECT_FALSE(Sender::isSendableAddress(QHostAddress("239.255.255.250")));
  EXPECT_FALSE(Sender::isSendableAddress(QHostAddress("240.0.0.1")));
  EXPECT_FALSE(Sender::isSendableAddress(QHostAddress("::1")));
  EXPECT_FALSE(Sender::isSendableAddress(QHostAddress()));
  EXPECT_FALSE(Sender::isSendableAddress(QHostAddress(QStringLiteral("300.1.1.1"))));
}

// Three threads send through one sender while a fourth retargets it between two peers, as the
// tracking, receiver and GUI threads do.
TEST(Sender, ConcurrentSendAndRetarget) {
  Peer a, b;
  Sender sender(a.port(), QHostAddress("127.0.0.1"));
  constexpr int kThreads = 3;
  constexpr int kPerThread = 60;
  std::atomic<bool> stop{false};
  std::vector<std::thread> senders;
  for (int t = 0; t < kThreads; ++t) {
    senders.emplace_back([&sender, t] {
      for (int i = 0; i < kPerThread; ++i)
        sender.broadcastDatagram("MOUSEMOVE " + QByteArray::number(t) + " " +
                                 QByteArray::number(i) + " 0 0");
    });
  }
  std::thread retarget([&] {
    bool toB = true;
    while (!stop.load()) {
      sender.resetSocket(toB ? b.port() : a.port(), QHostAddress("127.0.0.1"));
      (void)sender.destination();
      toB = !toB;
      std::this_thread::yield();
    }
  });
  for (auto& t : senders) t.join();
  stop.store(true);
  retarget.join();

  std::set<QByteArray> seen;
  for (Peer* p : {&a, &b}) {
    while (p->socket.hasPendingDatagrams() || p->socket.waitForReadyRead(200)) {
      const QByteArray d = p->socket.receiveDatagram().data();
      EXPECT_TRUE(d.startsWith("MOUSEMOVE ") && d.endsWith(" 0 0")) << d.constData();
      EXPECT_TRUE(seen.insert(d).second) << "duplicate " << d.constData();
    }
  }
  // Loopback with a large receive buffer loses nothing.
  EXPECT_EQ(seen.size(), static_cast<size_t>(kThreads * kPerThread));
}

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
