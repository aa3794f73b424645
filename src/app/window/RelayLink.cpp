#include "RelayLink.h"

#include "ActionMgr.h"
#include "Receiver.h"

RelayLink::RelayLink(ActionMgr& actionMgr, int port, SourceSink& source, std::function<void()> pointerRequested)
        : receiver_(new Receiver(&actionMgr, &actionMgr, &source, port)) {
    receiver_->setPointerRequestHandler(std::move(pointerRequested));
}

RelayLink::~RelayLink() { delete receiver_; }

void RelayLink::applyNetworkMode(int mode) { receiver_->applyNetworkMode(mode); }
void RelayLink::resetSocket(int port) { receiver_->resetSocket(port); }
void RelayLink::startSendingParams() { receiver_->startSendingParams(); }
void RelayLink::stopSendingParams() { receiver_->stopSendingParams(); }
void RelayLink::startSendingResolution() { receiver_->startSendingResolution(); }
void RelayLink::stopSendingResolution() { receiver_->stopSendingResolution(); }
void RelayLink::startSendingCheckAltMousePtr() { receiver_->startSendingCheckAltMousePtr(); }
void RelayLink::sendResolution() { receiver_->sendResolution(); }
void RelayLink::sendParams() { receiver_->sendParams(); }
void RelayLink::shutdown() { receiver_->shutdown(); }
