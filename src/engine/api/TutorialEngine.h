#pragma once

#include "EngineView.h"

// The engine as an opened tutorial uses it: the queries of every frame, and the switch that tells
// the engine a tutorial is interactive (the real pointer then stays still).
class TutorialEngine : public EngineView {
 public:
  virtual void SetInteractiveTutorial(int on) = 0;
};
