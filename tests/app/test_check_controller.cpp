// The start-up connection check against a controller without a service and one with a device.
#include "CheckController.h"
#include "LeapController.h"
#include "LeapTestDriver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

namespace {

// Receives the checker's signals the way the tray window does: queued into this thread.
struct Outcome {
    int disconnects = 0;
    int results = 0;
    qint64 disconnectAfterMs = -1;
};

Outcome runCheck(Leap::Controller& controller, const std::function<void()>& afterStart = {}) {
    Outcome out;
    QElapsedTimer clock;
    QObject receiver;
    CheckController check;
    check.SetController(&controller);
    QObject::connect(&check, &CheckController::onDisconnect, &receiver, [&] {
        ++out.disconnects;
        out.disconnectAfterMs = clock.elapsed();
    });
    QObject::connect(&check, &CheckController::resultReady, &receiver, [&](const QString& s) {
        EXPECT_TRUE(s.isEmpty());
        ++out.results;
    });
    clock.start();
    check.start(QThread::InheritPriority);
    if (afterStart) afterStart();
    // Generous: the check itself takes about two seconds.
    EXPECT_TRUE(QTest::qWaitFor([&] { return out.results > 0; }, 20000));
    EXPECT_TRUE(check.wait(20000));
    QCoreApplication::processEvents();
    return out;
}

} // namespace

TEST(CheckController, NoServiceIsReportedOnceAfterTwoSecondsOfWallTimeEvenWithBusyThreads) {
    Leap::Controller controller{std::string()};
    ASSERT_FALSE(controller.isConnected());
    // Busy threads make processor time run several times faster than the wall clock.
    std::atomic<bool> stop{false};
    std::vector<std::thread> busy;
    for (int i = 0; i < 3; ++i)
        busy.emplace_back([&] {
            volatile unsigned n = 0;
            while (!stop.load(std::memory_order_relaxed)) ++n;
        });
    const Outcome out = runCheck(controller);
    stop = true;
    for (auto& t : busy) t.join();

    EXPECT_EQ(out.disconnects, 1);
    EXPECT_EQ(out.results, 1);
    EXPECT_GE(out.disconnectAfterMs, 1500);
}

TEST(CheckController, ConnectedDeviceGivesNoDisconnect) {
    Leap::Controller controller{std::string()};
    Leap::TestDriver driver(controller);
    driver.plugDevice();
    driver.sync();
    ASSERT_TRUE(controller.isConnected());
    const Outcome out = runCheck(controller);
    EXPECT_EQ(out.disconnects, 0);
    EXPECT_EQ(out.results, 1);
}

TEST(CheckController, DeviceThatTurnsUpDuringTheWaitGivesNoDisconnect) {
    Leap::Controller controller{std::string()};
    Leap::TestDriver driver(controller);
    const Outcome out = runCheck(controller, [&] {
        QTest::qWait(300);
        driver.plugDevice();
        driver.sync();
    });
    EXPECT_EQ(out.disconnects, 0);
    EXPECT_EQ(out.results, 1);
}
