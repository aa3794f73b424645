// velmo-mouse started on an X server without a tray host: the message and exit status 1 with no
// settings file; and a tray host that turns up a moment late is waited for, after which SIGTERM
// ends the program as "&Quit" does, saving the settings.
#include <gtest/gtest.h>

// Last but X's: Xlib's macros clash with gtest.
#include "test_main_process.h"

#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

using apptest::AppProcess;
using apptest::waitFor;

const char* const noTray = "I couldn't detect any system tray on this system.";

TEST(MainStart, WithoutATrayHostItSaysSoAndExitsWithOneWritingNoSettings) {
    AppProcess app;
    ASSERT_TRUE(app.ready());
    ASSERT_TRUE(app.start());

    Display* dpy = XOpenDisplay(nullptr);
    ASSERT_NE(dpy, nullptr);
    Window box = 0;
    // The program waits a few seconds for a tray host before it gives up.
    ASSERT_TRUE(waitFor([&] { return (box = apptest::findWindowNamed(dpy, DefaultRootWindow(dpy), "Velmo Mouse")) != 0; }))
        << app.output().constData();
    EXPECT_TRUE(app.running());  // the message box waits for the user
    EXPECT_FALSE(QFile::exists(app.settingsPath()));

    // The user presses Enter on the box.
    const KeyCode enter = XKeysymToKeycode(dpy, XK_Return);
    waitFor([&] {
        XSetInputFocus(dpy, box, RevertToParent, CurrentTime);
        XTestFakeKeyEvent(dpy, enter, True, 0);
        XTestFakeKeyEvent(dpy, enter, False, 0);
        XSync(dpy, False);
        return waitFor([&] { return !app.running(); }, 1000);
    });
    XCloseDisplay(dpy);

    EXPECT_EQ(app.waitForExit(), 1);
    EXPECT_TRUE(app.output().contains(noTray)) << app.output().constData();
    EXPECT_FALSE(QFile::exists(app.settingsPath()));
}

TEST(MainStart, ALateTrayHostIsWaitedForAndSigtermQuitsSavingTheSettings) {
    AppProcess app;
    ASSERT_TRUE(app.ready());
    ASSERT_TRUE(app.start());
    QTest::qWait(1500);
    QProcess tray;
    tray.start(QStringLiteral("trayer"), QStringList{"--edge", "top", "--align", "right", "--widthtype", "pixel", "--width",
                                                     "200", "--height", "32"});
    ASSERT_TRUE(tray.waitForStarted(10000));

    // Up and running: the engine has read (here: written) its settings file at start.
    EXPECT_TRUE(waitFor([&] { return QFile::exists(app.settingsPath()) || !app.running(); }));
    ASSERT_TRUE(app.running()) << app.output().constData();
    EXPECT_TRUE(QFile::exists(app.settingsPath()));
    // The start-up check finds no tracking service.
    EXPECT_TRUE(waitFor([&] { return app.output().contains("TRAY EVENT 1 GRAY"); })) << app.output().constData();

    QFile::remove(app.settingsPath());
    EXPECT_EQ(app.quit(), 0) << app.output().constData();
    EXPECT_TRUE(QFile::exists(app.settingsPath()));
    EXPECT_FALSE(app.output().contains(noTray));

    tray.terminate();
    tray.waitForFinished(10000);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
