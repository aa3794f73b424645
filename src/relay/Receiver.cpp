#include "Receiver.h"

#include <QAbstractEventDispatcher>
#include <QDebug>
#include <QThread>
#include <QTimer>
#include <chrono>

#include "EngineSink.h"
#include "ReceiverSocket.h"
#include "RelayCodec.h"
#include "RelayDestination.h"
#include "Sender.h"
#include "SourceSink.h"

namespace {

std::int64_t steadyMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

enum { Standalone = 0, Source = 1, Destination = 2 };

}  // namespace

Receiver::Receiver(EngineSink* local, RelayDestination* destination, SourceSink* source, int port)
    : QObject(nullptr),
      socket_(new ReceiverSocket(
          [this](const QByteArray& datagram, const QHostAddress& from) {
            QHostAddress sender = from;
            ParseMsg(datagram, &sender);
          },
          this)),
      resolutionTimer_(new QTimer(this)),
      paramsTimer_(new QTimer(this)),
      heldTimer_(new QTimer(this)),
      checkTimer_(new QTimer(this)),
      watchdogTimer_(new QTimer(this)),
      local_(local),
      destination_(destination),
      source_(source),
      clock_(steadyMs) {
  connect(resolutionTimer_, &QTimer::timeout, this, &Receiver::sendResolution);
  connect(paramsTimer_, &QTimer::timeout, this, &Receiver::sendParams);
  connect(heldTimer_, &QTimer::timeout, this, &Receiver::sendHeldInput);
  connect(checkTimer_, &QTimer::timeout, this, &Receiver::sendCheckAltMousePtr);
  connect(watchdogTimer_, &QTimer::timeout, this, &Receiver::checkSilence);
  port_.store(port);
  qDebug().noquote() << "Receiver Initialized!";
}

// After shutdown() from another thread there is nothing left here that belongs to a thread.
Receiver::~Receiver() { delete replySender_; }

std::int64_t Receiver::now() const { return clock_(); }

void Receiver::onOwnThread(std::function<void()> f) {
  if (QThread::currentThread() == thread()) {
    f();
  } else {
    QMetaObject::invokeMethod(this, std::move(f), Qt::QueuedConnection);
  }
}

void Receiver::onOwnThreadAndWait(const std::function<void()>& f) {
  QThread* own = thread();
  if (QThread::currentThread() == own || !own->isRunning() ||
      QAbstractEventDispatcher::instance(own) == nullptr) {
    f();
  } else {
    QMetaObject::invokeMethod(this, f, Qt::BlockingQueuedConnection);
  }
}

void Receiver::setBindAddress(const QHostAddress& address) {
  onOwnThread([this, address] {
    bindAddress_ = address;
    closeSocket();
    bindIfWanted();
  });
}

void Receiver::setTiming(const Timing& timing) {
  onOwnThread([this, timing] {
    timing_ = timing;
    socket_->setDatagramsPerRead(timing.datagramsPerRead);
  });
}

void Receiver::setPointerRequestHandler(std::function<void()> handler) {
  onOwnThread([this, handler] { pointerRequested_ = handler; });
}

void Receiver::setClock(Clock clock) {
  onOwnThread([this, clock] { clock_ = clock ? clock : Clock(steadyMs); });
}

bool Receiver::isBound() const { return socket_->isBound(); }

int Receiver::datagramsHandled() const { return socket_->datagramsHandled(); }

QHostAddress Receiver::pairedSource() const {
  std::lock_guard<std::mutex> lock(pairedMutex_);
  return paired_;
}

void Receiver::resetSocket(int port) {
  onOwnThread([this, port] {
    closeSocket();
    port_.store(port);
    bindIfWanted();
  });
}

void Receiver::closeSocket() { socket_->close(); }

void Receiver::bindIfWanted() {
  if (appliedMode_ != Source && appliedMode_ != Destination) return;
  socket_->bind(bindAddress_, port_.load());
}

void Receiver::applyNetworkMode(int newMode) {
  onOwnThread([this, newMode] {
    const int was = appliedMode_;
    appliedMode_ = newMode;
    if (was == Destination && newMode != Destination) leaveDestination();
    if (newMode == Destination && was != Destination) {
      // The first source heard from now on is the one obeyed.
      {
        std::lock_guard<std::mutex> lock(pairedMutex_);
        paired_ = QHostAddress();
        silenceHandled_ = false;
      }
    }
    if (newMode == Destination) {
      if (!watchdogTimer_->isActive()) watchdogTimer_->start(timing_.watchdogMs);
    } else {
      resolutionTimer_->stop();
      checkTimer_->stop();
      watchdogTimer_->stop();
    }
    if (newMode != Source) {
      paramsTimer_->stop();
      heldTimer_->stop();
    }
    if (newMode == Source || newMode == Destination) {
      bindIfWanted();
    } else {
      closeSocket();
    }
  });
}

