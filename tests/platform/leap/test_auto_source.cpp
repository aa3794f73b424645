// "auto" started before any source exists: the first to appear is taken and kept while the other
// appears too; once it goes, the other is found. Started with one there, it takes that one at once.

#include "Leap.h"
#include "SimProcess.h"
#include "TrackingSupport.h"
#include "WebSocketServer.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <fstream>

using tracking_test::RecordingListener;
using tracking_test::Sim;
using tracking_test::waitFor;

namespace {

std::mutex g_mutex;
std::vector<std::string> g_log;
void captureLog(QtMsgType, const QMessageLogContext&, const QString& msg)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_log.push_back(msg.toStdString());
}

int linesWith(const std::string& text)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return static_cast<int>(std::count_if(g_log.begin(), g_log.end(), [&](const std::string& l) { return l.find(text) != std::string::npos; }));
}

// A port nothing listens on, for a server that comes later.
int freePort()
{
    handsim::WebSocketServer probe;
    std::string error;
    return probe.listen(0, error) ? probe.port() : -1;
}

bool sawHandAt(RecordingListener& listener, float palmY)
{
    for (const Leap::Frame& f : listener.framesCopy())
        if (f.hands().count() == 1 && std::fabs(f.hands()[0].palmPosition().y - palmY) < 1.0f)
            return true;
    return false;
}

} // namespace

TEST(AutoSource, TakesWhicheverAppearsFirstAndLooksAgainWhenItGoes)
{
    QTemporaryDir dir;
    const std::string root = dir.path().toStdString();
    mkdir((root + "/ws").c_str(), 0700);
    mkdir((root + "/service").c_str(), 0700);
    const std::string sock = root + "/velmo-tracking.sock";
    const int port = freePort();
    ASSERT_GT(port, 0);
    const std::string url = "ws://127.0.0.1:" + std::to_string(port) + "/v6.json";
    const std::string script = root + "/hand.txt";
    std::ofstream(script) << "hand right at 0 250 0\nwait 5\n";

    {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_log.clear();
    }
    const QtMessageHandler previous = qInstallMessageHandler(captureLog);
    RecordingListener listener;
    Leap::Controller controller(Leap::TrackingSource{Leap::TrackingSource::Kind::Automatic, sock, url});
    controller.addListener(listener);
    // Nothing there yet: both are tried and found missing, more than once.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_EQ(listener.frameCount, 0);

    // The sensor's server comes first, serving a recorded frame of the older service.
    Sim ws(root + "/ws");
    ws.start({"--replay", tracking_test::sourceFile(tracking_test::OLDER_SERVICE_FRAME), "--websocket", std::to_string(port)});
    ASSERT_TRUE(waitFor([&] { return sawHandAt(listener, 155.3f); })) << ws.errors();
    EXPECT_EQ(linesWith("taking hands from " + url), 1);

    // The service's socket appears beside it: not taken, not even connected to, while frames come.
    Sim service(root + "/service");
    service.start({"--socket", sock, "--loop", script});
    ASSERT_TRUE(waitFor([&] {
        struct stat st{};
        return stat(sock.c_str(), &st) == 0;
    }));
    const int before = listener.frameCount;
    ASSERT_TRUE(waitFor([&] { return listener.frameCount > before + 300; }));
    EXPECT_EQ(service.errors().find("playing"), std::string::npos) << service.errors();
    EXPECT_EQ(linesWith("taking hands from"), 1);

    // The server goes: the socket is found, and its hand comes.
    ws.kill9();
    ASSERT_TRUE(waitFor([&] { return sawHandAt(listener, 250.0f); })) << service.errors();
    EXPECT_EQ(linesWith("taking hands from unix:" + sock), 1);
    EXPECT_EQ(linesWith("taking hands from"), 2);
    EXPECT_EQ(listener.overlaps, 0);
    controller.removeListener(listener);

    // Started while the service is there, the program takes it at once.
    RecordingListener second;
    Leap::Controller again(Leap::TrackingSource{Leap::TrackingSource::Kind::Automatic, sock, url});
    again.addListener(second);
    ASSERT_TRUE(waitFor([&] { return sawHandAt(second, 250.0f); })) << service.errors();
    again.removeListener(second);
    qInstallMessageHandler(previous);
}
