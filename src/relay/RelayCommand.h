#pragma once

#include <QString>

// One relay command as a value: what one datagram of the relay says, field by field. The numbers
// are the wire's own: button types 1-3 (left, right, middle), screen sides 0-4 (left, right,
// bottom, top, none). Each kind uses only the fields its maker below names; the rest keep their
// defaults, so two commands compare equal exactly when their wire texts say the same.
struct RelayCommand {
  enum class Kind {
    Unknown,  // no command: nothing to encode, nothing to act on
    // Source to destination.
    MouseMove,
    LeftButton,
    RightButton,
    MiddleButton,
    Keyboard,
    MouseWheelMove,
    ResetMouseWheel,
    HideMousePointer,
    DeleteMousePointer,
    SetMouseParam,
    SetMousePointer,
    SetSourceIp,
    FistDetected,
    ScreenBorder,
    AudioGraphicFxParams,
    HeldInput,
    // Destination to source.
    SetResolution,
    CheckAlternativeMousePtr,
  };

  Kind kind = Kind::Unknown;
  int x = 0, y = 0;                          // MouseMove
  int alternativePointer = 0, relative = 0;  // MouseMove, SetMouseParam
  int press = 0, suppress = 0, notify = 0;   // buttons, Keyboard; notify also MouseWheelMove
  QString keys, name;                        // Keyboard
  bool osKey = false;                        // Keyboard
  float delta = 0.0f, progress = 0.0f;       // MouseWheelMove
  int forward = 0;                           // MouseWheelMove
  bool hide = false;                         // HideMousePointer
  int doubleClickTime = 0;                   // SetMouseParam
  float wheelScaleFactor = 0.0f;             // SetMouseParam
  int onlyPrimaryDisplay = 0;                // SetMouseParam
  int side1 = 0, side2 = 0;                  // ScreenBorder
  bool hold = false, autoHeight = false;     // ScreenBorder
  bool audioFx = false, audioFxBorder = false, graphicFx = false;      // AudioGraphicFxParams
  bool left = false, right = false, middle = false, keyboard = false;  // HeldInput
  int width = 0, height = 0;                                           // SetResolution

  bool operator==(const RelayCommand& o) const;
  bool operator!=(const RelayCommand& o) const { return !(*this == o); }

  static RelayCommand mouseMove(int x, int y, int alternativePointer, int relative);
  // Types 1-3 (left, right, middle); Unknown for any other type.
  static RelayCommand button(int type, int press, int suppress, int notify);
  static RelayCommand keyboardAction(int press, int suppress, int notify, const QString& keys,
                                     const QString& name, bool osKey);
  static RelayCommand mouseWheelMove(float delta, int forward, int notify, float progress);
  static RelayCommand resetMouseWheel();
  static RelayCommand hideMousePointer(bool hide);
  static RelayCommand deleteMousePointer();
  static RelayCommand setMouseParam(int doubleClickTime, float wheelScaleFactor, int relative,
                                    int alternativePointer, int onlyPrimaryDisplay);
  static RelayCommand setMousePointer();
  static RelayCommand setSourceIp();
  static RelayCommand fistDetected();
  static RelayCommand screenBorder(int side1, int side2, bool hold, bool autoHeight);
  static RelayCommand audioGraphicFxParams(bool audioFx, bool audioFxBorder, bool graphicFx);
  // What the source holds down: left, right, middle button and the keyboard shortcut.
  static RelayCommand heldInput(bool left, bool right, bool middle, bool keyboard);
  static RelayCommand setResolution(int width, int height);
  static RelayCommand checkAlternativeMousePtr();
};
