// The command parser: one received datagram back into the action-manager operation that sent it.
// Only exact commands count; everything else is ignored without a word.
#include <QDebug>
#include <QString>
#include <cmath>

#include "ActionMgr.h"
#include "NetworkCommand.h"
#include "Receiver.h"

namespace {

// Base 10; a field that does not convert counts as 0.
int toInt(const QString& field) {
  bool ok = false;
  const int v = field.toInt(&ok, 10);
  return ok ? v : 0;
}

// A decimal number in the C locale; one that does not convert counts as 0. ok turns false for a
// value that is not finite ("nan", "inf"): the command is then ignored.
float toFloat(const QString& field, bool* finite) {
  bool ok = false;
  const float v = field.toFloat(&ok);
  if (!ok) return 0.0f;
  if (!std::isfinite(v)) *finite = false;
  return v;
}

bool isSide(int side) { return side >= LeftSide && side <= NoSide; }

constexpr int kLargestScreenSide = 32767;  // X coordinates are 16-bit

}  // namespace

void Receiver::ParseMsg(QByteArray datagram, QHostAddress* from) {
  if (!from || !actionMgr_ || datagram.size() > MaxDatagramBytes) return;
  // Up to the first NUL, one Latin-1 character per byte; split at every single space, keeping
  // empty parts, so a doubled or trailing space makes a different token count.
  const int nul = datagram.indexOf('\0');
  const QString text = QString::fromLatin1(datagram.constData(), nul < 0 ? datagram.size() : nul);
  const QStringList tokens = text.split(QLatin1Char(' '), Qt::KeepEmptyParts);

  if (mode() == ActionMgr::Destination) {
    parseDestination(tokens, *from);
  } else if (mode() == ActionMgr::Source) {
    parseSource(tokens, *from);
  }
}

void Receiver::parseDestination(const QStringList& t, const QHostAddress& from) {
  namespace C = NetworkCommand;
  const QString& key = t[0];
  const int n = t.size();
  auto is = [&](const char* keyword, int count) { return n == count && key == QLatin1String(keyword); };

  if (is(C::SetSourceIp, 1)) {
    if (acceptAnnouncement(from)) actionMgr_->SetSourceIp(from);
    return;
  }
  // Nothing but an announcement from anyone but the paired source.
  {
    bool ok = false;
    const quint32 sender = from.toIPv4Address(&ok);
    std::lock_guard<std::mutex> lock(pairedMutex_);
    if (!ok || paired_.isNull() || paired_.toIPv4Address() != sender) return;
  }

  ActionMgr& m = *actionMgr_;
  bool finite = true;
  bool known = true;
  if (is(C::MouseMove, 5)) {
    m.MousePointerMove(toInt(t[1]), toInt(t[2]), toInt(t[3]), toInt(t[4]));
  } else if (is(C::LeftButton, 4) || is(C::RightButton, 4) || is(C::MiddleButton, 4)) {
    const actionType type = key == QLatin1String(C::LeftButton)    ? LeftButton
                            : key == QLatin1String(C::RightButton) ? RightButton
                                                                   : MiddleButton;
    m.GenerateAction(type, toInt(t[1]), toInt(t[2]), toInt(t[3]), QString(), QString(), false);
  } else if (is(C::Keyboard, 7)) {
    // The one default name whose space the sender had to drop.
    const QString name = t[5] == QLatin1String("APPSWITCHER") ? QStringLiteral("APP SWITCHER") : t[5];
    m.GenerateAction(KeyboardShortcut, toInt(t[1]), toInt(t[2]), toInt(t[3]), t[4], name,
                     toInt(t[6]) != 0);
  } else if (is(C::MouseWheelMove, 5)) {
    const float delta = toFloat(t[1], &finite);
    const float progress = toFloat(t[4], &finite);
    if (finite) m.MouseWheelMove(delta, toInt(t[2]), toInt(t[3]), progress);
  } else if (is(C::ResetMouseWheel, 1)) {
    m.ResetMouseWheel();
  } else if (is(C::HideMousePointer, 2)) {
    m.HideMousePointer(toInt(t[1]) != 0);
  } else if (is(C::DeleteMousePointer, 1)) {
    m.DeleteMousePointer();
  } else if (is(C::SetMouseParam, 6)) {
    const float scale = toFloat(t[2], &finite);
    if (finite && scale > 0.0f)
      m.setParam(toInt(t[1]), scale, toInt(t[3]), toInt(t[4]), toInt(t[5]));
  } else if (is(C::SetMousePointer, 1)) {
    m.SetMousePointer();
  } else if (is(C::FistDetected, 1)) {
    m.GenerateFistDetected(true);
  } else if (is(C::ScreenBorder, 5)) {
    const int side1 = toInt(t[1]);
    const int side2 = toInt(t[2]);
    if (isSide(side1) && isSide(side2))
      m.GenerateScreenBorderReached(static_cast<screenBorder>(side1),
                                    static_cast<screenBorder>(side2), toInt(t[3]) != 0,
                                    toInt(t[4]) != 0);
  } else if (is(C::AudioGraphicFxParams, 4)) {
    m.sendAudioGraphicParam(toInt(t[1]) != 0, toInt(t[2]) != 0, toInt(t[3]) != 0);
  } else if (is(C::HeldInput, 5)) {
    m.matchHeldInput(toInt(t[1]) != 0, toInt(t[2]) != 0, toInt(t[3]) != 0, toInt(t[4]) != 0);
  } else {
    known = false;
  }
  // Any command from the paired source shows it is still there.
  if (known) {
    lastHeardMs_ = now();
    silenceHandled_ = false;
  }
}

void Receiver::parseSource(const QStringList& t, const QHostAddress& from) {
  namespace C = NetworkCommand;
  const int n = t.size();
  const bool resolution = n == 3 && t[0] == QLatin1String(C::SetResolution);
  const bool check = n == 1 && t[0] == QLatin1String(C::CheckAlternativeMousePtr);
  if ((!resolution && !check) || !fromConfiguredDestination(from)) return;
  if (resolution) {
    const int w = toInt(t[1]);
    const int h = toInt(t[2]);
    if (w >= 1 && w <= kLargestScreenSide && h >= 1 && h <= kLargestScreenSide)
      actionMgr_->SetResolution(w, h);
  }
  if (check) altPtrCheck_.store(true);
}
