#pragma once

#include "DisplayFlags.h"
#include "TutorialSceneState.h"

class EngineView;

// The virtual desk: the cursor arrow and the mouse model follow the engine's pointer position, the
// model's buttons and the cursor light up while pressed, a left pinch drags the icons into the
// folders, and a double left, a right or a middle click recolours an icon.
class VirtualDisplayPractice {
 public:
  // Mouse model and cursor. handShown: a hand is tracked, open and interactive this frame.
  void moveCursor(const EngineView& engine, bool handShown, TutorialSceneState& scene) const;
  // Icon dragging, dropping and clicking; then the rebuild that R (or the first frame) asks for.
  void moveClickIcon(const EngineView& engine, TutorialSceneState& scene);
  void resetVirtualDisplay(DisplayFlags& flags, TutorialSceneState& scene);

  int heldIcon() const { return held_; }
  int clickCount() const { return clicks_; }

 private:
  int held_ = -1;
  int underCursor_ = -1;
  int grabX_ = 0;
  int grabY_ = 0;
  int leftHeld_ = 0;
  int rightClicked_ = 0;
  int middleClicked_ = 0;
  int clicks_ = 0;
};
