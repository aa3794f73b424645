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
    // Up in the tray: nothing of the 3D tutorial's renderer is loaded until the tutorial opens.
    QFile maps(QStringLiteral("/proc/%1/maps").arg(app.process.processId()));
    ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
    const QByteArray mapped = maps.readAll();
    for (const char* lib : {"libOgre", "libSDL2", "velmo-tutorial.so"}) EXPECT_FALSE(mapped.contains(lib)) << lib;

    QFile::remove(app.settingsPath());
    EXPECT_EQ(app.quit(), 0) << app.output().constData();
    EXPECT_TRUE(QFile::exists(app.settingsPath()));
    EXPECT_FALSE(app.output().contains(noTray));

    tray.terminate();
    tray.waitForFinished(10000);
}

TEST(MainStart, WithoutAnX11DisplayItSaysSoInOneLineAndExitsWithOne) {
    struct Case {
        const char* display;  // null: not set
        const char* wayland;
    };
    const Case cases[] = {{nullptr, "wayland-0"}, {":987", nullptr}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.display ? c.display : "no DISPLAY");
        AppProcess app;
        ASSERT_TRUE(app.ready());
        app.changes["DISPLAY"] = c.display ? QString(c.display) : QString();
        app.changes["WAYLAND_DISPLAY"] = c.wayland ? QString(c.wayland) : QString();
        app.changes["QT_QPA_PLATFORM"] = QString();
        ASSERT_TRUE(app.start());
        EXPECT_EQ(app.waitForExit(10000), 1);
        const QByteArray out = app.output();
        EXPECT_EQ(out.count('\n'), 1) << out.constData();
        EXPECT_TRUE(out.contains("needs an X11 session")) << out.constData();
        EXPECT_TRUE(out.contains("Wayland-only sessions are not supported")) << out.constData();
        EXPECT_FALSE(QFile::exists(app.settingsPath()));
    }
}

TEST(MainStart, OneCopyPerUserAndDisplayAndACrashedCopyDoesNotBlockTheNext) {
    QProcess tray;
    tray.start(QStringLiteral("trayer"), QStringList{"--edge", "top", "--align", "right", "--widthtype", "pixel", "--width",
                                                     "200", "--height", "32"});
    ASSERT_TRUE(tray.waitForStarted(10000));

    // Three copies in folders of their own, one user, one display, one runtime folder.
    AppProcess first;
    ASSERT_TRUE(first.ready());
    ASSERT_TRUE(first.start());
    ASSERT_TRUE(waitFor([&] { return QFile::exists(first.settingsPath()) || !first.running(); }));
    ASSERT_TRUE(first.running()) << first.output().constData();

    // A live lock: the second copy says so and leaves before it reads or writes any settings.
    AppProcess second;
    second.changes["XDG_RUNTIME_DIR"] = first.runtimePath();
    ASSERT_TRUE(second.start());
    EXPECT_EQ(second.waitForExit(10000), 1);
    const QByteArray said = second.output();
    EXPECT_TRUE(said.contains("Velmo Mouse is already running")) << said.constData();
    EXPECT_TRUE(said.contains(QByteArray::number(first.process.processId()))) << said.constData();
    EXPECT_FALSE(QFile::exists(second.settingsPath()));
    EXPECT_TRUE(first.running());

    // A stale lock: the first copy dies without a word, its lock file stays behind.
    first.process.kill();
    EXPECT_EQ(first.waitForExit(), -1);
    EXPECT_FALSE(QDir(first.runtimePath()).entryList({"velmo-mouse-*.lock"}).isEmpty());
    AppProcess third;
    third.changes["XDG_RUNTIME_DIR"] = first.runtimePath();
    ASSERT_TRUE(third.start());
    EXPECT_TRUE(waitFor([&] { return QFile::exists(third.settingsPath()) || !third.running(); }));
    EXPECT_TRUE(third.running()) << third.output().constData();
    EXPECT_EQ(third.quit(), 0) << third.output().constData();
    EXPECT_FALSE(third.output().contains("already running"));

    tray.terminate();
    tray.waitForFinished(10000);
}

} // namespace

int main(int argc, char** argv) {
    // The message box can go (the program ends) between finding it and focusing it: Xlib's default
    // handler would end this test for the BadWindow.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
