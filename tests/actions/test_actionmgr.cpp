#include <gtest/gtest.h>

#include <QApplication>
#include <cmath>
#include <functional>
#include <limits>

#include "CommaLocale.h"
#include "Keyboard.h"
#include "Mouse.h"
#include "OsxMousePointer.h"
#include "Sender.h"
#include "X11Backend.h"
#include "relay_test_util.h"

namespace {

constexpr unsigned kLeftMask = 0x100, kMiddleMask = 0x200, kRightMask = 0x400;
constexpr unsigned long kXK_F5 = 0xFFC2, kXK_Control_L = 0xFFE3;

struct Pointer {
  int x = -1, y = -1;
  unsigned mask = 0;
};

Pointer pointer() {
  Pointer p;
  EXPECT_TRUE(testDesktop().queryPointer(&p.x, &p.y, &p.mask));
  return p;
}

class ActionMgrTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testDesktop().isOpen());
    testDesktop().moveTo(960, 540);
  }
  void TearDown() override {
    // Never leave a button or key held for the next test.
    X11Backend& x = testDesktop();
    for (int b : {1, 2, 3}) x.button(b, false);
    for (unsigned long k : {kXK_F5, kXK_Control_L}) x.key(x.keycodeForKeysym(k), false);
  }
  // A marker through the source's sink: the first datagram the destination sees after anything
  // that should not have been sent.
  QByteArray firstSentAfterwards() {
    rig.src->ResetMouseWheel();
    return rig.destination.next();
  }
  RelayRig rig;
};

TEST_F(ActionMgrTest, LocalPointerMovesInModesZeroAndTwo) {
  for (int mode : {ActionMgr::Standalone, ActionMgr::Destination}) {
    rig.mode.store(mode);
    rig.mgr->MousePointerMove(100, 200, 0, 0);
    Pointer p = pointer();
    EXPECT_EQ(p.x, 100);
    EXPECT_EQ(p.y, 200);
    rig.mgr->MousePointerMove(15, -25, 0, 1);
    p = pointer();
    EXPECT_EQ(p.x, 115);
    EXPECT_EQ(p.y, 175);
  }
  // Neither mode sends anything.
  EXPECT_EQ(firstSentAfterwards(), "RESETMOUSEWHEEL");
  // A mode outside 0-2 does nothing at all.
  rig.mode.store(7);
  rig.mgr->MousePointerMove(300, 300, 0, 0);
  EXPECT_EQ(pointer().x, 115);
}

TEST_F(ActionMgrTest, ButtonsAndTrayEventsPerActionType) {
  ActionMgr& m = *rig.mgr;
  m.GenerateAction(LeftButton, 1, 0, 1, {}, {}, false);
  EXPECT_EQ(pointer().mask & kLeftMask, kLeftMask);
  m.GenerateAction(LeftButton, 0, 0, 1, {}, {}, false);
  EXPECT_EQ(pointer().mask & kLeftMask, 0u);
  EXPECT_EQ(rig.log.take(), QStringList({"wnd 2", "wnd 3"}));

  m.GenerateAction(RightButton, 1, 0, 1, {}, {}, false);
  EXPECT_EQ(pointer().mask & kRightMask, kRightMask);
  m.GenerateAction(RightButton, 0, 0, 1, {}, {}, false);
  EXPECT_EQ(pointer().mask & kRightMask, 0u);
  // A right release never notifies.
  EXPECT_EQ(rig.log.take(), QStringList({"wnd 4"}));

  m.GenerateAction(MiddleButton, 1, 0, 1, {}, {}, false);
  EXPECT_EQ(pointer().mask & kMiddleMask, kMiddleMask);
  m.GenerateAction(MiddleButton, 0, 0, 1, {}, {}, false);
  EXPECT_EQ(pointer().mask & kMiddleMask, 0u);
  EXPECT_EQ(rig.log.take(), QStringList({"wnd 8", "wnd 9"}));

  // Suppressed (the interactive tutorial): nothing reaches the desktop, the tray still hears.
  m.GenerateAction(RightButton, 1, 1, 1, {}, {}, false);
  m.GenerateAction(LeftButton, 1, 1, 1, {}, {}, false);
  EXPECT_EQ(pointer().mask & (kLeftMask | kRightMask), 0u);
  EXPECT_EQ(rig.log.take(), QStringList({"wnd 4", "wnd 2"}));
  // Not notified: the button moves, the tray hears nothing.
  m.GenerateAction(LeftButton, 1, 0, 0, {}, {}, false);
  EXPECT_EQ(pointer().mask & kLeftMask, kLeftMask);
  m.GenerateAction(LeftButton, 0, 0, 0, {}, {}, false);
  EXPECT_EQ(pointer().mask & kLeftMask, 0u);
  // Unknown types are ignored.
  m.GenerateAction(static_cast<actionType>(0), 1, 0, 1, {}, {}, false);
  m.GenerateAction(static_cast<actionType>(5), 1, 0, 1, {}, {}, false);
  EXPECT_EQ(pointer().mask & (kLeftMask | kMiddleMask | kRightMask), 0u);
  EXPECT_TRUE(rig.log.take().isEmpty());
}

