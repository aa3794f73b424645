#include "RelayCodec.h"

#include <QStringList>
#include <charconv>
#include <cmath>
#include <initializer_list>

namespace RelayCodec {

namespace {

using Kind = RelayCommand::Kind;

struct Keyword {
  Kind kind;
  const char* text;
  int tokens;  // the keyword and its fields
};

const Keyword kKeywords[] = {
    {Kind::MouseMove, "MOUSEMOVE", 5},
    {Kind::LeftButton, "LEFT_BUTTON", 4},
    {Kind::RightButton, "RIGHT_BUTTON", 4},
    {Kind::MiddleButton, "MIDDLE_BUTTON", 4},
    {Kind::Keyboard, "KEYBOARD", 7},
    {Kind::MouseWheelMove, "MOUSEWHEELMOVE", 5},
    {Kind::ResetMouseWheel, "RESETMOUSEWHEEL", 1},
    {Kind::HideMousePointer, "HIDEMOUSEPOINTER", 2},
    {Kind::DeleteMousePointer, "DELETEMOUSEPOINTER", 1},
    {Kind::SetMouseParam, "SETMOUSEPARAM", 6},
    {Kind::SetMousePointer, "SETMOUSEPOINTER", 1},
    {Kind::SetSourceIp, "SETSOURCEIP", 1},
    {Kind::FistDetected, "FIST_DETECTED", 1},
    {Kind::ScreenBorder, "SCREEN_BORDER", 5},
    {Kind::AudioGraphicFxParams, "AUDIO_GRAPHIC_FX_PARAMS", 4},
    {Kind::HeldInput, "HELD_INPUT", 5},
    {Kind::SetResolution, "SETRESOLUTION", 3},
    {Kind::CheckAlternativeMousePtr, "CHECKALTERNATIVEMOUSEPTR", 1},
};

const char* keywordOf(Kind kind) {
  for (const Keyword& k : kKeywords)
    if (k.kind == kind) return k.text;
  return nullptr;
}

// Each field after one space.
QByteArray spaced(std::initializer_list<QByteArray> fields) {
  QByteArray out;
  for (const QByteArray& f : fields) {
    out += ' ';
    out += f;
  }
  return out;
}

QByteArray flag(bool b) { return QByteArray(b ? "1" : "0"); }

QByteArray fields(const RelayCommand& c) {
  switch (c.kind) {
    case Kind::MouseMove:
      return spaced(
          {decimal(c.x), decimal(c.y), decimal(c.alternativePointer), decimal(c.relative)});
    case Kind::LeftButton:
    case Kind::RightButton:
    case Kind::MiddleButton:
      return spaced({decimal(c.press), decimal(c.suppress), decimal(c.notify)});
    case Kind::Keyboard:
      return spaced({decimal(c.press), decimal(c.suppress), decimal(c.notify), textField(c.keys),
                     textField(c.name), flag(c.osKey)});
    case Kind::MouseWheelMove:
      return spaced({fixed6(c.delta), decimal(c.forward), decimal(c.notify), fixed6(c.progress)});
    case Kind::HideMousePointer:
      return spaced({flag(c.hide)});
    case Kind::SetMouseParam:
      return spaced({decimal(c.doubleClickTime), fixed6(c.wheelScaleFactor), decimal(c.relative),
                     decimal(c.alternativePointer), decimal(c.onlyPrimaryDisplay)});
    case Kind::ScreenBorder:
      return spaced({decimal(c.side1), decimal(c.side2), flag(c.hold), flag(c.autoHeight)});
    case Kind::AudioGraphicFxParams:
      return spaced({flag(c.audioFx), flag(c.audioFxBorder), flag(c.graphicFx)});
    case Kind::HeldInput:
      return spaced({flag(c.left), flag(c.right), flag(c.middle), flag(c.keyboard)});
    case Kind::SetResolution:
      return spaced({decimal(c.width), decimal(c.height)});
    default:
      return QByteArray();
  }
}

// Base 10; a field that does not convert counts as 0.
int toInt(const QString& field) {
  bool ok = false;
  const int v = field.toInt(&ok, 10);
  return ok ? v : 0;
}

// A decimal number in the C locale; one that does not convert counts as 0. finite turns false for
// a value that is not ("nan", "inf").
float toFloat(const QString& field, bool* finite) {
  bool ok = false;
  const float v = field.toFloat(&ok);
  if (!ok) return 0.0f;
  if (!std::isfinite(v)) *finite = false;
  return v;
}

bool flagOf(const QString& field) { return toInt(field) != 0; }

bool isSide(int side) { return side >= 0 && side <= 4; }

bool isScreenSide(int side) { return side >= 1 && side <= LargestScreenSide; }

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

QByteArray encode(const RelayCommand& command) {
  const char* keyword = keywordOf(command.kind);
  if (!keyword) return QByteArray();
  const QByteArray out = QByteArray(keyword) + fields(command);
  if (out.size() > MaxCommandBytes) return QByteArray();
  return out;
}

Decoded decode(const QByteArray& datagram) {
  Decoded out;
  if (datagram.size() > MaxDatagramBytes) return out;
  // Split at every single space, keeping empty parts, so a doubled or trailing space makes a
  // different token count.
  const int nul = datagram.indexOf('\0');
  const QString text = QString::fromLatin1(datagram.constData(), nul < 0 ? datagram.size() : nul);
  const QStringList t = text.split(QLatin1Char(' '), Qt::KeepEmptyParts);
  Kind kind = Kind::Unknown;
  for (const Keyword& k : kKeywords)
    if (t.size() == k.tokens && t[0] == QLatin1String(k.text)) kind = k.kind;

  RelayCommand& c = out.command;
  bool finite = true;
  switch (kind) {
    case Kind::Unknown:
      break;
    case Kind::MouseMove:
      c = RelayCommand::mouseMove(toInt(t[1]), toInt(t[2]), toInt(t[3]), toInt(t[4]));
      break;
    case Kind::LeftButton:
    case Kind::RightButton:
    case Kind::MiddleButton:
      c = RelayCommand::button(kind == Kind::LeftButton    ? 1
                               : kind == Kind::RightButton ? 2
                                                           : 3,
                               toInt(t[1]), toInt(t[2]), toInt(t[3]));
      break;
    case Kind::Keyboard: {
      // The one default name whose space the sender had to drop.
      const QString name =
          t[5] == QLatin1String("APPSWITCHER") ? QStringLiteral("APP SWITCHER") : t[5];
      c = RelayCommand::keyboardAction(toInt(t[1]), toInt(t[2]), toInt(t[3]), t[4], name,
                                       flagOf(t[6]));
      break;
    }
    case Kind::MouseWheelMove: {
      const float delta = toFloat(t[1], &finite);
      const float progress = toFloat(t[4], &finite);
      c = RelayCommand::mouseWheelMove(delta, toInt(t[2]), toInt(t[3]), progress);
      out.ignored = !finite;
      break;
    }
    case Kind::HideMousePointer:
      c = RelayCommand::hideMousePointer(flagOf(t[1]));
      break;
    case Kind::SetMouseParam: {
      const float scale = toFloat(t[2], &finite);
      c = RelayCommand::setMouseParam(toInt(t[1]), scale, toInt(t[3]), toInt(t[4]), toInt(t[5]));
      out.ignored = !finite || !(scale > 0.0f);
      break;
    }
    case Kind::ScreenBorder:
      c = RelayCommand::screenBorder(toInt(t[1]), toInt(t[2]), flagOf(t[3]), flagOf(t[4]));
      out.ignored = !isSide(c.side1) || !isSide(c.side2);
      break;
    case Kind::AudioGraphicFxParams:
      c = RelayCommand::audioGraphicFxParams(flagOf(t[1]), flagOf(t[2]), flagOf(t[3]));
      break;
    case Kind::HeldInput:
      c = RelayCommand::heldInput(flagOf(t[1]), flagOf(t[2]), flagOf(t[3]), flagOf(t[4]));
      break;
    case Kind::SetResolution:
      c = RelayCommand::setResolution(toInt(t[1]), toInt(t[2]));
      out.ignored = !isScreenSide(c.width) || !isScreenSide(c.height);
      break;
    default:  // the commands without fields
      c.kind = kind;
      break;
  }
  return out;
}

}  // namespace RelayCodec
