#include "RelayCommand.h"

#include <tuple>

namespace {

using Kind = RelayCommand::Kind;

RelayCommand of(Kind kind) {
  RelayCommand c;
  c.kind = kind;
  return c;
}

auto fields(const RelayCommand& c) {
  return std::tie(c.kind, c.x, c.y, c.alternativePointer, c.relative, c.press, c.suppress, c.notify,
                  c.keys, c.name, c.osKey, c.delta, c.progress, c.forward, c.hide,
                  c.doubleClickTime, c.wheelScaleFactor, c.onlyPrimaryDisplay, c.side1, c.side2,
                  c.hold, c.autoHeight, c.audioFx, c.audioFxBorder, c.graphicFx, c.left, c.right,
                  c.middle, c.keyboard, c.width, c.height);
}

}  // namespace

bool RelayCommand::operator==(const RelayCommand& o) const { return fields(*this) == fields(o); }

RelayCommand RelayCommand::mouseMove(int x, int y, int alternativePointer, int relative) {
  RelayCommand c = of(Kind::MouseMove);
  c.x = x;
  c.y = y;
  c.alternativePointer = alternativePointer;
  c.relative = relative;
  return c;
}

RelayCommand RelayCommand::button(int type, int press, int suppress, int notify) {
  const Kind kind = type == 1   ? Kind::LeftButton
                    : type == 2 ? Kind::RightButton
                    : type == 3 ? Kind::MiddleButton
                                : Kind::Unknown;
  if (kind == Kind::Unknown) return RelayCommand();
  RelayCommand c = of(kind);
  c.press = press;
  c.suppress = suppress;
  c.notify = notify;
  return c;
}

RelayCommand RelayCommand::keyboardAction(int press, int suppress, int notify, const QString& keys,
                                          const QString& name, bool osKey) {
  RelayCommand c = of(Kind::Keyboard);
  c.press = press;
  c.suppress = suppress;
  c.notify = notify;
  c.keys = keys;
  c.name = name;
  c.osKey = osKey;
  return c;
}

RelayCommand RelayCommand::mouseWheelMove(float delta, int forward, int notify, float progress) {
  RelayCommand c = of(Kind::MouseWheelMove);
  c.delta = delta;
  c.forward = forward;
  c.notify = notify;
  c.progress = progress;
  return c;
}

RelayCommand RelayCommand::resetMouseWheel() { return of(Kind::ResetMouseWheel); }

RelayCommand RelayCommand::hideMousePointer(bool hide) {
  RelayCommand c = of(Kind::HideMousePointer);
  c.hide = hide;
  return c;
}

RelayCommand RelayCommand::deleteMousePointer() { return of(Kind::DeleteMousePointer); }

RelayCommand RelayCommand::setMouseParam(int doubleClickTime, float wheelScaleFactor, int relative,
                                         int alternativePointer, int onlyPrimaryDisplay) {
  RelayCommand c = of(Kind::SetMouseParam);
  c.doubleClickTime = doubleClickTime;
  c.wheelScaleFactor = wheelScaleFactor;
  c.relative = relative;
  c.alternativePointer = alternativePointer;
  c.onlyPrimaryDisplay = onlyPrimaryDisplay;
  return c;
}

RelayCommand RelayCommand::setMousePointer() { return of(Kind::SetMousePointer); }

RelayCommand RelayCommand::setSourceIp() { return of(Kind::SetSourceIp); }

RelayCommand RelayCommand::fistDetected() { return of(Kind::FistDetected); }

RelayCommand RelayCommand::screenBorder(int side1, int side2, bool hold, bool autoHeight) {
  RelayCommand c = of(Kind::ScreenBorder);
  c.side1 = side1;
  c.side2 = side2;
  c.hold = hold;
  c.autoHeight = autoHeight;
  return c;
}

RelayCommand RelayCommand::audioGraphicFxParams(bool audioFx, bool audioFxBorder, bool graphicFx) {
  RelayCommand c = of(Kind::AudioGraphicFxParams);
  c.audioFx = audioFx;
  c.audioFxBorder = audioFxBorder;
  c.graphicFx = graphicFx;
  return c;
}

RelayCommand RelayCommand::heldInput(bool left, bool right, bool middle, bool keyboard) {
  RelayCommand c = of(Kind::HeldInput);
  c.left = left;
  c.right = right;
  c.middle = middle;
  c.keyboard = keyboard;
  return c;
}

RelayCommand RelayCommand::setResolution(int width, int height) {
  RelayCommand c = of(Kind::SetResolution);
  c.width = width;
  c.height = height;
  return c;
}

RelayCommand RelayCommand::checkAlternativeMousePtr() { return of(Kind::CheckAlternativeMousePtr); }
