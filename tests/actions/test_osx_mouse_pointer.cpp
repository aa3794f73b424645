#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QWidget>
#include <memory>
#include <thread>

#include "Mouse.h"
#include "MultiMonitor.h"
#include "OsxMousePointer.h"
#include "X11Backend.h"
#include "desktop_test_util.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

// A second client looking at the server the way the user would.
struct Observer {
  Display* dpy = XOpenDisplay(nullptr);
  ~Observer() {
    if (dpy) XCloseDisplay(dpy);
  }
  bool viewable(QWidget* w) {
    XWindowAttributes a;
    if (!XGetWindowAttributes(dpy, Window(w->winId()), &a)) return false;
    return a.map_state == IsViewable;
  }
  QPoint origin(QWidget* w) {
    int x = 0, y = 0;
    Window child;
    XTranslateCoordinates(dpy, Window(w->winId()), DefaultRootWindow(dpy), 0, 0, &x, &y, &child);
    return QPoint(x, y);
  }
  unsigned long pixel(int x, int y) {
    XImage* img = XGetImage(dpy, DefaultRootWindow(dpy), x, y, 1, 1, AllPlanes, ZPixmap);
    if (!img) return 0xDEADBEEF;
    const unsigned long p = XGetPixel(img, 0, 0) & 0xFFFFFF;
    XDestroyImage(img);
    return p;
  }
};

class ClickCatcher : public QWidget {
 public:
  ClickCatcher() {
    setGeometry(900, 500, 200, 100);
    show();
  }
  int presses = 0;

 protected:
  void mousePressEvent(QMouseEvent*) override { ++presses; }
};

class PointerTest : public ::testing::Test {
 protected:
  void SetUp() override { MultiMonitor::useQtScreens(); }
  Observer x;
};

}  // namespace

TEST_F(PointerTest, HiddenAtFirstThenShownWhereMoved) {
  OsxMousePointer p(testDesktop());
  QWidget* w = p.window();
  settle(100);
  EXPECT_FALSE(w->isVisible());
  EXPECT_FALSE(x.viewable(w));

  p.move(960.0f, 540.0f);
  p.show();
  ASSERT_TRUE(waitUntil([&] { return x.viewable(w) && x.origin(w) == QPoint(960, 540); }));
  // The picture's tip is at the top-left corner: white inside, dark outline on its left edge.
  ASSERT_TRUE(waitUntil([&] { return x.pixel(960 + 3, 540 + 10) == 0xFFFFFF; }));
  EXPECT_LT(x.pixel(960 + 1, 540 + 10) & 0xFF, 0x80u);

  // Hidden, moved: stays invisible; shown again at the new place.
  p.hide();
  p.move(100.7f, 200.2f);
  ASSERT_TRUE(waitUntil([&] { return !x.viewable(w); }));
  settle(50);
  EXPECT_FALSE(x.viewable(w));
  p.show();
  ASSERT_TRUE(waitUntil([&] { return x.viewable(w) && x.origin(w) == QPoint(100, 200); }));
  int X, Y;
  p.lastRootPosition(&X, &Y);
  EXPECT_EQ(QPoint(X, Y), QPoint(100, 200));
}

TEST_F(PointerTest, ClicksAndFocusPassThroughIt) {
  ClickCatcher below;
  QLineEdit edit;
  edit.setGeometry(100, 800, 200, 30);
  edit.show();
  ASSERT_TRUE(waitUntil([&] { return below.isVisible() && edit.isVisible(); }));
  testDesktop().moveTo(150, 810);
  edit.activateWindow();
  ASSERT_TRUE(waitUntil([&] { return edit.hasFocus(); }));

  OsxMousePointer p(testDesktop());
  p.move(960.0f, 540.0f);
  p.show();
  ASSERT_TRUE(waitUntil([&] { return x.viewable(p.window()); }));
  settle(50);
  EXPECT_TRUE(edit.hasFocus());
  EXPECT_FALSE(p.window()->isActiveWindow());

  // A click on the pointer window lands on the window below it.
  testDesktop().moveTo(965, 545);
  testDesktop().button(1, true);
  testDesktop().button(1, false);
  ASSERT_TRUE(waitUntil([&] { return below.presses == 1; }));
}

TEST_F(PointerTest, CallsFromOtherThreadsAreQueued) {
  OsxMousePointer p(testDesktop());
  std::thread t([&] {
    p.move(300.0f, 310.0f);
    p.show();
  });
  t.join();
  ASSERT_TRUE(waitUntil([&] { return x.viewable(p.window()) && x.origin(p.window()) == QPoint(300, 310); }));
  std::thread t2([&] { p.hide(); });
  t2.join();
  ASSERT_TRUE(waitUntil([&] { return !x.viewable(p.window()); }));
}

TEST_F(PointerTest, MouseDrivesTheWindowInsteadOfTheCursor) {
  Mouse m(testDesktop(), 400, 0.3f, nullptr, 0, 0, 1, nullptr, 1, 0);
  OsxMousePointer p(testDesktop());
  QWidget* w = p.window();
  // Nothing held: setParam and DeleteMousePointer touch no window.
  m.setParam(400, 0.3f, 0, 1, 0);
  m.DeleteMousePointer();

  MultiMonitor::setScreens({QRect(0, 0, 1920, 1080)}, false);
  m.getWidthOfScreen();
  m.getHeightOfScreen();
  m.SetMousePointer(&p);
  EXPECT_EQ(m.mousePointer(), &p);
  m.setParam(400, 0.3f, 0, 1, 0);
  ASSERT_TRUE(waitUntil([&] { return x.viewable(w) && x.origin(w) == QPoint(960, 540); }));

  testDesktop().moveTo(5, 5);
  m.move(100.0f, 200.0f, 1, 0, 0);
  m.move(10.0f, -5.0f, 1, 1, 0);
  ASSERT_TRUE(waitUntil([&] { return x.origin(w) == QPoint(110, 195); }));
  m.move(5000.0f, 5000.0f, 1, 0, 0);
  ASSERT_TRUE(waitUntil([&] { return x.origin(w) == QPoint(1919, 1079); }));
  int cx, cy;
  testDesktop().queryPointer(&cx, &cy);
  EXPECT_EQ(QPoint(cx, cy), QPoint(5, 5));

  m.setParam(400, 0.3f, 0, 0, 0);
  ASSERT_TRUE(waitUntil([&] { return !x.viewable(w); }));
  m.setParam(400, 0.3f, 0, 1, 0);
  ASSERT_TRUE(waitUntil([&] { return x.viewable(w); }));
  m.DeleteMousePointer();
  ASSERT_TRUE(waitUntil([&] { return !x.viewable(w); }));
  EXPECT_EQ(m.mousePointer(), &p);

  // Centring uses the cached size: 3201 x 1081 puts it at (1600, 540).
  MultiMonitor::setScreens({QRect(0, 0, 3201, 1081)}, false);
  Mouse big(testDesktop(), 400, 0.3f, nullptr, 0, 0, 1, nullptr, 1, 1);
  big.SetMousePointer(&p);
  p.show();
  ASSERT_TRUE(waitUntil([&] { return x.origin(w) == QPoint(1600, 540); }));
  m.SetMousePointer(nullptr);
  EXPECT_EQ(m.mousePointer(), nullptr);
  MultiMonitor::useQtScreens();
}

int main(int argc, char** argv) {
  // No OpenGL here: Mesa's GLX, loaded only for GL windows, leaks at exit.
  qputenv("QT_XCB_GL_INTEGRATION", "none");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