TEST_F(ActionMgrTest, KeyboardShortcutPressAndRelease) {
  X11Backend& x = testDesktop();
  const int f5 = x.keycodeForKeysym(kXK_F5), ctrl = x.keycodeForKeysym(kXK_Control_L);
  ASSERT_NE(f5, 0);
  ASSERT_NE(ctrl, 0);
  rig.mode.store(ActionMgr::Destination);
  rig.mgr->GenerateAction(KeyboardShortcut, 1, 0, 1, "Ctrl+F5", "REFRESH", false);
  EXPECT_TRUE(x.isKeyDown(f5));
  EXPECT_TRUE(x.isKeyDown(ctrl));
  rig.mgr->GenerateAction(KeyboardShortcut, 0, 0, 1, "Ctrl+F5", "REFRESH", false);
  EXPECT_FALSE(x.isKeyDown(f5));
  EXPECT_FALSE(x.isKeyDown(ctrl));
  rig.mgr->GenerateAction(KeyboardShortcut, 1, 1, 1, "Ctrl+F5", "REFRESH", false);
  EXPECT_FALSE(x.isKeyDown(f5));
  EXPECT_EQ(rig.log.take(), QStringList({"wnd 10", "wnd 11", "wnd 10"}));
}

// When the hand can no longer let go (the engine asks): every button and key held here goes, the
// app switcher's held modifier too, and the engine hears that it has.
TEST_F(ActionMgrTest, ReleaseHeldInputLetsGoOfEverythingHeldOnTheServer) {
  X11Backend& x = testDesktop();
  auto anythingHeld = [&x] {
    unsigned char keys[32];
    x.queryKeymap(keys);
    bool key = false;
    for (unsigned char k : keys) key = key || k != 0;
    return key || (pointer().mask & (kLeftMask | kMiddleMask | kRightMask)) != 0;
  };
  int told = 0;
  ActionMgr::actionMgrData d;  // standalone
  d.heldInputReleased = [&told] { ++told; };
  ActionMgr m(x, d, nullptr);
  const std::function<void()> holds[] = {
      [&] { m.GenerateAction(LeftButton, 1, 0, 0, {}, {}, false); },
      [&] { m.GenerateAction(KeyboardShortcut, 1, 0, 0, "F9", "FN+F9 KEY", true); },
      [&] {
        m.GenerateAction(KeyboardShortcut, 1, 0, 0, "Alt+Tab", "APP SWITCHER", false);
        m.GenerateAction(KeyboardShortcut, 0, 0, 0, "Alt+Tab", "APP SWITCHER", false);
      },
  };
  for (int k = 0; k < 3; ++k) {
    SCOPED_TRACE(k);
    ASSERT_FALSE(anythingHeld());
    holds[k]();
    EXPECT_TRUE(anythingHeld());
    m.releaseHeldInput();
    EXPECT_FALSE(anythingHeld());
    EXPECT_EQ(told, k + 1);
  }
}

