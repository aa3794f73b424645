// The tutorial opened from the tray, through its module as the program loads it: rendering, the
// interactive flag, frames while the tray menu is open, ESC and the close request, reopening,
// shut-down with the tutorial open, a renderer that cannot start, and a module that is missing or
// broken.
#include "VelmoWindow.h"

#include "TutorialModuleLoader.h"
#include "TutorialSession.h"
#include "test_tray_settings.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include <dlfcn.h>

// Last: Xlib's macros clash with the headers above.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

bool waitFor(const std::function<bool()>& condition, int ms = 20000) {
    return QTest::qWaitFor(condition, ms);
}

long long frames(VelmoWindow& w) {
    return w.tutorialLauncher().visualiser() ? w.tutorialLauncher().visualiser()->frameCount() : -1;
}

// What this process has mapped from files whose path contains name.
bool mapped(const char* name) {
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains(name);
}

// The renderer's root object, asked of the Ogre library the module brought in (this program does
// not link Ogre itself).
bool ogreRootExists() {
    void* ogre = dlopen("libOgreMain.so.1.12.10", RTLD_LAZY | RTLD_NOLOAD);
    if (!ogre) return false;
    using RootGetter = void* (*)();
    auto root = reinterpret_cast<RootGetter>(dlsym(ogre, "_ZN4Ogre4Root15getSingletonPtrEv"));
    const bool exists = root && root();
    dlclose(ogre);
    return exists;
}

// The visible window of the open tutorial, and the view inside it that has the keyboard.
QWidget* tutorialHost() {
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->isVisible() && top->windowTitle() == QLatin1String("Velmo Mouse Tutorial")) return top;
    return nullptr;
}
QWidget* tutorialView() {
    QWidget* host = tutorialHost();
    return host ? host->findChild<QWidget*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

// The tutorial has the focus, every request made so far having reached the X server (a focus
// still on its way would close a popup opened now, or miss a key typed now).
bool tutorialFocused() {
    return waitFor([] {
        QGuiApplication::sync();
        QWidget* host = tutorialHost();
        return host && host->isActiveWindow();
    });
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
        ASSERT_NE(w.tutorialLauncher().window(), nullptr) << round;
        ASSERT_NE(w.tutorialLauncher().visualiser(), nullptr) << round;
        EXPECT_EQ(w.tutorialLauncher().message(), nullptr) << round;
        EXPECT_EQ(w.listener().engine().isInteractiveTutorial(), 1) << round;
        ASSERT_TRUE(waitFor([&] { return frames(w) >= 10; })) << round;
        // The menu again while it runs: the same tutorial, shown again.
        QWidget* first = w.tutorialLauncher().window();
        QWidget* host = tutorialHost();
        ASSERT_NE(host, nullptr) << round;
        w.tutorialAction()->trigger();
        EXPECT_EQ(w.tutorialLauncher().window(), first);

        if (round == 0) {
            // Frames go on while the tray menu is open. The tutorial takes the focus when shown:
            // the menu opens once it has it.
            long long during = -1;
            bool shown = false;
            for (int attempt = 0; attempt < 3 && !shown; ++attempt) {
                EXPECT_TRUE(tutorialFocused()) << attempt;
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
            EXPECT_TRUE(tutorialFocused());
            keyInto(tutorialView(), XK_Escape);
        } else if (round == 1) {
            closeRequest(host);
        } else {
            QPointer<QWidget> hostAlive = host;
            window.reset();
            EXPECT_TRUE(hostAlive.isNull());
            EXPECT_FALSE(ogreRootExists());
            return;
        }
        ASSERT_TRUE(waitFor([&] { return w.tutorialLauncher().window() == nullptr; })) << round;
        EXPECT_EQ(w.tutorialLauncher().visualiser(), nullptr) << round;
        EXPECT_EQ(w.listener().engine().isInteractiveTutorial(), 0) << round;
        EXPECT_FALSE(ogreRootExists()) << round;
    }
}

TEST_F(TutorialTray, ClosedFromInsideItsOwnFrameItGoesOnceTheFrameReturned) {
    VelmoWindow& w = *window;
    w.tutorialAction()->trigger();
    QWidget* tut = w.tutorialLauncher().window();
    ASSERT_NE(tut, nullptr);
    ASSERT_TRUE(waitFor([&] { return frames(w) >= 5; }));
    // P reaches openOptions() inside the frame; a receiver that closes the tutorial right there
    // (an action's trigger() slot runs it, in the frame's own call).
    bool busyThen = false;
    QAction closer;
    QObject::connect(&closer, &QAction::triggered, [&] {
        busyThen = w.tutorialLauncher().visualiser() && w.tutorialLauncher().visualiser()->isBusy();
        delete w.tutorialLauncher().window();
    });
    ASSERT_TRUE(QObject::connect(tut, SIGNAL(openOptions()), &closer, SLOT(trigger())));
    ASSERT_TRUE(tutorialFocused());
    keyInto(tutorialView(), XK_p);
    ASSERT_TRUE(waitFor([&] { return w.tutorialLauncher().window() == nullptr; }));
    EXPECT_TRUE(busyThen);
    EXPECT_EQ(w.tutorialLauncher().visualiser(), nullptr);
    ASSERT_TRUE(waitFor([&] { return !ogreRootExists(); }));
    EXPECT_EQ(w.listener().engine().isInteractiveTutorial(), 0);
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
    ASSERT_TRUE(waitFor([&] { return w.tutorialLauncher().message() != nullptr; }));
    QDir(resources).removeRecursively();
    EXPECT_TRUE(w.tutorialLauncher().message()->isVisible());
    EXPECT_TRUE(w.tutorialLauncher().message()->text().contains("RenderSystem_GL")) << w.tutorialLauncher().message()->text().toStdString();
    EXPECT_EQ(w.tutorialLauncher().window(), nullptr);
    EXPECT_EQ(w.tutorialLauncher().visualiser(), nullptr);
    EXPECT_EQ(w.listener().engine().isInteractiveTutorial(), 0);
    EXPECT_FALSE(ogreRootExists());

    // The tray goes on: its menu works, and the tutorial opens once the list is whole again.
    QTest::qWait(200);
    EXPECT_EQ(w.tutorialLauncher().window(), nullptr) << "one message, no second attempt";
    EXPECT_TRUE(w.trayIcon()->isVisible());
    w.tutorialLauncher().message()->close();
    w.tutorialAction()->trigger();
    ASSERT_TRUE(waitFor([&] { return frames(w) >= 5; }));
    EXPECT_EQ(w.tutorialLauncher().message(), nullptr);
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
        ASSERT_TRUE(waitFor([&] { return w.tutorialLauncher().message() != nullptr && w.tutorialLauncher().window() == nullptr; }));
        EXPECT_TRUE(w.tutorialLauncher().message()->isVisible());
        EXPECT_TRUE(w.tutorialLauncher().message()->text().contains("GLX")) << w.tutorialLauncher().message()->text().toStdString();
        EXPECT_EQ(w.tutorialLauncher().visualiser(), nullptr);
        EXPECT_EQ(w.listener().engine().isInteractiveTutorial(), 0);
        EXPECT_FALSE(ogreRootExists());
    }
    EXPECT_TRUE(w.trayIcon()->isVisible());
    EXPECT_TRUE(w.tutorialAction()->isEnabled());
}

