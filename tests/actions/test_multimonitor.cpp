#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <atomic>
#include <thread>
#include <vector>

#include "MultiMonitor.h"
#include "desktop_test_util.h"

namespace {

using L = MultiMonitor::Layout;

const QRect kMain(0, 0, 1920, 1080);
const QRect kRight(1920, 0, 1280, 1024);

}  // namespace

// Runs first: the process has not looked at Qt's screens yet.
TEST(MultiMonitorScreens, OffGuiThreadFirstUsesRootWindowThenQtScreens) {
  int w = 0, h = 0, n = 0;
  std::thread t([&] {
    MultiMonitor m(testDesktop());
    w = m.GetWidth();
    h = m.GetHeight();
    n = m.GetMonitorCount();
  });
  t.join();
  EXPECT_EQ(w, 1920);
  EXPECT_EQ(h, 1080);
  EXPECT_EQ(n, 1);
  // The GUI thread answered the request to watch the screens; a later enumeration anywhere
  // sees Qt's list.
  settle(50);
  std::thread t2([&] {
    MultiMonitor m(testDesktop());
    w = m.GetWidth();
    n = m.GetMonitorCount();
  });
  t2.join();
  EXPECT_EQ(w, 1920);
  EXPECT_EQ(n, QGuiApplication::screens().size());
}

TEST(MultiMonitorScreens, ScaledQtScreensGiveRootPixels) {
  // Root pixels are native pixels, whatever scale Qt draws at (QT_SCALE_FACTOR=2 in ctest too).
  MultiMonitor m(testDesktop());
  EXPECT_EQ(m.GetWidth(), 1920);
  EXPECT_EQ(m.GetHeight(), 1080);
}

TEST(MultiMonitorScreens, GuiThreadFollowsQtScreens) {
  MultiMonitor::useQtScreens();
  MultiMonitor m(testDesktop());
  EXPECT_EQ(m.GetMonitorCount(), 1);
  EXPECT_EQ(m.GetWidth(), 1920);
  EXPECT_EQ(m.GetHeight(), 1080);
  EXPECT_EQ(m.GetActiveDisp(0), 0u);
  EXPECT_EQ(m.GetActiveDisp(1), MultiMonitor::kNoDisplay);
  int X, Y;
  m.Single2Multi(100, 200, &X, &Y, 1);
  EXPECT_EQ(QPoint(X, Y), QPoint(100, 200));
  m.Single2Multi(100, 200, &X, &Y, 0);
  EXPECT_EQ(QPoint(X, Y), QPoint(100, 200));
}

TEST(MultiMonitorLayout, SideBySideInEitherOrder) {
  for (const QVector<QRect>& d : {QVector<QRect>{kMain, kRight}, QVector<QRect>{kRight, kMain}}) {
    const L l = MultiMonitor::computeLayout(d, false);
    EXPECT_EQ(l.width, 3200);
    EXPECT_EQ(l.height, 1080);
    EXPECT_EQ(l.left, 0);
    EXPECT_EQ(l.top, 0);
  }
}

TEST(MultiMonitorLayout, DisplayAboveWithNegativeOrigin) {
  const QRect main(0, 0, 1440, 900), above(-560, -1440, 2560, 1440);
  for (const QVector<QRect>& d : {QVector<QRect>{main, above}, QVector<QRect>{above, main}}) {
    const L l = MultiMonitor::computeLayout(d, false);
    EXPECT_EQ(l.left, -560);
    EXPECT_EQ(l.right, 2000);
    EXPECT_EQ(l.width, 2560);
    EXPECT_EQ(l.top, -1440);
    EXPECT_EQ(l.bottom, 900);
    EXPECT_EQ(l.height, 2340);
  }
  int X, Y;
  MultiMonitor::single2Multi({main, above}, 0, 0, &X, &Y, 0);
  EXPECT_EQ(QPoint(X, Y), QPoint(-560, -1440));
  MultiMonitor::single2Multi({main, above}, 0, 0, &X, &Y, 1);
  EXPECT_EQ(Y, 0);
}

TEST(MultiMonitorLayout, StackedDisplaysFlipToBottomLeftOrigin) {
  const QVector<QRect> d{kMain, QRect(0, 1080, 1920, 1080)};
  const L l = MultiMonitor::computeLayout(d, false);
  EXPECT_EQ(l.width, 1920);
  EXPECT_EQ(l.height, 2160);
  int X, Y;
  MultiMonitor::single2Multi(d, 5, 0, &X, &Y, 1);
  EXPECT_EQ(QPoint(X, Y), QPoint(5, -1080));
  MultiMonitor::single2Multi(d, 5, 2160, &X, &Y, 1);
  EXPECT_EQ(QPoint(X, Y), QPoint(5, 1080));
  // Top-left form: the lower display starts 1080 below the main one.
  MultiMonitor::single2Multi(d, 5, 1500, &X, &Y, 0);
  EXPECT_EQ(QPoint(X, Y), QPoint(5, 1500));
}

