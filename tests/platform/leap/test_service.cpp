// The controller against a real tracking service over its Unix-domain socket: the simulator
// process, or a hand-written server for input no sane service sends.

#include "Leap.h"
#include "LeapHandBuilder.h"
#include "LeapPrivateDir.h"
#include "LeapProtocol.h"
#include "SimProcess.h"
#include "TrackingSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <regex>
#include <sstream>

using Leap::Vector;
using tracking_test::RecordingListener;
using tracking_test::Sim;
using tracking_test::waitFor;
namespace protocol = Leap::protocol;

namespace {

std::string writeFile(const QTemporaryDir& dir, const char* name, const std::string& text)
{
    const std::string path = dir.filePath(name).toStdString();
    std::ofstream(path) << text;
    return path;
}

float pinchGap(const Leap::Hand& h, int finger)
{
    return h.fingers()[0].bone(3).nextJoint().distanceTo(h.fingers()[finger].bone(3).nextJoint());
}

// A bare listening socket standing in for a broken service.
class RawServer {
public:
    explicit RawServer(const std::string& path)
    {
        m_listen = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
        EXPECT_EQ(bind(m_listen, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        EXPECT_EQ(listen(m_listen, 4), 0);
    }
    ~RawServer()
    {
        if (m_client >= 0)
            close(m_client);
        close(m_listen);
    }
    void acceptOne() { m_client = accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC); }
    void send(const std::string& bytes)
    {
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::send(m_client, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            ASSERT_GT(n, 0);
            done += static_cast<size_t>(n);
        }
    }
    void line(const std::string& l) { send(l + "\n"); }
    void hangUp()
    {
        close(m_client);
        m_client = -1;
    }

private:
    int m_listen = -1;
    int m_client = -1;
};

std::string frameAt(int64_t t, float x = 0.0f)
{
    return protocol::encodeFrame(Leap::RawFrame{t, {Leap::HandBuilder::openHand(Vector(x, 200, 0))}});
}

} // namespace

TEST(TrackingService, DemoScenarioEndToEnd)
{
    QTemporaryDir dir;
    const std::string sock = dir.filePath("t.sock").toStdString();
    const char* src = std::getenv("VELMO_SOURCE_DIR");
    ASSERT_NE(src, nullptr);
    Sim sim(dir.path().toStdString());
    sim.start({"--socket", sock, std::string(src) + "/tools/scenarios/demo.txt"});
    RecordingListener listener;
    Leap::Controller controller(sock);
    controller.addListener(listener);
    ASSERT_EQ(sim.wait(60), 0) << sim.errors();
    ASSERT_TRUE(waitFor([&] { return listener.serviceDowns == 1; }));
    controller.removeListener(listener);

    // Plugged in, unplugged, plugged in again; then the service ends.
    EXPECT_EQ(listener.sequence().substr(0, 20), "init connect frame d");
    EXPECT_EQ(listener.connects, 2);
    EXPECT_EQ(listener.disconnects, 2);
    EXPECT_EQ(listener.overlaps, 0);
    const auto frames = listener.framesCopy();
    ASSERT_GT(frames.size(), 1000u);
    int offRate = 0, pinched = 0, handFrames = 0;
    float lastProgress = 0.0f, maxProgress = 0.0f;
    int circleFrames = 0, clockwiseFrames = 0;
    // A simulator that falls far behind (a loaded machine) skips frames, as a device would, and a
    // listener that falls behind misses some: what counts is the frame periods each frame stands
    // for. The rate estimate takes a dozen frames to settle back after a gap.
    constexpr double period = 1e6 / 120.0;
    int settled = 0;
    for (size_t i = 0; i < frames.size(); ++i) {
        const Leap::Frame& f = frames[i];
        int periods = 1;
        if (i > 0) {
            const int64_t d = f.timestamp() - frames[i - 1].timestamp();
            EXPECT_GT(d, 0);
            periods = std::max(1, static_cast<int>(std::lround(static_cast<double>(d) / period)));
            const bool whole = std::fabs(static_cast<double>(d) - periods * period) <= 1.0;
            offRate += whole ? 0 : 1;
            settled = whole && periods == 1 ? settled + 1 : 0;
        }
        if (settled > 15) {
            EXPECT_NEAR(f.currentFramesPerSecond(), 120.0f, 1.0f);
        }
        if (f.hands().isEmpty())
            continue;
        handFrames += periods;
        if (pinchGap(f.hands()[0], 1) < 5.0f)
            pinched += periods;
        for (const Leap::Gesture g : f.gestures()) {
            const Leap::CircleGesture c(g);
            circleFrames += periods;
            if (c.pointable().direction().angleTo(c.normal()) <= Leap::PI / 4)
                clockwiseFrames += periods;
            EXPECT_GE(c.progress(), lastProgress);
            lastProgress = c.progress();
            maxProgress = std::max(maxProgress, c.progress());
        }
    }
    // Every step between two frames is whole frame periods, except across the unplugged time.
    EXPECT_LE(offRate, 3);
    EXPECT_GT(handFrames, 600);
    EXPECT_GT(pinched, 20);
    EXPECT_GT(circleFrames, 100);
    EXPECT_EQ(clockwiseFrames, circleFrames);
    EXPECT_NEAR(maxProgress, 2.0f, 0.15f);
}

TEST(TrackingService, ReconnectsWhenTheServiceComesBack)
{
    QTemporaryDir dir;
    const std::string sock = dir.filePath("t.sock").toStdString();
    const std::string script = writeFile(dir, "s.txt", "hand right\nwait 0.3s\nembedded on\nunplug\nwait 0.2s\n");
    Sim sim(dir.path().toStdString());
    RecordingListener listener;
    // No service yet: the controller keeps trying.
    Leap::Controller controller(sock);
    controller.addListener(listener);
    EXPECT_FALSE(controller.isServiceConnected());
    sim.start({"--socket", sock, "--fps", "60", script});
    ASSERT_TRUE(waitFor([&] { return listener.disconnects == 1; })) << sim.errors();
    // Unplugging a built-in device leaves it listed.
    EXPECT_TRUE(listener.embeddedAtDisconnect);
    ASSERT_EQ(sim.wait(), 0) << sim.errors();
    ASSERT_TRUE(waitFor([&] { return listener.serviceDowns == 1; }));
    EXPECT_FALSE(controller.isConnected());
    EXPECT_TRUE(controller.devices().isEmpty());
    const int framesBefore = listener.frameCount;
    EXPECT_GT(framesBefore, 10);

    // A service killed outright leaves its socket file behind; the next one replaces it.
    sim.start({"--socket", sock, "--loop", script});
    ASSERT_TRUE(waitFor([&] { return listener.connects == 2 && listener.frameCount > framesBefore + 5; })) << sim.errors();
    sim.kill9();
    ASSERT_TRUE(waitFor([&] { return listener.serviceDowns == 2; }));
    sim.start({"--socket", sock, script});
    ASSERT_TRUE(waitFor([&] { return listener.connects == 3; })) << sim.errors();
    EXPECT_EQ(sim.wait(), 0) << sim.errors();
    controller.removeListener(listener);
    EXPECT_EQ(listener.overlaps, 0);
}

TEST(TrackingService, BadInputOnTheSocketIsDroppedAndSlowListenersDropOldFrames)
{
    QTemporaryDir dir;
    const std::string sock = dir.filePath("t.sock").toStdString();
    RawServer server(sock);
    RecordingListener listener;
    std::atomic<bool> stall{true};
    listener.frameHook = [&](const Leap::Controller&, const Leap::Frame&) {
        while (stall)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
    Leap::Controller controller(sock);
    controller.addListener(listener);
    server.acceptOne();
    server.line(protocol::encodeHello("raw", 0));
    server.line(protocol::encodeDevice(Leap::DeviceStatus{true, false, 1000.0f}, 1));
    server.line("garbage");
    server.send(std::string(200000, 'x'));
    server.line(frameAt(5)); // ends the oversized line: dropped with it
    server.send(std::string("{\"v\":1,\0\1\2}\n", 13));
    server.line(std::regex_replace(frameAt(6), std::regex(R"(,\{"type":4[^{}]*\})"), "",
        std::regex_constants::format_first_only));
    server.line(frameAt(10));
    ASSERT_TRUE(waitFor([&] { return controller.isConnected(); }));
    // The listener is stuck in its first frame while the service streams on.
    std::string burst;
    for (int i = 1; i <= 3000; ++i)
        burst += frameAt(10 + i * 1000) + "\n";
    static std::atomic<bool> dropping{false};
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& m) {
        if (m.contains("dropping the oldest frames"))
            dropping = true;
    });
    server.send(burst);
    // Frames pile up beyond the queue's bound while the listener still sits in its first frame.
    const bool dropped = waitFor([&] { return dropping.load(); });
    qInstallMessageHandler(previous);
    stall = false;
    ASSERT_TRUE(dropped);
    const int64_t lastStamp = 10 + 3000 * 1000;
    ASSERT_TRUE(waitFor([&] { return controller.frame(0).timestamp() == lastStamp; }));
    const auto frames = listener.framesCopy();
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames.front().timestamp(), 10);
    EXPECT_LT(frames.size(), 3001u);
    for (size_t i = 1; i < frames.size(); ++i)
        EXPECT_GT(frames[i].timestamp(), frames[i - 1].timestamp());
    EXPECT_TRUE(controller.isServiceConnected());

    // A service that dies mid-line.
    server.send(frameAt(lastStamp + 1000).substr(0, 100));
    server.hangUp();
    ASSERT_TRUE(waitFor([&] { return listener.serviceDowns == 1; }));
    EXPECT_EQ(controller.frame(0).timestamp(), 0); // history gone with the service
    controller.removeListener(listener);
}

