// The action manager as the engine's sink, on a recording desktop: no display. A frame's output
// goes to the desktop in one write scope with the tray's word after it, and the pointer space is
// the desktop's root window until Qt's screens are known.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include "ActionMgr.h"
#include "recording_desktop.h"

namespace {

using Lines = std::vector<std::string>;

TEST(ActionMgrSink, AFramesInputGoesOutInOneWriteAndTheTrayHearsAfterIt) {
  RecordingDesktop desktop(1280, 720);
  ActionMgr m(desktop, ActionMgr::actionMgrData(), nullptr);  // standalone
  QObject::connect(
      &m, &ActionMgr::SendWndEvent, &m,
      [&](unsigned int e) { desktop.note("wnd " + std::to_string(e)); }, Qt::DirectConnection);
  desktop.take();

  EngineSink& sink = m;
  {
    EngineSink::Frame frame(&sink);
    sink.MousePointerMove(100, 200, 0, 0);
    sink.GenerateAction(LeftButton, 1, 0, 1, {}, {}, false);
    sink.GenerateAction(KeyboardShortcut, 1, 0, 0, "Ctrl+F5", "REFRESH", false);
    EXPECT_EQ(desktop.take(),
              (Lines{"begin", "move 100 200", "button 1 1", "key 235 1", "key 202 1"}));
  }
  EXPECT_EQ(desktop.take(), (Lines{"end", "wnd 2"}));
  // Outside a frame the tray hears at once.
  sink.GenerateAction(LeftButton, 0, 0, 1, {}, {}, false);
  EXPECT_EQ(desktop.take(), (Lines{"button 1 0", "wnd 3"}));
}

TEST(ActionMgrSink, WithoutQtScreensThePointerSpaceIsTheRootWindow) {
  RecordingDesktop desktop(1280, 720);
  ActionMgr m(desktop, ActionMgr::actionMgrData(), nullptr);
  int w = 0, h = 0;
  m.pointerSpace(&w, &h);
  EXPECT_EQ(w, 1280);
  EXPECT_EQ(h, 720);
  desktop.take();
  m.MousePointerMove(5000, -3, 0, 0);  // clamped into it
  m.MousePointerMove(-20, 10, 0, 1);   // a step from where the pointer is
  EXPECT_EQ(desktop.take(), (Lines{"move 1279 0", "move 1259 10"}));
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
