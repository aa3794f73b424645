// The tray window's network mode on a real X server with a tray host: the relay's sockets made at
// start-up on their own thread, what goes out on loopback in each mode, when the port is held, and
// the tray entries a destination greys, and a new destination set in the options.
#include "VelmoWindow.h"

#include "UserOptionDlg.h"
#include "VelmoGestures.h"
#include "ui_UserOptionDlg.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
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

// Read from the kernel's socket table: a probe that bound the port itself could take it from
// the receiver at the moment the receiver binds.
bool portBound(quint16 port) {
    for (const char* table : {"/proc/net/udp", "/proc/net/udp6"}) {
        QFile f(QString::fromLatin1(table));
        if (!f.open(QIODevice::ReadOnly)) continue;
        f.readLine();  // the column names
        while (!f.atEnd()) {
            const QList<QByteArray> fields = f.readLine().simplified().split(' ');
            if (fields.size() > 1 && fields[1].split(':').value(1).toUShort(nullptr, 16) == port) return true;
        }
    }
    return false;
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
    EXPECT_TRUE(QTest::qWaitFor([&] { return portBound(port); }, 5000));
    EXPECT_FALSE(w.pauseAction()->isEnabled());
    EXPECT_FALSE(w.notifyClicksAction()->isEnabled());
    EXPECT_FALSE(w.tutorialAction()->isEnabled());
    EXPECT_EQ(w.listener().engine().getNetworkMode(), 2);

    // Standalone: the port is free again, the entries are back.
    w.setNetworkMode(0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !portBound(port); }, 5000));
    EXPECT_TRUE(w.pauseAction()->isEnabled());
    EXPECT_TRUE(w.notifyClicksAction()->isEnabled());
    EXPECT_EQ(bindFailures(), 1);

    // A new port set in the options acts on OK, without a restart: a source's next command goes
    // there, and a destination listens there and lets the old port go.
    auto setPortInOptions = [&](quint16 newPort) {
        w.optionsAction()->trigger();
        UserOptionDlg* d = w.trayOptions().dialog();
        ASSERT_NE(d, nullptr);
        d->form()->spinBoxDestPort->setValue(newPort);
        d->form()->okButton->click();
    };
    QUdpSocket moved;
    ASSERT_TRUE(moved.bind(QHostAddress("127.0.0.2"), 0));
    w.setNetworkMode(1);
    setPortInOptions(moved.localPort());
    ASSERT_TRUE(moved.waitForReadyRead(5000));
    EXPECT_EQ(moved.receiveDatagram().data(), "SETSOURCEIP");  // the source's parameters, sent on OK
    const quint16 heard = moved.localPort();
    moved.close();

    w.setNetworkMode(2);
    EXPECT_TRUE(QTest::qWaitFor([&] { return portBound(heard); }, 5000));
    quint16 next = 0;
    {
        QUdpSocket probe;
        ASSERT_TRUE(probe.bind(QHostAddress("127.0.0.1"), 0));
        next = probe.localPort();
    }
    setPortInOptions(next);
    EXPECT_TRUE(QTest::qWaitFor([&] { return portBound(next) && !portBound(heard); }, 5000));
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
