#include "NetworkCommand.h"

#include <charconv>
#include <cmath>
#include <initializer_list>

namespace NetworkCommand {

const char* const MouseMove = "MOUSEMOVE";
const char* const LeftButton = "LEFT_BUTTON";
const char* const RightButton = "RIGHT_BUTTON";
const char* const MiddleButton = "MIDDLE_BUTTON";
const char* const Keyboard = "KEYBOARD";
const char* const MouseWheelMove = "MOUSEWHEELMOVE";
const char* const ResetMouseWheel = "RESETMOUSEWHEEL";
const char* const HideMousePointer = "HIDEMOUSEPOINTER";
const char* const DeleteMousePointer = "DELETEMOUSEPOINTER";
const char* const SetMouseParam = "SETMOUSEPARAM";
const char* const SetMousePointer = "SETMOUSEPOINTER";
const char* const SetSourceIp = "SETSOURCEIP";
const char* const FistDetected = "FIST_DETECTED";
const char* const ScreenBorder = "SCREEN_BORDER";
const char* const AudioGraphicFxParams = "AUDIO_GRAPHIC_FX_PARAMS";
const char* const HeldInput = "HELD_INPUT";
const char* const SetResolution = "SETRESOLUTION";
const char* const CheckAlternativeMousePtr = "CHECKALTERNATIVEMOUSEPTR";

namespace {

QByteArray join(const char* keyword, std::initializer_list<QByteArray> fields) {
  QByteArray out(keyword);
  for (const QByteArray& f : fields) {
    out += ' ';
    out += f;
  }
  return out;
}

QByteArray flag(bool b) { return QByteArray(b ? "1" : "0"); }

}  // namespace

QByteArray decimal(int value) {
  char buf[16];
  const auto r = std::to_chars(buf, buf + sizeof buf, value);
  return QByteArray(buf, static_cast<int>(r.ptr - buf));
}

QByteArray fixed6(double value) {
  // printf's spelling for the values that have no digits.
  if (std::isnan(value)) return QByteArray(std::signbit(value) ? "-nan" : "nan");
  if (std::isinf(value)) return QByteArray(value < 0 ? "-inf" : "inf");
  // std::to_chars ignores the locale; a double needs at most 309 digits before the point.
  char buf[400];
  const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 6);
  if (r.ec != std::errc()) return QByteArray();
  return QByteArray(buf, static_cast<int>(r.ptr - buf));
}

QByteArray textField(const QString& text) {
  QString t = text;
  t.remove(QLatin1Char(' '));
  return t.toUtf8();
}

QByteArray mouseMove(int x, int y, int alternativePointer, int relative) {
  return join(MouseMove, {decimal(x), decimal(y), decimal(alternativePointer), decimal(relative)});
}

QByteArray button(int type, int press, int suppress, int notify) {
  const char* keyword = type == 1 ? LeftButton : type == 2 ? RightButton : type == 3 ? MiddleButton
                                                                                     : nullptr;
  if (!keyword) return QByteArray();
  return join(keyword, {decimal(press), decimal(suppress), decimal(notify)});
}

QByteArray keyboard(int press, int suppress, int notify, const QString& keys, const QString& name,
                    bool osKey) {
  QByteArray out = join(Keyboard, {decimal(press), decimal(suppress), decimal(notify),
                                   textField(keys), textField(name), flag(osKey)});
  if (out.size() > MaxBytes) return QByteArray();
  return out;
}

QByteArray mouseWheelMove(float delta, int forward, int notify, float progress) {
  return join(MouseWheelMove,
              {fixed6(delta), decimal(forward), decimal(notify), fixed6(progress)});
}

QByteArray resetMouseWheel() { return QByteArray(ResetMouseWheel); }

QByteArray hideMousePointer(bool hide) { return join(HideMousePointer, {flag(hide)}); }

QByteArray deleteMousePointer() { return QByteArray(DeleteMousePointer); }

QByteArray setMouseParam(int doubleClickTime, float wheelScaleFactor, int relative,
                         int alternativePointer, int onlyPrimaryDisplay) {
  return join(SetMouseParam, {decimal(doubleClickTime), fixed6(wheelScaleFactor), decimal(relative),
                              decimal(alternativePointer), decimal(onlyPrimaryDisplay)});
}

QByteArray setMousePointer() { return QByteArray(SetMousePointer); }

QByteArray setSourceIp() { return QByteArray(SetSourceIp); }

QByteArray fistDetected() { return QByteArray(FistDetected); }

QByteArray screenBorder(int side1, int side2, int hold, int autoHeight) {
  return join(ScreenBorder, {decimal(side1), decimal(side2), decimal(hold), decimal(autoHeight)});
}

QByteArray audioGraphicFxParams(bool audioFx, bool audioFxBorder, bool graphicFx) {
  return join(AudioGraphicFxParams, {flag(audioFx), flag(audioFxBorder), flag(graphicFx)});
}

QByteArray heldInput(bool left, bool right, bool middle, bool keyboard) {
  return join(HeldInput, {flag(left), flag(right), flag(middle), flag(keyboard)});
}

QByteArray setResolution(int width, int height) {
  return join(SetResolution, {decimal(width), decimal(height)});
}

QByteArray checkAlternativeMousePtr() { return QByteArray(CheckAlternativeMousePtr); }

}  // namespace NetworkCommand
