#pragma once

#include <string>

class EngineView;

// The explanation texts and the material names the scene uses.
struct TutorialTexts {
  static const char* const kGesture[10];   // gesture x 2 + phase
  static const char* const kAction[5][3];  // title, press text, release text per action row
  static const char* const kFistAbsolute;
  static const char* const kFistRelative;

  // Explanation of gesture g (0-3 pinches, 4 the circle) in phase 0 (do it) or 1 (undo it),
  // titled by the action the engine assigns to it. A gesture with no action gets its line alone.
  static std::string gestureCaption(const EngineView& engine, int g, int phase);

  static const char* const kBlue;
  static const char* const kDarkBlue;
  static const char* const kGray50;
  static const char* const kGreen;
  static const char* const kLightBlue;
  static const char* const kLightGray;
  static const char* const kMagenta;
  static const char* const kMagenta50;
  static const char* const kRed;
  static const char* const kWhite;
  static const char* const kYellow;
  static const char* const kYellow50;
  static const char* const kGlowAzure;
  static const char* const kGlowGreen;
  static const char* const kGlowMagenta;
  static const char* const kGlowOrange;
  static const char* const kGlowRed;
  static const char* const kGlowYellow;
};
