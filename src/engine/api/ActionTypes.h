#pragma once

// Codes shared by the engine's decisions, the action manager, the devices and the network
// commands; the values are part of the command protocol.

enum actionType : int {
  LeftButton = 1,
  RightButton = 2,
  MiddleButton = 3,
  KeyboardShortcut = 4,
};

enum screenBorder : int {
  LeftSide = 0,
  RightSide = 1,
  BottomSide = 2,
  TopSide = 3,
  NoSide = 4,
};
