#pragma once

#include "TutorialEngine.h"

class keyboardAct;

// The engine as the tray window and the options dialog ask it and tell it (GUI thread): the
// parameter table, the engine's state and switches. The tutorial's view is its subset.
class EngineQueries : public TutorialEngine {
 public:
  // Parameters (outside the tables a read gives 0 and a write is ignored).
  virtual float GetUserParam(int index) const = 0;
  virtual void SetUserParam(float value, int index) = 0;
  virtual float GetAdminParam(int index) const = 0;
  virtual void SetAdminParam(float value, int index) = 0;
  virtual void EncodeParameters() = 0;
  virtual void DecodeParameters(int withAdmin) = 0;
  // The settings file: 0 when saved, -1 when not.
  virtual int WriteParameters() = 0;
  virtual int IsAdmin() const = 0;
  // Edited in place by the options dialog.
  virtual keyboardAct* GetKeyboardActions() = 0;
  // HandMotionScaleFactor from the screen height (working value and table entry).
  virtual void AutoScalePointerFactor(int width, int height) = 0;

  // State.
  virtual int IsConnected() const = 0;
  virtual int IsPaused() const = 0;
  // A pause lets go of whatever the hand holds.
  virtual void Pause(int paused) = 0;
  virtual int isInteractiveTutorial() const = 0;
  virtual int getDoubleClickTime() const = 0;
  virtual int IsSendingStats() const = 0;
  virtual int IsAlternativeMousePointer() const = 0;
  virtual bool isAudioFxEnabled() const = 0;
  virtual bool isAudioFxBorderEnabled() const = 0;
  virtual bool isGraphicFxEnabled() const = 0;
  // The pointer space: the destination's screen in source mode (0 until it has told), else this
  // machine's; 0 before the start.
  virtual int getWidthOfScreen() const = 0;
  virtual int getHeightOfScreen() const = 0;
  virtual int getNetworkMode() const = 0;
};
