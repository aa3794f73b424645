// The listener's network and sink controls, onto the engine.
#include "VelmoListener.h"

void VelmoListener::setNetworkMode(int mode) { gestures_.setNetworkMode(mode); }
void VelmoListener::setSinkFactory(EngineSink::Factory factory) {
  gestures_.setSinkFactory(std::move(factory));
}
void VelmoListener::setRelayFactory(EngineRelay::Factory factory) {
  gestures_.setRelayFactory(std::move(factory));
}

void VelmoListener::setMouseParam(bool deferred) {
  if (deferred) {
    pendingMouseParam_.store(true);
  } else {
    gestures_.setMouseParam();
  }
}

void VelmoListener::sendParams() { gestures_.sendParams(); }

void VelmoListener::startSendingParams() {
  pendingSendParams_.store(true);
  gestures_.startSendingParams();
}

void VelmoListener::stopSendingParams() { gestures_.stopSendingParams(); }
void VelmoListener::startSendingResolution() { gestures_.startSendingResolution(); }
void VelmoListener::stopSendingResolution() { gestures_.stopSendingResolution(); }
void VelmoListener::startSendingCheckAltMousePtr() { gestures_.startSendingCheckAltMousePtr(); }
void VelmoListener::sendResolution() { gestures_.sendResolution(); }
void VelmoListener::sendAudioGraphicParam() { gestures_.sendAudioGraphicParam(); }

void VelmoListener::setSocketParent(QObject* socketParent) {
  socketParent_.store(socketParent);
  gestures_.setParent(socketParent);
}
void VelmoListener::createAllSocket() { gestures_.createAllSocket(); }
void VelmoListener::deleteAllSocket() { gestures_.deleteAllSocket(); }
void VelmoListener::resetSocket() { gestures_.resetSocket(); }
