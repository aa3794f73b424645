// The tutorial opened from the tray: rendering, the interactive flag, frames while the tray menu is
// open, ESC and the close request, reopening, shut-down with the tutorial open, and a renderer that
// cannot start.
#include "VelmoWindow.h"

#include "HandVisRender.h"
#include "OsxHandVisualiser.h"
#include "OsxTutorialWindow.h"
#include "test_tray_settings.h"

#include <OgreRoot.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

// Last: Xlib's macros clash with the headers above.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

bool waitFor(const std::function<bool()>& condition, int ms = 20000) {
    return QTest::qWaitFor(condition, ms);
}

long long frames(VelmoWindow& w) {
    return w.tutorialVisualiser() ? w.tutorialVisualiser()->renderTimer()->frameCount() : -1;
}

// A key typed with the pointer over the view, so the view has the keyboard.
void keyInto(QWidget* view, KeySym key) {
    Display* d = XOpenDisplay(nullptr);
    const QPoint c = view->mapToGlobal(view->rect().center());
    XTestFakeMotionEvent(d, -1, c.x(), c.y(), 0);
    const KeyCode code = XKeysymToKeycode(d, key);
    XTestFakeKeyEvent(d, code, True, 0);
    XTestFakeKeyEvent(d, code, False, 0);
    XSync(d, False);
    XCloseDisplay(d);
}

void closeRequest(QWidget* w) {
    Display* d = XOpenDisplay(nullptr);
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = static_cast<Window>(w->winId());
    ev.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    XSendEvent(d, ev.xclient.window, False, NoEventMask, &ev);
    XSync(d, False);
    XCloseDisplay(d);
}

using apptest::localSettingsPath;

class TutorialTray : public ::testing::Test {
protected:
    void SetUp() override {
        QFile::remove(localSettingsPath());
        ASSERT_TRUE(waitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, 10000));
        window = std::make_unique<VelmoWindow>();
    }
    void TearDown() override {
        window.reset();
        QFile::remove(localSettingsPath());
    }
    std::unique_ptr<VelmoWindow> window;
};

TEST_F(TutorialTray, OpensFromTheMenuRendersAndClosesEveryWay) {
    VelmoWindow& w = *window;
    ASSERT_TRUE(w.tutorialAction()->isEnabled());
    // ESC, the close request, and last the tray's own shut-down with the tutorial open.
    for (int round = 0; round < 3; ++round) {
        w.tutorialAction()->trigger();
        ASSERT_NE(w.tutorialWindow(), nullptr) << round;
        ASSERT_NE(w.tutorialVisualiser(), nullptr) << round;
        EXPECT_EQ(w.tutorialMessage(), nullptr) << round;
        EXPECT_EQ(w.listener().isInteractiveTutorial(), 1) << round;
        ASSERT_TRUE(waitFor([&] { return frames(w) >= 10; })) << round;
        // The menu again while it runs: the same tutorial, shown again.
        OsxTutorialWindow* first = w.tutorialWindow();
        w.tutorialAction()->trigger();
        EXPECT_EQ(w.tutorialWindow(), first);

        if (round == 0) {
            // Frames go on while the tray menu is open. The tutorial takes the focus when shown;
            // a popup opened before that lands would be closed by it.
            long long during = -1;
            bool shown = false;
            // A slow machine may land the tutorial's focus late and close the first popup: try again.
            for (int attempt = 0; attempt < 3 && !shown; ++attempt) {
                QTest::qWait(300 + 1000 * attempt);
                QTimer::singleShot(100, [&] {
                    // Under a sanitizer the menu takes a while to appear.
                    shown = waitFor([&] { return w.trayMenu()->isVisible(); }, 15000);
                    const long long before = frames(w);
                    // Frames must go on inside the menu's own event loop, however slow each is.
                    waitFor([&] { return frames(w) > before + 5; }, 15000);
                    during = frames(w) - before;
                    shown = shown && w.trayMenu()->isVisible();
                    w.trayMenu()->close();
                });
                w.trayMenu()->exec(QPoint(20, 20));
            }
            EXPECT_TRUE(shown);
            EXPECT_GT(during, 5);
            keyInto(first->view(), XK_Escape);
        } else if (round == 1) {
            closeRequest(first->hostWindow());
        } else {
            QPointer<QWidget> host = first->hostWindow();
            window.reset();
            EXPECT_TRUE(host.isNull());
            EXPECT_EQ(Ogre::Root::getSingletonPtr(), nullptr);
            return;
        }
        ASSERT_TRUE(waitFor([&] { return w.tutorialWindow() == nullptr; })) << round;
        EXPECT_EQ(w.tutorialVisualiser(), nullptr) << round;
        EXPECT_EQ(w.listener().isInteractiveTutorial(), 0) << round;
        EXPECT_EQ(Ogre::Root::getSingletonPtr(), nullptr) << round;
    }
}