// Run alone (app_tutorial_no_module): the module must not have been loaded in this process yet.
TEST_F(TutorialTray, AMissingOrBrokenModuleGivesOneMessageAndTheTrayRunsOn) {
    // The tray is up, the module not loaded. (This test pins Ogre's render plug-in for the sanitizers;
    // that the program itself maps no Ogre until then, app_main_start checks.)
    ASSERT_FALSE(mapped("velmo-tutorial.so"));

    VelmoWindow& w = *window;
    const QString module = TutorialModuleLoader::candidates().first();
    const QString away = module + ".away";
    QFile::remove(away);
    ASSERT_TRUE(QFile::rename(module, away)) << module.toStdString();
    struct Restore {
        QString module, away;
        ~Restore() {
            if (!QFileInfo(away).isSymLink() && !QFileInfo::exists(away)) return;
            QFile::remove(module);
            QFile::rename(away, module);
        }
    } restore{module, away};

    // Missing: every place looked at is named. Broken: the loader's reason.
    QFile broken(module);
    const struct {
        const char* file;  // written at the module's place; null: nothing there
        QStringList expected;
    } cases[] = {
        {nullptr, {"velmo-tutorial.so was not found", module}},
        {"not a shared library", {module, "invalid ELF header"}},
    };
    for (const auto& c : cases) {
        if (c.file) {
            ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
            // Long enough for the loader to read a whole header.
            for (int i = 0; i < 200; ++i) broken.write(c.file);
            broken.close();
        }
        w.tutorialAction()->trigger();
        ASSERT_NE(w.tutorialLauncher().message(), nullptr);
        const QString text = w.tutorialLauncher().message()->text();
        for (const QString& part : c.expected) EXPECT_TRUE(text.contains(part)) << text.toStdString();
        EXPECT_TRUE(w.tutorialLauncher().message()->isVisible());
        EXPECT_EQ(w.tutorialLauncher().window(), nullptr);
        EXPECT_EQ(w.tutorialLauncher().visualiser(), nullptr);
        EXPECT_EQ(w.listener().engine().isInteractiveTutorial(), 0);
        EXPECT_FALSE(mapped("velmo-tutorial.so"));
        EXPECT_TRUE(w.trayIcon()->isVisible());
        w.tutorialLauncher().message()->close();
    }

    // The module back in its place: the next request loads it and the tutorial renders.
    QFile::remove(module);
    ASSERT_TRUE(QFile::rename(away, module));
    w.tutorialAction()->trigger();
    ASSERT_TRUE(waitFor([&] { return frames(w) >= 5; }));
    EXPECT_EQ(w.tutorialLauncher().message(), nullptr);
    EXPECT_TRUE(mapped("velmo-tutorial.so"));
    EXPECT_TRUE(ogreRootExists());
}

} // namespace

int main(int argc, char** argv) { return runTrayTests(argc, argv); }
