// The tray window's network mode on a real X server with a tray host: the relay's sockets made at
// start-up on their own thread, what goes out on loopback in each mode, when the port is held, and
// the tray entries a destination greys.
#include "VelmoWindow.h"

#include "VelmoGestures.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QNetworkDatagram>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QUdpSocket>

#include <gtest/gtest.h>

#include <mutex>

namespace {

std::mutex logMutex;
QStringList warnings;
QtMessageHandler previousHandler = nullptr;

void collect(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtWarningMsg) {
        std::lock_guard<std::mutex> lock(logMutex);
        warnings << text;
    }
    previousHandler(type, context, text);
}

int bindFailures() {
    std::lock_guard<std::mutex> lock(logMutex);
    return int(warnings.filter("RECEIVER COULD NOT BIND PORT").size());
}

bool portFree(const char* address, quint16 port) {
    QUdpSocket probe;
    return probe.bind(QHostAddress(QString::fromLatin1(address)), port);
}

TEST(TrayNetworkMode, SocketsAtStartUpAndEachModeKeepsToItsOwn) {
    // A port of our own; the destination machine is a socket on 127.0.0.2.
    QUdpSocket destination;
    ASSERT_TRUE(destination.bind(QHostAddress("127.0.0.2"), 0));
    const quint16 port = destination.localPort();
    {
        VelmoGestures engine;
        engine.InitParameters();
        engine.EncodeParameters();
        for (auto v : {std::make_pair(int(NetworkMode), 1.0f), std::make_pair(int(DestinationIpAddress1), 127.0f),
                       std::make_pair(int(DestinationIpAddress4), 2.0f), std::make_pair(int(DestinationPort), float(port)),
                       std::make_pair(int(DisableTutorial), 1.0f)})
            engine.SetUserParam(v.second, v.first);
        engine.parameters().setSettingsDir(QCoreApplication::applicationDirPath());
        ASSERT_EQ(engine.WriteParameters(), 0);
    }

    VelmoWindow w;
    ASSERT_NE(w.socketThread(), nullptr);
    EXPECT_TRUE(w.socketThread()->isRunning());
    // A source announces itself at once. Its port is taken here (by the destination's socket on
    // this one computer): that is said once, and sending works all the same.
    ASSERT_TRUE(destination.waitForReadyRead(5000));
    EXPECT_EQ(destination.receiveDatagram().data(), "SETSOURCEIP");
    ASSERT_TRUE(destination.hasPendingDatagrams() || destination.waitForReadyRead(5000));
    EXPECT_EQ(destination.receiveDatagram().data(), "AUDIO_GRAPHIC_FX_PARAMS 1 0 1");
    EXPECT_TRUE(QTest::qWaitFor([] { return bindFailures() == 1; }, 5000));
    EXPECT_TRUE(w.pauseAction()->isEnabled());
    destination.close();

    // A destination holds the port and greys what it cannot do.
    w.setNetworkMode(2);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !portFree("127.0.0.1", port); }, 5000));
    EXPECT_FALSE(w.pauseAction()->isEnabled());
    EXPECT_FALSE(w.notifyClicksAction()->isEnabled());
    EXPECT_FALSE(w.tutorialAction()->isEnabled());
    EXPECT_EQ(w.listener().engine().getNetworkMode(), 2);

    // Standalone: the port is free again, the entries are back.
    w.setNetworkMode(0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return portFree("127.0.0.1", port); }, 5000));
    EXPECT_TRUE(w.pauseAction()->isEnabled());
    EXPECT_TRUE(w.notifyClicksAction()->isEnabled());
    EXPECT_EQ(bindFailures(), 1);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    previousHandler = qInstallMessageHandler(collect);
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
