// The engine's side of the network relay: the relay it makes, and the forwarders through which
// the tray window and the listener reach it.
#include "VelmoGestures.h"

namespace {

constexpr int kStandalone = 0;
constexpr int kSource = 1;
constexpr int kDestination = 2;

}  // namespace

void VelmoGestures::setNetworkMode(int mode) {
  if (mode < kStandalone || mode > kDestination) return;
  settings_.updateSettings([mode](WorkingSettings& s) { s.networkMode = mode; });
  std::lock_guard<std::mutex> lock(relayMutex_);
  if (relay_) relay_->applyNetworkMode(mode);
}

void VelmoGestures::DecodeParameters(int withAdmin) {
  settings_.DecodeParameters(withAdmin);
  const int mode = getNetworkMode();
  std::lock_guard<std::mutex> lock(relayMutex_);
  if (relay_) relay_->applyNetworkMode(mode);
}

void VelmoGestures::createAllSocket() {
  if (sink_.load() == nullptr || !relayFactory_) return;
  deleteAllSocket();
  const WorkingSettings s = settings_.settings();
  std::unique_ptr<EngineRelay> made =
      relayFactory_(s.destinationPort, s.destinationIp, socketParent_.load());
  if (!made) return;
  EngineRelay* relay = made.get();
  {
    std::lock_guard<std::mutex> lock(relayMutex_);
    relay_ = std::move(made);
  }
  switch (getNetworkMode()) {
    case kDestination:
      relay->sendResolution();
      relay->startSendingResolution();
      relay->startSendingCheckAltMousePtr();
      break;
    case kSource:
      relay->sendParams();
      relay->startSendingParams();
      break;
    default:
      break;
  }
}

void VelmoGestures::deleteAllSocket() {
  std::unique_ptr<EngineRelay> relay;
  {
    std::lock_guard<std::mutex> lock(relayMutex_);
    std::swap(relay, relay_);
  }
  if (!relay) return;
  // On its own thread: held input is let go of, the socket and the timers stop there.
  relay->shutdown();
}

void VelmoGestures::setParent(QObject* socketParent) { socketParent_.store(socketParent); }

void VelmoGestures::resetSocket() {
  if (sink_.load() == nullptr) return;
  const WorkingSettings s = settings_.settings();
  std::lock_guard<std::mutex> lock(relayMutex_);
  if (relay_) relay_->resetSocket(s.destinationPort, s.destinationIp);
}

void VelmoGestures::startSendingParams() {
  std::lock_guard<std::mutex> lock(relayMutex_);
  if (relay_) relay_->startSendingParams();
}

void VelmoGestures::stopSendingParams() {
  std::lock_guard<std::mutex> lock(relayMutex_);
  if (relay_) relay_->stopSendingParams();
}

void VelmoGestures::startSendingResolution() {
  std::lock_guard<std::mutex> lock(relayMutex_);
  if (relay_) relay_->startSendingResolution();
}

void VelmoGestures::stopSendingResolution() {
  std::lock_guard<std::mutex> lock(relayMutex_);
  if (relay_) relay_->stopSendingResolution();
}

void VelmoGestures::startSendingCheckAltMousePtr() {
  std::lock_guard<std::mutex> lock(relayMutex_);
  if (relay_) relay_->startSendingCheckAltMousePtr();
}

void VelmoGestures::sendResolution() {
  std::lock_guard<std::mutex> lock(relayMutex_);
  if (relay_) relay_->sendResolution();
}

bool VelmoGestures::getAltMousePtrCheck() const {
  std::lock_guard<std::mutex> lock(relayMutex_);
  return relay_ != nullptr && relay_->getAltMousePtrCheck();
}

void VelmoGestures::setAltMousePtrCheck(bool check) {
  std::lock_guard<std::mutex> lock(relayMutex_);
  if (relay_) relay_->setAltMousePtrCheck(check);
}
