// Two machines end to end: velmo-mouse as a source (with the hand simulator) and velmo-mouse as a
// destination, each with its own settings file, X server and network namespace, linked by a
// virtual Ethernet pair (tests/support/with-relay-hosts.sh makes the first namespace and the two
// displays). The scripted hand moves the destination's pointer and one pinch clicks there once;
// the source's own desktop sees nothing.
#include "test_tray_settings.h"

#include <QFileInfo>

#include <gtest/gtest.h>

// Last: Xlib's macros clash with gtest.
#include "test_hand_run.h"

namespace {

using apptest::AppProcess;
using apptest::HandSim;
using apptest::PointerWatch;
using apptest::waitFor;

// Played once the source knows the destination's size: before, it moves nothing there.
const char* const script = R"(
wait 1s
hand right at 0 200 0
wait 1s
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

TEST(RelayEndToEnd, TheSourcesHandDrivesTheDestinationsPointerAndClicksThere) {
    const QByteArray destDisplay = qgetenv("VELMO_DEST_DISPLAY");
    ASSERT_FALSE(destDisplay.isEmpty()) << "run under tests/support/with-relay-hosts.sh";
    xwatch::Watcher src, dst;
    std::string error;
    ASSERT_TRUE(src.open(nullptr, error)) << error;
    ASSERT_TRUE(dst.open(destDisplay.constData(), error)) << error;
    PointerWatch w(dst, &src);
    ASSERT_NE(w.width, src.screenWidth());
    src.warp(100, 100);
    dst.warp(100, w.height - 100);

    AppProcess source, destination;
    ASSERT_TRUE(source.ready() && destination.ready());
    const int port = 14155;
    apptest::writeSettings({{DisableTutorial, 1}, {NetworkMode, 1}, {DestinationIpAddress1, 10},
                            {DestinationIpAddress2, 77}, {DestinationIpAddress3, 0}, {DestinationIpAddress4, 2},
                            {DestinationPort, port}},
                           source.settingsDir());
    apptest::writeSettings({{DisableTutorial, 1}, {NetworkMode, 2}, {DestinationPort, port}}, destination.settingsDir());

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

    // A service without a hand first: the source's announcement waits for a frame, the
    // destination's size report for the announcement. The hand comes once the source has the size.
    {
        HandSim idle;
        ASSERT_TRUE(idle.startFor(source, "wait 600s\n"));
        src.read(0);
        dst.read(0);
        ASSERT_TRUE(source.start());
        ASSERT_TRUE(waitFor([&] { return source.output().contains("SET RESOLUTION SOURCE MODE"); }, 120000))
            << source.output().constData() << destination.output().constData();
        idle.process.kill();
        idle.process.waitForFinished(10000);
    }
    HandSim sim;
    sim.process.setProcessChannelMode(QProcess::ForwardedChannels);
    ASSERT_TRUE(sim.startFor(source, script));

    w.expectDemoPath([&] { return !sim.running(); }, [&] { return destination.output().toStdString(); });

    // One click on the destination, where its pointer was; nothing at all on the source's desktop.
    ASSERT_NO_FATAL_FAILURE(w.expectOneClickAtCentre());
    EXPECT_TRUE(w.otherButtons.empty());
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