// The space the engine maps the hand onto: this screen, in mode 1 the destination's once told.
TEST_F(ActionMgrTest, PointerSpaceIsThisScreenOrTheDestinations) {
  ActionMgr& m = *rig.mgr;
  struct Case {
    int mode;
    int tellW, tellH;  // SetResolution first, when not 0
    int w, h;
  };
  const Case cases[] = {
      {ActionMgr::Standalone, 0, 0, 1920, 1080}, {ActionMgr::Destination, 0, 0, 1920, 1080},
      {ActionMgr::Source, 0, 0, 0, 0},           {ActionMgr::Source, 1280, 1024, 1280, 1024},
      {ActionMgr::Standalone, 0, 0, 1920, 1080}, {ActionMgr::Source, 0, 5, 0, 0},
  };
  for (const Case& c : cases) {
    rig.mode.store(c.mode);
    // A source's engine maps onto its sink's space, the destination's once told.
    EngineSink& sink = c.mode == ActionMgr::Source ? static_cast<EngineSink&>(*rig.src) : m;
    if (c.tellW != 0 || c.tellH != 0) rig.src->setRemoteSize(c.tellW, c.tellH);
    int w = -1, h = -1;
    sink.pointerSpace(&w, &h);
    EXPECT_EQ(w, c.w) << c.mode << " " << c.tellW;
    EXPECT_EQ(h, c.h) << c.mode << " " << c.tellW;
  }
}

TEST_F(ActionMgrTest, WheelNotificationWindow) {
  ActionMgr& m = *rig.mgr;
  m.ResetMouseWheel();
  m.MouseWheelMove(0.35f, 1, 1, 0.35f);
  EXPECT_GT(rig.mgr->GetMouse()->wheelAccumulator(), 0);  // the wheel really turned
  m.MouseWheelMove(0.5f, 1, 1, 1.05f);
  m.MouseWheelMove(0.5f, 1, 1, 1.15f);
  EXPECT_EQ(rig.log.take(), QStringList({"wnd 5"}));
  m.MouseWheelMove(0.5f, 1, 1, 1.0f);   // the lower bound is in
  m.MouseWheelMove(0.5f, 1, 1, 1.1f);   // 1.1f lies just above 1.1
  m.MouseWheelMove(0.5f, 1, 1, 0.9999999f);
  m.MouseWheelMove(0.5f, 1, 0, 1.05f);  // not notified
  m.MouseWheelMove(0.5f, 1, 1, std::numeric_limits<float>::quiet_NaN());
  m.MouseWheelMove(0.5f, 0, 1, 1.09f);  // clockwise: downward
  EXPECT_EQ(rig.log.take(), QStringList({"wnd 5", "wnd 6"}));
  m.ResetMouseWheel();
  EXPECT_EQ(rig.mgr->GetMouse()->wheelAccumulator(), 0);
}

TEST_F(ActionMgrTest, FistRisingEdgePerMode) {
  ActionMgr& m = *rig.mgr;
  rig.mode.store(ActionMgr::Standalone);
  m.GenerateFistDetected(true);
  m.GenerateFistDetected(true);
  m.GenerateFistDetected(true);
  EXPECT_EQ(rig.log.take(), QStringList({"fist 4"}));
  m.GenerateFistDetected(false);
  m.GenerateFistDetected(true);
  EXPECT_EQ(rig.log.take(), QStringList({"fist 4"}));

  rig.mode.store(ActionMgr::Destination);
  m.GenerateFistDetected(true);
  m.GenerateFistDetected(false);
  m.GenerateFistDetected(true);
  EXPECT_EQ(rig.log.take(), QStringList({"fist 4", "fist 4", "fist 4"}));

  SourceSink& s = *rig.src;
  s.GenerateFistDetected(false);
  s.GenerateFistDetected(true);
  s.GenerateFistDetected(true);
  s.GenerateFistDetected(false);
  s.GenerateFistDetected(true);
  EXPECT_EQ(rig.destination.next(), "FIST_DETECTED");
  EXPECT_EQ(rig.destination.next(), "FIST_DETECTED");
  EXPECT_EQ(firstSentAfterwards(), "RESETMOUSEWHEEL");
  EXPECT_TRUE(rig.log.take().isEmpty());
}

