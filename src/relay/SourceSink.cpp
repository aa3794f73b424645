#include "SourceSink.h"

#include <QDebug>

#include "RelayCodec.h"

namespace {

QHostAddress addressOf(const int* ip) {
  if (!ip) return QHostAddress();
  return QHostAddress(QStringLiteral("%1.%2.%3.%4").arg(ip[0]).arg(ip[1]).arg(ip[2]).arg(ip[3]));
}

}  // namespace

SourceSink::SourceSink(int port, const int* ip, EngineSink* local, std::function<Effects()> effects)
    : sender_(port, addressOf(ip)), local_(local), effects_(std::move(effects)) {}

void SourceSink::send(const QByteArray& command) {
  // An Unknown or overlong command encodes to nothing.
  if (!command.isEmpty()) sender_.broadcastDatagram(command);
}

void SourceSink::pointerSpace(int* width, int* height) {
  *width = remoteWidth_.load();
  *height = remoteHeight_.load();
}

void SourceSink::MousePointerMove(int x, int y, int alternativePointer, int relative) {
  // Until the destination has told its size every absolute position would pin its pointer to the
  // top-left corner.
  if (relative == 0 && (remoteWidth_.load() <= 0 || remoteHeight_.load() <= 0)) return;
  send(RelayCodec::encode(RelayCommand::mouseMove(x, y, alternativePointer, relative)));
}

void SourceSink::GenerateAction(actionType type, int press, int suppress, int notify,
                                const QString& keys, const QString& name, bool osKey) {
  std::lock_guard<std::mutex> lock(heldMutex_);
  if (type == KeyboardShortcut) {
    send(RelayCodec::encode(RelayCommand::keyboardAction(press, suppress, notify, keys, name, osKey)));
  } else {
    send(RelayCodec::encode(RelayCommand::button(type, press, suppress, notify)));
  }
  if (type < LeftButton || type > KeyboardShortcut) return;
  // A suppressed press holds nothing there; any release lets go there.
  if (press && suppress == 0) {
    held_ |= 1u << type;
  } else if (!press) {
    held_ &= ~(1u << type);
  }
}

void SourceSink::sendHeldInput() {
  std::lock_guard<std::mutex> lock(heldMutex_);
  auto holds = [this](actionType type) { return (held_ >> type) & 1u; };
  send(RelayCodec::encode(RelayCommand::heldInput(holds(LeftButton), holds(RightButton),
                                                  holds(MiddleButton), holds(KeyboardShortcut))));
}

void SourceSink::releaseHeldInput() {
  {
    std::lock_guard<std::mutex> lock(heldMutex_);
    held_ = 0;
  }
  if (local_) local_->releaseHeldInput();
}

void SourceSink::ResetMouseWheel() { send(RelayCodec::encode(RelayCommand::resetMouseWheel())); }

void SourceSink::MouseWheelMove(float delta, int forward, int notify, float progress) {
  send(RelayCodec::encode(RelayCommand::mouseWheelMove(delta, forward, notify, progress)));
}

void SourceSink::GenerateFistDetected(bool fist) {
  if (!fist) {
    fistActive_.store(false);
    return;
  }
  if (!fistActive_.exchange(true)) send(RelayCodec::encode(RelayCommand::fistDetected()));
}

void SourceSink::setParam(int doubleClickTime, float wheelScaleFactor, int relative,
                          int alternativePointer, int onlyPrimaryDisplay) {
  send(RelayCodec::encode(RelayCommand::setMouseParam(doubleClickTime, wheelScaleFactor, relative,
                                                      alternativePointer, onlyPrimaryDisplay)));
}

void SourceSink::SetMousePointer() { send(RelayCodec::encode(RelayCommand::setMousePointer())); }

void SourceSink::announceSource() { send(RelayCodec::encode(RelayCommand::setSourceIp())); }

void SourceSink::sendAudioGraphicParam(bool audioFx, bool audioFxBorder, bool graphicFx) {
  send(RelayCodec::encode(RelayCommand::audioGraphicFxParams(audioFx, audioFxBorder, graphicFx)));
}

void SourceSink::sendAudioGraphicParam() {
  const Effects e = effects_ ? effects_() : Effects();
  sendAudioGraphicParam(e.audioFx, e.audioFxBorder, e.graphicFx);
}

void SourceSink::HideMousePointer(bool hide) {
  send(RelayCodec::encode(RelayCommand::hideMousePointer(hide)));
}

void SourceSink::DeleteMousePointer() {
  send(RelayCodec::encode(RelayCommand::deleteMousePointer()));
}

void SourceSink::GenerateScreenBorderReached(screenBorder side1, screenBorder side2, bool hold,
                                             bool autoHeight) {
  const bool reached = side1 != NoSide || side2 != NoSide;
  // Enter and leave go out in the order decided when two threads report at once.
  std::lock_guard<std::mutex> lock(edgeMutex_);
  if (reached && !borderActive_ && !hold) {
    borderActive_ = true;
    send(RelayCodec::encode(RelayCommand::screenBorder(side1, side2, false, autoHeight)));
  } else if (!reached && borderActive_) {
    send(RelayCodec::encode(RelayCommand::screenBorder(NoSide, NoSide, hold, autoHeight)));
    borderActive_ = false;
  }
}

bool SourceSink::isBorderActive() const {
  std::lock_guard<std::mutex> lock(edgeMutex_);
  return borderActive_;
}

void SourceSink::setRemoteSize(int width, int height) {
  qDebug().noquote() << "SET RESOLUTION SOURCE MODE";
  const bool valid = width > 0 && height > 0;
  remoteWidth_.store(valid ? width : 0);
  remoteHeight_.store(valid ? height : 0);
}

void SourceSink::retarget(int port, const int* ip) { sender_.resetSocket(port, addressOf(ip)); }
