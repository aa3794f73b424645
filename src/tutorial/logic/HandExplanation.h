#pragma once

#include <OgreVector.h>

#include "DisplayFlags.h"
#include "TutorialSceneState.h"

class EngineView;
struct handTrackingData;

// The hand and the running gesture explanation: palm ring and joint spheres follow the tracked
// hand, spheres glow while a pinch acts, the finger arrows point out the pinch to try (or, while it
// is closed, spring apart), and the text steps through the gestures every 2.5 s.
class HandExplanation {
 public:
  explicit HandExplanation(double nowMs = 0.0) : lastStepMs_(nowMs), lastBlinkMs_(nowMs) {}

  // One frame. Returns true when a hand is shown (then the cursor and mouse model may move).
  bool update(const EngineView& engine, DisplayFlags& flags, double nowMs, TutorialSceneState& scene);

  int blinkState() const { return blink_; }

  static constexpr double kStepMs = 2500.0;
  static constexpr double kBlinkMs = 250.0;

 private:
  void colourJoints(const EngineView& engine, TutorialSceneState& scene) const;
  void explain(const EngineView& engine, DisplayFlags& flags, double nowMs, const handTrackingData& hand,
               TutorialSceneState& scene);
  void showGesture(const EngineView& engine, int g, int phase, TutorialSceneState& scene) const;
  void placeArrow(int index, const Ogre::Vector3& from, const Ogre::Vector3& to, const Ogre::Vector3& back,
                  bool explaining, bool circle, TutorialSceneState& scene) const;
  void blinkArrows(const EngineView& engine, const DisplayFlags& flags, TutorialSceneState& scene) const;

  Ogre::Vector3 tip_[5];
  Ogre::Vector3 tipDirection_[5];
  double lastStepMs_;
  double lastBlinkMs_;
  int blink_ = 0;
};
