// The tray window's network mode and the thread that runs the relay's sockets.
#include "VelmoWindow.h"

#include "ActionMgr.h"
#include "OsxMousePointer.h"

#include <QAction>
#include <QDebug>
#include <QThread>

void VelmoWindow::startRelay() {
    socketThread_ = new QThread();
    socketThread_->setObjectName(QStringLiteral("velmo-relay"));
    socketThread_->start();
    socketContext_ = new QObject();
    socketContext_->moveToThread(socketThread_);
    // Made on that thread, so that its event loop delivers the datagrams and the timer ticks.
    QMetaObject::invokeMethod(
        socketContext_,
        [this] {
            listener_.setSocketParent(socketContext_);
            listener_.createAllSocket();
        },
        Qt::BlockingQueuedConnection);
}

void VelmoWindow::stopRelay() {
    if (!socketThread_) return;
    // Lets go of what a destination holds, then closes the socket, on the relay's thread.
    listener_.deleteAllSocket();
    listener_.setSocketParent(nullptr);
    socketThread_->quit();
    socketThread_->wait();
    delete socketContext_;
    socketContext_ = nullptr;
    delete socketThread_;
    socketThread_ = nullptr;
}

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
    listener_.setNetworkMode(type);
    engine_.EncodeParameters();
    const bool destination = type == ActionMgr::Destination;
    if (destination) {
        qDebug().noquote() << "Destination sending resolution";
        listener_.sendResolution();
        listener_.startSendingResolution();
        listener_.startSendingCheckAltMousePtr();
        listener_.stopSendingParams();
        // A source may ask for the pointer window at any time: have it ready, hidden.
        initPointer();
    } else if (type == ActionMgr::Source) {
        listener_.stopSendingResolution();
        listener_.startSendingParams();
    } else if (type != ActionMgr::Standalone) {
        return;
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
