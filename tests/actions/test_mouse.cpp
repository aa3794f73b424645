#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryFile>
#include <QWheelEvent>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <cryptopp/aes.h>
#include <cryptopp/filters.h>
#include <cryptopp/hex.h>
#include <cryptopp/modes.h>
#include <thread>
#include <vector>

#include "AudioFX.h"
#include "Mouse.h"
#include "MultiMonitor.h"
#include "X11Backend.h"
#include "desktop_test_util.h"

// Last: Xlib's macros clash with the headers above.
#include <X11/Xlib.h>

namespace {

constexpr unsigned kButton1 = 0x100, kButton2 = 0x200, kButton3 = 0x400;

QPoint pointer() {
  int x = -1, y = -1;
  testDesktop().queryPointer(&x, &y);
  return QPoint(x, y);
}

unsigned buttons() {
  int x, y;
  unsigned mask = 0;
  testDesktop().queryPointer(&x, &y, &mask);
  return mask & (kButton1 | kButton2 | kButton3);
}

Mouse* makeMouse(float wheelScale = 0.3f, int relative = 0, int onlyPrimary = 0, FILE* log = nullptr,
                 int encrypt = 0) {
  return new Mouse(testDesktop(), 400, wheelScale, log, encrypt, relative, 0, nullptr, 1,
                   onlyPrimary);
}

// Counts wheel notches the way an application sees them.
class WheelWindow : public QWidget {
 public:
  WheelWindow() {
    setGeometry(100, 100, 400, 300);
    show();
  }
  int angle = 0;
  int events = 0;

 protected:
  void wheelEvent(QWheelEvent* e) override {
    angle += e->angleDelta().y();
    ++events;
  }
};

class MouseTest : public ::testing::Test {
 protected:
  void SetUp() override { MultiMonitor::useQtScreens(); }
  void TearDown() override {
    MultiMonitor::useQtScreens();
    for (int b = 1; b <= 3; ++b) testDesktop().button(b, false);
    testDesktop().sync();
  }
};

}  // namespace

TEST_F(MouseTest, AbsoluteAndRelativeMovesLandOnTheServer) {
  std::unique_ptr<Mouse> m(makeMouse());
  EXPECT_EQ(m->getWidthOfScreen(), 1920);
  EXPECT_EQ(m->getHeightOfScreen(), 1080);
  m->move(300.7f, 400.2f, 0, 0, 0);
  testDesktop().sync();
  EXPECT_EQ(pointer(), QPoint(300, 400));
  m->move(-25.0f, 40.0f, 0, 1, 0);
  testDesktop().sync();
  EXPECT_EQ(pointer(), QPoint(275, 440));
  int x, y;
  m->getLoc(&x, &y);
  EXPECT_EQ(QPoint(x, y), QPoint(275, 440));
}

TEST_F(MouseTest, MovesAreClampedToThePointerSpace) {
  std::unique_ptr<Mouse> m(makeMouse());
  m->getWidthOfScreen();
  m->getHeightOfScreen();
  // 99999 would wrap to 0 in XTest's 16-bit coordinates.
  m->move(99999.0f, 99999.0f, 0, 0, 0);
  testDesktop().sync();
  EXPECT_EQ(pointer(), QPoint(1919, 1079));
  m->move(-50.0f, -1.0e30f, 0, 0, 0);
  testDesktop().sync();
  EXPECT_EQ(pointer(), QPoint(0, 0));
  m->move(10.0f, 10.0f, 0, 1, 0);
  m->move(-100.0f, 70000.0f, 0, 1, 0);
  testDesktop().sync();
  EXPECT_EQ(pointer(), QPoint(0, 1079));
  // Not-a-number moves nowhere outside the space.
  m->move(std::nanf(""), 500.0f, 0, 0, 0);
  testDesktop().sync();
  EXPECT_EQ(pointer(), QPoint(0, 500));
}

