#pragma once

#include "EngineRelay.h"

class ActionMgr;
class QObject;
class Receiver;

// The relay as the engine drives it on this machine: the action manager's sender towards the
// destination, and a receiver that acts through the action manager. Made on the relay's thread.
class RelayLink : public EngineRelay {
public:
    RelayLink(ActionMgr& actionMgr, int port, const int* ip, QObject* socketParent);
    ~RelayLink() override;
    RelayLink(const RelayLink&) = delete;
    RelayLink& operator=(const RelayLink&) = delete;

    void applyNetworkMode(int mode) override;
    void resetSocket(int port, const int* ip) override;
    void startSendingParams() override;
    void stopSendingParams() override;
    void startSendingResolution() override;
    void stopSendingResolution() override;
    void startSendingCheckAltMousePtr() override;
    void sendResolution() override;
    void sendParams() override;
    bool getAltMousePtrCheck() const override;
    void setAltMousePtrCheck(bool check) override;
    void shutdown() override;

private:
    ActionMgr& actionMgr_;
    Receiver* receiver_;
};