void Receiver::shutdown() {
  onOwnThreadAndWait([this] {
    if (appliedMode_ == Destination) leaveDestination();
    appliedMode_ = Standalone;
    resolutionTimer_->stop();
    paramsTimer_->stop();
    heldTimer_->stop();
    checkTimer_->stop();
    watchdogTimer_->stop();
    closeSocket();
  });
}

void Receiver::leaveDestination() {
  releaseHeldInput("LEAVING DESTINATION MODE");
  // The source may have hidden the cursor; this desktop is the user's own again.
  if (destination_) destination_->HideMousePointer(false);
  std::lock_guard<std::mutex> lock(pairedMutex_);
  paired_ = QHostAddress();
  silenceHandled_ = false;
}

void Receiver::releaseHeldInput(const char* why) {
  qDebug().noquote() << "RELEASING HELD INPUT:" << why;
  if (local_) local_->releaseHeldInput();
}

void Receiver::sendResolution() {
  onOwnThread([this] {
    // Only a destination reports its screen; on a source the call would store our own size as the
    // destination's.
    if (mode() != Destination || !destination_) return;
    int width = 0, height = 0;
    destination_->screenSize(&width, &height);
    qDebug().noquote() << "Sending resolution to: " << pairedSource().toString() << "w,h: " << width
                       << height;
    replyToSource(RelayCommand::setResolution(width, height));
  });
}

void Receiver::sendParams() {
  onOwnThread([this] {
    if (mode() != Source || !source_) return;
    source_->announceSource();
    source_->sendAudioGraphicParam();
  });
}

void Receiver::sendHeldInput() {
  if (mode() != Source || !source_) return;
  source_->sendHeldInput();
}

void Receiver::sendCheckAltMousePtr() {
  if (mode() != Destination) {
    checkTimer_->stop();
    return;
  }
  if (!Sender::isSendableAddress(pairedSource())) return;
  qDebug().noquote() << "SEND CHECK ALTERNATIVE MOUSE POINTER REQUEST";
  if (replyToSource(RelayCommand::checkAlternativeMousePtr())) checkTimer_->stop();
}

bool Receiver::replyToSource(const RelayCommand& command) {
  const QHostAddress source = pairedSource();
  if (!Sender::isSendableAddress(source)) return false;
  if (replySender_) {
    replySender_->resetSocket(port_.load(), source);
  } else {
    replySender_ = new Sender(port_.load(), source);
  }
  replySender_->broadcastDatagram(RelayCodec::encode(command));
  return true;
}

void Receiver::checkSilence() {
  QHostAddress paired;
  {
    std::lock_guard<std::mutex> lock(pairedMutex_);
    paired = paired_;
  }
  if (paired.isNull() || silenceHandled_) return;
  if (now() - lastHeardMs_ < SilenceMs) return;
  silenceHandled_ = true;
  // A release that never arrived must not leave a button down on this desktop.
  releaseHeldInput("SOURCE SILENT");
}

void Receiver::startSendingResolution() {
  onOwnThread([this] { resolutionTimer_->start(timing_.resolutionMs); });
}

void Receiver::stopSendingResolution() {
  onOwnThread([this] { resolutionTimer_->stop(); });
}

void Receiver::startSendingParams() {
  onOwnThread([this] {
    paramsTimer_->start(timing_.paramsMs);
    heldTimer_->start(timing_.heldInputMs);
  });
}

void Receiver::stopSendingParams() {
  onOwnThread([this] {
    paramsTimer_->stop();
    heldTimer_->stop();
  });
}

void Receiver::startSendingCheckAltMousePtr() {
  onOwnThread([this] { checkTimer_->start(timing_.checkMs); });
}

bool Receiver::acceptAnnouncement(const QHostAddress& from) {
  bool ok = false;
  const quint32 v4 = from.toIPv4Address(&ok);
  if (!ok) return false;
  const QHostAddress sender(v4);
  const std::int64_t t = now();
  QHostAddress paired;
  {
    std::lock_guard<std::mutex> lock(pairedMutex_);
    paired = paired_;
  }
  if (!paired.isNull() && paired == sender) {
    lastHeardMs_ = t;
    silenceHandled_ = false;
    return true;
  }
  const bool silent = !paired.isNull() && t - lastHeardMs_ >= SilenceMs;
  if (!paired.isNull() && !silent) {
    qDebug().noquote() << "IGNORED SOURCE IP: " << sender.toString() << "(paired with"
                       << paired.toString() << ")";
    return false;
  }
  // A new pairing. Whatever the old source left pressed is let go of first.
  if (!paired.isNull()) releaseHeldInput("NEW SOURCE");
  {
    std::lock_guard<std::mutex> lock(pairedMutex_);
    paired_ = sender;
  }
  lastHeardMs_ = t;
  silenceHandled_ = false;
  // The new source gets the pointer parameters asked for, as at the start of destination mode.
  checkTimer_->start(timing_.checkMs);
  return true;
}

