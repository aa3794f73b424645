// The edge banner and the tray balloon on a desktop whose main display is not at the X screen's
// origin, at Qt's own scale and at twice it (QT_SCALE_FACTOR=2 in a second run), as the X server
// places them. The X screen is 3840x1080; its right half is declared the main display.
#include "VelmoWindow.h"

#include "GraphicFX.h"
#include "MultiMonitor.h"
#include "NotificationWindow.h"
#include "VelmoGestures.h"
#include "WndEvent.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>

// Last: Xlib's macros clash with the headers above.
#include <X11/Xlib.h>

namespace {

const QRect kMain(1920, 0, 1920, 1080);
const QRect kSecond(0, 0, 1920, 1080);

QRect xGeometry(Display* dpy, QWidget& w) {
    XWindowAttributes attrs;
    XGetWindowAttributes(dpy, static_cast<Window>(w.winId()), &attrs);
    int rx = 0, ry = 0;
    Window child;
    XTranslateCoordinates(dpy, static_cast<Window>(w.winId()), DefaultRootWindow(dpy), 0, 0, &rx, &ry, &child);
    return QRect(rx, ry, attrs.width, attrs.height);
}

std::string text(const QRect& r) {
    return QStringLiteral("(%1, %2, %3x%4)").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).toStdString();
}

// Settings beside the executable, which the tray window's engine reads at start.
void writeSettings(bool onlyPrimary) {
    VelmoGestures engine;
    engine.InitParameters();
    engine.EncodeParameters();
    engine.SetUserParam(onlyPrimary ? 1.0f : 0.0f, OnlyPrimaryDisplay);
    engine.SetUserParam(1.0f, DisableTutorial);
    engine.setSettingsDir(QCoreApplication::applicationDirPath());
    ASSERT_EQ(engine.WriteParameters(), 0);
}

double scale() {
    bool ok = false;
    const double s = qEnvironmentVariable("QT_SCALE_FACTOR").toDouble(&ok);
    return ok && s > 0 ? s : 1.0;
}

} // namespace

TEST(DesktopPlacement, BannerFollowsThePointerSpaceAndBalloonTheMainDisplay) {
    Display* dpy = XOpenDisplay(nullptr);
    ASSERT_NE(dpy, nullptr);
    ASSERT_EQ(DisplayWidth(dpy, DefaultScreen(dpy)), 3840);
    MultiMonitor::setScreens({kMain, kSecond}, false);
    const bool doubled = scale() == 2.0;

    // Root pixels at Qt's scale, then at twice it. With only the primary display the pointer space is
    // the main display; else the whole 3840x1080 desktop.
    struct Case {
        bool onlyPrimary;
        screenBorder side;
        QRect atOne;
        QRect atTwo;
    };
    const Case cases[] = {
        {true, LeftSide, {1970, 100, 50, 880}, {2020, 200, 100, 680}},
        {true, RightSide, {3740, 100, 50, 880}, {3640, 200, 100, 680}},
        {true, TopSide, {1970, 100, 1820, 50}, {2020, 200, 1720, 100}},
        {true, BottomSide, {1970, 930, 1820, 50}, {2020, 780, 1720, 100}},
        {false, LeftSide, {50, 100, 50, 880}, {100, 200, 100, 680}},
        {false, RightSide, {3740, 100, 50, 880}, {3640, 200, 100, 680}},
        {false, TopSide, {50, 100, 3740, 50}, {100, 200, 3640, 100}},
        {false, BottomSide, {50, 930, 3740, 50}, {100, 780, 3640, 100}},
    };
    // 375 Qt units left of the main display's right edge, 24 below its top.
    const QRect balloonAt = doubled ? QRect(3090, 48, 600, 160) : QRect(3465, 24, 300, 80);

    std::unique_ptr<VelmoWindow> window;
    int windowFor = -1;
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "only primary " << c.onlyPrimary << ", side " << int(c.side));
        if (windowFor != int(c.onlyPrimary)) {
            window.reset();
            writeSettings(c.onlyPrimary);
            window = std::make_unique<VelmoWindow>();
            windowFor = int(c.onlyPrimary);

            window->setEvent(WndLeftPressed);
            NotificationWindow* balloon = window->balloonWindow();
            ASSERT_NE(balloon, nullptr);
            ASSERT_TRUE(QTest::qWaitForWindowExposed(balloon));
            EXPECT_TRUE(QTest::qWaitFor([&] { return xGeometry(dpy, *balloon) == balloonAt; }, 3000))
                << text(xGeometry(dpy, *balloon));
        }
        const QRect expected = doubled ? c.atTwo : c.atOne;
        window->drawEffect(c.side, 0);
        GraphicFX* banner = window->edgeBanner();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(banner));
        EXPECT_TRUE(QTest::qWaitFor([&] { return xGeometry(dpy, *banner) == expected; }, 3000))
            << text(xGeometry(dpy, *banner)) << " instead of " << text(expected);
    }
    window.reset();
    QFile::remove(QDir(QCoreApplication::applicationDirPath()).filePath("velmo.dat"));
    XCloseDisplay(dpy);
}

int main(int argc, char** argv) {
    // The program's tracking socket goes to a folder of this test's own.
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    Q_INIT_RESOURCE(app);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
