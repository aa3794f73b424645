#pragma once
// The end-to-end runs: velmo-handsim playing a script, and the X pointer and button events it
// causes, read back as one more X client.
#include "test_main_process.h"

#include "XWatch.h"

#include <QTemporaryFile>

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace apptest {

class HandSim {
public:
    // The script goes last on the command line, after arguments.
    bool start(const char* script, QStringList arguments) {
        if (!file.open()) return false;
        file.write(script);
        file.flush();
        process.start(QStringLiteral(VELMO_HANDSIM), arguments << file.fileName());
        return process.waitForStarted(10000);
    }
    // Serving the tracking socket app connects to, once the socket is there.
    bool startFor(const AppProcess& app, const char* script) {
        return start(script, {"--socket", app.socketPath()}) &&
               waitFor([&] { return QFile::exists(app.socketPath()); }, 10000);
    }
    bool running() const { return process.state() != QProcess::NotRunning; }

    QProcess process;

private:
    QTemporaryFile file;
};

struct Point {
    int x = -1;
    int y = -1;
};

// Follows the pointer on one display, recording its button events and where the pointer was at the
// first left press; an optional second display only has its button events recorded.
class PointerWatch {
public:
    explicit PointerWatch(xwatch::Watcher& x, xwatch::Watcher* other = nullptr)
        : x_(x), other_(other), width(x.screenWidth()), height(x.screenHeight()) {}

    template <class Wanted>
    bool reaches(Wanted wanted) {
        return waitFor([&] {
            poll(true);
            unsigned mask = 0;
            x_.pointer(&p.x, &p.y, &mask);
            return wanted();
        }, 60000);
    }
    bool nearCentre() const { return std::abs(p.x - width / 2) <= 3 && std::abs(p.y - height / 2) <= 3; }
    // The last events in flight; the pointer is no longer followed, so a press now has no place.
    void drain() {
        for (int i = 0; i < 50; ++i) poll(false);
    }
    // The demo script's path: the centre, the right edge at mid-height, the top-left corner, the
    // centre again, until ended(); then the events still in flight. note() is shown if the first
    // step fails.
    template <class Ended, class Note>
    void expectDemoPath(Ended ended, Note note) {
        auto centre = [&] { return nearCentre(); };
        EXPECT_TRUE(reaches(centre)) << p.x << "," << p.y << "\n" << note();
        EXPECT_TRUE(reaches([&] { return p.x == width - 1; })) << p.x << "," << p.y;
        EXPECT_NEAR(p.y, height / 2, 3);
        EXPECT_TRUE(reaches([&] { return p.x == 0 && p.y == 0; })) << p.x << "," << p.y;
        EXPECT_TRUE(reaches(centre)) << p.x << "," << p.y;
        EXPECT_TRUE(reaches(ended));
        drain();
    }
    // One left click, pressed with the pointer at the middle of the screen.
    void expectOneClickAtCentre() const {
        ASSERT_EQ(buttons.size(), 2u);
        EXPECT_TRUE(buttons[0].press);
        EXPECT_EQ(buttons[0].button, 1);
        EXPECT_FALSE(buttons[1].press);
        EXPECT_EQ(buttons[1].button, 1);
        EXPECT_NEAR(atPress.x, width / 2, 3);
        EXPECT_NEAR(atPress.y, height / 2, 3);
    }

private:
    void poll(bool following) {
        for (const auto& e : x_.read(10)) {
            buttons.push_back(e);
            if (following && e.press && e.button == 1) atPress = p;
        }
        if (other_)
            for (const auto& e : other_->read(0)) otherButtons.push_back(e);
    }
    xwatch::Watcher& x_;
    xwatch::Watcher* other_;

public:
    const int width;
    const int height;
    Point p;
    Point atPress;
    std::vector<xwatch::ButtonEvent> buttons;
    std::vector<xwatch::ButtonEvent> otherButtons;
};

} // namespace apptest
