#include "RelayLink.h"

#include "ActionMgr.h"
#include "Receiver.h"

RelayLink::RelayLink(ActionMgr& actionMgr, int port, const int* ip, QObject* socketParent)
        : actionMgr_(actionMgr) {
    // The sender first: the receiver's first messages go out through it.
    actionMgr_.createSender(port, ip);
    receiver_ = new Receiver(actionMgr_.GetMouse(), &actionMgr_, port, socketParent);
}

RelayLink::~RelayLink() { delete receiver_; }

void RelayLink::applyNetworkMode(int mode) { receiver_->applyNetworkMode(mode); }

void RelayLink::resetSocket(int port, const int* ip) {
    actionMgr_.resetSocket(port, ip);
    receiver_->resetSocket(port);
}

void RelayLink::startSendingParams() { receiver_->startSendingParams(); }
void RelayLink::stopSendingParams() { receiver_->stopSendingParams(); }
void RelayLink::startSendingResolution() { receiver_->startSendingResolution(); }
void RelayLink::stopSendingResolution() { receiver_->stopSendingResolution(); }
void RelayLink::startSendingCheckAltMousePtr() { receiver_->startSendingCheckAltMousePtr(); }
void RelayLink::sendResolution() { receiver_->sendResolution(); }
void RelayLink::sendParams() { receiver_->sendParams(); }
bool RelayLink::getAltMousePtrCheck() const { return receiver_->getAltMousePtrCheck(); }
void RelayLink::setAltMousePtrCheck(bool check) { receiver_->setAltMousePtrCheck(check); }
void RelayLink::shutdown() { receiver_->shutdown(); }
