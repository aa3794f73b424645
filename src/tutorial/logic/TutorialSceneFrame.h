#pragma once

#include "DisplayFlags.h"
#include "HandExplanation.h"
#include "TutorialSceneState.h"
#include "VirtualDisplayPractice.h"

class EngineView;

// One tutorial frame in plain values: the hand and its explanation, then the cursor, the mouse
// model and the icons, then a rebuild of the virtual display when asked for. Times are
// milliseconds of a steady clock.
class TutorialSceneFrame {
 public:
  TutorialSceneFrame(const EngineView& engine, double nowMs);

  void update(const EngineView& engine, DisplayFlags& flags, double nowMs);

  const TutorialSceneState& scene() const { return scene_; }
  const HandExplanation& hand() const { return hand_; }
  const VirtualDisplayPractice& display() const { return display_; }

 private:
  TutorialSceneState scene_;
  HandExplanation hand_;
  VirtualDisplayPractice display_;
};
