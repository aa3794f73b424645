// The engine's side of the network relay: the sockets, and the forwarders through which the tray
// window and the listener reach the receiver.
#include <QHostAddress>

#include "ActionMgr.h"
#include "Receiver.h"
#include "VelmoGestures.h"

void VelmoGestures::setNetworkMode(int mode) {
  if (mode < ActionMgr::Standalone || mode > ActionMgr::Destination) return;
  updateSettings([mode](WorkingSettings& s) { s.networkMode = mode; });
  std::lock_guard<std::mutex> lock(receiverMutex_);
  if (receiver_) receiver_->applyNetworkMode(mode);
}

void VelmoGestures::DecodeParameters(int withAdmin) {
  ParameterTable::DecodeParameters(withAdmin);
  const int mode = getNetworkMode();
  std::lock_guard<std::mutex> lock(receiverMutex_);
  if (receiver_) receiver_->applyNetworkMode(mode);
}

void VelmoGestures::createSenderSocket() {
  if (actionMgr_ == nullptr) return;
  WorkingSettings s = settings();
  actionMgr_->createSender(s.destinationPort, s.destinationIp);
}

void VelmoGestures::createAllSocket() {
  if (actionMgr_ == nullptr) return;
  deleteAllSocket();
  createSenderSocket();
  const int port = settings().destinationPort;
  auto* receiver = new Receiver(mouse_, actionMgr_, port, socketParent_.load());
  {
    std::lock_guard<std::mutex> lock(receiverMutex_);
    receiver_ = receiver;
  }
  switch (getNetworkMode()) {
    case ActionMgr::Destination:
      receiver->sendResolution();
      receiver->startSendingResolution();
      receiver->startSendingCheckAltMousePtr();
      break;
    case ActionMgr::Source:
      receiver->sendParams();
      receiver->startSendingParams();
      break;
    default:
      break;
  }
}

void VelmoGestures::deleteAllSocket() {
  Receiver* receiver = nullptr;
  {
    std::lock_guard<std::mutex> lock(receiverMutex_);
    std::swap(receiver, receiver_);
  }
  if (receiver == nullptr) return;
  // On its own thread: held input is let go of, the socket and the timers stop there.
  receiver->shutdown();
  delete receiver;
}

void VelmoGestures::setParent(QObject* socketParent) { socketParent_.store(socketParent); }

void VelmoGestures::resetSocket() {
  if (actionMgr_ == nullptr) return;
  WorkingSettings s = settings();
  actionMgr_->resetSocket(s.destinationPort, s.destinationIp);
  std::lock_guard<std::mutex> lock(receiverMutex_);
  if (receiver_) receiver_->resetSocket(s.destinationPort);
}

Receiver* VelmoGestures::getReceiver() const {
  std::lock_guard<std::mutex> lock(receiverMutex_);
  return receiver_;
}

void VelmoGestures::startSendingParams() {
  std::lock_guard<std::mutex> lock(receiverMutex_);
  if (receiver_) receiver_->startSendingParams();
}

void VelmoGestures::stopSendingParams() {
  std::lock_guard<std::mutex> lock(receiverMutex_);
  if (receiver_) receiver_->stopSendingParams();
}

void VelmoGestures::startSendingResolution() {
  std::lock_guard<std::mutex> lock(receiverMutex_);
  if (receiver_) receiver_->startSendingResolution();
}

void VelmoGestures::stopSendingResolution() {
  std::lock_guard<std::mutex> lock(receiverMutex_);
  if (receiver_) receiver_->stopSendingResolution();
}

void VelmoGestures::startSendingCheckAltMousePtr() {
  std::lock_guard<std::mutex> lock(receiverMutex_);
  if (receiver_) receiver_->startSendingCheckAltMousePtr();
}

void VelmoGestures::sendResolution() {
  std::lock_guard<std::mutex> lock(receiverMutex_);
  if (receiver_) receiver_->sendResolution();
}

bool VelmoGestures::getAltMousePtrCheck() const {
  std::lock_guard<std::mutex> lock(receiverMutex_);
  return receiver_ != nullptr && receiver_->getAltMousePtrCheck();
}

void VelmoGestures::setAltMousePtrCheck(bool check) {
  std::lock_guard<std::mutex> lock(receiverMutex_);
  if (receiver_) receiver_->setAltMousePtrCheck(check);
}