TEST(TrackingService, RecordingReplaysTheSameHand)
{
    QTemporaryDir dir;
    const std::string sock = dir.filePath("t.sock").toStdString();
    const std::string record = dir.filePath("rec.jsonl").toStdString();
    const std::string script = writeFile(dir, "s.txt",
        "hand left at -40 180 10\nmove by 60 30 0 over 0.3s\npinch ring over 0.1s\nspread over 0.1s\n"
        "config interaction_box_auto on\nwait 0.1s\n");
    Sim sim(dir.path().toStdString());
    std::vector<Leap::Frame> played, replayed;
    {
        RecordingListener listener;
        Leap::Controller controller(sock);
        controller.addListener(listener);
        sim.start({"--socket", sock, "--fps", "100", "--record", record, script});
        ASSERT_EQ(sim.wait(), 0) << sim.errors();
        ASSERT_TRUE(waitFor([&] { return listener.serviceDowns == 1; }));
        EXPECT_TRUE(controller.config().getBool("interaction_box_auto"));
        played = listener.framesCopy();
        controller.removeListener(listener);
    }
    // Every recorded line is a message of the format.
    std::ifstream in(record);
    int lines = 0, frameLines = 0;
    for (std::string line; std::getline(in, line); ++lines) {
        protocol::Message m;
        std::string error;
        ASSERT_TRUE(protocol::decode(line, m, error)) << error << ": " << line.substr(0, 80);
        frameLines += m.type == protocol::Type::Frame;
    }
    EXPECT_EQ(frameLines, static_cast<int>(played.size()));
    EXPECT_EQ(lines, frameLines + 2); // the device, the config entry

    {
        RecordingListener listener;
        Leap::Controller controller(sock);
        controller.addListener(listener);
        sim.start({"--socket", sock, "--replay", record});
        ASSERT_EQ(sim.wait(), 0) << sim.errors();
        ASSERT_TRUE(waitFor([&] { return listener.serviceDowns == 1; }));
        EXPECT_TRUE(controller.config().getBool("interaction_box_auto"));
        replayed = listener.framesCopy();
        controller.removeListener(listener);
    }
    ASSERT_EQ(replayed.size(), played.size());
    float minGap = 1000.0f;
    for (size_t i = 0; i < played.size(); ++i) {
        EXPECT_EQ(replayed[i].timestamp() - replayed[0].timestamp(), played[i].timestamp() - played[0].timestamp());
        ASSERT_EQ(replayed[i].hands().count(), played[i].hands().count());
        if (played[i].hands().isEmpty())
            continue;
        const Leap::Hand a = played[i].hands()[0], b = replayed[i].hands()[0];
        EXPECT_EQ(a.palmPosition(), b.palmPosition());
        EXPECT_FALSE(b.isRight());
        minGap = std::min(minGap, pinchGap(b, 3));
    }
    EXPECT_LT(minGap, 5.0f);
}