TEST_F(MouseTest, OnlyPrimaryDisplayConfinesThePointer) {
  // A main display that is not at the desktop's top-left corner, and a smaller one beside it.
  MultiMonitor::setScreens({QRect(640, 0, 1280, 1024), QRect(0, 0, 640, 480)}, false);
  std::unique_ptr<Mouse> m(makeMouse(0.3f, 0, 1));
  EXPECT_EQ(m->getWidthOfScreen(), 1280);
  EXPECT_EQ(m->getHeightOfScreen(), 1024);
  m->move(0.0f, 0.0f, 0, 0, 0);
  testDesktop().sync();
  EXPECT_EQ(pointer(), QPoint(640, 0));
  m->move(5000.0f, 5000.0f, 0, 0, 0);
  testDesktop().sync();
  EXPECT_EQ(pointer(), QPoint(1919, 1023));
  m->move(-3000.0f, 0.0f, 0, 1, 0);
  testDesktop().sync();
  EXPECT_EQ(pointer(), QPoint(640, 1023));
}

TEST_F(MouseTest, SizeCacheFollowsOnlyPrimaryFromTheFirstQuery) {
  MultiMonitor::setScreens({QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)}, false);
  std::unique_ptr<Mouse> all(makeMouse(0.3f, 0, 0));
  EXPECT_EQ(all->getWidthOfScreen(), 3200);
  EXPECT_EQ(all->getHeightOfScreen(), 1080);
  std::unique_ptr<Mouse> primary(makeMouse(0.3f, 0, 1));
  EXPECT_EQ(primary->getWidthOfScreen(), 1920);
  EXPECT_EQ(primary->getHeightOfScreen(), 1080);
  primary->setParam(500, 0.5f, 1, 1, 0);
  EXPECT_EQ(primary->getWidthOfScreen(), 3200);
  EXPECT_EQ(primary->getDoubleClickTime(), 500);
  EXPECT_FLOAT_EQ(primary->getWheelScaleFactor(), 0.5f);
  EXPECT_EQ(primary->isRelative(), 1);
  EXPECT_EQ(primary->isAlternativeMousePointer(), 1);
  EXPECT_FALSE(primary->isOnlyPrimaryDisplay());
}

TEST_F(MouseTest, ButtonsGoDownAndUpWithTheirXMasks) {
  std::unique_ptr<Mouse> m(makeMouse());
  std::vector<int> effects;
  QObject::connect(m.get(), &Mouse::playEffect, [&](int v) { effects.push_back(v); });
  m->move(1500.0f, 900.0f, 0, 0, 0);  // away from any window

  m->buttonPress(LeftButton);
  testDesktop().sync();
  EXPECT_EQ(buttons(), kButton1);
  EXPECT_EQ(m->buttonRelease(LeftButton), 0);
  testDesktop().sync();
  EXPECT_EQ(buttons(), 0u);

  m->buttonPress(MiddleButton);
  testDesktop().sync();
  EXPECT_EQ(buttons(), kButton2);
  m->buttonRelease(MiddleButton);

  m->rightPress();
  testDesktop().sync();
  EXPECT_EQ(buttons(), kButton3);
  m->rightRelease();
  testDesktop().sync();
  EXPECT_EQ(buttons(), 0u);

  // Not a button: nothing at all.
  m->buttonPress(KeyboardShortcut);
  m->buttonPress(static_cast<actionType>(0));
  testDesktop().sync();
  EXPECT_EQ(buttons(), 0u);
  EXPECT_EQ(effects, (std::vector<int>{FxButtonPressed, FxButtonReleased, FxButtonPressed,
                                       FxButtonReleased, FxButtonPressed, FxButtonReleased}));
}

