#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include "AudioFX.h"
#include "Keyboard.h"
#include "X11Backend.h"
#include "desktop_test_util.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>
// Xlib's event-type macros would hide Keyboard's keyButton values.
#undef KeyPress
#undef KeyRelease

namespace {

X11Backend& X() { return testDesktop(); }

int kc(unsigned long sym) { return X().keycodeForKeysym(sym); }

std::set<int> keysDown() {
  X().sync();
  unsigned char bits[32];
  X().queryKeymap(bits);
  std::set<int> down;
  for (int k = 0; k < 256; ++k) {
    if ((bits[k / 8] >> (k % 8)) & 1) down.insert(k);
  }
  return down;
}

std::set<int> codes(std::initializer_list<unsigned long> syms) {
  std::set<int> s;
  for (unsigned long sym : syms) s.insert(kc(sym));
  return s;
}

class KeyboardTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (int k : keysDown()) X().key(k, false);
    X().sync();
  }
  QTimer trayTimer;
};

// Records the keys a Qt window receives.
class KeyWindow : public QLineEdit {
 public:
  KeyWindow() {
    setGeometry(200, 200, 300, 40);
    show();
  }
  std::vector<std::pair<int, Qt::KeyboardModifiers>> presses;

 protected:
  void keyPressEvent(QKeyEvent* e) override {
    presses.emplace_back(e->key(), e->modifiers());
    QLineEdit::keyPressEvent(e);
  }
};

}  // namespace

TEST_F(KeyboardTest, ShortcutHoldsItsKeysUntilRelease) {
  Keyboard k(X(), &trayTimer, true);
  std::vector<int> effects;
  QObject::connect(&k, &Keyboard::playEffect, [&](int v) { effects.push_back(v); });
  k.shortcut(Keyboard::KeyPress, "Ctrl+Tab", false, "SWITCH", false);
  EXPECT_EQ(keysDown(), codes({XK_Control_L, XK_Tab}));
  k.shortcut(Keyboard::KeyRelease, "Ctrl+Tab", false, "SWITCH", false);
  EXPECT_TRUE(keysDown().empty());

  // The OS-key flag adds Super; a character needing Shift gets it.
  k.shortcut(Keyboard::KeyPress, "Alt+F4", true, "CLOSE", false);
  EXPECT_EQ(keysDown(), codes({XK_Alt_L, XK_Super_L, XK_F4}));
  k.shortcut(Keyboard::KeyRelease, "Alt+F4", true, "CLOSE", false);
  k.shortcut(Keyboard::KeyPress, "Ctrl+!", false, "BANG", false);
  EXPECT_EQ(keysDown(), codes({XK_Control_L, XK_Shift_L, XK_1}));
  k.shortcut(Keyboard::KeyRelease, "Ctrl+!", false, "BANG", false);
  EXPECT_TRUE(keysDown().empty());
  EXPECT_EQ(effects, (std::vector<int>{FxKeyPressed, FxKeyReleased, FxKeyPressed, FxKeyReleased,
                                       FxKeyPressed, FxKeyReleased}));
}

TEST_F(KeyboardTest, KeyNamesMapToTheirKeys) {
  Keyboard k(X(), &trayTimer, true);
  struct Case {
    const char* text;
    std::initializer_list<unsigned long> syms;
  };
  const Case cases[] = {
      {"Del", {XK_Delete}},           {"Esc", {XK_Escape}},
      {"Shift+PgDown", {XK_Shift_L, XK_Page_Down}},
      {"Meta+Left", {XK_Super_L, XK_Left}}, {"F9", {XK_F9}},
      {"Ctrl++", {XK_Control_L, XK_Shift_L, XK_equal}}, {"Space", {XK_space}},
      {"Ctrl+Alt+Backspace", {XK_Control_L, XK_Alt_L, XK_BackSpace}},
      {"Ctrl+A, Ctrl+B", {XK_Control_L, XK_a}}, {"Alt+None", {XK_Alt_L}},
  };
  for (const Case& c : cases) {
    k.shortcut(Keyboard::KeyPress, c.text, false, "X", false);
    EXPECT_EQ(keysDown(), codes(c.syms)) << c.text;
    k.shortcut(Keyboard::KeyRelease, c.text, false, "X", false);
    EXPECT_TRUE(keysDown().empty()) << c.text;
  }
}

