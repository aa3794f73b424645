// The tray window's network mode and the relay session that carries it out.
#include "VelmoWindow.h"

#include "ActionMgr.h"
#include "OsxMousePointer.h"
#include "RelayLink.h"
#include "RelaySession.h"

#include <QAction>
#include <QDebug>
#include <QThread>

void VelmoWindow::startRelay() {
    // The engine has started: its action manager lives until after the session has stopped.
    ActionMgr* mgr = actionMgr_;
    RelaySession::Wiring wiring;
    wiring.endpoint = [mgr](int port, SourceSink& source, std::function<void()> pointerRequested) {
        std::unique_ptr<RelayEndpoint> endpoint;
        if (mgr) endpoint = std::make_unique<RelayLink>(*mgr, port, source, std::move(pointerRequested));
        return endpoint;
    };
    wiring.storeMode = [this](int mode) { listener_.setNetworkMode(mode); };
    // The destination asked for our pointer parameters: they go out now, the window's after them.
    wiring.pointerRequested = [this] { listener_.setMouseParam(false); };
    wiring.useSink = [this](EngineSink* sink) { listener_.useSink(sink); };
    wiring.localSink = mgr;
    wiring.effects = [this] {
        SourceSink::Effects e;
        e.audioFx = engine_.isAudioFxEnabled();
        e.audioFxBorder = engine_.isAudioFxBorderEnabled();
        e.graphicFx = engine_.isGraphicFxEnabled();
        return e;
    };
    relay_ = std::make_unique<RelaySession>(std::move(wiring));
    int port = 0;
    int ip[4] = {0, 0, 0, 0};
    listener_.relayDestination(&port, ip);
    relay_->start(engine_.getNetworkMode(), port, ip);
}

void VelmoWindow::stopRelay() {
    // Lets go of what a destination holds, then closes the socket, on the relay's thread.
    relay_.reset();
}

QThread* VelmoWindow::socketThread() const { return relay_ ? relay_->thread() : nullptr; }

SourceSink* VelmoWindow::relaySource() const { return relay_ ? relay_->source() : nullptr; }

void VelmoWindow::setNetworkMode(int index) {
    initNetworkMode(index);
    if (index == ActionMgr::Standalone || index == ActionMgr::Source) {
        if (controller_.isConnected())
            controller_.setPolicyFlags(controller_.policyFlags() | 1);
        else
            listener_.onDisconnect(controller_);
    } else if (index == ActionMgr::Destination) {
        listener_.setIconStatusOk();
    }
}

void VelmoWindow::initNetworkMode(int type) {
    if (relay_) {
        relay_->setMode(type);
    } else {
        listener_.setNetworkMode(type);
    }
    engine_.EncodeParameters();
    if (type < ActionMgr::Standalone || type > ActionMgr::Destination) return;
    const bool destination = type == ActionMgr::Destination;
    if (destination) {
        qDebug().noquote() << "Destination sending resolution";
        // A source may ask for the pointer window at any time: have it ready, hidden.
        initPointer();
    }
    // Neither a source nor a destination shows the pointer window on this desktop.
    if (mousePointer_ && type != ActionMgr::Standalone) mousePointer_->hide();

    // A destination takes its actions from the network: nothing to practise, pause or notify here.
    pauseAction_->setEnabled(!destination);
    notifyClicksAction_->setEnabled(!destination);
    if (destination && tutorialAction_->isEnabled()) {
        tutorialAction_->setEnabled(false);
        tutorialOffInDestination_ = true;
    } else if (!destination && tutorialOffInDestination_) {
        tutorialAction_->setEnabled(true);
        tutorialOffInDestination_ = false;
    }
    enableOptionsForNetworkMode(type);
}
