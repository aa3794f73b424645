// End to end: velmo-mouse and the hand simulator as two processes under a private X server with a
// tray host. A scripted hand moves the X pointer to known places and clicks once with a thumb-index
// pinch; this test, as one more X client, reads the pointer back and records every button event.
#include <QElapsedTimer>

#include <gtest/gtest.h>

// Last: Xlib's macros clash with gtest.
#include "test_hand_run.h"

namespace {

using apptest::AppProcess;
using apptest::HandSim;
using apptest::PointerWatch;
using apptest::waitFor;

// The service's interaction box is centred 200 mm above the device, 235 mm wide and high: the
// middle of the box is the middle of the screen; far outside it the pointer stops at the edges.
const char* const script = R"(
wait 1s
hand right at 0 200 0
wait 2s
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

TEST(EndToEnd, AScriptedHandMovesThePointerAndOnePinchClicksOnce) {
    xwatch::Watcher x;
    std::string error;
    ASSERT_TRUE(x.open(nullptr, error)) << error;
    PointerWatch w(x);
    x.warp(100, w.height - 100);

    AppProcess app;
    ASSERT_TRUE(app.ready());
    HandSim sim;
    sim.process.setProcessChannelMode(QProcess::ForwardedChannels);
    ASSERT_TRUE(sim.startFor(app, script));
    x.read(0);  // nothing before the program runs counts
    ASSERT_TRUE(app.start());

    // The script ends with the hand gone; the simulator leaves with it.
    w.expectDemoPath([&] { return !sim.running(); }, [] { return std::string(); });
    ASSERT_NO_FATAL_FAILURE(w.expectOneClickAtCentre());

    // The tray saw the service go, and the program quits cleanly with its settings saved.
    EXPECT_TRUE(waitFor([&] { return app.output().contains("TRAY EVENT 1 GRAY"); })) << app.output().constData();
    QFile::remove(app.settingsPath());
    EXPECT_EQ(app.quit(), 0) << app.output().constData();
    EXPECT_TRUE(QFile::exists(app.settingsPath()));
}

// Mid-drag, the tracking service dies or the program is told to end: within a second the X server
// has no button held.
TEST(EndToEnd, ADragLetsGoWhenTheServiceDiesOrTheProgramIsTerminated) {
    const char* const drag = R"(
wait 1s
hand right at 0 200 0
wait 2s
pinch index over 0.15s
move by 40 0 0 over 1s
wait 60s
)";
    enum Ending { ServiceKilled, ProgramTerminated };
    for (Ending ending : {ServiceKilled, ProgramTerminated}) {
        SCOPED_TRACE(ending == ServiceKilled ? "service killed" : "program terminated");
        xwatch::Watcher x;
        std::string error;
        ASSERT_TRUE(x.open(nullptr, error)) << error;
        AppProcess app;
        ASSERT_TRUE(app.ready());
        HandSim sim;
        ASSERT_TRUE(sim.startFor(app, drag));
        ASSERT_TRUE(app.start());

        auto held = [&] {
            int px = 0, py = 0;
            unsigned mask = 0;
            x.pointer(&px, &py, &mask);
            return (mask & 0x700u) != 0;
        };
        ASSERT_TRUE(waitFor(held, 60000)) << app.output().constData();
        QTest::qWait(500);  // dragging
        ASSERT_TRUE(held());

        if (ending == ServiceKilled) {
            sim.process.kill();
        } else {
            app.process.terminate();
        }
        QElapsedTimer since;
        since.start();
        EXPECT_TRUE(waitFor([&] { return !held(); }, 5000));
        EXPECT_LT(since.elapsed(), 1000);
        if (ending == ServiceKilled) {
            sim.process.waitForFinished(5000);
            EXPECT_TRUE(app.running());
            EXPECT_EQ(app.quit(), 0);
        } else {
            EXPECT_EQ(app.waitForExit(), 0) << app.output().constData();
            sim.process.kill();
            sim.process.waitForFinished(5000);
        }
        EXPECT_FALSE(held());
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
