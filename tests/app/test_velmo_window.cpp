// The tray window on a real X server with a tray host: menu, tray icon pixels and tool-tips per
// event, the balloon, pause and resume against a real tracking service (the hand simulator), the
// start-up click, the effect gates, the key-release chain and the shut-down order.
#include "VelmoWindow.h"

#include "ActionMgr.h"
#include "AudioFX.h"
#include "CheckController.h"
#include "GraphicFX.h"
#include "Keyboard.h"
#include "NotificationWindow.h"
#include "OwnEnvironment.h"
#include "VelmoGestures.h"
#include "X11Backend.h"
#include "XWatch.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QProcess>
#include <QScreen>
#include <QSoundEffect>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

// Last: Xlib's macros clash with the headers above.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#undef KeyPress
#undef KeyRelease

namespace {

QTemporaryDir* runtimeDir = nullptr;

const char* const texts[VelmoWindow::eventCount] = {
    "Leap Motion Controller is connected \nand Leap Motion Service is running",
    "Leap Motion Controller is disconnected \nor Leap Motion Service is not running",
    "Left Button Pressed",
    "Left Button Released",
    "Right Button Clicked",
    "Wheel Rotated in a forward direction",
    "Wheel Rotated in a downward direction",
    "Press FN + Spacebar to activate\nyour embedded Leap Motion Controller\nor Leap Motion Service is not running",
    "Middle Button Pressed",
    "Middle Button Released",
    "Shortcut Key Pressed",
    "Shortcut Key Released",
};

bool waitFor(const std::function<bool()>& condition, int ms = 15000) {
    return QTest::qWaitFor(condition, ms);
}

QString settingsPath() {
    return QDir(QCoreApplication::applicationDirPath()).filePath("velmo.dat");
}

// The user table line of the settings file, decoded.
QByteArray settingsLine(int index) {
    QFile f(settingsPath());
    if (!f.open(QIODevice::ReadOnly)) return QByteArray();
    const QList<QByteArray> lines = f.readAll().split('\n');
    return index < lines.size() ? QByteArray::fromBase64(lines[index].trimmed()) : QByteArray();
}

// A settings file with the defaults and the given user parameters, written by the engine's own
// writer.
void writeSettings(std::initializer_list<std::pair<int, float>> values) {
    VelmoGestures engine;
    engine.InitParameters();
    engine.EncodeParameters();
    for (const auto& v : values) engine.SetUserParam(v.second, v.first);
    engine.parameters().setSettingsDir(QCoreApplication::applicationDirPath());
    ASSERT_EQ(engine.WriteParameters(), 0);
}

// Pixels of the tray icon on the screen that are clearly green.
int greenPixelsOnScreen(VelmoWindow& w) {
    const QRect r = w.trayIcon()->geometry();
    if (r.isEmpty()) return -1;
    const QImage img = QGuiApplication::primaryScreen()->grabWindow(0, r.x(), r.y(), r.width(), r.height()).toImage();
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb p = img.pixel(x, y);
            if (qGreen(p) > qRed(p) + 50 && qGreen(p) > qBlue(p) + 30) ++n;
        }
    return n;
}

// A tracking service of our own at the socket the program uses.
class Simulator {
public:
    explicit Simulator(const QByteArray& script) {
        scriptFile.setFileTemplate(QDir::temp().filePath("velmo-window-XXXXXX.txt"));
        scriptFile.open();
        scriptFile.write(script);
        scriptFile.flush();
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(QStringLiteral(VELMO_HANDSIM), {"--socket", QDir(runtimeDir->path()).filePath("velmo-tracking.sock"),
                                      scriptFile.fileName()});
        process.waitForStarted();
        waitFor([&] { return QFile::exists(QDir(runtimeDir->path()).filePath("velmo-tracking.sock")); }, 10000);
    }
    ~Simulator() { stop(); }
    void stop() {
        if (process.state() == QProcess::NotRunning) return;
        process.terminate();
        if (!process.waitForFinished(10000)) process.kill();
        process.waitForFinished(5000);
    }
    QProcess process;
    QTemporaryFile scriptFile;
};