bool Receiver::fromConfiguredDestination(const QHostAddress& from) const {
  bool ok = false;
  const quint32 sender = from.toIPv4Address(&ok);
  if (!ok || !source_) return false;
  bool okDest = false;
  const quint32 destination = source_->destination().toIPv4Address(&okDest);
  return okDest && sender == destination;
}

// Only exact commands count; everything else is ignored without a word.
void Receiver::ParseMsg(QByteArray datagram, QHostAddress* from) {
  if (!from) return;
  const RelayCodec::Decoded decoded = RelayCodec::decode(datagram);
  if (mode() == Destination) {
    onDestination(decoded, *from);
  } else if (mode() == Source) {
    onSource(decoded, *from);
  }
}

void Receiver::onDestination(const RelayCodec::Decoded& decoded, const QHostAddress& from) {
  using Kind = RelayCommand::Kind;
  const Kind kind = decoded.command.kind;
  if (kind == Kind::SetSourceIp) {
    if (acceptAnnouncement(from)) qDebug().noquote() << "RECEIVED SOURCE IP: " << from.toString();
    return;
  }
  // Nothing but an announcement from anyone but the paired source.
  {
    bool ok = false;
    const quint32 sender = from.toIPv4Address(&ok);
    std::lock_guard<std::mutex> lock(pairedMutex_);
    if (!ok || paired_.isNull() || paired_.toIPv4Address() != sender) return;
  }
  if (kind == Kind::Unknown || kind == Kind::SetResolution ||
      kind == Kind::CheckAlternativeMousePtr)
    return;
  if (!decoded.ignored && local_ && destination_) apply(decoded.command);
  // Any command from the paired source shows it is still there.
  lastHeardMs_ = now();
  silenceHandled_ = false;
}

void Receiver::apply(const RelayCommand& c) {
  using Kind = RelayCommand::Kind;
  EngineSink& m = *local_;
  RelayDestination& d = *destination_;
  switch (c.kind) {
    case Kind::MouseMove:
      m.MousePointerMove(c.x, c.y, c.alternativePointer, c.relative);
      break;
    case Kind::LeftButton:
    case Kind::RightButton:
    case Kind::MiddleButton: {
      const actionType type = c.kind == Kind::LeftButton    ? LeftButton
                              : c.kind == Kind::RightButton ? RightButton
                                                            : MiddleButton;
      m.GenerateAction(type, c.press, c.suppress, c.notify, QString(), QString(), false);
      break;
    }
    case Kind::Keyboard:
      m.GenerateAction(KeyboardShortcut, c.press, c.suppress, c.notify, c.keys, c.name, c.osKey);
      break;
    case Kind::MouseWheelMove:
      m.MouseWheelMove(c.delta, c.forward, c.notify, c.progress);
      break;
    case Kind::ResetMouseWheel:
      m.ResetMouseWheel();
      break;
    case Kind::HideMousePointer:
      d.HideMousePointer(c.hide);
      break;
    case Kind::DeleteMousePointer:
      d.DeleteMousePointer();
      break;
    case Kind::SetMouseParam:
      m.setParam(c.doubleClickTime, c.wheelScaleFactor, c.relative, c.alternativePointer,
                 c.onlyPrimaryDisplay);
      break;
    case Kind::SetMousePointer:
      m.SetMousePointer();
      break;
    case Kind::FistDetected:
      m.GenerateFistDetected(true);
      break;
    case Kind::ScreenBorder:
      d.GenerateScreenBorderReached(static_cast<screenBorder>(c.side1),
                                    static_cast<screenBorder>(c.side2), c.hold, c.autoHeight);
      break;
    case Kind::AudioGraphicFxParams:
      m.sendAudioGraphicParam(c.audioFx, c.audioFxBorder, c.graphicFx);
      break;
    case Kind::HeldInput:
      d.matchHeldInput(c.left, c.right, c.middle, c.keyboard);
      break;
    default:
      break;
  }
}

void Receiver::onSource(const RelayCodec::Decoded& decoded, const QHostAddress& from) {
  using Kind = RelayCommand::Kind;
  const RelayCommand& c = decoded.command;
  if (c.kind != Kind::SetResolution && c.kind != Kind::CheckAlternativeMousePtr) return;
  if (!fromConfiguredDestination(from)) return;
  if (c.kind == Kind::SetResolution && !decoded.ignored) source_->setRemoteSize(c.width, c.height);
  if (c.kind == Kind::CheckAlternativeMousePtr && pointerRequested_) pointerRequested_();
}
