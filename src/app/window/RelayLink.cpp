#include "RelayLink.h"

#include "ActionMgr.h"
#include "Receiver.h"

RelayLink::RelayLink(ActionMgr& actionMgr, int port, const int* ip, std::function<void()> pointerRequested)
        : actionMgr_(actionMgr) {
    // The sender first: the receiver's first messages go out through it.
    actionMgr_.createSender(port, ip);
    receiver_ = new Receiver(actionMgr_.GetMouse(), &actionMgr_, port, nullptr);
    receiver_->setPointerRequestHandler(std::move(pointerRequested));
}

RelayLink::~RelayLink() { delete receiver_; }

void RelayLink::applyNetworkMode(int mode) { receiver_->applyNetworkMode(mode); }
void RelayLink::startSendingParams() { receiver_->startSendingParams(); }
void RelayLink::stopSendingParams() { receiver_->stopSendingParams(); }
void RelayLink::startSendingResolution() { receiver_->startSendingResolution(); }
void RelayLink::stopSendingResolution() { receiver_->stopSendingResolution(); }
void RelayLink::startSendingCheckAltMousePtr() { receiver_->startSendingCheckAltMousePtr(); }
void RelayLink::sendResolution() { receiver_->sendResolution(); }
void RelayLink::sendParams() { receiver_->sendParams(); }
void RelayLink::announce() { actionMgr_.announceSource(); }
void RelayLink::shutdown() { receiver_->shutdown(); }