class TrayWindow : public ::testing::Test {
protected:
    void SetUp() override {
        QFile::remove(settingsPath());
        ASSERT_TRUE(QSystemTrayIcon::isSystemTrayAvailable() ||
                    waitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, 10000));
    }
    void TearDown() override {
        window.reset();
        QFile::remove(settingsPath());
    }
    VelmoWindow& make() {
        window = std::make_unique<VelmoWindow>();
        return *window;
    }
    // The start-up check has run; without a service it has reported the disconnection.
    void waitForCheck(VelmoWindow& w) {
        w.checker()->wait();
        QCoreApplication::processEvents();
    }
    std::unique_ptr<VelmoWindow> window;
};

TEST_F(TrayWindow, MenuHoldsTheEntriesAndALeftClickOnTheIconOpensIt) {
    qputenv("SNI_CATEGORY", "");
    VelmoWindow& w = make();
    qunsetenv("SNI_CATEGORY");
    EXPECT_FALSE(w.trayIcon()->property("_qt_sni_category").isValid());
    EXPECT_EQ(w.windowTitle(), "Velmo Mouse");
    EXPECT_FALSE(w.isVisible());
    ASSERT_EQ(w.trayIcon()->contextMenu(), w.trayMenu());

    QStringList entries;
    for (QAction* a : w.trayMenu()->actions()) entries << (a->isSeparator() ? QString("-") : a->text());
    EXPECT_EQ(entries, QStringList({"&About", "&Tutorial", "&Gestures", "&Online Help", "&Notify Clicks", "-", "&Pause",
                                    "&Options", "-", "&Quit"}));
    EXPECT_TRUE(w.tutorialAction()->isEnabled());
    EXPECT_TRUE(w.optionsAction()->isEnabled());
    EXPECT_TRUE(w.gesturesAction()->isEnabled());
    EXPECT_TRUE(w.notifyClicksAction()->isCheckable());
    EXPECT_FALSE(w.notifyClicksAction()->isChecked());  // the default is off

    // The icon sits in the tray host; a left click on it brings up the menu.
    ASSERT_TRUE(waitFor([&] { return w.trayIcon()->geometry().width() > 0; }));
    ASSERT_TRUE(waitFor([&] { return greenPixelsOnScreen(w) > 10; }));
    const QPoint c = w.trayIcon()->geometry().center();
    Display* dpy = XOpenDisplay(nullptr);
    ASSERT_NE(dpy, nullptr);
    XTestFakeMotionEvent(dpy, -1, c.x(), c.y(), 0);
    XTestFakeButtonEvent(dpy, 1, True, 0);
    XTestFakeButtonEvent(dpy, 1, False, 0);
    XSync(dpy, False);
    EXPECT_TRUE(waitFor([&] { return w.trayMenu()->isVisible(); }));
    w.trayMenu()->hide();
    XCloseDisplay(dpy);

    // "&Gestures" twice: one window, shown again.
    w.gesturesAction()->trigger();
    NotificationWindow* first = w.gesturesWindow();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->kind(), NotificationWindow::Gestures);
    first->hide();
    w.gesturesAction()->trigger();
    EXPECT_EQ(w.gesturesWindow(), first);
    EXPECT_TRUE(first->isVisible());
}

TEST_F(TrayWindow, WithoutAServiceTheCheckReportsTheDisconnection) {
    VelmoWindow& w = make();
    EXPECT_EQ(w.trayIcon()->toolTip(), texts[0]);
    EXPECT_TRUE(w.isIconGreen());
    ASSERT_TRUE(waitFor([&] { return w.trayIcon()->toolTip() == texts[1]; }));
    EXPECT_FALSE(w.isIconGreen());
    EXPECT_TRUE(waitFor([&] { return greenPixelsOnScreen(w) == 0; }));
    ASSERT_NE(w.balloonWindow(), nullptr);
    EXPECT_TRUE(w.balloonWindow()->isVisible());
    EXPECT_EQ(w.listener().engine().IsConnected(), 0);
}

