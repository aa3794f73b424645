// Two machines end to end: velmo-mouse as a source (with the hand simulator) and velmo-mouse as a
// destination, each with its own settings file, X server and network namespace, linked by a
// virtual Ethernet pair (tests/support/with-relay-hosts.sh makes the first namespace and the two
// displays). The scripted hand moves the destination's pointer and one pinch clicks there once;
// the source's own desktop sees nothing.
#include "VelmoGestures.h"
#include "XWatch.h"

#include <QFileInfo>
#include <QTemporaryFile>

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

// Last: Xlib's macros clash with gtest.
#include "test_main_process.h"

namespace {

using apptest::AppProcess;
using apptest::waitFor;

// The source waits for the destination's size before it moves anything (up to one 5 s report).
const char* const script = R"(
wait 1s
hand right at 0 200 0
wait 15s
move to 220 200 0 over 0.8s
wait 2s
move to -220 340 0 over 1.2s
wait 2s
move to 0 200 0 over 1s
wait 2.5s
pinch index over 0.15s
wait 0.4s
spread over 0.2s
wait 1s
remove
wait 1s
)";

bool run(const QString& program, const QStringList& args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    p.start(program, args);
    return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

void writeSettings(const AppProcess& app, std::initializer_list<std::pair<int, float>> values) {
    VelmoGestures engine;
    engine.InitParameters();
    engine.EncodeParameters();
    engine.SetUserParam(1.0f, DisableTutorial);
    for (const auto& v : values) engine.SetUserParam(v.second, v.first);
    engine.setSettingsDir(app.settingsDir());
    ASSERT_EQ(engine.WriteParameters(), 0);
}

struct Point {
    int x = -1;
    int y = -1;
};

TEST(RelayEndToEnd, TheSourcesHandDrivesTheDestinationsPointerAndClicksThere) {
    const QByteArray destDisplay = qgetenv("VELMO_DEST_DISPLAY");
    ASSERT_FALSE(destDisplay.isEmpty()) << "run under tests/support/with-relay-hosts.sh";
    xwatch::Watcher src, dst;
    std::string error;
    ASSERT_TRUE(src.open(nullptr, error)) << error;
    ASSERT_TRUE(dst.open(destDisplay.constData(), error)) << error;
    const int width = dst.screenWidth();
    const int height = dst.screenHeight();
    ASSERT_NE(width, src.screenWidth());
    src.warp(100, 100);
    dst.warp(100, height - 100);

    AppProcess source, destination;
    ASSERT_TRUE(source.ready() && destination.ready());
    const int port = 14155;
    writeSettings(source, {{NetworkMode, 1}, {DestinationIpAddress1, 10}, {DestinationIpAddress2, 77},
                           {DestinationIpAddress3, 0}, {DestinationIpAddress4, 2}, {DestinationPort, port}});
    writeSettings(destination, {{NetworkMode, 2}, {DestinationPort, port}});

    // The destination in a namespace of its own; it starts once its end of the link is there.
    QProcessEnvironment env = destination.environment();
    env.insert("DISPLAY", QString::fromLocal8Bit(destDisplay));
    destination.process.setProcessEnvironment(env);
    destination.process.setStandardOutputFile(destination.logPath());
    destination.process.setStandardErrorFile(destination.logPath());
    const QString netnsUp = "while ! ip link show vdst >/dev/null 2>&1; do sleep 0.05; done; "
                            "ip link set lo up && ip addr add 10.77.0.2/24 dev vdst && ip link set vdst up && exec \"$0\"";
    destination.process.start("unshare", {"-n", "sh", "-c", netnsUp, destination.programPath()});
    ASSERT_TRUE(destination.process.waitForStarted(10000));
    const QString pid = QString::number(destination.process.processId());
    const QString ownNs = QFileInfo("/proc/self/ns/net").symLinkTarget();
    ASSERT_TRUE(waitFor([&] {
        const QString ns = QFileInfo("/proc/" + pid + "/ns/net").symLinkTarget();
        return !ns.isEmpty() && ns != ownNs;
    }, 10000));
    ASSERT_TRUE(run("ip", {"link", "add", "vsrc", "type", "veth", "peer", "name", "vdst"}));
    ASSERT_TRUE(run("ip", {"link", "set", "vdst", "netns", pid}));
    ASSERT_TRUE(run("ip", {"addr", "add", "10.77.0.1/24", "dev", "vsrc"}));
    ASSERT_TRUE(run("ip", {"link", "set", "vsrc", "up"}));

    QTemporaryFile scriptFile;
    ASSERT_TRUE(scriptFile.open());
    scriptFile.write(script);
    scriptFile.flush();
    QProcess sim;
    sim.setProcessChannelMode(QProcess::ForwardedChannels);
    sim.start(QStringLiteral(VELMO_HANDSIM), QStringList{"--socket", source.socketPath(), scriptFile.fileName()});
    ASSERT_TRUE(sim.waitForStarted(10000));
    ASSERT_TRUE(waitFor([&] { return QFile::exists(source.socketPath()); }, 10000));
    src.read(0);
    dst.read(0);
    ASSERT_TRUE(source.start());

    std::vector<xwatch::ButtonEvent> dstButtons, srcButtons;
    Point p, atPress;
    auto reaches = [&](auto wanted) {
        return waitFor([&] {
            for (const auto& e : dst.read(10)) {
                dstButtons.push_back(e);
                if (e.press && e.button == 1) atPress = p;
            }
            for (const auto& e : src.read(0)) srcButtons.push_back(e);
            unsigned mask = 0;
            dst.pointer(&p.x, &p.y, &mask);
            return wanted();
        }, 60000);
    };
    auto nearCentre = [&] { return std::abs(p.x - width / 2) <= 3 && std::abs(p.y - height / 2) <= 3; };

    EXPECT_TRUE(reaches(nearCentre)) << p.x << "," << p.y << "\n" << destination.output().constData();
    EXPECT_TRUE(reaches([&] { return p.x == width - 1; })) << p.x << "," << p.y;
    EXPECT_NEAR(p.y, height / 2, 3);
    EXPECT_TRUE(reaches([&] { return p.x == 0 && p.y == 0; })) << p.x << "," << p.y;
    EXPECT_TRUE(reaches(nearCentre)) << p.x << "," << p.y;
    EXPECT_TRUE(reaches([&] { return sim.state() == QProcess::NotRunning; }));
    for (int i = 0; i < 50; ++i) {
        for (const auto& e : dst.read(10)) dstButtons.push_back(e);
        for (const auto& e : src.read(0)) srcButtons.push_back(e);
    }

    // One click on the destination, where its pointer was; nothing at all on the source's desktop.
    ASSERT_EQ(dstButtons.size(), 2u);
    EXPECT_TRUE(dstButtons[0].press);
    EXPECT_EQ(dstButtons[0].button, 1);
    EXPECT_FALSE(dstButtons[1].press);
    EXPECT_NEAR(atPress.x, width / 2, 3);
    EXPECT_NEAR(atPress.y, height / 2, 3);
    EXPECT_TRUE(srcButtons.empty());
    int sx = -1, sy = -1;
    unsigned smask = 0;
    src.pointer(&sx, &sy, &smask);
    EXPECT_EQ(sx, 100);
    EXPECT_EQ(sy, 100);
    EXPECT_TRUE(destination.output().contains("10.77.0.1")) << destination.output().constData();

    EXPECT_EQ(source.quit(), 0) << source.output().constData();
    EXPECT_EQ(destination.quit(), 0) << destination.output().constData();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
