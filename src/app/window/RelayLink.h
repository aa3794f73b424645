#pragma once

#include <functional>

#include "RelayEndpoint.h"

class ActionMgr;
class Receiver;

// The relay's parts on this machine: the action manager's sender towards the destination, and a
// receiver that acts through the action manager. Made on the relay session's thread.
class RelayLink : public RelayEndpoint {
public:
    RelayLink(ActionMgr& actionMgr, int port, const int* ip, std::function<void()> pointerRequested);
    ~RelayLink() override;
    RelayLink(const RelayLink&) = delete;
    RelayLink& operator=(const RelayLink&) = delete;

    void applyNetworkMode(int mode) override;
    void startSendingParams() override;
    void stopSendingParams() override;
    void startSendingResolution() override;
    void stopSendingResolution() override;
    void startSendingCheckAltMousePtr() override;
    void sendResolution() override;
    void sendParams() override;
    void announce() override;
    void shutdown() override;

private:
    ActionMgr& actionMgr_;
    Receiver* receiver_;
};
