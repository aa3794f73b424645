// The tutorial frame on a real X server with Mesa's software GL: open, render, close by ESC and by
// the window manager's close request, reopen; the key table; the help widgets by name; overlay
// pixels in a screenshot; frames while a menu is open.
#include "BaseApplication.h"
#include "HandVisRender.h"
#include "OsxTutorialWindow.h"

#include <Bites/OgreTrays.h>
#include <Ogre.h>
#include <OgreOverlayManager.h>

#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QScreen>
#include <QTest>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

// Last: Xlib's macros clash with the headers above.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

// A black scene: every bright pixel on screen is overlay.
class ProbeScene : public BaseApplication {
public:
    using BaseApplication::BaseApplication;

protected:
    void createScene() override { mSceneMgr->setAmbientLight(Ogre::ColourValue(0, 0, 0)); }
};

bool waitFor(const std::function<bool()>& condition, int ms = 20000) {
    return QTest::qWaitFor(condition, ms);
}

// One tutorial as its owner runs it: the application is deleted when the window reports its end.
struct Tutorial {
    OsxTutorialWindow* window = nullptr;
    ProbeScene* app = nullptr;
    HandVisRender render;
    int closed = 0;

    bool open() {
        window = new OsxTutorialWindow();
        app = new ProbeScene(window);
        QObject::connect(window, &OsxTutorialWindow::tutorialClosed, [this] {
            ++closed;
            render.stopRendering();
            render.setTarget(nullptr);
            delete app;
            app = nullptr;
            window = nullptr;
        });
        if (!app->setup()) return false;
        render.setTarget(app);
        render.startRendering();
        return true;
    }
    ~Tutorial() {
        delete window;
    }
};

// The owner's timer renders, as in the program.
class Opened : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(t.open()) << t.app->lastError();
        ASSERT_TRUE(waitFor([&] { return t.render.frameCount() >= 5; }));
    }
    Tutorial t;
};

Display* display() {
    static Display* d = XOpenDisplay(nullptr);
    return d;
}

void pressKey(KeySym sym) {
    Display* d = display();
    const KeyCode code = XKeysymToKeycode(d, sym);
    XTestFakeKeyEvent(d, code, True, 0);
    XTestFakeKeyEvent(d, code, False, 0);
    XSync(d, False);
    // A release and a press at the same server time read as auto-repeat.
    QTest::qWait(20);
}

// Focus follows the pointer on a server without a window manager.
void pointInto(QWidget* w) {
    const QPoint c = w->mapToGlobal(w->rect().center());
    XTestFakeMotionEvent(display(), -1, c.x(), c.y(), 0);
    XSync(display(), False);
}

// What a window manager sends when the close button is clicked.
void closeRequest(QWidget* w) {
    Display* d = display();
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = static_cast<Window>(w->winId());
    ev.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    ev.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, ev.xclient.window, False, NoEventMask, &ev);
    XFlush(d);
}

QImage screenshot() {
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage();
}