TEST_F(KeyboardTest, UnmappableShortcutsPostNothing) {
  Keyboard k(X(), &trayTimer, true);
  int effects = 0;
  QObject::connect(&k, &Keyboard::playEffect, [&](int) { ++effects; });
  // F21 has no key in this keymap; unknown names and modifiers are not keys at all.
  for (const char* text : {"F21", "Ctrl+F21", "Bogus", "Hyper+A", "", "Direction_L"}) {
    k.shortcut(Keyboard::KeyPress, text, false, "X", false);
    EXPECT_TRUE(keysDown().empty()) << text;
    k.shortcut(Keyboard::KeyRelease, text, false, "X", false);
  }
  EXPECT_EQ(effects, 0);
  k.emulateKeyOsx(0, false, 0, 0);
  EXPECT_TRUE(keysDown().empty());
  k.emulateKeyOsx(XK_F21, true, 0, 0);
  EXPECT_TRUE(keysDown().empty());
  k.emulateKeyOsx(XK_Escape, true, 0, 0);
  EXPECT_EQ(keysDown(), codes({XK_Escape}));
  k.emulateKeyOsx(XK_Escape, true, 1, 0);
  EXPECT_TRUE(keysDown().empty());
}

TEST_F(KeyboardTest, KeyCodesAndNames) {
  Keyboard k(X(), &trayTimer, true);
  bool v = true;
  EXPECT_EQ(k.qtKeyToAscii(0x41, &v, "", false), 'a');
  EXPECT_FALSE(v);
  EXPECT_EQ(k.qtKeyToAscii(0, &v, "Ctrl", true), int(XK_Control_L));
  EXPECT_TRUE(v);
  EXPECT_EQ(k.qtKeyToAscii(Qt::Key_Tab, &v, "Tab", true), int(XK_Tab));
  EXPECT_TRUE(v);
  // A listed name decides before the key code does.
  EXPECT_EQ(k.qtKeyToAscii(Qt::Key_F1, &v, "Del", true), int(XK_Delete));
  EXPECT_EQ(k.qtKeyToAscii(Qt::Key_F1, &v, "F21", true), int(XK_F21));
  EXPECT_EQ(k.qtKeyToAscii(Qt::Key_F1, &v, "Direction_L", true), 0);
  EXPECT_EQ(k.qtKeyToAscii(0xC5, &v, "", false), 0xE5);
  EXPECT_FALSE(v);
  EXPECT_EQ(k.qtKeyToAscii(0xC4, &v, "", false), 0xE4);
  EXPECT_EQ(k.qtKeyToAscii(0xD7, &v, "", false), 0xD7);
  EXPECT_EQ(k.qtKeyToAscii(Qt::Key_Space, &v, "", false), int(XK_space));
  EXPECT_EQ(k.qtKeyToAscii(Qt::Key_Backspace, &v, "", false), int(XK_BackSpace));
  EXPECT_EQ(k.qtKeyToAscii(Qt::Key_Launch0, &v, "", false), 0);

  EXPECT_EQ(k.keyCodeForChar('a'), kc(XK_a));
  EXPECT_NE(k.keyCodeForChar('a'), 0xFFFF);
  EXPECT_EQ(k.keyCodeForChar('!'), 0xFFFF);  // only with Shift
  EXPECT_EQ(k.keyCodeForChar('\x01'), 0xFFFF);
}

