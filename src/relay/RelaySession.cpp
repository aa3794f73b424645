#include "RelaySession.h"

#include <QThread>
#include <algorithm>

RelaySession::RelaySession(Wiring wiring) : wiring_(std::move(wiring)) {}

RelaySession::~RelaySession() { stop(); }

void RelaySession::start(int mode, int port, const int* ip) {
  if (thread_ || !wiring_.endpoint) return;
  source_ = std::make_unique<SourceSink>(port, ip, wiring_.localSink, wiring_.effects);
  port_ = port;
  std::copy(ip, ip + 4, ip_);
  thread_ = new QThread();
  thread_->setObjectName(QStringLiteral("velmo-relay"));
  thread_->start();
  context_ = new QObject();
  context_->moveToThread(thread_);
  // Made on that thread, so that its event loop delivers the datagrams and the timer ticks.
  QMetaObject::invokeMethod(
      context_,
      [this, port] {
        endpoint_ = wiring_.endpoint(port, *source_, [this] {
          if (mode_.load() != Source) return;
          if (wiring_.pointerRequested) wiring_.pointerRequested();
          source_->SetMousePointer();
        });
      },
      Qt::BlockingQueuedConnection);
  if (mode < Standalone || mode > Destination) mode = Standalone;
  mode_.store(mode);
  follow(mode, true, Standalone);
}

void RelaySession::stop() {
  if (!thread_) return;
  // The engine's own sink again before the source sink goes.
  if (wiring_.useSink) wiring_.useSink(nullptr);
  if (endpoint_) {
    // On the relay's thread: held input is let go of, the socket and the timers stop there.
    endpoint_->shutdown();
    endpoint_.reset();
  }
  thread_->quit();
  thread_->wait();
  delete context_;
  context_ = nullptr;
  delete thread_;
  thread_ = nullptr;
  source_.reset();
}

void RelaySession::setMode(int mode) {
  if (mode < Standalone || mode > Destination) return;
  const int was = mode_.exchange(mode);
  if (wiring_.storeMode) wiring_.storeMode(mode);
  follow(mode, false, was);
}

void RelaySession::retarget(int port, const int* ip) {
  if (!endpoint_ || (port == port_ && std::equal(ip, ip + 4, ip_))) return;
  source_->retarget(port, ip);
  if (port != port_) endpoint_->resetSocket(port);
  port_ = port;
  std::copy(ip, ip + 4, ip_);
}

void RelaySession::follow(int mode, bool starting, int was) {
  if (!endpoint_) return;
  if (wiring_.useSink) wiring_.useSink(mode == Source ? source_.get() : nullptr);
  endpoint_->applyNetworkMode(mode);
  if (mode == Destination) {
    endpoint_->sendResolution();
    endpoint_->startSendingResolution();
    endpoint_->startSendingCheckAltMousePtr();
    if (!starting) endpoint_->stopSendingParams();
  } else if (mode == Source) {
    if (starting) {
      endpoint_->sendParams();
    } else {
      endpoint_->stopSendingResolution();
      // A new source: the destination hears of it at once, not only at the next tick.
      if (was != Source) source_->announceSource();
    }
    endpoint_->startSendingParams();
  }
}
