#include "ActionMgr.h"

#include <QDebug>
#include <QThread>

#include "Desktop.h"
#include "Keyboard.h"
#include "Mouse.h"
#include "RelayCodec.h"
#include "ScreenEdgeDetector.h"
#include "Sender.h"
#include "WndEvent.h"

namespace {

// Sound codes carried by fistDetected and screenBorderReached.
constexpr int kFistSound = 4;
constexpr int kBorderReachedSound = 5;
constexpr int kBorderLeftSound = 6;

bool load(const std::atomic<bool>* p) { return p && p->load(); }

// "0.0.0.0" stands for a source not yet heard from.
bool isUnknownSource(const QHostAddress& a) { return !Sender::isSendableAddress(a); }

}  // namespace

ActionMgr::ActionMgr(Desktop& desktop, actionMgrData data, QObject* parent)
    : QObject(nullptr),
      desktop_(desktop),
      modeRef_(data.networkModeRef),
      mouse_(nullptr),
      keyboard_(nullptr),
      parent_(parent),
      audioFx_(data.audioFx),
      audioFxBorder_(data.audioFxBorder),
      graphicFx_(data.graphicFx),
      setEffectSwitches_(std::move(data.setEffectSwitches)),
      heldInputReleased_(std::move(data.heldInputReleased)) {
  mouse_ = new Mouse(desktop, static_cast<int>(data.doubleClickTime),
                     static_cast<float>(data.wheelScaleFactor),
                     data.logEnabled != 0 ? data.logFile : nullptr, data.encryptLog, data.relative,
                     data.alternativePointer, nullptr, load(data.audioFx) ? 1 : 0,
                     data.onlyPrimaryDisplay ? 1 : 0);
  keyboard_ = new Keyboard(desktop, data.releaseKeyTimer, true);
}

EngineSink::Factory ActionMgr::factory(Desktop& desktop, QTimer* releaseKeyTimer,
                                      std::function<void(ActionMgr*)> made) {
  return [&desktop, releaseKeyTimer, made](const EngineSink::Setup& setup) {
    actionMgrData data(setup);
    data.releaseKeyTimer = releaseKeyTimer;
    auto mgr = std::make_unique<ActionMgr>(desktop, data, QThread::currentThread());
    if (made) made(mgr.get());
    return std::unique_ptr<EngineSink>(std::move(mgr));
  };
}

// The Mouse gets no Qt parent: this manager owns and deletes it, and a parent that went first
// would delete it behind the manager's back.
ActionMgr::~ActionMgr() {
  // The engine is going too (or has gone): only the devices are let go here.
  heldInputReleased_ = nullptr;
  releaseHeldInput();
  delete mouse_;
  delete keyboard_;
  delete destSender_.load();
  delete replySender_;
}

int ActionMgr::mode() const { return modeRef_ ? modeRef_->load() : Standalone; }

void ActionMgr::beginFrame() { desktop_.beginWrite(); }

void ActionMgr::endFrame() { desktop_.endWrite(); }

void ActionMgr::pointerSpace(int* width, int* height) {
  if (mode() == Source) {
    *width = remoteWidth_.load();
    *height = remoteHeight_.load();
    return;
  }
  const QRect space = mouse_->pointerSpace();
  *width = space.width();
  *height = space.height();
}

QHostAddress ActionMgr::sourceIp() const {
  std::lock_guard<std::mutex> lock(sourceMutex_);
  return sourceIp_;
}

bool ActionMgr::isBorderActive() const {
  std::lock_guard<std::mutex> lock(edgeMutex_);
  return borderActive_;
}

void ActionMgr::sendToDestination(const QByteArray& command) {
  // Before the sockets are set up the command has nowhere to go.
  if (command.isEmpty()) return;
  if (Sender* s = destSender_.load()) s->broadcastDatagram(command);
}

bool ActionMgr::replyToSource(const QByteArray& command) {
  const QHostAddress source = sourceIp();
  if (isUnknownSource(source)) return false;
  std::lock_guard<std::mutex> lock(senderMutex_);
  if (replySender_) {
    replySender_->resetSocket(peerPort_.load(), source);
  } else {
    replySender_ = new Sender(peerPort_.load(), source, parent_);
  }
  replySender_->broadcastDatagram(command);
  return true;
}