TEST_F(KeyboardTest, AQtWindowReceivesTheKeys) {
  KeyWindow w;
  ASSERT_TRUE(waitUntil([&] { return w.isVisible(); }));
  X().moveTo(300, 220);  // no window manager: focus follows the pointer
  w.activateWindow();
  ASSERT_TRUE(waitUntil([&] { return w.hasFocus(); }));
  Keyboard k(X(), &trayTimer, true);
  for (const char* text : {"a", "Shift+B", "!", "3"}) {
    k.shortcut(Keyboard::KeyPress, text, false, "T", false);
    k.shortcut(Keyboard::KeyRelease, text, false, "T", false);
  }
  ASSERT_TRUE(waitUntil([&] { return w.text().size() >= 4; }));
  EXPECT_EQ(w.text(), "aB!3");
  w.presses.clear();
  k.shortcut(Keyboard::KeyPress, "Ctrl+Home", false, "T", false);
  k.shortcut(Keyboard::KeyRelease, "Ctrl+Home", false, "T", false);
  ASSERT_TRUE(waitUntil([&] {
    for (auto& p : w.presses) {
      if (p.first == Qt::Key_Home) return true;
    }
    return false;
  }));
  const auto home = w.presses.back();
  EXPECT_EQ(home.first, int(Qt::Key_Home));
  EXPECT_EQ(home.second, Qt::ControlModifier);
}

TEST_F(KeyboardTest, AppSwitcherHoldsItsModifiersUntilTheTimerFires) {
  // The tray's part: start its single-shot timer on request, release on timeout.
  trayTimer.setSingleShot(true);
  Keyboard k(X(), &trayTimer, true);
  int starts = 0;
  QObject::connect(&k, &Keyboard::signalReleaseKeyStartTimer, [&] {
    ++starts;
    trayTimer.start(200);
  });
  QObject::connect(&trayTimer, SIGNAL(timeout()), &k, SLOT(timerKeyReleaseTimeout()));

  // Someone else holds Alt: the switcher's release must leave it alone.
  X().key(kc(XK_Alt_R), true);

  k.shortcut(Keyboard::KeyPress, "Ctrl+Tab", false, "APP SWITCHER", false);
  EXPECT_EQ(keysDown(), codes({XK_Alt_R, XK_Control_L, XK_Tab}));
  EXPECT_TRUE(k.isAppSwitcherActive());
  k.shortcut(Keyboard::KeyRelease, "Ctrl+Tab", false, "APP SWITCHER", false);
  EXPECT_EQ(keysDown(), codes({XK_Alt_R, XK_Control_L}));
  // Next press while held: only Tab again.
  k.shortcut(Keyboard::KeyPress, "Ctrl+Tab", false, "APP SWITCHER", false);
  EXPECT_EQ(keysDown(), codes({XK_Alt_R, XK_Control_L, XK_Tab}));
  k.shortcut(Keyboard::KeyRelease, "Ctrl+Tab", false, "APP SWITCHER", false);
  EXPECT_EQ(keysDown(), codes({XK_Alt_R, XK_Control_L}));
  EXPECT_EQ(starts, 2);

  ASSERT_TRUE(waitUntil([&] { return !k.isAppSwitcherActive(); }));
  EXPECT_EQ(keysDown(), codes({XK_Alt_R}));
  X().key(kc(XK_Alt_R), false);
}

TEST_F(KeyboardTest, HeldModifiersAreReleasedWhenTheKeyboardGoes) {
  {
    Keyboard k(X(), &trayTimer, true);
    k.shortcut(Keyboard::KeyPress, "Alt+Tab", true, "APP SWITCHER", false);
    k.shortcut(Keyboard::KeyRelease, "Alt+Tab", true, "APP SWITCHER", false);
    EXPECT_EQ(keysDown(), codes({XK_Alt_L, XK_Super_L}));
  }
  EXPECT_TRUE(keysDown().empty());
}

TEST_F(KeyboardTest, FollowsKeymapChanges) {
  // Give F21 a spare keycode from another client, as a layout switch would.
  Display* other = XOpenDisplay(nullptr);
  ASSERT_NE(other, nullptr);
  int minKc, maxKc;
  XDisplayKeycodes(other, &minKc, &maxKc);
  int spare = 0;
  for (int c = maxKc; c >= minKc && !spare; --c) {
    if (XkbKeycodeToKeysym(other, KeyCode(c), 0, 0) == NoSymbol) spare = c;
  }
  ASSERT_NE(spare, 0);
  Keyboard k(X(), &trayTimer, true);
  k.shortcut(Keyboard::KeyPress, "F21", false, "X", false);
  EXPECT_TRUE(keysDown().empty());

  KeySym sym = XK_F21;
  XChangeKeyboardMapping(other, spare, 1, &sym, 1);
  XSync(other, False);
  ASSERT_TRUE(waitUntil([&] { return X().keycodeForKeysym(XK_F21) == spare; }));
  k.shortcut(Keyboard::KeyPress, "F21", false, "X", false);
  EXPECT_EQ(keysDown(), std::set<int>{spare});
  k.shortcut(Keyboard::KeyRelease, "F21", false, "X", false);
  EXPECT_TRUE(keysDown().empty());

  sym = NoSymbol;
  XChangeKeyboardMapping(other, spare, 1, &sym, 1);
  XCloseDisplay(other);
}