TEST_F(TrayWindow, EveryEventCodeSetsItsToolTipBalloonAndIcon) {
    VelmoWindow& w = make();
    waitForCheck(w);
    ASSERT_TRUE(waitFor([&] { return w.trayIcon()->geometry().width() > 0; }));
    NotificationWindow* balloon = nullptr;
    for (unsigned int code = 0; code < VelmoWindow::eventCount; ++code) {
        SCOPED_TRACE(code);
        w.setEvent(code);
        EXPECT_EQ(w.trayIcon()->toolTip(), texts[code]);
        EXPECT_EQ(w.message(code), texts[code]);
        const bool gray = code == 1 || code == 7;
        EXPECT_EQ(w.isIconGreen(), !gray);
        // What the tray host shows.
        if (gray)
            EXPECT_TRUE(waitFor([&] { return greenPixelsOnScreen(w) == 0; }));
        else
            EXPECT_TRUE(waitFor([&] { return greenPixelsOnScreen(w) > 10; }));
        // One balloon, created once, carrying the latest text.
        if (!balloon) balloon = w.balloonWindow();
        ASSERT_NE(balloon, nullptr);
        EXPECT_EQ(w.balloonWindow(), balloon);
        EXPECT_TRUE(balloon->isVisible());
        EXPECT_EQ(balloon->findChild<QLabel*>()->text(), texts[code]);
    }
    // Codes without a text are not events: nothing changes.
    for (unsigned int code : {12u, 1000u, 0xFFFFFFFFu}) {
        w.setEvent(code);
        EXPECT_EQ(w.trayIcon()->toolTip(), texts[11]);
        EXPECT_EQ(balloon->findChild<QLabel*>()->text(), texts[11]);
        EXPECT_TRUE(w.isIconGreen());
    }
}

TEST_F(TrayWindow, ASecondEventReplacesTheBalloonTextAndRestartsItsFiveSeconds) {
    VelmoWindow& w = make();
    waitForCheck(w);
    w.setEvent(2);
    NotificationWindow* balloon = w.balloonWindow();
    ASSERT_NE(balloon, nullptr);
    const int atFirst = w.balloonTimer()->remainingTime();
    QTest::qWait(2000);
    ASSERT_TRUE(balloon->isVisible());
    EXPECT_LE(w.balloonTimer()->remainingTime(), atFirst - 1500);

    QElapsedTimer sinceSecond;
    sinceSecond.start();
    w.setEvent(3);
    EXPECT_EQ(w.balloonWindow(), balloon);
    EXPECT_EQ(balloon->findChild<QLabel*>()->text(), texts[3]);
    EXPECT_TRUE(w.balloonTimer()->isSingleShot());
    EXPECT_EQ(w.balloonTimer()->interval(), 5000);
    // Qt's coarse timers may run up to 5 % short.
    EXPECT_GE(w.balloonTimer()->remainingTime(), 4750 - sinceSecond.elapsed() - 5);

    ASSERT_TRUE(waitFor([&] { return !balloon->isVisible(); }, 20000));
    EXPECT_GE(sinceSecond.elapsed(), 4700);
    EXPECT_EQ(w.balloonWindow(), balloon);  // hidden, kept for the next event
}

