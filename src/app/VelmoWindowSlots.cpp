// The tray window's control slots: windows, engine switches, effect gates.
#include "VelmoWindow.h"

#include "ActionMgr.h"
#include "AudioFX.h"
#include "CheckController.h"
#include "GraphicFX.h"
#include "Keyboard.h"
#include "Mouse.h"
#include "MultiMonitor.h"
#include "NotificationWindow.h"
#include "OwnEnvironment.h"

#include <QAction>
#include <QDebug>
#include <QDesktopServices>
#include <QMessageBox>
#include <QTimer>
#include <QUrl>

#ifndef VELMO_WEB_HOST
#define VELMO_WEB_HOST "www.velmo-mouse.example"
#endif

QString VelmoWindow::siteAddress() {
    return QStringLiteral("http://") + QStringLiteral(VELMO_WEB_HOST);
}

bool VelmoWindow::confirmWebPage(const QString& address) {
    const QString text = QStringLiteral("Velmo Mouse is going to open web page ") + address +
                         QStringLiteral(". Web content is not rated. Do you wish to continue?");
    return QMessageBox::question(this, QStringLiteral("Velmo Mouse"), text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

void VelmoWindow::about() {
    if (!aboutOpen_) {
        about_ = new NotificationWindow(nullptr, 0, 0, NotificationWindow::About);
        connect(about_, SIGNAL(mouseReleaseEvent(QMouseEvent*)), this, SLOT(openWebSite()));
        connect(about_, SIGNAL(aboutClosed()), this, SLOT(setAboutClosed()));
        aboutOpen_ = 1;
    }
    about_->show();
}

void VelmoWindow::openWebSite() {
    if (about_) about_->hide();
    const QString address = siteAddress();
    if (confirmWebPage(address)) openInBrowser(address);
}

void VelmoWindow::help() {
    const QString address = siteAddress() + QStringLiteral("/help.html");
    if (confirmWebPage(address)) openInBrowser(address);
}

void VelmoWindow::openInBrowser(const QString& address) {
    OwnEnvironment::withoutOwn([&] { QDesktopServices::openUrl(QUrl(address)); });
}

void VelmoWindow::gestures() {
    if (!gesturesOpen_) {
        gestures_ = new NotificationWindow(nullptr, 0, 0, NotificationWindow::Gestures);
        connect(gestures_, SIGNAL(gesturesClosed()), this, SLOT(setGesturesClosed()));
        gesturesOpen_ = 1;
    }
    gestures_->show();
}

void VelmoWindow::gesturesWithCheck() {
    if (engine_.GetUserParam(DisableTutorial) != 0.0f) return;
    // A timer, not a sleep: the tray stays responsive meanwhile.
    gesturesDelay_->start();
}

void VelmoWindow::notifyClicks() {
    engine_.SetUserParam(engine_.GetUserParam(NotifyClicks) != 0.0f ? 0.0f : 1.0f, NotifyClicks);
    engine_.DecodeParameters(engine_.IsAdmin());
    qDebug(engine_.GetUserParam(NotifyClicks) != 0.0f ? "NOTIFY CLICKS ON" : "NOTIFY CLICKS OFF");
}

void VelmoWindow::pause() {
    if (engine_.IsPaused()) {
        engine_.Pause(0);
        if (engine_.IsConnected() == 1) setTrayIcon(true);
        pauseAction_->setText(tr("&Pause"));
    } else {
        engine_.Pause(1);
        setTrayIcon(false);
        pauseAction_->setText(tr("&Resume"));
    }
}

void VelmoWindow::controllerOnDisconnect() {
    // The check ran two seconds after start; a device may have come since, and then it has said so.
    if (!controller_.isConnected()) listener_.onDisconnect(controller_);
    checkController_->exit(0);
}

void VelmoWindow::startReleaseKeyTimer() {
    Keyboard* keyboard = actionMgr_ ? actionMgr_->GetKeyboard() : nullptr;
    if (!keyboard) return;
    // Once, however often the timer is started: a second connection would release twice.
    connect(releaseKeyTimer_, SIGNAL(timeout()), keyboard, SLOT(timerKeyReleaseTimeout()), Qt::UniqueConnection);
    releaseKeyTimer_->setSingleShot(true);
    releaseKeyTimer_->start(engine_.getDoubleClickTime());
}

void VelmoWindow::playEffect(int value) {
    // The fist comes only through here; a line marks it in the log whatever the sound switches say.
    if (value == FxFistDetected) qDebug("FIST DETECTED");
    if (!audioFx_ || !engine_.isAudioFxEnabled()) return;
    if (value == FxBorderReached || value == FxBorderLeft) {
        if (!engine_.isAudioFxBorderEnabled() || engine_.isRelative() != 0) return;
    }
    audioFx_->playEffect(static_cast<audioEffects>(value));
}

void VelmoWindow::drawEffect(int value, int autoIntHeight) {
    Mouse* mouse = actionMgr_ ? actionMgr_->GetMouse() : nullptr;
    if (!graphicFx_ || !mouse) return;
    if (!engine_.isGraphicFxEnabled() || engine_.isInteractiveTutorial()) return;
    // Where the pointer space lies on the desktop, in the units Qt places windows in.
    graphicFx_->drawEffect(static_cast<screenBorder>(value), MultiMonitor::toQtUnits(mouse->pointerSpace()),
                           autoIntHeight != 0);
}

// The windows delete themselves when closed: each closed slot forgets its window as well.
void VelmoWindow::setBaloonClosed() {
    balloonOpen_ = 0;
    balloon_ = nullptr;
}

void VelmoWindow::setAboutClosed() {
    aboutOpen_ = 0;
    about_ = nullptr;
}

void VelmoWindow::setGesturesClosed() {
    gesturesOpen_ = 0;
    gestures_ = nullptr;
}

void VelmoWindow::setSplashClosed() {
    splashOpen_ = 0;
    splash_ = nullptr;
}