TEST_F(ActionMgrTest, EdgeStateMachine) {
  ActionMgr& m = *rig.mgr;
  // hold keeps an edge from being announced.
  m.GenerateScreenBorderReached(LeftSide, NoSide, true, false);
  EXPECT_TRUE(rig.log.take().isEmpty());
  EXPECT_FALSE(m.isBorderActive());
  // A corner: the sound, then both sides.
  m.GenerateScreenBorderReached(LeftSide, TopSide, false, true);
  EXPECT_EQ(rig.log.take(), QStringList({"sound 5", "side 0 1", "side 3 1"}));
  // Another edge while one is active: nothing moves.
  m.GenerateScreenBorderReached(RightSide, NoSide, false, true);
  m.GenerateScreenBorderReached(LeftSide, TopSide, false, true);
  EXPECT_TRUE(rig.log.take().isEmpty());
  // Leaving is honoured whatever hold says.
  m.GenerateScreenBorderReached(NoSide, NoSide, true, false);
  EXPECT_EQ(rig.log.take(), QStringList({"sound 6", "side 4 0"}));
  m.GenerateScreenBorderReached(NoSide, NoSide, false, false);
  EXPECT_TRUE(rig.log.take().isEmpty());
  // One side only.
  m.GenerateScreenBorderReached(NoSide, BottomSide, false, false);
  EXPECT_EQ(rig.log.take(), QStringList({"sound 5", "side 2 0"}));
  m.GenerateScreenBorderReached(NoSide, NoSide, false, false);
  rig.log.take();

  // Source: the same machine, as commands.
  SourceSink& s = *rig.src;
  s.GenerateScreenBorderReached(LeftSide, TopSide, false, true);
  s.GenerateScreenBorderReached(RightSide, NoSide, false, true);
  s.GenerateScreenBorderReached(NoSide, NoSide, true, false);
  EXPECT_EQ(rig.destination.next(), "SCREEN_BORDER 0 3 0 1");
  EXPECT_EQ(rig.destination.next(), "SCREEN_BORDER 4 4 1 0");
  EXPECT_EQ(firstSentAfterwards(), "RESETMOUSEWHEEL");
  EXPECT_TRUE(rig.log.take().isEmpty());
}

TEST_F(ActionMgrTest, PointerDrivenIntoAnEdgeRaisesSoundAndBannerOnce) {
  ActionMgr& m = *rig.mgr;
  m.MousePointerMove(500, 500, 0, 0);
  EXPECT_TRUE(rig.log.take().isEmpty());
  // Into the left edge, and on along it.
  m.MousePointerMove(-40, 500, 0, 0);
  EXPECT_EQ(pointer().x, 0);
  m.MousePointerMove(0, 520, 0, 0);
  m.MousePointerMove(-3, 540, 0, 0);
  EXPECT_EQ(rig.log.take(), QStringList({"sound 5", "side 0 0"}));
  // Away from it: the banner goes.
  m.MousePointerMove(300, 540, 0, 0);
  EXPECT_EQ(rig.log.take(), QStringList({"sound 6", "side 4 0"}));
  // Relative steps are not judged.
  m.MousePointerMove(-1000, 0, 0, 1);
  EXPECT_EQ(pointer().x, 0);
  EXPECT_TRUE(rig.log.take().isEmpty());

  // The top-right corner with the automatic interaction height on.
  m.setAutoHeight(true);
  m.MousePointerMove(5000, -10, 0, 0);
  const Pointer p = pointer();
  EXPECT_EQ(p.x, 1919);
  EXPECT_EQ(p.y, 0);
  EXPECT_EQ(rig.log.take(), QStringList({"sound 5", "side 1 1", "side 3 1"}));
  m.MousePointerMove(900, 1079, 0, 0);  // still an edge (bottom): nothing new
  EXPECT_TRUE(rig.log.take().isEmpty());
  m.MousePointerMove(900, 500, 0, 0);
  EXPECT_EQ(rig.log.take(), QStringList({"sound 6", "side 4 1"}));

  // While a button is held (a drag) the edge waits until the release.
  m.GenerateAction(LeftButton, 1, 0, 0, {}, {}, false);
  m.MousePointerMove(900, 1200, 0, 0);
  EXPECT_TRUE(rig.log.take().isEmpty());
  m.GenerateAction(LeftButton, 0, 0, 0, {}, {}, false);
  m.MousePointerMove(900, 1079, 0, 0);
  EXPECT_EQ(rig.log.take(), QStringList({"sound 5", "side 2 1"}));

  // A destination judges the moves that arrive.
  m.MousePointerMove(900, 500, 0, 0);
  rig.log.take();
  rig.mode.store(ActionMgr::Destination);
  m.MousePointerMove(0, 0, 0, 0);
  EXPECT_EQ(rig.log.take(), QStringList({"sound 5", "side 0 1", "side 3 1"}));
}