TEST_F(TrayWindow, PauseAndResumeFollowTheConnection) {
    qputenv("SNI_CATEGORY", "ApplicationStatus");
    Simulator sim("wait 120s\n");
    VelmoWindow& w = make();
    qunsetenv("SNI_CATEGORY");
    EXPECT_EQ(w.trayIcon()->property("_qt_sni_category").toString(), "ApplicationStatus");
    ASSERT_TRUE(waitFor([&] { return w.listener().engine().IsConnected() == 1; }));
    // The check finds the device there and says nothing.
    waitForCheck(w);
    EXPECT_NE(w.trayIcon()->toolTip(), texts[1]);
    EXPECT_TRUE(w.isIconGreen());

    w.pauseAction()->trigger();
    EXPECT_EQ(w.listener().engine().IsPaused(), 1);
    EXPECT_FALSE(w.isIconGreen());
    EXPECT_EQ(w.pauseAction()->text(), "&Resume");
    // While paused a click notification leaves the icon gray; a disconnection keeps it gray.
    w.setEvent(2);
    EXPECT_FALSE(w.isIconGreen());
    EXPECT_EQ(w.trayIcon()->toolTip(), texts[2]);
    w.setEvent(0);
    EXPECT_FALSE(w.isIconGreen());

    w.pauseAction()->trigger();
    EXPECT_EQ(w.listener().engine().IsPaused(), 0);
    EXPECT_TRUE(w.isIconGreen());
    EXPECT_EQ(w.pauseAction()->text(), "&Pause");

    // The service goes: gray, and resuming does not turn it green.
    sim.stop();
    ASSERT_TRUE(waitFor([&] { return w.trayIcon()->toolTip() == texts[1]; }));
    EXPECT_FALSE(w.isIconGreen());
    EXPECT_EQ(w.listener().engine().IsConnected(), 0);
    w.pauseAction()->trigger();
    EXPECT_FALSE(w.isIconGreen());
    w.pauseAction()->trigger();
    EXPECT_EQ(w.listener().engine().IsPaused(), 0);
    EXPECT_FALSE(w.isIconGreen());
    EXPECT_EQ(w.pauseAction()->text(), "&Pause");
    EXPECT_TRUE(waitFor([&] { return greenPixelsOnScreen(w) == 0; }));
}

TEST_F(TrayWindow, AutoStartCentresThePointerAndClicksOnce) {
    writeSettings({{AutoStart, 1.0f}, {DisableTutorial, 1.0f}});
    xwatch::Watcher x;
    std::string error;
    ASSERT_TRUE(x.open(nullptr, error)) << error;
    x.warp(100, 100);
    x.read(0);

    VelmoWindow& w = make();
    int px = 0, py = 0;
    unsigned mask = 0;
    EXPECT_TRUE(waitFor([&] { return x.pointer(&px, &py, &mask) && px == x.screenWidth() / 2 && py == x.screenHeight() / 2; }))
        << px << "," << py;
    std::vector<xwatch::ButtonEvent> seen;
    waitFor([&] {
        for (const auto& e : x.read(50)) seen.push_back(e);
        return seen.size() >= 2;
    }, 5000);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_TRUE(seen[0].press);
    EXPECT_EQ(seen[0].button, 1);
    EXPECT_FALSE(seen[1].press);
    EXPECT_EQ(seen[1].button, 1);

    // The splash goes after five seconds; with the tutorial switched off no gestures window follows.
    ASSERT_NE(w.splashWindow(), nullptr);
    EXPECT_TRUE(w.splashWindow()->isVisible());
    ASSERT_TRUE(waitFor([&] { return !w.splashWindow()->isVisible(); }));
    QTest::qWait(1500);
    EXPECT_EQ(w.gesturesWindow(), nullptr);
}

TEST(TrayBrowser, TheHelpPageOpensInABrowserWithTheUsersEnvironment) {
    // A browser of our own making on the PATH writes down what it was given.
    QTemporaryDir bin;
    ASSERT_TRUE(bin.isValid());
    QFile browser(bin.filePath("xdg-open"));
    ASSERT_TRUE(browser.open(QIODevice::WriteOnly));
    browser.write("#!/bin/sh\n{ echo \"URL $1\"; env; } > \"$0.out.tmp\" && mv \"$0.out.tmp\" \"$0.out\"\n");
    browser.close();
    browser.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.path().toUtf8() + ":" + path);
    qunsetenv("BROWSER");
    qunsetenv("DEFAULT_BROWSER");
    qunsetenv("QT_NO_GLIB");
    qunsetenv("QT_XCB_GL_INTEGRATION");
    OwnEnvironment::set("QT_NO_GLIB", "1");
    OwnEnvironment::set("QT_XCB_GL_INTEGRATION", "none");

    VelmoWindow::openInBrowser(VelmoWindow::siteAddress() + "/help.html");
    QFile out(bin.filePath("xdg-open.out"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return out.exists(); }, 10000));
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    const QString seen = QString::fromUtf8(out.readAll());
    EXPECT_TRUE(seen.startsWith("URL " + VelmoWindow::siteAddress() + "/help.html")) << qPrintable(seen.left(200));
    EXPECT_FALSE(seen.contains("\nQT_NO_GLIB=")) << "the browser must not inherit our event-loop choice";
    EXPECT_FALSE(seen.contains("\nQT_XCB_GL_INTEGRATION="));
    // This program keeps its own.
    EXPECT_EQ(qgetenv("QT_NO_GLIB"), "1");
    qputenv("PATH", path);
}

