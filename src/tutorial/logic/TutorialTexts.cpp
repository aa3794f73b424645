#include "TutorialTexts.h"

#include "EngineView.h"

const char* const TutorialTexts::kGesture[10] = {
    "PINCH thumb and FOREFINGER\n\n",   "SPREAD apart thumb and FOREFINGER\n\n",
    "PINCH thumb and MIDDLE FINGER\n\n", "SPREAD apart thumb and MIDDLE FINGER\n\n",
    "PINCH thumb and RING FINGER\n\n",   "SPREAD apart thumb and RING FINGER\n\n",
    "PINCH thumb and PINKY FINGER\n\n",  "SPREAD apart thumb and PINKY FINGER\n\n",
    "rotate CLOCKWISE forefinger\n\n",   "rotate ANTI-CLOCKWISE forefinger\n\n",
};

const char* const TutorialTexts::kAction[5][3] = {
    {"LEFT CLICK\n\n", "to PRESS LEFT mouse button", "to RELEASE LEFT mouse button"},
    {"RIGHT CLICK\n\n", "to PRESS RIGHT mouse button", "to RELEASE RIGHT mouse button"},
    {"MIDDLE CLICK\n\n", "to PRESS MIDDLE mouse button", "to RELEASE MIDDLE mouse button"},
    {"MOUSE WHEEL\n\n", "to move BACKWARD mouse wheel", "to move FORWARD mouse wheel"},
    {"KEYBOARD ACTION\n\n", "to PRESS KEYBOARD shortcut", "to RELEASE KEYBOARD shortcut"},
};

const char* const TutorialTexts::kFistAbsolute =
    "ABSOLUTE CURSOR MOVEMENT\n\nclosing your hand into a FIST\n\nyou REPOSITION mouse cursor under a changed "
    "INTERACTION HEIGHT";
const char* const TutorialTexts::kFistRelative =
    "RELATIVE CURSOR MOVEMENT\n\nclosing your hand into a FIST\n\nyou change HAND position without affecting "
    "CURSOR position";

std::string TutorialTexts::gestureCaption(const EngineView& engine, int g, int phase) {
  if (g < 0 || g > 4 || phase < 0 || phase > 1) return std::string();
  int row = -1;
  if (g < 4) {
    const int action = engine.whichActionIsEnabled(g);
    if (action >= 1 && action <= 3) row = action - 1;
    if (action == 4) row = 4;
  } else {
    row = engine.whichWheelActionIsEnabled(0) + 2;
    if (row != 3) row = -1;  // only the mouse wheel turns
  }
  const std::string line = kGesture[g * 2 + phase];
  if (row < 0) return line;
  return std::string(kAction[row][0]) + line + kAction[row][1 + phase];
}

const char* const TutorialTexts::kBlue = "mat/Blue";
const char* const TutorialTexts::kDarkBlue = "mat/DarkBlue";
const char* const TutorialTexts::kGray50 = "mat/Gray50";
const char* const TutorialTexts::kGreen = "mat/Green";
const char* const TutorialTexts::kLightBlue = "mat/LightBlue";
const char* const TutorialTexts::kLightGray = "mat/LightGray";
const char* const TutorialTexts::kMagenta = "mat/Magenta";
const char* const TutorialTexts::kMagenta50 = "mat/Magenta50";
const char* const TutorialTexts::kRed = "mat/Red";
const char* const TutorialTexts::kWhite = "mat/White";
const char* const TutorialTexts::kYellow = "mat/Yellow";
const char* const TutorialTexts::kYellow50 = "mat/Yellow50";
const char* const TutorialTexts::kGlowAzure = "mat/RadioactiveAzureVelmo";
const char* const TutorialTexts::kGlowGreen = "mat/RadioactiveGreenVelmo";
const char* const TutorialTexts::kGlowMagenta = "mat/RadioactiveMagentaVelmo";
const char* const TutorialTexts::kGlowOrange = "mat/RadioactiveOrangeVelmo";
const char* const TutorialTexts::kGlowRed = "mat/RadioactiveRedVelmo";
const char* const TutorialTexts::kGlowYellow = "mat/RadioactiveYellowVelmo";
