// Notification windows on a real X server: sizes, places, pictures on screen, clicks, closed signals.
#include "NotificationWindow.h"
#include "ResourceDir.h"

#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

// Last: Xlib defines macros (None, Bool, Status) that clash with the headers above.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace {

struct XDisplay {
    Display* dpy = XOpenDisplay(nullptr);
    ~XDisplay() {
        if (dpy) XCloseDisplay(dpy);
    }
};

// Where the X server has the window, in root coordinates.
QRect xGeometry(Display* dpy, QWidget& w) {
    XWindowAttributes attrs;
    XGetWindowAttributes(dpy, static_cast<Window>(w.winId()), &attrs);
    int rx = 0, ry = 0;
    Window child;
    XTranslateCoordinates(dpy, static_cast<Window>(w.winId()), DefaultRootWindow(dpy), 0, 0, &rx, &ry, &child);
    return QRect(rx, ry, attrs.width, attrs.height);
}

void clickAt(Display* dpy, QPoint p) {
    XTestFakeMotionEvent(dpy, -1, p.x(), p.y(), 0);
    XTestFakeButtonEvent(dpy, 1, True, 0);
    XTestFakeButtonEvent(dpy, 1, False, 0);
    XSync(dpy, False);
}

QImage grabScreen(const QRect& r) {
    return QGuiApplication::primaryScreen()->grabWindow(0, r.x(), r.y(), r.width(), r.height()).toImage().convertToFormat(QImage::Format_RGB32);
}

// Share of pixels (sampled every 4th row and column) equal to the picture's, outside the top-left
// corner where the close button sits.
double matchingShare(const QImage& screen, const QImage& picture) {
    const QImage pic = picture.convertToFormat(QImage::Format_RGB32);
    int total = 0, same = 0;
    for (int y = 0; y < pic.height(); y += 4)
        for (int x = 0; x < pic.width(); x += 4) {
            if (x < 24 && y < 24) continue;
            ++total;
            if (screen.pixel(x, y) == pic.pixel(x, y)) ++same;
        }
    return total ? double(same) / total : 0.0;
}

// Events keep flowing while waiting; QTRY_* would report to QTest, not to this test.
template <typename F>
bool waitFor(F condition) {
    return QTest::qWaitFor(condition, 5000);
}

// Top-level windows are the root's children here (no window manager).
bool xTopLevelExists(Display* dpy, Window w) {
    Window root, parent, *children = nullptr;
    unsigned int n = 0;
    XQueryTree(dpy, DefaultRootWindow(dpy), &root, &parent, &children, &n);
    const bool found = std::find(children, children + n, w) != children + n;
    if (children) XFree(children);
    return found;
}

int darkPixels(const QImage& img) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qGray(img.pixel(x, y)) < 100) ++n;
    return n;
}

} // namespace

TEST(NotificationWindow, PictureKindsShowTheirPictureAtTheirSize) {
    XDisplay x;
    ASSERT_NE(x.dpy, nullptr);
    struct Case {
        int kind;
        QSize size;
        const char* file;
        bool closeButton;
    };
    const Case cases[] = {{1, {300, 240}, "/logo.png", true},
                          {2, {980, 600}, "/tutorial.png", true},
                          {3, {800, 540}, "/splash.png", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        auto w = std::make_unique<NotificationWindow>(nullptr, 0, 0, c.kind);
        EXPECT_FALSE(w->isVisible());
        EXPECT_TRUE(w->windowFlags() & Qt::FramelessWindowHint);
        EXPECT_TRUE(w->windowFlags() & Qt::WindowStaysOnTopHint);
        EXPECT_EQ(w->findChild<QPushButton*>() != nullptr, c.closeButton);
        w->move(100, 50);
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
        QTest::qWait(100);
        const QRect g = xGeometry(x.dpy, *w);
        EXPECT_EQ(g.size(), c.size);
        const QImage picture(velmoResourceDir() + c.file);
        ASSERT_EQ(picture.size(), c.size);
        EXPECT_TRUE(waitFor([&] { return matchingShare(grabScreen(g), picture) > 0.97; }))
            << matchingShare(grabScreen(g), picture);

        // Hidden, it gives its X window (and the memory behind it) back; shown again, the same
        // object shows the same picture in the same place.
        const Window first = static_cast<Window>(w->winId());
        w->hide();
        EXPECT_TRUE(waitFor([&] { return !xTopLevelExists(x.dpy, first); }));
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
        EXPECT_EQ(xGeometry(x.dpy, *w), g);
        EXPECT_TRUE(waitFor([&] { return matchingShare(grabScreen(g), picture) > 0.97; }));
    }
}

TEST(NotificationWindow, BalloonStandsNearTheTopRightAndShowsItsText) {
    XDisplay x;
    ASSERT_NE(x.dpy, nullptr);
    const int screenWidth = QGuiApplication::primaryScreen()->geometry().width();
    NotificationWindow* balloon = new NotificationWindow(nullptr, 0, 0, 0);
    EXPECT_EQ(balloon->findChild<QPushButton*>(), nullptr);
    balloon->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(balloon));
    QTest::qWait(100);
    const QRect g = xGeometry(x.dpy, *balloon);
    EXPECT_EQ(g, QRect(screenWidth - 375, 24, 300, 80));
    // A blank white balloon first, then the text.
    EXPECT_TRUE(waitFor([&] { return darkPixels(grabScreen(g)) == 0; }));

    balloon->setMsg("Left Button Pressed");
    EXPECT_TRUE(waitFor([&] { return darkPixels(grabScreen(g)) > 50; }));

    // The longest tray message is wrapped inside the balloon instead of being cut at its sides.
    balloon->setMsg("Leap Motion Controller is disconnected or Leap Motion Service is not running");
    QLabel* label = balloon->findChild<QLabel*>();
    ASSERT_NE(label, nullptr);
    EXPECT_LE(label->minimumSizeHint().width(), label->width());
    EXPECT_LE(label->heightForWidth(label->width()), label->height());

    QSignalSpy closed(balloon, &NotificationWindow::baloonClosed);
    balloon->close(); // deletes itself on close
    EXPECT_TRUE(waitFor([&] { return closed.count() == 1; }));

    NotificationWindow placed(nullptr, 400, 300, 0);
    placed.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&placed));
    QTest::qWait(100);
    EXPECT_EQ(xGeometry(x.dpy, placed), QRect(400, 300, 300, 80));
}