TEST_F(TrayWindow, TheSplashGivesWayToTheGesturesWindow) {
    VelmoWindow& w = make();
    NotificationWindow* splash = w.splashWindow();
    ASSERT_NE(splash, nullptr);
    EXPECT_EQ(splash->kind(), NotificationWindow::Splash);
    EXPECT_TRUE(splash->isVisible());
    EXPECT_EQ(w.splashTimer()->interval(), 5000);
    ASSERT_TRUE(waitFor([&] { return w.gesturesWindow() != nullptr; }, 20000));
    EXPECT_FALSE(splash->isVisible());
    EXPECT_TRUE(w.gesturesWindow()->isVisible());
    // Closing it (the window deletes itself) clears the flag: the menu makes a new one.
    w.gesturesWindow()->close();
    ASSERT_TRUE(waitFor([&] { return w.gesturesWindow() == nullptr; }));
    w.gestures();
    ASSERT_NE(w.gesturesWindow(), nullptr);
    EXPECT_TRUE(w.gesturesWindow()->isVisible());
}

TEST_F(TrayWindow, SoundsAndBannersPassOnlyThroughTheirSwitches) {
    VelmoWindow& w = make();
    VelmoListener& l = w.listener();
    ASSERT_NE(w.soundEffects(), nullptr);
    ASSERT_NE(w.edgeBanner(), nullptr);
    auto playing = [&](int code) { return w.soundEffects()->effect(code)->isPlaying(); };
    auto set = [&](int index, float value) {
        l.engine().SetUserParam(value, index);
        l.engine().DecodeParameters(0);
    };

    w.playEffect(FxButtonPressed);  // sounds are on by default
    EXPECT_TRUE(playing(FxButtonPressed));
    w.playEffect(FxBorderReached);  // the edge sound is off by default
    EXPECT_FALSE(playing(FxBorderReached));
    set(EnableAudioFxBorder, 1);
    set(CursorMovement, 1);  // never with relative movement
    w.playEffect(FxBorderReached);
    EXPECT_FALSE(playing(FxBorderReached));
    set(CursorMovement, 0);
    w.playEffect(FxBorderReached);
    EXPECT_TRUE(playing(FxBorderReached));
    w.playEffect(FxBorderLeft);
    EXPECT_FALSE(playing(FxBorderReached));
    set(EnableAudioFx, 0);
    w.playEffect(FxFistDetected);
    EXPECT_FALSE(playing(FxFistDetected));

    GraphicFX* banner = w.edgeBanner();
    set(EnableGraphicFx, 0);
    w.drawEffect(LeftSide, 0);
    EXPECT_FALSE(banner->isVisible());
    set(EnableGraphicFx, 1);
    l.engine().SetInteractiveTutorial(1);
    w.drawEffect(LeftSide, 0);
    EXPECT_FALSE(banner->isVisible());
    l.engine().SetInteractiveTutorial(0);
    w.drawEffect(RightSide, 1);
    EXPECT_TRUE(banner->isVisible());
    EXPECT_EQ(banner->side(), RightSide);
    EXPECT_TRUE(banner->autoHeight());
    EXPECT_EQ(banner->geometry().x(), QGuiApplication::primaryScreen()->geometry().width() - 100);
}