TEST_F(MouseTest, ABatchSendsItsThreadsMotionAndClickTogetherAtItsEnd) {
  // Seen through a connection of its own: a query on the backend's would send what waits.
  Display* watch = XOpenDisplay(nullptr);
  ASSERT_NE(watch, nullptr);
  auto seen = [&] {
    Window root, child;
    int x = 0, y = 0, wx, wy;
    unsigned int mask = 0;
    XQueryPointer(watch, DefaultRootWindow(watch), &root, &child, &x, &y, &wx, &wy, &mask);
    return std::make_pair(QPoint(x, y), mask & kButton1);
  };
  X11Backend& x = testDesktop();
  x.moveTo(100, 100);
  x.sync();
  std::unique_ptr<Mouse> m(makeMouse());
  int effects = 0;
  QObject::connect(m.get(), &Mouse::playEffect, [&] { ++effects; });
  {
    Desktop::Batch frame(x);
    x.moveTo(1500, 900);
    m->buttonPress(LeftButton);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(seen(), std::make_pair(QPoint(100, 100), 0u)) << "nothing goes out before the batch ends";
    EXPECT_EQ(effects, 0) << "the click's sound waits for the click to be written";
  }
  EXPECT_EQ(effects, 1);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (seen() != std::make_pair(QPoint(1500, 900), kButton1) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(seen(), std::make_pair(QPoint(1500, 900), kButton1));
  m->buttonRelease(LeftButton);
  EXPECT_EQ(effects, 2) << "outside a batch the sound is asked for at once";
  x.sync();
  EXPECT_EQ(seen().second, 0u) << "outside a batch a request goes out at once";
  XCloseDisplay(watch);
}

TEST_F(MouseTest, WheelNotchesFollowProgressScaleAndAccumulator) {
  WheelWindow win;
  ASSERT_TRUE(waitUntil([&] { return win.isVisible(); }));
  settle(100);
  std::unique_ptr<Mouse> m(makeMouse(0.3f));
  std::vector<int> effects;
  QObject::connect(m.get(), &Mouse::playEffect, [&](int v) { effects.push_back(v); });
  m->move(300.0f, 250.0f, 0, 0, 0);
  settle(50);

  // 0.3 x 10 = 3 notches per turn. Progress 0.2 turns: none yet; 0.5: one; 1.0: three in all.
  m->wheelMove(0.2f, 1);
  EXPECT_EQ(m->wheelAccumulator(), 0);
  m->wheelMove(0.5f, 1);
  m->wheelMove(1.0f, 1);
  EXPECT_EQ(m->wheelAccumulator(), 3);
  ASSERT_TRUE(waitUntil([&] { return win.angle >= 360; }));
  settle(50);
  EXPECT_EQ(win.angle, 360);

  // A new circle, downward: the accumulator starts again.
  m->resetWheel();
  win.angle = 0;
  m->wheelMove(0.7f, 0);
  ASSERT_TRUE(waitUntil([&] { return win.angle <= -240; }));
  settle(50);
  EXPECT_EQ(win.angle, -240);

  // Going backwards or nonsense sends nothing; a huge jump is spread over calls.
  win.angle = 0;
  m->resetWheel();
  m->wheelMove(-3.0f, 1);
  m->wheelMove(std::nanf(""), 1);
  m->wheelMove(1.0e30f, 1);
  EXPECT_EQ(m->wheelAccumulator(), Mouse::kMaxNotchesPerCall);
  ASSERT_TRUE(waitUntil([&] { return win.angle >= 120 * Mouse::kMaxNotchesPerCall; }));
  settle(50);
  EXPECT_EQ(win.angle, 120 * Mouse::kMaxNotchesPerCall);
  EXPECT_EQ(effects, (std::vector<int>{FxWheelForward, FxWheelForward, FxWheelDownward,
                                       FxWheelForward}));
}

TEST_F(MouseTest, CursorHideAndShowReachTheServerOnce) {
  // A show that matches no hide is an X error (BadMatch) at the server, so a clean error count
  // proves every show was preceded by a hide the server accepted.
  X11Backend& x = testDesktop();
  std::unique_ptr<Mouse> m(makeMouse());
  const int errors = x.errorCount();
  m->HidePointer(false);
  x.sync();
  EXPECT_EQ(x.errorCount(), errors);
  m->HidePointer(true);
  m->HidePointer(true);
  EXPECT_TRUE(x.isCursorHidden());
  m->HidePointer(false);
  m->HidePointer(false);
  x.sync();
  EXPECT_FALSE(x.isCursorHidden());
  EXPECT_EQ(x.errorCount(), errors);
  // A mouse going away shows a hidden cursor again.
  m->HidePointer(true);
  m.reset();
  EXPECT_FALSE(x.isCursorHidden());
  x.sync();
  EXPECT_EQ(x.errorCount(), errors);
}

TEST_F(MouseTest, TimeDifferenceInMilliseconds) {
  std::unique_ptr<Mouse> m(makeMouse());
  timeval a{100, 250000}, b{101, 750000};
  EXPECT_DOUBLE_EQ(m->getTimeDiff(&a, &a), 0.0);
  EXPECT_DOUBLE_EQ(m->getTimeDiff(&a, &b), 1500.0);
  EXPECT_DOUBLE_EQ(m->getTimeDiff(&b, &a), -1500.0);
}

TEST_F(MouseTest, LogLinesPlainAndEnciphered) {
  QTemporaryFile plainFile, cipherFile;
  ASSERT_TRUE(plainFile.open());
  ASSERT_TRUE(cipherFile.open());
  FILE* plain = fopen(plainFile.fileName().toLocal8Bit().constData(), "w");
  FILE* cipher = fopen(cipherFile.fileName().toLocal8Bit().constData(), "w");
  {
    std::unique_ptr<Mouse> p(makeMouse(0.3f, 0, 0, plain, 0));
    std::unique_ptr<Mouse> c(makeMouse(0.3f, 0, 0, cipher, 1));
    std::unique_ptr<Mouse> none(makeMouse());
    p->Log("PINCH DETECTED");
    c->Log("PINCH DETECTED");
    none->Log("NOWHERE");
  }
  fclose(plain);
  fclose(cipher);
  const QByteArray p = plainFile.readAll();
  EXPECT_TRUE(p.endsWith(" PINCH DETECTED\n")) << p.constData();
  EXPECT_EQ(p.count('\n'), 1);

  QByteArray hex = cipherFile.readAll();
  ASSERT_TRUE(hex.endsWith('\n'));
  hex.chop(1);
  ASSERT_EQ(hex.size() % 32, 0);
  std::string out;
  CryptoPP::CBC_Mode<CryptoPP::AES>::Decryption d;
  const CryptoPP::byte iv[16] = {0};
  d.SetKeyWithIV(reinterpret_cast<const CryptoPP::byte*>("3C7D19B0E4A2F658"), 16, iv, 16);
  CryptoPP::StringSource(hex.toStdString(), true,
                         new CryptoPP::HexDecoder(new CryptoPP::StreamTransformationFilter(
                             d, new CryptoPP::StringSink(out))));
  EXPECT_EQ(QByteArray::fromStdString(out) + "\n", p);
}

TEST_F(MouseTest, ThreadsShareTheConnection) {
  // The tracking thread moves and clicks, the receiver's thread wheels, the GUI thread asks for
  // sizes and the location: the shared connection must keep every request whole.
  std::unique_ptr<Mouse> m(makeMouse(1.0f));
  std::atomic<bool> go{false};
  std::thread tracking([&] {
    while (!go) {}
    for (int i = 0; i < 300; ++i) {
      m->move(float(1000 + i % 50), float(700 + i % 30), 0, i % 3 == 0, 0);
      if (i % 50 == 0) {
        m->buttonPress(LeftButton);
        m->buttonRelease(LeftButton);
      }
    }
  });
  std::thread receiver([&] {
    while (!go) {}
    for (int i = 0; i < 100; ++i) {
      m->resetWheel();
      m->wheelMove(0.15f, i % 2);
      m->setParam(400, 1.0f, 0, 0, 0);
    }
  });
  go = true;
  for (int i = 0; i < 100; ++i) {
    EXPECT_EQ(m->getWidthOfScreen(), 1920);
    int x, y;
    m->getLoc(&x, &y);
  }
  tracking.join();
  receiver.join();
  m->move(1234.0f, 567.0f, 0, 0, 0);
  testDesktop().sync();
  EXPECT_EQ(pointer(), QPoint(1234, 567));
  EXPECT_EQ(buttons(), 0u);
}

int main(int argc, char** argv) {
  // No OpenGL here: Mesa's GLX, loaded only for GL windows, leaks at exit.
  qputenv("QT_XCB_GL_INTEGRATION", "none");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