TEST(NotificationWindow, AboutCloseButtonOnlyHidesAndAClickOnThePictureIsSignalled) {
    XDisplay x;
    ASSERT_NE(x.dpy, nullptr);
    NotificationWindow about(nullptr, 0, 0, 1);
    QSignalSpy released(&about, &NotificationWindow::mouseReleaseEvent);
    QSignalSpy closed(&about, &NotificationWindow::aboutClosed);
    about.move(300, 200);
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    QTest::qWait(100);
    const QRect g = xGeometry(x.dpy, about);

    clickAt(x.dpy, g.center());
    EXPECT_TRUE(waitFor([&] { return released.count() == 1; }));
    EXPECT_TRUE(about.isVisible());

    clickAt(x.dpy, g.topLeft() + QPoint(10, 10));
    EXPECT_TRUE(waitFor([&] { return !about.isVisible(); }));
    EXPECT_EQ(released.count(), 1);
    EXPECT_EQ(closed.count(), 0);

    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    EXPECT_TRUE(about.isVisible());
}

TEST(NotificationWindow, DestroyingAWindowSignalsItsOwnKindOnly) {
    for (int kind = 0; kind < 4; ++kind) {
        SCOPED_TRACE(kind);
        auto* w = new NotificationWindow(nullptr, 0, 0, kind);
        QSignalSpy balloon(w, &NotificationWindow::baloonClosed);
        QSignalSpy about(w, &NotificationWindow::aboutClosed);
        QSignalSpy gestures(w, &NotificationWindow::gesturesClosed);
        QSignalSpy splash(w, &NotificationWindow::splashClosed);
        w->show();
        delete w;
        EXPECT_EQ(balloon.count(), kind == 0 ? 1 : 0);
        EXPECT_EQ(about.count(), kind == 1 ? 1 : 0);
        EXPECT_EQ(gestures.count(), kind == 2 ? 1 : 0);
        EXPECT_EQ(splash.count(), kind == 3 ? 1 : 0);
    }
}

TEST(AppImages, EmbeddedTrayIconsAreGreenAndGrayInEverySize) {
    Q_INIT_RESOURCE(app);
    struct Case {
        const char* path;
        bool green;
    };
    for (const Case& c : {Case{":/images/icon_green/velmo_green.ico", true},
                          Case{":/images/icon_gray/velmo_gray.ico", false}}) {
        SCOPED_TRACE(c.path);
        QImageReader reader(c.path);
        EXPECT_GE(reader.imageCount(), 4);
        const QIcon icon(c.path);
        ASSERT_FALSE(icon.isNull());
        for (int size : {16, 22, 32, 64}) {
            const QImage img = icon.pixmap(size, size).toImage();
            ASSERT_EQ(img.width(), size);
            // The disc's rim: inside the icon, outside the white hand.
            const QColor rim = img.pixelColor(size / 2, size - 1 - size / 8);
            EXPECT_EQ(rim.alpha(), 255);
            if (c.green)
                EXPECT_GT(rim.green(), rim.red() + 60);
            else
                EXPECT_LT(std::abs(rim.green() - rim.red()), 10);
            // The corner stays transparent, so the tray's own background shows.
            EXPECT_EQ(img.pixelColor(0, 0).alpha(), 0);
        }
    }
}