void ActionMgr::MousePointerMove(int x, int y, int alternativePointer, int relative) {
  const int m = mode();
  if (isLocal(m)) {
    mouse_->move(static_cast<float>(x), static_cast<float>(y), alternativePointer, relative, 0);
    if (relative == 0) detectScreenEdge(x, y);
  } else if (m == Source) {
    // Until the destination has told its size every absolute position would pin its pointer to
    // the top-left corner.
    if (relative == 0 && (remoteWidth_.load() <= 0 || remoteHeight_.load() <= 0)) return;
    sendToDestination(
        RelayCodec::encode(RelayCommand::mouseMove(x, y, alternativePointer, relative)));
  }
}

void ActionMgr::detectScreenEdge(int x, int y) {
  const ScreenEdgeDetector::Sides sides =
      ScreenEdgeDetector::sidesAt(x, y, mouse_->getWidthOfScreen(), mouse_->getHeightOfScreen());
  GenerateScreenBorderReached(sides.side1, sides.side2, held_.load() != 0, autoHeight_.load());
}

void ActionMgr::GenerateAction(actionType type, int press, int suppress, int notify,
                               const QString& keys, const QString& name, bool osKey) {
  const int m = mode();
  if (isLocal(m)) {
    actuateAction(type, press, suppress, notify, keys, name, osKey);
  } else if (m == Source) {
    std::lock_guard<std::mutex> lock(sourceHeldMutex_);
    if (type == KeyboardShortcut) {
      sendToDestination(RelayCodec::encode(
          RelayCommand::keyboardAction(press, suppress, notify, keys, name, osKey)));
    } else {
      sendToDestination(RelayCodec::encode(RelayCommand::button(type, press, suppress, notify)));
    }
    if (type < LeftButton || type > KeyboardShortcut) return;
    // A suppressed press holds nothing there; any release lets go there.
    if (press && suppress == 0) {
      sourceHeld_ |= 1u << type;
    } else if (!press) {
      sourceHeld_ &= ~(1u << type);
    }
  }
}

void ActionMgr::sendHeldInput() {
  if (mode() != Source) return;
  std::lock_guard<std::mutex> lock(sourceHeldMutex_);
  auto holds = [this](actionType type) { return (sourceHeld_ >> type) & 1u; };
  sendToDestination(RelayCodec::encode(RelayCommand::heldInput(
      holds(LeftButton), holds(RightButton), holds(MiddleButton), holds(KeyboardShortcut))));
}

void ActionMgr::matchHeldInput(bool left, bool right, bool middle, bool keyboard) {
  if (mode() != Destination) return;
  const bool sourceHolds[] = {false, left, right, middle, keyboard};
  for (actionType type : {LeftButton, RightButton, MiddleButton, KeyboardShortcut}) {
    if (sourceHolds[type] || !(held_.load() & (1u << type))) continue;
    qDebug().noquote() << "RELEASING WHAT THE SOURCE NO LONGER HOLDS:" << int(type);
    QString keys, name;
    bool osKey = false;
    if (type == KeyboardShortcut) {
      std::lock_guard<std::mutex> lock(shortcutMutex_);
      keys = heldKeys_;
      name = heldName_;
      osKey = heldOsKey_;
    }
    actuateAction(type, 0, 0, 0, keys, name, osKey);
  }
}

void ActionMgr::actuateAction(actionType type, int press, int suppress, int notify,
                              const QString& keys, const QString& name, bool osKey) {
  if (type < LeftButton || type > KeyboardShortcut) return;
  if (suppress == 0) {
    switch (type) {
      case LeftButton:
      case MiddleButton:
        if (press) {
          mouse_->buttonPress(type);
        } else {
          mouse_->buttonRelease(type);
        }
        break;
      case RightButton:
        if (press) {
          mouse_->rightPress();
        } else {
          mouse_->rightRelease();
        }
        break;
      case KeyboardShortcut:
        if (press) {
          std::lock_guard<std::mutex> lock(shortcutMutex_);
          heldKeys_ = keys;
          heldName_ = name;
          heldOsKey_ = osKey;
        }
        keyboard_->shortcut(press ? Keyboard::KeyPress : Keyboard::KeyRelease, keys, osKey, name,
                            false);
        break;
    }
    const unsigned bit = 1u << type;
    if (press) {
      held_.fetch_or(bit);
    } else {
      held_.fetch_and(~bit);
    }
  }
  if (notify == 0) return;
  unsigned int event = 0;
  switch (type) {
    case LeftButton:
      event = press ? WndLeftPressed : WndLeftReleased;
      break;
    case RightButton:
      if (press) event = WndRightClicked;
      break;
    case MiddleButton:
      event = press ? WndMiddlePressed : WndMiddleReleased;
      break;
    case KeyboardShortcut:
      event = press ? WndShortcutPressed : WndShortcutReleased;
      break;
  }
  if (event) notifyWnd(event);
}

