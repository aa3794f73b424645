#include "TrayRelay.h"

#include "ActionMgr.h"
#include "EngineQueries.h"
#include "Leap.h"
#include "OsxMousePointer.h"
#include "RelayLink.h"
#include "RelaySession.h"
#include "SourceSink.h"
#include "TrayOptions.h"
#include "VelmoListener.h"

#include <QAction>
#include <QDebug>
#include <QThread>

TrayRelay::TrayRelay(VelmoListener& listener, Leap::Controller& controller, TrayOptions& options, Menu menu,
                     Pointer pointer)
    : listener_(listener), engine_(listener.engine()), controller_(controller), options_(options), menu_(menu),
      pointer_(std::move(pointer)) {}

TrayRelay::~TrayRelay() = default;

void TrayRelay::start(ActionMgr* mgr) {
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
    session_ = std::make_unique<RelaySession>(std::move(wiring));
    int port = 0;
    int ip[4] = {0, 0, 0, 0};
    listener_.relayDestination(&port, ip);
    session_->start(engine_.getNetworkMode(), port, ip);
    initNetworkMode(engine_.getNetworkMode());
}

void TrayRelay::stop() { session_.reset(); }

QThread* TrayRelay::thread() const { return session_ ? session_->thread() : nullptr; }

SourceSink* TrayRelay::source() const { return session_ ? session_->source() : nullptr; }

void TrayRelay::setNetworkMode(int index) {
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

void TrayRelay::retarget() {
    if (!session_) return;
    int port = 0;
    int ip[4] = {0, 0, 0, 0};
    listener_.relayDestination(&port, ip);
    session_->retarget(port, ip);
}

void TrayRelay::initNetworkMode(int type) {
    if (session_) {
        session_->setMode(type);
    } else {
        listener_.setNetworkMode(type);
    }
    engine_.EncodeParameters();
    if (type < ActionMgr::Standalone || type > ActionMgr::Destination) return;
    const bool destination = type == ActionMgr::Destination;
    if (destination) {
        qDebug().noquote() << "Destination sending resolution";
        // A source may ask for the pointer window at any time: have it ready, hidden.
        pointer_.make();
    }
    // Neither a source nor a destination shows the pointer window on this desktop.
    OsxMousePointer* pointer = pointer_.window();
    if (pointer && type != ActionMgr::Standalone) pointer->hide();

    // A destination takes its actions from the network: nothing to practise, pause or notify here.
    menu_.pause->setEnabled(!destination);
    menu_.notifyClicks->setEnabled(!destination);
    if (destination && menu_.tutorial->isEnabled()) {
        menu_.tutorial->setEnabled(false);
        tutorialOffInDestination_ = true;
    } else if (!destination && tutorialOffInDestination_) {
        menu_.tutorial->setEnabled(true);
        tutorialOffInDestination_ = false;
    }
    options_.enableOptionsForNetworkMode(type);
}