TEST(TrackingService, CommandLineErrors)
{
    QTemporaryDir dir;
    const std::string sock = dir.filePath("t.sock").toStdString();
    Sim sim(dir.path().toStdString());
    sim.start({"--socket", sock, writeFile(dir, "bad.txt", "hand right\nwait 1s\npinch elbow\n")});
    EXPECT_EQ(sim.wait(), 2);
    EXPECT_NE(sim.errors().find("line 3:"), std::string::npos) << sim.errors();
    sim.start({"--socket", sock});
    EXPECT_EQ(sim.wait(), 2);
    sim.start({"--fps", "0", "--socket", sock, "x.txt"});
    EXPECT_EQ(sim.wait(), 2);

    // One service per socket.
    const std::string script = writeFile(dir, "s.txt", "hand right\nwait 0.2s\n");
    Sim first(dir.path().toStdString());
    first.start({"--socket", sock, script});
    RecordingListener listener;
    Leap::Controller controller(sock);
    controller.addListener(listener);
    ASSERT_TRUE(waitFor([&] { return controller.isServiceConnected(); }));
    sim.start({"--socket", sock, script});
    EXPECT_EQ(sim.wait(), 1);
    EXPECT_NE(sim.errors().find("already running"), std::string::npos) << sim.errors();
    EXPECT_EQ(first.wait(), 0) << first.errors();
    controller.removeListener(listener);
}