void ActionMgr::notifyWnd(unsigned int event) {
  desktop_.afterWrite([this, event] { emit SendWndEvent(event); });
}

void ActionMgr::releaseHeldInput() {
  mouse_->releaseAllButtons();
  keyboard_->releaseAll();
  held_.store(0);
  {
    // The engine forgets its pinches with this; a destination hears so at the next restatement.
    std::lock_guard<std::mutex> lock(sourceHeldMutex_);
    sourceHeld_ = 0;
  }
  if (heldInputReleased_) heldInputReleased_();
}

void ActionMgr::ResetMouseWheel() {
  const int m = mode();
  if (isLocal(m)) {
    mouse_->resetWheel();
  } else if (m == Source) {
    sendToDestination(RelayCodec::encode(RelayCommand::resetMouseWheel()));
  }
}

void ActionMgr::MouseWheelMove(float delta, int forward, int notify, float progress) {
  const int m = mode();
  if (isLocal(m)) {
    mouse_->wheelMove(delta, forward);
    // One notification per turn: the window is [1.0, 1.1), the lower bound in float and the upper
    // in double, so a progress of exactly 1.1f (just above 1.1) is outside. NaN fails both.
    if (progress >= 1.0f && notify != 0 && static_cast<double>(progress) < 1.1)
      notifyWnd(forward != 0 ? WndWheelForward : WndWheelDownward);
  } else if (m == Source) {
    sendToDestination(
        RelayCodec::encode(RelayCommand::mouseWheelMove(delta, forward, notify, progress)));
  }
}

void ActionMgr::HideMousePointer(bool hide) {
  const int m = mode();
  if (isLocal(m)) {
    mouse_->HidePointer(hide);
  } else if (m == Source) {
    sendToDestination(RelayCodec::encode(RelayCommand::hideMousePointer(hide)));
  }
}

void ActionMgr::SetMousePointer(AlternativePointer* pointer) {
  const int m = mode();
  mPointer_.store(pointer);
  if (isLocal(m)) {
    mouse_->SetMousePointer(pointer);
  } else if (m == Source) {
    sendToDestination(RelayCodec::encode(RelayCommand::setMousePointer()));
  }
}

void ActionMgr::SetMousePointer() {
  const int m = mode();
  if (isLocal(m)) {
    AlternativePointer* pointer = mPointer_.load();
    if (pointer) {
      mouse_->SetMousePointer(pointer);
    } else {
      qDebug().noquote() << "mPointer is NULL";
    }
  } else if (m == Source) {
    sendToDestination(RelayCodec::encode(RelayCommand::setMousePointer()));
  }
}

void ActionMgr::DeleteMousePointer() {
  const int m = mode();
  if (isLocal(m)) {
    mouse_->DeleteMousePointer();
  } else if (m == Source) {
    sendToDestination(RelayCodec::encode(RelayCommand::deleteMousePointer()));
  }
}

void ActionMgr::setParam(int doubleClickTime, float wheelScaleFactor, int relative,
                         int alternativePointer, int onlyPrimaryDisplay) {
  const int m = mode();
  if (isLocal(m)) {
    mouse_->setParam(doubleClickTime, wheelScaleFactor, relative, alternativePointer,
                     onlyPrimaryDisplay);
  } else if (m == Source) {
    sendToDestination(RelayCodec::encode(RelayCommand::setMouseParam(
        doubleClickTime, wheelScaleFactor, relative, alternativePointer, onlyPrimaryDisplay)));
  }
}

void ActionMgr::GenerateFistDetected(bool fist) {
  const int m = mode();
  if (m == Destination) {
    emit fistDetected(kFistSound);
    return;
  }
  if (m != Standalone && m != Source) return;
  if (!fist) {
    fistActive_.store(false);
    return;
  }
  if (fistActive_.exchange(true)) return;
  if (m == Standalone) {
    emit fistDetected(kFistSound);
  } else {
    sendToDestination(RelayCodec::encode(RelayCommand::fistDetected()));
  }
}

