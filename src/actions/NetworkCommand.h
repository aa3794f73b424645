#pragma once

#include <QByteArray>
#include <QString>

// The wire text of every relay command: a keyword, then each field after exactly one space; no
// line end and no NUL. Numbers are written the same in every locale (%d plain decimal, %f with
// six decimals and a point). Text fields lose their spaces and go out as UTF-8 (the same bytes as
// always for ASCII); they are appended, never used as a format.
namespace NetworkCommand {

// Longest command sent; a longer one (only keyboard actions with very long names or keys can get
// there) is dropped rather than cut.
constexpr int MaxBytes = 512;

extern const char* const MouseMove;
extern const char* const LeftButton;
extern const char* const RightButton;
extern const char* const MiddleButton;
extern const char* const Keyboard;
extern const char* const MouseWheelMove;
extern const char* const ResetMouseWheel;
extern const char* const HideMousePointer;
extern const char* const DeleteMousePointer;
extern const char* const SetMouseParam;
extern const char* const SetMousePointer;
extern const char* const SetSourceIp;
extern const char* const FistDetected;
extern const char* const ScreenBorder;
extern const char* const AudioGraphicFxParams;
extern const char* const HeldInput;
extern const char* const SetResolution;
extern const char* const CheckAlternativeMousePtr;

// Source to destination.
QByteArray mouseMove(int x, int y, int alternativePointer, int relative);
// Types 1-3 (left, right, middle); an empty array for any other type.
QByteArray button(int type, int press, int suppress, int notify);
// Empty when the command would exceed MaxBytes.
QByteArray keyboard(int press, int suppress, int notify, const QString& keys, const QString& name,
                    bool osKey);
QByteArray mouseWheelMove(float delta, int forward, int notify, float progress);
QByteArray resetMouseWheel();
QByteArray hideMousePointer(bool hide);
QByteArray deleteMousePointer();
QByteArray setMouseParam(int doubleClickTime, float wheelScaleFactor, int relative,
                         int alternativePointer, int onlyPrimaryDisplay);
QByteArray setMousePointer();
QByteArray setSourceIp();
QByteArray fistDetected();
QByteArray screenBorder(int side1, int side2, int hold, int autoHeight);
QByteArray audioGraphicFxParams(bool audioFx, bool audioFxBorder, bool graphicFx);
// What the source holds down: one flag per action type, left, right, middle, keyboard. A peer
// that does not know it ignores it, as every command it does not know.
QByteArray heldInput(bool left, bool right, bool middle, bool keyboard);

// Destination to source.
QByteArray setResolution(int width, int height);
QByteArray checkAlternativeMousePtr();

// The pieces: %d, %f and a %s field.
QByteArray decimal(int value);
QByteArray fixed6(double value);
QByteArray textField(const QString& text);

}  // namespace NetworkCommand