TEST(TrackingService, PrivateSocketFolderMustBeOursAlone)
{
    QTemporaryDir dir;
    const std::string base = dir.path().toStdString();
    ASSERT_EQ(mkdir((base + "/good").c_str(), 0700), 0);
    ASSERT_EQ(mkdir((base + "/open").c_str(), 0755), 0);
    ASSERT_EQ(chmod((base + "/open").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((base + "/theirs").c_str(), 0700), 0);
    // Only root can give a folder away; an ordinary user checks the rest.
    const bool given = chown((base + "/theirs").c_str(), getuid() + 1, getgid()) == 0;
    ASSERT_EQ(symlink((base + "/good").c_str(), (base + "/link").c_str()), 0);
    writeFile(dir, "file", "x");
    struct Case {
        const char* name;
        bool accepted;
    };
    const Case cases[] = {{"new", true}, {"good", true}, {"open", false}, {"theirs", false}, {"link", false}, {"file", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!given && std::string(c.name) == "theirs")
            continue;
        const std::string d = base + "/" + c.name;
        std::string why;
        EXPECT_EQ(Leap::detail::preparePrivateDir(d, why), c.accepted) << why;
        struct stat st{};
        ASSERT_EQ(lstat(d.c_str(), &st), 0);
        if (c.accepted) {
            EXPECT_EQ(st.st_mode & 0777, 0700u);
        }
    }

    // A link planted where the socket should be is followed by neither side.
    const std::string real = base + "/good/real.sock";
    const std::string planted = base + "/good/planted.sock";
    ASSERT_EQ(symlink(real.c_str(), planted.c_str()), 0);
    const std::string script = writeFile(dir, "s.txt", "hand right\nwait 3s\n");
    Sim sim(base);
    sim.start({"--socket", planted, script});
    EXPECT_EQ(sim.wait(), 1);
    EXPECT_NE(sim.errors().find("not a socket"), std::string::npos) << sim.errors();
    sim.start({"--socket", real, script});
    RecordingListener viaLink, direct;
    Leap::Controller linked(planted), controller(real);
    linked.addListener(viaLink);
    controller.addListener(direct);
    ASSERT_TRUE(waitFor([&] { return direct.frameCount > 10; })) << sim.errors();
    usleep(1500 * 1000);
    EXPECT_FALSE(linked.isServiceConnected());
    EXPECT_EQ(viaLink.frameCount, 0);
    linked.removeListener(viaLink);
    controller.removeListener(direct);
}
