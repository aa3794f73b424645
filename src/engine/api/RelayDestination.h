#pragma once

#include "ActionTypes.h"

// What a destination does with its paired source's commands beyond the engine's own decisions
// (those go to this machine's EngineSink): the pointer's visibility and window, the screen-edge
// banner, the source's restatement of what it holds, and the screen the source maps onto. Called
// on the relay's thread.
class RelayDestination {
 public:
  virtual ~RelayDestination() = default;

  virtual void HideMousePointer(bool hide) = 0;
  virtual void DeleteMousePointer() = 0;
  virtual void GenerateScreenBorderReached(screenBorder side1, screenBorder side2, bool hold,
                                           bool autoHeight) = 0;
  // Lets go of what is held here for the source and the source no longer holds.
  virtual void matchHeldInput(bool left, bool right, bool middle, bool keyboard) = 0;
  // This machine's screen, as reported to the source.
  virtual void screenSize(int* width, int* height) = 0;
};