TEST(MultiMonitorLayout, MainDisplayRightOfAnotherShiftsX) {
  // Main display at (0,0), a second one to its left: pointer x 0 is 1280 left of the main display.
  const QVector<QRect> d{kMain, QRect(-1280, 56, 1280, 1024)};
  const L l = MultiMonitor::computeLayout(d, false);
  EXPECT_EQ(l.width, 3200);
  EXPECT_EQ(l.height, 1080);
  int X, Y;
  MultiMonitor::single2Multi(d, 0, 10, &X, &Y, 0);
  EXPECT_EQ(QPoint(X, Y), QPoint(-1280, 10));
}

TEST(MultiMonitorLayout, MirroredUsesWidestAndEmptyKeepsStartValues) {
  const QVector<QRect> mirror{QRect(0, 0, 1280, 800), QRect(0, 0, 1920, 1080)};
  EXPECT_TRUE(MultiMonitor::isMirrored(mirror));
  EXPECT_FALSE(MultiMonitor::isMirrored({kMain, kRight}));
  const L l = MultiMonitor::computeLayout(mirror, true);
  EXPECT_EQ(l.width, 1920);
  EXPECT_EQ(l.height, 1080);
  const L none = MultiMonitor::computeLayout({}, false);
  EXPECT_EQ(none.width, -2000000);
  EXPECT_EQ(none.height, -2000000);
}

TEST(MultiMonitorTable, EnumerationRewritesTheSharedTable) {
  MultiMonitor::setScreens({kMain, kRight}, false);
  MultiMonitor a(testDesktop());
  EXPECT_EQ(a.GetWidth(), 3200);
  EXPECT_EQ(a.GetMonitorCount(), 2);
  EXPECT_EQ(a.GetActiveDisp(1), 1u);
  EXPECT_EQ(a.GetActiveDisp(2), MultiMonitor::kNoDisplay);
  int e[4];
  MultiMonitor::tableEntry(1, e);
  EXPECT_EQ(std::vector<int>(e, e + 4), (std::vector<int>{1920, 0, 1280, 1024}));

  // Another object's enumeration rewrites the table; a keeps its own bounding box.
  MultiMonitor::setScreens({QRect(0, 0, 800, 600)}, false);
  MultiMonitor b(testDesktop());
  EXPECT_EQ(b.GetWidth(), 800);
  EXPECT_EQ(a.GetWidth(), 3200);
  EXPECT_EQ(a.GetMonitorCount(), 1);
  MultiMonitor::tableEntry(1, e);
  EXPECT_EQ(std::vector<int>(e, e + 4), (std::vector<int>{-1, -1, -1, -1}));

  // No display at all.
  MultiMonitor::setScreens({}, false);
  b.EnumMonitor();
  EXPECT_EQ(b.GetMonitorCount(), 0);
  EXPECT_EQ(b.GetWidth(), -2000000);
  EXPECT_EQ(b.GetActiveDisp(0), MultiMonitor::kNoDisplay);

  // More than a hundred: the first hundred count.
  QVector<QRect> many;
  for (int i = 0; i < 120; ++i) many.append(QRect(i * 100, 0, 100, 100));
  MultiMonitor::setScreens(many, false);
  b.EnumMonitor();
  EXPECT_EQ(b.GetMonitorCount(), 100);
  EXPECT_EQ(b.GetWidth(), 10000);
  MultiMonitor::useQtScreens();
}

TEST(MultiMonitorTable, PointerSpaceOriginFollowsOnlyPrimary) {
  MultiMonitor::setScreens({QRect(640, 0, 1280, 1024), QRect(0, 100, 640, 480)}, false);
  MultiMonitor m(testDesktop());
  int X, Y;
  m.pointerSpaceOrigin(false, &X, &Y);
  EXPECT_EQ(QPoint(X, Y), QPoint(0, 0));
  m.pointerSpaceOrigin(true, &X, &Y);
  EXPECT_EQ(QPoint(X, Y), QPoint(640, 0));
  EXPECT_EQ(m.primaryWidth(), 1280);
  EXPECT_EQ(m.primaryHeight(), 1024);
  MultiMonitor::useQtScreens();
}

TEST(MultiMonitorThreads, ConcurrentEnumerationSeesWholeLayouts) {
  // Readers on several threads while the screen list changes: each bounding box must be one of
  // the layouts, never a mixture.
  MultiMonitor::setScreens({kMain}, false);
  std::atomic<bool> stop{false};
  std::atomic<int> bad{0};
  std::vector<std::thread> readers;
  for (int i = 0; i < 3; ++i) {
    readers.emplace_back([&] {
      MultiMonitor m(testDesktop());
      for (int k = 0; k < 2000 && !stop; ++k) {
        m.EnumMonitor();
        const int w = m.GetWidth(), h = m.GetHeight();
        if (!((w == 1920 && h == 1080) || (w == 3200 && h == 1080))) ++bad;
        int X, Y;
        m.Single2Multi(10, 10, &X, &Y, 0);
      }
    });
  }
  for (int k = 0; k < 500; ++k) {
    MultiMonitor::setScreens(k % 2 ? QVector<QRect>{kMain, kRight} : QVector<QRect>{kMain}, false);
  }
  stop = true;
  for (auto& t : readers) t.join();
  EXPECT_EQ(bad.load(), 0);
  MultiMonitor::useQtScreens();
}

int main(int argc, char** argv) {
  // No OpenGL here: Mesa's GLX, loaded only for GL windows, leaks at exit.
  qputenv("QT_XCB_GL_INTEGRATION", "none");
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