void ActionMgr::GenerateScreenBorderReached(screenBorder side1, screenBorder side2, bool hold,
                                            bool autoHeight) {
  const int m = mode();
  const bool local = isLocal(m);
  const bool reached = side1 != NoSide || side2 != NoSide;
  // The decision and its signals stay under one lock so that enter and leave are seen in order
  // when two threads report at once.
  std::lock_guard<std::mutex> lock(edgeMutex_);
  if (reached && !borderActive_ && !hold) {
    borderActive_ = true;
    if (local) {
      emit screenBorderReached(kBorderReachedSound);
      if (side1 != NoSide) emit screenBorderSideReached(side1, autoHeight ? 1 : 0);
      if (side2 != NoSide) emit screenBorderSideReached(side2, autoHeight ? 1 : 0);
    } else if (m == Source) {
      sendToDestination(
          RelayCodec::encode(RelayCommand::screenBorder(side1, side2, false, autoHeight)));
    }
  } else if (!reached && borderActive_) {
    if (local) {
      emit screenBorderReached(kBorderLeftSound);
      emit screenBorderSideReached(NoSide, autoHeight ? 1 : 0);
    } else if (m == Source) {
      sendToDestination(
          RelayCodec::encode(RelayCommand::screenBorder(NoSide, NoSide, hold, autoHeight)));
    }
    borderActive_ = false;
  }
}

void ActionMgr::sendAudioGraphicParam(bool audioFx, bool audioFxBorder, bool graphicFx) {
  const int m = mode();
  if (isLocal(m)) {
    if (setEffectSwitches_) setEffectSwitches_(audioFx, audioFxBorder, graphicFx);
  } else if (m == Source) {
    sendToDestination(
        RelayCodec::encode(RelayCommand::audioGraphicFxParams(audioFx, audioFxBorder, graphicFx)));
  }
}

void ActionMgr::sendAudioGraphicParam() {
  sendToDestination(RelayCodec::encode(
      RelayCommand::audioGraphicFxParams(load(audioFx_), load(audioFxBorder_), load(graphicFx_))));
}

void ActionMgr::SetResolution(int w, int h) {
  const int m = mode();
  qDebug().noquote() << "Sending resolution to: " << sourceIp().toString()
                     << "w,h: " << remoteWidth_.load() << remoteHeight_.load();
  if (m == Destination) {
    if (isUnknownSource(sourceIp())) return;
    qDebug().noquote() << "SET RESOLUTION DESTINATION MODE";
    const int width = mouse_->getWidthOfScreen();
    const int height = mouse_->getHeightOfScreen();
    remoteWidth_.store(width);
    remoteHeight_.store(height);
    replyToSource(RelayCodec::encode(RelayCommand::setResolution(width, height)));
  } else if (m == Source) {
    qDebug().noquote() << "SET RESOLUTION SOURCE MODE";
    // A size that is no size (from a faulty peer) counts as not reported yet.
    const bool valid = w > 0 && h > 0;
    remoteWidth_.store(valid ? w : 0);
    remoteHeight_.store(valid ? h : 0);
  }
}

void ActionMgr::SetSourceIp(QHostAddress from) {
  const int m = mode();
  if (m == Destination) {
    qDebug().noquote() << "RECEIVED SOURCE IP: " << from.toString();
    // The plain IPv4 form (a socket bound to any address reports ::ffff:a.b.c.d); an address we
    // cannot answer to leaves the source unknown.
    QHostAddress learned(QHostAddress::AnyIPv4);
    if (Sender::isSendableAddress(from)) {
      bool ok = false;
      learned = QHostAddress(from.toIPv4Address(&ok));
    }
    std::lock_guard<std::mutex> lock(sourceMutex_);
    sourceIp_ = learned;
  } else if (m == Source) {
    sendToDestination(RelayCodec::encode(RelayCommand::setSourceIp()));
  }
}

void ActionMgr::announceSource() { SetSourceIp(QHostAddress(QStringLiteral("0.0.0.0"))); }

bool ActionMgr::CheckAlternativeMousePointer() {
  if (isUnknownSource(sourceIp())) return false;
  qDebug().noquote() << "SEND CHECK ALTERNATIVE MOUSE POINTER REQUEST";
  return replyToSource(RelayCodec::encode(RelayCommand::checkAlternativeMousePtr()));
}

QHostAddress ActionMgr::addressOf(const int* ip) {
  if (!ip) return QHostAddress();
  return QHostAddress(QStringLiteral("%1.%2.%3.%4").arg(ip[0]).arg(ip[1]).arg(ip[2]).arg(ip[3]));
}

void ActionMgr::createSender(int port, const int* ip) {
  peerPort_.store(port);
  const QHostAddress address = addressOf(ip);
  std::lock_guard<std::mutex> lock(senderMutex_);
  // Retargeted in place: another thread may be sending through it right now.
  if (Sender* s = destSender_.load()) {
    s->resetSocket(port, address);
  } else {
    destSender_.store(new Sender(port, address, parent_));
  }
}

void ActionMgr::resetSocket(int port, const int* ip) { createSender(port, ip); }

QHostAddress ActionMgr::destinationAddress() const {
  Sender* s = destSender_.load();
  return s ? s->destination() : QHostAddress();
}