TEST_F(ActionMgrTest, SourceSendsEveryCommandAndActsNowhere) {
  SourceSink& m = *rig.src;
  rig.mode.store(ActionMgr::Source);
  const Pointer before = pointer();

  // Absolute moves wait for the destination's size; relative ones do not.
  m.MousePointerMove(10, 20, 0, 0);
  m.MousePointerMove(-5, 7, 1, 1);
  EXPECT_EQ(rig.destination.next(), "MOUSEMOVE -5 7 1 1");
  m.setRemoteSize(1280, 1024);
  EXPECT_EQ(m.remoteWidth(), 1280);
  EXPECT_EQ(m.remoteHeight(), 1024);
  m.MousePointerMove(10, 20, 0, 0);
  EXPECT_EQ(rig.destination.next(), "MOUSEMOVE 10 20 0 0");

  m.GenerateAction(LeftButton, 1, 0, 1, {}, {}, false);
  m.GenerateAction(RightButton, 0, 1, 0, {}, {}, false);
  m.GenerateAction(MiddleButton, 1, 1, 1, {}, {}, false);
  m.GenerateAction(KeyboardShortcut, 1, 0, 1, "Ctrl+Tab", "APP SWITCHER", false);
  m.GenerateAction(KeyboardShortcut, 0, 0, 0, "", "ESC KEY", true);
  m.GenerateAction(static_cast<actionType>(9), 1, 0, 1, {}, {}, false);
  EXPECT_EQ(rig.destination.next(), "LEFT_BUTTON 1 0 1");
  EXPECT_EQ(rig.destination.next(), "RIGHT_BUTTON 0 1 0");
  EXPECT_EQ(rig.destination.next(), "MIDDLE_BUTTON 1 1 1");
  EXPECT_EQ(rig.destination.next(), "KEYBOARD 1 0 1 Ctrl+Tab APPSWITCHER 0");
  EXPECT_EQ(rig.destination.next(), "KEYBOARD 0 0 0  ESCKEY 1");

  m.MouseWheelMove(0.25f, 1, 1, 1.05f);
  m.ResetMouseWheel();
  m.HideMousePointer(true);
  m.SetMousePointer();
  m.SetMousePointer();
  m.DeleteMousePointer();
  m.setParam(400, 1.5f, 0, 1, 1);
  m.announceSource();
  m.sendAudioGraphicParam(false, true, false);
  m.sendAudioGraphicParam();
  EXPECT_EQ(rig.destination.next(), "MOUSEWHEELMOVE 0.250000 1 1 1.050000");
  EXPECT_EQ(rig.destination.next(), "RESETMOUSEWHEEL");
  EXPECT_EQ(rig.destination.next(), "HIDEMOUSEPOINTER 1");
  EXPECT_EQ(rig.destination.next(), "SETMOUSEPOINTER");
  EXPECT_EQ(rig.destination.next(), "SETMOUSEPOINTER");
  EXPECT_EQ(rig.destination.next(), "DELETEMOUSEPOINTER");
  EXPECT_EQ(rig.destination.next(), "SETMOUSEPARAM 400 1.500000 0 1 1");
  EXPECT_EQ(rig.destination.next(), "SETSOURCEIP");
  EXPECT_EQ(rig.destination.next(), "AUDIO_GRAPHIC_FX_PARAMS 0 1 0");
  EXPECT_EQ(rig.destination.next(), "AUDIO_GRAPHIC_FX_PARAMS 1 0 1");
  // The source's own switches are untouched.
  EXPECT_EQ(rig.written.calls, 0);

  // Nothing happened here.
  const Pointer after = pointer();
  EXPECT_EQ(after.x, before.x);
  EXPECT_EQ(after.y, before.y);
  EXPECT_EQ(after.mask & (kLeftMask | kMiddleMask | kRightMask), 0u);
  EXPECT_TRUE(rig.log.take().isEmpty());
  EXPECT_FALSE(rig.source.socket.hasPendingDatagrams());
}

TEST_F(ActionMgrTest, WheelDeltaCrossesUnchangedUnderACommaLocale) {
  const bool comma = activateCommaLocale();
  rig.mode.store(ActionMgr::Source);
  rig.src->MouseWheelMove(0.25f, 0, 1, 0.5f);
  rig.src->setParam(250, 0.75f, 1, 0, 0);
  EXPECT_EQ(rig.destination.next(), "MOUSEWHEELMOVE 0.250000 0 1 0.500000");
  EXPECT_EQ(rig.destination.next(), "SETMOUSEPARAM 250 0.750000 1 0 0");
  restoreCLocale();
  if (!comma) GTEST_SKIP() << "no decimal-comma locale could be made";
}

