#pragma once

// Tray event codes carried by SendWndEvent(unsigned int); each indexes the tray window's tool-tip
// and balloon text.
enum wndEvent : unsigned int {
  WndConnected = 0,
  WndDisconnected = 1,
  WndLeftPressed = 2,
  WndLeftReleased = 3,
  WndRightClicked = 4,
  WndWheelForward = 5,
  WndWheelDownward = 6,
  WndEmbeddedInactive = 7,
  WndMiddlePressed = 8,
  WndMiddleReleased = 9,
  WndShortcutPressed = 10,
  WndShortcutReleased = 11,
};