TEST_F(TrayWindow, TheKeyboardsReleaseTimerLetsTheAppSwitcherGo) {
    writeSettings({{DoubleClickTime, 300.0f}, {DisableTutorial, 1.0f}});
    VelmoWindow& w = make();
    ASSERT_NE(w.actionManager(), nullptr);
    Keyboard* keyboard = w.actionManager()->GetKeyboard();
    ASSERT_NE(keyboard, nullptr);
    // The engine's start made the keyboard with the tray's timer.
    EXPECT_EQ(keyboard->releaseKeyTimer(), w.releaseKeyTimer());
    Display* dpy = XOpenDisplay(nullptr);
    ASSERT_NE(dpy, nullptr);
    const int alt = XKeysymToKeycode(dpy, XK_Alt_L);
    auto altDown = [&] {
        char keys[32];
        XQueryKeymap(dpy, keys);
        return (keys[alt / 8] & (1 << (alt % 8))) != 0;
    };

    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        keyboard->shortcut(Keyboard::KeyPress, "Alt+Tab", false, Keyboard::kAppSwitcherName, false);
        keyboard->shortcut(Keyboard::KeyRelease, "Alt+Tab", false, Keyboard::kAppSwitcherName, false);
        // Alt stays down for the next Tab until the timer, started by the keyboard's signal, ends
        // (its timeout needs this thread's event loop, which is not running here).
        w.desktop().sync();
        ASSERT_TRUE(altDown());
        EXPECT_TRUE(w.releaseKeyTimer()->isActive());
        EXPECT_EQ(w.releaseKeyTimer()->interval(), 300);
        EXPECT_TRUE(waitFor([&] { return !altDown(); }, 10000));
        EXPECT_TRUE(w.releaseKeyTimer()->isSingleShot());
    }
    XCloseDisplay(dpy);
}

TEST_F(TrayWindow, ShutDownSavesTheSettingsAndRemovesTheListenerBeforeClosingTheWindows) {
    VelmoWindow& w = make();
    w.notifyClicksAction()->trigger();
    EXPECT_TRUE(w.notifyClicksAction()->isChecked());
    EXPECT_EQ(w.listener().engine().GetUserParam(NotifyClicks), 1.0f);
    w.setEvent(2);
    ASSERT_NE(w.balloonWindow(), nullptr);

    // What the engine's teardown (it runs when the listener is removed) finds.
    struct AtRemoval {
        std::atomic<bool> seen{false};
        std::atomic<bool> settingsSaved{false};
        std::atomic<bool> checkerDone{false};
        std::atomic<bool> balloonThere{false};
        std::atomic<bool> timersStopped{false};
    } at;
    ActionMgr* mgr = w.actionManager();
    ASSERT_NE(mgr, nullptr);
    QPointer<NotificationWindow> balloon = w.balloonWindow();
    CheckController* checker = w.checker();
    QTimer* balloonTimer = w.balloonTimer();
    QObject::connect(
        mgr, &QObject::destroyed, mgr,
        [&] {
            at.settingsSaved = settingsLine(NotifyClicks).startsWith("1.0");
            at.checkerDone = checker->isFinished();
            at.balloonThere = !balloon.isNull();
            at.timersStopped = !balloonTimer->isActive();
            at.seen = true;
        },
        Qt::DirectConnection);

    ASSERT_FALSE(QFile::exists(settingsPath()) && settingsLine(NotifyClicks).startsWith("1.0"));
    window.reset();
    EXPECT_TRUE(at.seen);
    EXPECT_TRUE(at.settingsSaved);
    EXPECT_TRUE(at.checkerDone);
    EXPECT_TRUE(at.balloonThere);
    EXPECT_TRUE(at.timersStopped);
    EXPECT_TRUE(balloon.isNull());
    EXPECT_EQ(settingsLine(NotifyClicks), "1.000000");
}

} // namespace

int main(int argc, char** argv) {
    // The program's tracking socket goes to a folder of this test's own.
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    runtimeDir = &runtime;
    Q_INIT_RESOURCE(app);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
