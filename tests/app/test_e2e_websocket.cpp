// End to end through the sensor's WebSocket protocol: velmo-mouse told to take hands from
// velmo-handsim's WebSocket server (the stand-alone server's style, its wrong finger fields and
// velocity spike included) moves the X pointer with the palm and clicks once with a pinch.
#include <QRegularExpression>

#include <gtest/gtest.h>

// Last: Xlib's macros clash with gtest.
#include "test_hand_run.h"

namespace {

using apptest::AppProcess;
using apptest::HandSim;
using apptest::PointerWatch;
using apptest::waitFor;

const char* const script = R"(
wait 1s
hand right at 0 200 0
wait 2s
move to 220 200 0 over 0.8s
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

TEST(EndToEndWebSocket, APinchClicksAndThePalmMovesThePointer) {
    xwatch::Watcher x;
    std::string error;
    ASSERT_TRUE(x.open(nullptr, error)) << error;
    PointerWatch w(x);
    const auto& p = w.p;
    x.warp(100, w.height - 100);

    AppProcess app;
    ASSERT_TRUE(app.ready());
    // A free port of the simulator's choosing, read from what it says.
    HandSim sim;
    sim.process.setProcessChannelMode(QProcess::SeparateChannels);
    ASSERT_TRUE(sim.start(script, {"--websocket", "0"}));
    QByteArray said;
    QString url;
    ASSERT_TRUE(waitFor([&] {
        said += sim.process.readAllStandardError();
        const auto m = QRegularExpression("ws://127\\.0\\.0\\.1:\\d+/v6\\.json").match(QString::fromUtf8(said));
        if (m.hasMatch()) url = m.captured(0);
        return !url.isEmpty();
    }, 10000)) << said.constData();
    x.read(0);
    ASSERT_TRUE(app.start({"--tracking", url}));

    auto nearCentre = [&] { return w.nearCentre(); };
    EXPECT_TRUE(w.reaches(nearCentre)) << p.x << "," << p.y;
    EXPECT_TRUE(w.reaches([&] { return p.x == w.width - 1; })) << p.x << "," << p.y;
    EXPECT_TRUE(w.reaches(nearCentre)) << p.x << "," << p.y;
    EXPECT_TRUE(w.reaches([&] { return !sim.running(); }));
    w.drain();
    ASSERT_NO_FATAL_FAILURE(w.expectOneClickAtCentre());

    // The server went with the simulator: the tray turns gray.
    EXPECT_TRUE(waitFor([&] { return app.output().contains("TRAY EVENT 1 GRAY"); })) << app.output().constData();
    EXPECT_TRUE(app.output().contains(url.toUtf8())) << app.output().constData();
    EXPECT_EQ(app.quit(), 0) << app.output().constData();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
