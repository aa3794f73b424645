#pragma once

#include <functional>

#include "RelayEndpoint.h"

class ActionMgr;
class Receiver;
class SourceSink;

// The relay's receiving end on this machine: a receiver that carries out a source's commands
// through the action manager, and hears a destination through the session's source sink. Made on
// the relay session's thread.
class RelayLink : public RelayEndpoint {
public:
    RelayLink(ActionMgr& actionMgr, int port, SourceSink& source, std::function<void()> pointerRequested);
    ~RelayLink() override;
    RelayLink(const RelayLink&) = delete;
    RelayLink& operator=(const RelayLink&) = delete;

    void applyNetworkMode(int mode) override;
    void resetSocket(int port) override;
    void startSendingParams() override;
    void stopSendingParams() override;
    void startSendingResolution() override;
    void stopSendingResolution() override;
    void startSendingCheckAltMousePtr() override;
    void sendResolution() override;
    void sendParams() override;
    void shutdown() override;

private:
    Receiver* receiver_;
};
