// End to end through the sensor's WebSocket protocol: velmo-mouse told to take hands from
// velmo-handsim's WebSocket server (the stand-alone server's style, its wrong finger fields and
// velocity spike included) moves the X pointer with the palm and clicks once with a pinch.
#include "XWatch.h"

#include <QRegularExpression>
#include <QTemporaryFile>

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

// Last: Xlib's macros clash with gtest.
#include "test_main_process.h"

namespace {

using apptest::AppProcess;
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
    const int width = x.screenWidth();
    const int height = x.screenHeight();
    x.warp(100, height - 100);

    AppProcess app;
    ASSERT_TRUE(app.ready());
    QTemporaryFile scriptFile;
    ASSERT_TRUE(scriptFile.open());
    scriptFile.write(script);
    scriptFile.flush();
    // A free port of the simulator's choosing, read from what it says.
    QProcess sim;
    sim.setProcessChannelMode(QProcess::SeparateChannels);
    sim.start(QStringLiteral(VELMO_HANDSIM), QStringList{"--websocket", "0", scriptFile.fileName()});
    ASSERT_TRUE(sim.waitForStarted(10000));
    QByteArray said;
    QString url;
    ASSERT_TRUE(waitFor([&] {
        said += sim.readAllStandardError();
        const auto m = QRegularExpression("ws://127\\.0\\.0\\.1:\\d+/v6\\.json").match(QString::fromUtf8(said));
        if (m.hasMatch()) url = m.captured(0);
        return !url.isEmpty();
    }, 10000)) << said.constData();
    x.read(0);
    ASSERT_TRUE(app.start({"--tracking", url}));

    std::vector<xwatch::ButtonEvent> buttons;
    int px = -1, py = -1;
    int atPressX = -1, atPressY = -1;
    auto reaches = [&](auto wanted) {
        return waitFor([&] {
            for (const auto& e : x.read(10)) {
                buttons.push_back(e);
                if (e.press && e.button == 1) { atPressX = px; atPressY = py; }
            }
            unsigned mask = 0;
            x.pointer(&px, &py, &mask);
            return wanted();
        }, 60000);
    };
    auto nearCentre = [&] { return std::abs(px - width / 2) <= 3 && std::abs(py - height / 2) <= 3; };

    EXPECT_TRUE(reaches(nearCentre)) << px << "," << py;
    EXPECT_TRUE(reaches([&] { return px == width - 1; })) << px << "," << py;
    EXPECT_TRUE(reaches(nearCentre)) << px << "," << py;
    EXPECT_TRUE(reaches([&] { return sim.state() == QProcess::NotRunning; }));
    for (int i = 0; i < 50; ++i)
        for (const auto& e : x.read(10)) buttons.push_back(e);
    ASSERT_EQ(buttons.size(), 2u);
    EXPECT_TRUE(buttons[0].press);
    EXPECT_EQ(buttons[0].button, 1);
    EXPECT_FALSE(buttons[1].press);
    EXPECT_EQ(buttons[1].button, 1);
    EXPECT_NEAR(atPressX, width / 2, 3);
    EXPECT_NEAR(atPressY, height / 2, 3);

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