TEST_F(KeyboardTest, AppSwitcherLetsGoEvenWhenNoKeyTypesAlt) {
  // A layout without Alt_L: the timer's "Alt+None" names a key that does not exist, yet the
  // switcher's own Ctrl must come up.
  Display* other = XOpenDisplay(nullptr);
  ASSERT_NE(other, nullptr);
  int minKc, maxKc, perKey;
  XDisplayKeycodes(other, &minKc, &maxKc);
  const int count = maxKc - minKc + 1;
  KeySym* map = XGetKeyboardMapping(other, KeyCode(minKc), count, &perKey);
  ASSERT_NE(map, nullptr);
  std::vector<std::pair<int, std::vector<KeySym>>> saved;
  for (int c = 0; c < count; ++c) {
    KeySym* row = map + c * perKey;
    if (std::find(row, row + perKey, KeySym(XK_Alt_L)) == row + perKey) continue;
    saved.emplace_back(minKc + c, std::vector<KeySym>(row, row + perKey));
    std::vector<KeySym> without(row, row + perKey);
    std::replace(without.begin(), without.end(), KeySym(XK_Alt_L), KeySym(NoSymbol));
    XChangeKeyboardMapping(other, minKc + c, perKey, without.data(), 1);
  }
  XFree(map);
  XSync(other, False);
  ASSERT_FALSE(saved.empty());
  ASSERT_TRUE(waitUntil([&] { return kc(XK_Alt_L) == 0; }));

  Keyboard k(X(), &trayTimer, true);
  k.shortcut(Keyboard::KeyPress, "Ctrl+Tab", false, "APP SWITCHER", false);
  k.shortcut(Keyboard::KeyRelease, "Ctrl+Tab", false, "APP SWITCHER", false);
  EXPECT_EQ(keysDown(), codes({XK_Control_L}));
  QMetaObject::invokeMethod(&k, "timerKeyReleaseTimeout", Qt::DirectConnection);
  const std::set<int> after = keysDown();
  const bool active = k.isAppSwitcherActive();

  for (auto& row : saved) XChangeKeyboardMapping(other, row.first, perKey, row.second.data(), 1);
  XSync(other, False);
  XCloseDisplay(other);
  ASSERT_TRUE(waitUntil([&] { return kc(XK_Alt_L) != 0; }));

  EXPECT_TRUE(after.empty());
  EXPECT_FALSE(active);
}

TEST_F(KeyboardTest, TrackingThreadAndTimerDoNotTangle) {
  // Presses from the tracking thread while the GUI thread's timer releases the switcher.
  Keyboard k(X(), &trayTimer, true);
  std::atomic<bool> done{false};
  std::thread tracking([&] {
    for (int i = 0; i < 200; ++i) {
      k.shortcut(Keyboard::KeyPress, "Ctrl+Tab", false, "APP SWITCHER", false);
      k.shortcut(Keyboard::KeyRelease, "Ctrl+Tab", false, "APP SWITCHER", false);
    }
    done = true;
  });
  while (!done) QMetaObject::invokeMethod(&k, "timerKeyReleaseTimeout", Qt::DirectConnection);
  tracking.join();
  QMetaObject::invokeMethod(&k, "timerKeyReleaseTimeout", Qt::DirectConnection);
  EXPECT_FALSE(k.isAppSwitcherActive());
  EXPECT_TRUE(keysDown().empty());
}

int main(int argc, char** argv) {
  // No OpenGL here: Mesa's GLX, loaded only for GL windows, leaks at exit.
  qputenv("QT_XCB_GL_INTEGRATION", "none");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
