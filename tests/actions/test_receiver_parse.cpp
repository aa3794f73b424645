// The command parser against a real action manager on a private X server: every case is one
// datagram in one network mode from one sender, and what the X server, the manager's signals and
// its stored state show afterwards.
#include <gtest/gtest.h>

#include <QApplication>
#include <functional>

#include "Keyboard.h"
#include "Mouse.h"
#include "Receiver.h"
#include "X11Backend.h"
#include "relay_test_util.h"

namespace {

constexpr unsigned long kXK_Control_L = 0xFFE3, kXK_Tab = 0xFF09;
constexpr int kStart = 500;

bool keyDown(unsigned long keysym) {
  X11Backend& x = testDesktop();
  x.sync();
  return x.isKeyDown(x.keycodeForKeysym(keysym));
}

QByteArray padded(const char* command, int size) {
  QByteArray b(command);
  b.append('\0');
  b.append(QByteArray(size - b.size(), 'x'));
  return b;
}

struct Case {
  const char* name;
  int mode;
  QByteArray datagram;
  const char* from;
  int x, y;            // the pointer afterwards
  QStringList emitted;  // the manager's signals, in order
  std::function<bool(RelayRig&, Receiver&)> check;
};

TEST(ReceiverParse, ExactCommandsOnlyFromTheRightPeerInTheRightMode) {
  const QStringList none;
  auto widthIs = [](int w) { return [w](RelayRig& r, Receiver&) { return r.mgr->GetWidthOfScreen() == w; }; };
  const Case cases[] = {
      // Destination (mode 2), paired with 127.0.0.1.
      {"move", 2, "MOUSEMOVE 10 20 0 0", "127.0.0.1", 10, 20, none, {}},
      {"four tokens", 2, "MOUSEMOVE 10 20 0", "127.0.0.1", kStart, kStart, none, {}},
      {"lower case", 2, "mousemove 10 20 0 0", "127.0.0.1", kStart, kStart, none, {}},
      {"double space", 2, "MOUSEMOVE  10 20 0 0", "127.0.0.1", kStart, kStart, none, {}},
      {"trailing space", 2, "MOUSEMOVE 10 20 0 0 ", "127.0.0.1", kStart, kStart, none, {}},
      {"NUL ends the text", 2, QByteArray("MOUSEMOVE 10 20 0 0\0garbage", 27), "127.0.0.1", 10, 20, none, {}},
      {"not a number is 0", 2, "MOUSEMOVE x 20 0 0", "127.0.0.1", 0, 20, {"sound 5", "side 0 0"}, {}},
      {"clamped by the device", 2, "MOUSEMOVE 99999 -5 0 0", "127.0.0.1", 1919, 0, {"sound 5", "side 1 0", "side 3 0"}, {}},
      {"at the size cap", 2, padded("MOUSEMOVE 11 22 0 0", Receiver::MaxDatagramBytes), "127.0.0.1", 11, 22, none, {}},
      {"over the size cap", 2, padded("MOUSEMOVE 11 22 0 0", Receiver::MaxDatagramBytes + 1), "127.0.0.1", kStart, kStart, none, {}},
      {"unpaired host", 2, "MOUSEMOVE 10 20 0 0", "127.0.0.3", kStart, kStart, none, {}},
      {"garbage", 2, QByteArray("\xff\xfe MOUSEMOVE\x01 1 2", 17), "127.0.0.1", kStart, kStart, none, {}},
      {"empty", 2, "", "127.0.0.1", kStart, kStart, none, {}},
      {"left press, notified", 2, "LEFT_BUTTON 1 0 1", "127.0.0.1", kStart, kStart, {"wnd 2"},
       [](RelayRig&, Receiver&) { unsigned m = 0; int x, y; testDesktop().queryPointer(&x, &y, &m); return (m & 0x100) != 0; }},
      {"app switcher name", 2, "KEYBOARD 1 0 1 Ctrl+Tab APPSWITCHER 0", "127.0.0.1", kStart, kStart, {"wnd 10"},
       [](RelayRig& r, Receiver&) { return r.mgr->GetKeyboard()->isAppSwitcherActive() && keyDown(kXK_Control_L) && keyDown(kXK_Tab); }},
      {"other names stay", 2, "KEYBOARD 1 0 1 Ctrl+Tab ESCKEY 0", "127.0.0.1", kStart, kStart, {"wnd 10"},
       [](RelayRig& r, Receiver&) { return !r.mgr->GetKeyboard()->isAppSwitcherActive() && keyDown(kXK_Control_L); }},
      {"empty key sequence", 2, "KEYBOARD 1 0 1  ESCKEY 0", "127.0.0.1", kStart, kStart, {"wnd 10"},
       [](RelayRig&, Receiver&) { return !keyDown(kXK_Control_L); }},
      {"hide with 2", 2, "HIDEMOUSEPOINTER 2", "127.0.0.1", kStart, kStart, none,
       [](RelayRig&, Receiver&) { return testDesktop().isCursorHidden(); }},
      {"wheel", 2, "MOUSEWHEELMOVE 0.000000 1 1 1.050000", "127.0.0.1", kStart, kStart, {"wnd 5"}, {}},
      {"wheel, nan", 2, "MOUSEWHEELMOVE 0.000000 1 1 nan", "127.0.0.1", kStart, kStart, none, {}},
      {"scale factor 0", 2, "SETMOUSEPARAM 300 0.000000 0 0 0", "127.0.0.1", kStart, kStart, none,
       [](RelayRig& r, Receiver&) { return r.mgr->GetMouse()->getWheelScaleFactor() == 1.0f; }},
      {"scale factor 2.5", 2, "SETMOUSEPARAM 300 2.500000 0 0 0", "127.0.0.1", kStart, kStart, none,
       [](RelayRig& r, Receiver&) { return r.mgr->GetMouse()->getWheelScaleFactor() == 2.5f; }},
      {"side out of range", 2, "SCREEN_BORDER 7 4 0 0", "127.0.0.1", kStart, kStart, none, {}},
      {"side in range", 2, "SCREEN_BORDER 0 3 0 1", "127.0.0.1", kStart, kStart, {"sound 5", "side 0 1", "side 3 1"}, {}},
      {"effect switches", 2, "AUDIO_GRAPHIC_FX_PARAMS 0 1 7", "127.0.0.1", kStart, kStart, none,
       [](RelayRig& r, Receiver&) { return r.written.calls == 1 && !r.written.audio && r.written.border && r.written.graphic; }},
      {"resolution on a destination", 2, "SETRESOLUTION 1920 1080", "127.0.0.1", kStart, kStart, none, widthIs(0)},
      {"another host announces", 2, "SETSOURCEIP", "127.0.0.3", kStart, kStart, none,
       [](RelayRig&, Receiver& rx) { return rx.pairedSource() == QHostAddress("127.0.0.1"); }},
      // Source (mode 1), set to send to 127.0.0.2.
      {"move on a source", 1, "MOUSEMOVE 10 20 0 0", "127.0.0.2", kStart, kStart, none, {}},
      {"resolution from the destination", 1, "SETRESOLUTION 1280 1024", "127.0.0.2", kStart, kStart, none, widthIs(1280)},
      {"resolution from another host", 1, "SETRESOLUTION 1280 1024", "127.0.0.3", kStart, kStart, none, widthIs(0)},
      {"resolution of no size", 1, "SETRESOLUTION 0 1024", "127.0.0.2", kStart, kStart, none, widthIs(0)},
      {"resolution too large", 1, "SETRESOLUTION 40000 1024", "127.0.0.2", kStart, kStart, none, widthIs(0)},
      {"check from another host", 1, "CHECKALTERNATIVEMOUSEPTR", "127.0.0.3", kStart, kStart, none,
       [](RelayRig&, Receiver& rx) { return !rx.getAltMousePtrCheck(); }},
      {"check from the destination", 1, "CHECKALTERNATIVEMOUSEPTR", "127.0.0.2", kStart, kStart, none,
       [](RelayRig&, Receiver& rx) { return rx.getAltMousePtrCheck(); }},
      // Standalone: nothing at all.
      {"standalone", 0, "MOUSEMOVE 10 20 0 0", "127.0.0.1", kStart, kStart, none, {}},
      {"announce on standalone", 0, "SETSOURCEIP", "127.0.0.1", kStart, kStart, none,
       [](RelayRig&, Receiver& rx) { return rx.pairedSource().isNull(); }},
  };

  X11Backend& x = testDesktop();
  ASSERT_TRUE(x.isOpen());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RelayRig rig;
    rig.mode.store(c.mode);
    // Port 0: no socket; the datagrams are handed in.
    Receiver rx(rig.mgr->GetMouse(), rig.mgr.get(), 0, nullptr);
    QHostAddress source("127.0.0.1");
    if (c.mode == ActionMgr::Destination) rx.ParseMsg("SETSOURCEIP", &source);
    x.moveTo(kStart, kStart);
    QHostAddress from(QString::fromLatin1(c.from));
    rx.ParseMsg(c.datagram, &from);
    int px = -1, py = -1;
    x.queryPointer(&px, &py);
    EXPECT_EQ(px, c.x);
    EXPECT_EQ(py, c.y);
    EXPECT_EQ(rig.log.take(), c.emitted);
    if (c.check) {
      EXPECT_TRUE(c.check(rig, rx));
    }
    // Nothing stays pressed or hidden for the next case.
    rig.mgr->releaseHeldInput();
    x.setCursorHidden(false);
  }
  EXPECT_FALSE(keyDown(kXK_Control_L));
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