int brightPixels(const QImage& img, const QRect& area) {
    int n = 0;
    const QRect r = area.intersected(img.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (qGray(img.pixel(x, y)) > 160) ++n;
    return n;
}

TEST(TutorialFrame, OpensRendersClosesAndReopens) {
    // ESC, the close request, ESC: three tutorials in one process, one Ogre root at a time.
    const bool byEsc[] = {true, false, true};
    for (bool esc : byEsc) {
        Tutorial t;
        ASSERT_TRUE(t.open()) << t.app->lastError();
        const QSize area = QGuiApplication::primaryScreen()->availableGeometry().size();
        EXPECT_EQ(t.window->hostWindow()->size(), area);
        EXPECT_EQ(t.window->hostWindow()->windowTitle(), QStringLiteral("Velmo Mouse Tutorial"));
        EXPECT_EQ(static_cast<int>(t.app->renderWindow()->getWidth()), t.window->view()->width());
        ASSERT_TRUE(waitFor([&] { return t.render.frameCount() >= 10; }));
        // A smaller window: the render window follows the view.
        t.window->hostWindow()->resize(800, 600);
        ASSERT_TRUE(waitFor([&] { return t.window->view()->width() == 800; }));
        const long long frames = t.render.frameCount();
        ASSERT_TRUE(waitFor([&] { return t.render.frameCount() > frames + 3; }));
        EXPECT_EQ(static_cast<int>(t.app->renderWindow()->getWidth()), 800);
        EXPECT_EQ(static_cast<int>(t.app->renderWindow()->getHeight()), 600);
        if (esc) {
            pointInto(t.window->view());
            pressKey(XK_Escape);
        } else {
            closeRequest(t.window->hostWindow());
        }
        ASSERT_TRUE(waitFor([&] { return t.closed > 0; })) << (esc ? "ESC" : "close request");
        QTest::qWait(100);
        EXPECT_EQ(t.closed, 1);
        EXPECT_EQ(Ogre::Root::getSingletonPtr(), nullptr);
        EXPECT_FALSE(t.render.isRendering());
    }
}

TEST_F(Opened, KeyTableChangesTheDisplayFlags) {
    struct Row {
        const char* name;
        std::vector<KeySym> keys;
        int flip, cursor, mouse, hand, reset;
        bool manual;
    };
    // Keys are applied inside the next frame; each row starts from the previous row's state.
    const Row rows[] = {
        {"initial", {}, 0, 1, 1, 1, 1, false},
        {"G twice between frames", {XK_g, XK_g}, 2, 1, 1, 1, 1, true},
        {"R twice is no change", {XK_r, XK_r}, 2, 1, 1, 1, 1, true},
        {"C M N R", {XK_c, XK_m, XK_n, XK_r}, 2, 0, 0, 0, 0, true},
        {"four more G wrap past the last gesture", {XK_g, XK_g, XK_g, XK_g}, 0, 0, 0, 0, 0, true},
        {"camera keys and unknown keys touch no flag", {XK_w, XK_Left, XK_Page_Up, XK_x}, 0, 0, 0, 0, 0, true},
    };
    pointInto(t.window->view());
    for (const Row& row : rows) {
        t.render.stopRendering();
        QTest::qWait(30);
        for (KeySym k : row.keys) pressKey(k);
        QTest::qWait(300);
        t.app->root()->renderOneFrame(0.01f);
        EXPECT_EQ(t.app->GetGestureFlip(), row.flip) << row.name;
        EXPECT_EQ(t.app->isManualGestureFlip(), row.manual) << row.name;
        EXPECT_EQ(t.app->isCursorVisible(), row.cursor) << row.name;
        EXPECT_EQ(t.app->isMouseVisible(), row.mouse) << row.name;
        EXPECT_EQ(t.app->isHandVisible(), row.hand) << row.name;
        EXPECT_EQ(t.app->isResetVirtualDisplay(), row.reset) << row.name;
        EXPECT_FALSE(t.app->GetShutdown()) << row.name;
    }
    t.render.startRendering();
}

TEST_F(Opened, HelpWidgetsByNameAndOverlayPixels) {
    Ogre::OverlayManager& overlays = Ogre::OverlayManager::getSingleton();
    for (const char* name : {"HelpText", "HelpContainer", "HelpPanel", "DetailsPanel"})
        EXPECT_TRUE(overlays.hasOverlayElement(name)) << name;
    EXPECT_EQ(overlays.getOverlayElement("HelpText")->getCaption(), "press H to toggle HELP");
    OgreBites::ParamsPanel* help = t.app->helpPanel();
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->getName(), "HelpPanel");
    EXPECT_EQ(help->getTrayLocation(), OgreBites::TL_NONE);

    QWidget* view = t.window->view();
    const QRect r(view->mapToGlobal(QPoint(0, 0)), view->size());
    // The hint under the view's centre, the help panel at the top right, nothing at the top left.
    const QRect hint(r.x() + int(r.width() * 0.31), r.y() + int(r.height() * 0.94), int(r.width() * 0.4),
                     int(r.height() * 0.06));
    const QRect panel(r.right() - 450, r.y(), 450, 200);
    const QRect empty(r.x(), r.y(), 300, 200);

    QImage shot = screenshot();
    EXPECT_GT(brightPixels(shot, hint), 50) << "help hint";
    EXPECT_EQ(brightPixels(shot, panel), 0) << "help panel before H";
    EXPECT_EQ(brightPixels(shot, empty), 0);

    pointInto(view);
    pressKey(XK_h);
    ASSERT_TRUE(waitFor([&] { return help->getTrayLocation() == OgreBites::TL_TOPRIGHT; }));
    const long long frames = t.render.frameCount();
    ASSERT_TRUE(waitFor([&] { return t.render.frameCount() > frames + 5; }));
    EXPECT_TRUE(help->getOverlayElement()->isVisible());
    shot = screenshot();
    shot.save(QStringLiteral("tutorial-help.png"));
    EXPECT_GT(brightPixels(shot, panel), 200) << "help panel after H";
    EXPECT_EQ(brightPixels(shot, empty), 0);

    pressKey(XK_h);
    ASSERT_TRUE(waitFor([&] { return help->getTrayLocation() == OgreBites::TL_NONE; }));
    EXPECT_FALSE(help->getOverlayElement()->isVisible());
}

TEST_F(Opened, FramesContinueWhileAMenuIsOpen) {
    QMenu menu;
    menu.addAction(QStringLiteral("&Tutorial"));
    menu.addAction(QStringLiteral("&Quit"));
    long long during = -1;
    bool shown = false;
    // The tutorial takes the focus when shown; a popup opened before that lands would close.
    QTest::qWait(300);
    QTimer::singleShot(100, [&] {
        // Under a sanitizer the menu takes a while to appear.
        shown = waitFor([&] { return menu.isVisible(); }, 5000);
        const long long before = t.render.frameCount();
        // Frames must go on inside the menu's own event loop, however slow each is.
        waitFor([&] { return t.render.frameCount() > before + 5; }, 15000);
        during = t.render.frameCount() - before;
        shown = shown && menu.isVisible();
        menu.close();
    });
    menu.exec(QPoint(10, 10));
    EXPECT_TRUE(shown);
    EXPECT_GT(during, 5);
}

TEST(TutorialFrame, BrokenPluginListIsReportedNotThrown) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile list(dir.filePath("plugins.cfg"));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write("PluginFolder=/nonexistent/ogre\nPlugin=RenderSystem_GL\n");
    list.close();
    OsxTutorialWindow* window = new OsxTutorialWindow();
    ProbeScene app(window);
    app.setResourceFolder(dir.path().toStdString());
    EXPECT_FALSE(app.go());
    EXPECT_NE(app.lastError().find("RenderSystem_GL"), std::string::npos) << app.lastError();
    delete window;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