TEST_F(ActionMgrTest, ModeChangeAppliesAtTheNextCall) {
  ActionMgr& m = *rig.mgr;
  m.MousePointerMove(200, 210, 0, 0);
  EXPECT_EQ(pointer().x, 200);
  rig.src->setRemoteSize(1920, 1080);
  rig.src->MousePointerMove(400, 410, 0, 0);
  EXPECT_EQ(rig.destination.next(), "MOUSEMOVE 400 410 0 0");
  EXPECT_EQ(pointer().x, 200);
  rig.mode.store(ActionMgr::Destination);
  m.MousePointerMove(600, 610, 0, 0);
  EXPECT_EQ(pointer().x, 600);
  EXPECT_EQ(firstSentAfterwards(), "RESETMOUSEWHEEL");
  EXPECT_EQ(m.getNetworkMode(), &rig.mode);
}

TEST_F(ActionMgrTest, EffectSwitchesAndSenderTargets) {
  ActionMgr& m = *rig.mgr;
  rig.mode.store(ActionMgr::Destination);
  m.sendAudioGraphicParam(false, true, false);
  EXPECT_EQ(rig.written.calls, 1);
  EXPECT_FALSE(rig.written.audio);
  EXPECT_TRUE(rig.written.border);
  EXPECT_FALSE(rig.written.graphic);
  // The source's form without arguments sends the engine's current switches.
  SourceSink& s = *rig.src;
  rig.audioFx.store(false);
  rig.audioFxBorder.store(true);
  s.sendAudioGraphicParam();
  EXPECT_EQ(rig.destination.next(), "AUDIO_GRAPHIC_FX_PARAMS 0 1 1");

  // Retargeting keeps the socket; the default destination 0.0.0.0 gets nothing.
  int none[4] = {0, 0, 0, 0};
  s.retarget(rig.port, none);
  s.sendAudioGraphicParam();
  int back[4] = {127, 0, 0, 2};
  s.retarget(rig.port, back);
  s.sendAudioGraphicParam();
  const QNetworkDatagram d = rig.destination.nextDatagram();
  EXPECT_EQ(d.data(), QByteArray("AUDIO_GRAPHIC_FX_PARAMS 0 1 1"));
  EXPECT_FALSE(rig.source.socket.hasPendingDatagrams());
  int bad[4] = {127, 0, 0, 256};
  s.retarget(rig.port, bad);
  s.sendAudioGraphicParam();
  s.retarget(rig.port, back);
  rig.graphicFx.store(false);
  s.sendAudioGraphicParam();
  EXPECT_EQ(rig.destination.next(), "AUDIO_GRAPHIC_FX_PARAMS 0 1 0");
  EXPECT_EQ(s.port(), rig.port);
}

TEST_F(ActionMgrTest, StoredPointerAndPointerParameters) {
  ActionMgr& m = *rig.mgr;
  // No stored pointer: only a debug line.
  m.SetMousePointer();
  EXPECT_EQ(m.GetMouse()->mousePointer(), nullptr);
  m.setParam(321, 2.0f, 1, 0, 0);
  EXPECT_EQ(m.GetMouse()->getDoubleClickTime(), 321);
  EXPECT_EQ(m.GetMouse()->getWheelScaleFactor(), 2.0f);
  EXPECT_EQ(m.GetMouse()->isRelative(), 1);

  // A source keeps the pointer without using it; back in mode 0 the stored one is applied and
  // re-centred.
  OsxMousePointer window(testDesktop());
  window.moveToRoot(5, 5);
  rig.mode.store(ActionMgr::Source);
  m.SetMousePointer(&window);
  EXPECT_EQ(m.GetMouse()->mousePointer(), nullptr);
  rig.mode.store(ActionMgr::Standalone);
  m.SetMousePointer();
  EXPECT_EQ(m.GetMouse()->mousePointer(), &window);
  int X = 0, Y = 0;
  window.lastRootPosition(&X, &Y);
  EXPECT_EQ(X, 960);
  EXPECT_EQ(Y, 540);
  m.SetMousePointer(nullptr);
  EXPECT_EQ(m.GetMouse()->mousePointer(), nullptr);

  // The record's double-click time is truncated; the sound switch is read at construction.
  RelayRig other;
  EXPECT_EQ(other.mgr->GetMouse()->getDoubleClickTime(), 400);
  EXPECT_EQ(other.mgr->GetMouse()->getAudioFx(), 1);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