TEST_F(TutorialTray, ClosedFromInsideItsOwnFrameItGoesOnceTheFrameReturned) {
    VelmoWindow& w = *window;
    w.tutorialAction()->trigger();
    OsxTutorialWindow* tut = w.tutorialWindow();
    ASSERT_NE(tut, nullptr);
    ASSERT_TRUE(waitFor([&] { return frames(w) >= 5; }));
    // P reaches openOptions() inside the frame; a receiver that closes the tutorial right there.
    bool busyThen = false;
    QObject::connect(tut, &OsxTutorialWindow::openOptions, [&] {
        busyThen = w.tutorialVisualiser() && w.tutorialVisualiser()->isBusy();
        delete w.tutorialWindow();
    });
    QTest::qWait(300);
    keyInto(tut->view(), XK_p);
    ASSERT_TRUE(waitFor([&] { return w.tutorialWindow() == nullptr; }));
    EXPECT_TRUE(busyThen);
    EXPECT_EQ(w.tutorialVisualiser(), nullptr);
    ASSERT_TRUE(waitFor([&] { return Ogre::Root::getSingletonPtr() == nullptr; }));
    EXPECT_EQ(w.listener().isInteractiveTutorial(), 0);
    // And it opens again.
    w.tutorialAction()->trigger();
    ASSERT_TRUE(waitFor([&] { return frames(w) >= 5; }));
}

TEST_F(TutorialTray, ABrokenPluginListGivesOneMessageAndTheTrayRunsOn) {
    // The program's resource folder, with a plug-in list naming a folder that does not exist.
    const QString resources = QDir(QCoreApplication::applicationDirPath()).filePath("resources");
    ASSERT_TRUE(QDir().mkpath(resources));
    QFile list(QDir(resources).filePath("plugins.cfg"));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write("PluginFolder=/nonexistent/ogre\nPlugin=RenderSystem_GL\n");
    list.close();

    VelmoWindow& w = *window;
    w.tutorialAction()->trigger();
    ASSERT_TRUE(waitFor([&] { return w.tutorialMessage() != nullptr; }));
    QDir(resources).removeRecursively();
    EXPECT_TRUE(w.tutorialMessage()->isVisible());
    EXPECT_TRUE(w.tutorialMessage()->text().contains("RenderSystem_GL")) << w.tutorialMessage()->text().toStdString();
    EXPECT_EQ(w.tutorialWindow(), nullptr);
    EXPECT_EQ(w.tutorialVisualiser(), nullptr);
    EXPECT_EQ(w.listener().isInteractiveTutorial(), 0);
    EXPECT_EQ(Ogre::Root::getSingletonPtr(), nullptr);

    // The tray goes on: its menu works, and the tutorial opens once the list is whole again.
    QTest::qWait(200);
    EXPECT_EQ(w.tutorialWindow(), nullptr) << "one message, no second attempt";
    EXPECT_TRUE(w.trayIcon()->isVisible());
    w.tutorialMessage()->close();
    w.tutorialAction()->trigger();
    ASSERT_TRUE(waitFor([&] { return frames(w) >= 5; }));
    EXPECT_EQ(w.tutorialMessage(), nullptr);
}

TEST_F(TutorialTray, ADisplayWithoutGlGivesOneMessageAndTheTrayRunsOn) {
    Display* d = XOpenDisplay(nullptr);
    int opcode = 0, event = 0, error = 0;
    const bool glx = XQueryExtension(d, "GLX", &opcode, &event, &error);
    XCloseDisplay(d);
    if (glx) GTEST_SKIP() << "this display has OpenGL (the test runs on one without, app_tutorial_no_gl)";

    VelmoWindow& w = *window;
    for (int attempt = 0; attempt < 2; ++attempt) {
        w.tutorialAction()->trigger();
        ASSERT_TRUE(waitFor([&] { return w.tutorialMessage() != nullptr && w.tutorialWindow() == nullptr; }));
        EXPECT_TRUE(w.tutorialMessage()->isVisible());
        EXPECT_TRUE(w.tutorialMessage()->text().contains("GLX")) << w.tutorialMessage()->text().toStdString();
        EXPECT_EQ(w.tutorialVisualiser(), nullptr);
        EXPECT_EQ(w.listener().isInteractiveTutorial(), 0);
        EXPECT_EQ(Ogre::Root::getSingletonPtr(), nullptr);
    }
    EXPECT_TRUE(w.trayIcon()->isVisible());
    EXPECT_TRUE(w.tutorialAction()->isEnabled());
}

} // namespace

int main(int argc, char** argv) { return runTrayTests(argc, argv); }
