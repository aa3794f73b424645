// The tray window: construction, tray menu and its slots, tray events, effects, the alternative
// pointer and shut-down.
#include "VelmoWindow.h"

#include "ActionMgr.h"
#include "SourceSink.h"
#include "AudioFX.h"
#include "CheckController.h"
#include "GraphicFX.h"
#include "Keyboard.h"
#include "Mouse.h"
#include "MultiMonitor.h"
#include "NotificationWindow.h"
#include "OsxMousePointer.h"
#include "OwnEnvironment.h"
#include "UsageStats.h"
#include "UserOptionDlg.h"
#include "WndEvent.h"

#include <QAction>
#include <QCoreApplication>
#include <QCursor>
#include <QDebug>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <QUrl>

#ifndef VELMO_WEB_HOST
#define VELMO_WEB_HOST "www.velmo-mouse.example"
#endif

VelmoWindow::VelmoWindow() : QDialog(nullptr) {
    greenIcon_ = QIcon(":/images/icon_green/velmo_green.ico");
    grayIcon_ = QIcon(":/images/icon_gray/velmo_gray.ico");
    messages_[WndConnected] = tr("Leap Motion Controller is connected \nand Leap Motion Service is running");
    messages_[WndDisconnected] = tr("Leap Motion Controller is disconnected \nor Leap Motion Service is not running");
    messages_[WndLeftPressed] = tr("Left Button Pressed");
    messages_[WndLeftReleased] = tr("Left Button Released");
    messages_[WndRightClicked] = tr("Right Button Clicked");
    messages_[WndWheelForward] = tr("Wheel Rotated in a forward direction");
    messages_[WndWheelDownward] = tr("Wheel Rotated in a downward direction");
    messages_[WndEmbeddedInactive] = tr("Press FN + Spacebar to activate\nyour embedded Leap Motion Controller\nor Leap "
                                        "Motion Service is not running");
    messages_[WndMiddlePressed] = tr("Middle Button Pressed");
    messages_[WndMiddleReleased] = tr("Middle Button Released");
    messages_[WndShortcutPressed] = tr("Shortcut Key Pressed");
    messages_[WndShortcutReleased] = tr("Shortcut Key Released");

    createActions();
    createTrayIcon();
    connect(trayIcon_, &QSystemTrayIcon::activated, this, &VelmoWindow::iconActivated);
    tutorialLauncher_ = std::make_unique<TutorialLauncher>(listener_, engine_);
    connect(tutorialLauncher_.get(), &TutorialLauncher::pointerWanted, this, &VelmoWindow::initPointer);
    trayOptions_ = std::make_unique<TrayOptions>(listener_, controller_, notifyClicksAction_);
    connect(tutorialLauncher_.get(), &TutorialLauncher::optionsRequested, trayOptions_.get(), &TrayOptions::open);
    relay_ = std::make_unique<TrayRelay>(listener_, controller_, *trayOptions_,
                                         TrayRelay::Menu{pauseAction_, notifyClicksAction_, tutorialAction_},
                                         TrayRelay::Pointer{[this] { initPointer(); }, [this] { return mousePointer_; }});
    connect(trayOptions_.get(), &TrayOptions::networkModeFilled, this,
            [this](int mode) { relay_->initNetworkMode(mode); });
    connect(trayOptions_.get(), &TrayOptions::networkModeChanged, this, &VelmoWindow::setNetworkMode);
    connect(trayOptions_.get(), &TrayOptions::destinationStored, this, [this] { relay_->retarget(); });
    connect(trayOptions_.get(), &TrayOptions::enableAlternativeMouseCursor, this,
            &VelmoWindow::enableAlternativeMouseCursor);
    connect(trayOptions_.get(), &TrayOptions::disableAlternativeMouseCursor, this,
            &VelmoWindow::disableAlternativeMouseCursor);

    setWindowTitle(tr("Velmo Mouse"));
    setTrayIcon(true);
    trayIcon_->setToolTip(messages_[WndConnected]);
    trayIcon_->setVisible(true);

    balloonTimer_ = new QTimer(this);
    splashTimer_ = new QTimer(this);
    releaseKeyTimer_ = new QTimer(this);
    gesturesDelay_ = new QTimer(this);
    gesturesDelay_->setSingleShot(true);
    gesturesDelay_->setInterval(gesturesDelayMs);
    connect(gesturesDelay_, &QTimer::timeout, this, &VelmoWindow::gestures);
    // The engine's start makes its sink from the settings it has just read: the action manager,
    // whose pointer device and keyboard post on this program's desktop.
    listener_.setSinkFactory(
        ActionMgr::factory(desktop_, releaseKeyTimer_, [this](ActionMgr* made) { actionMgr_ = made; }));

    // The engine starts inside addListener: its action manager, pointer device and keyboard exist
    // when the call returns.
    controller_.setPolicyFlags(Leap::Controller::POLICY_BACKGROUND_FRAMES);
    controller_.addListener(listener_);

    ActionMgr* actionMgr = actionMgr_;
    Mouse* mouse = actionMgr ? actionMgr->GetMouse() : nullptr;
    Keyboard* keyboard = actionMgr ? actionMgr->GetKeyboard() : nullptr;
    connect(&listener_, SIGNAL(SendWndEvent(unsigned int)), this, SLOT(setEvent(unsigned int)));
    clickEventTimer_ = new QTimer(this);
    clickEventTimer_->setSingleShot(true);
    clickEventTimer_->setTimerType(Qt::PreciseTimer);
    clickEventTimer_->setInterval(clickEventDelayMs);
    connect(clickEventTimer_, &QTimer::timeout, this, [this] {
        std::vector<unsigned int> events;
        events.swap(clickEvents_);
        for (unsigned int index : events) setEvent(index);
    });
    if (actionMgr) connect(actionMgr, SIGNAL(SendWndEvent(unsigned int)), this, SLOT(queueClickEvent(unsigned int)));

    // The engine has started: the relay, then the network mode it loaded.
    relay_->start(actionMgr);

    checkController_ = new CheckController();
    checkController_->SetController(&controller_);
    connect(checkController_, SIGNAL(onDisconnect()), this, SLOT(controllerOnDisconnect()));
    checkController_->start(QThread::InheritPriority);

    if (keyboard) connect(keyboard, SIGNAL(signalReleaseKeyStartTimer()), this, SLOT(startReleaseKeyTimer()));

    if (engine_.GetUserParam(NotifyClicks) != 0.0f) notifyClicksAction_->setChecked(true);

    createConnections();
    // Log-out may end the session before any quit reaches us: nothing stays held past it.
    if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        connect(gui, &QGuiApplication::commitDataRequest, this, [this] { listener_.releaseHeldInput(); });
    splash();

    if (engine_.IsSendingStats()) {
        UsageStats stats;
        stats.send(QStringLiteral("start"), engine_.getNetworkMode(), engine_.GetControllerPos());
    }

    if (engine_.GetUserParam(AutoStart) != 0.0f) autoStartClick();

    audioFx_ = new AudioFX();
    if (mouse) connect(mouse, SIGNAL(playEffect(int)), this, SLOT(playEffect(int)));
    if (keyboard) connect(keyboard, SIGNAL(playEffect(int)), this, SLOT(playEffect(int)));
    if (actionMgr) {
        connect(actionMgr, SIGNAL(fistDetected(int)), this, SLOT(playEffect(int)));
        connect(actionMgr, SIGNAL(screenBorderReached(int)), this, SLOT(playEffect(int)));
    }

    graphicFx_ = new GraphicFX(nullptr);
    if (actionMgr) connect(actionMgr, SIGNAL(screenBorderSideReached(int, int)), this, SLOT(drawEffect(int, int)));

    // An alternative pointer on in the settings needs its window from the start.
    if (engine_.IsAlternativeMousePointer()) initPointer();
}

void VelmoWindow::letGoAndSave() {
    // First: the rest of the shut-down may take a while, and the hand cannot let go any more.
    listener_.releaseHeldInput();
    if (relaySource() && engine_.IsAlternativeMousePointer()) relaySource()->DeleteMousePointer();
    // At every exit, so that menu toggles persist without the options dialog.
    if (engine_.WriteParameters() != 0) qWarning() << "COULD NOT WRITE THE SETTINGS FILE";
}

void VelmoWindow::leaveWithoutDisplay() {
    // Paused, a frame still on its way presses nothing after the releases.
    engine_.Pause(1);
    letGoAndSave();
}

VelmoWindow::~VelmoWindow() {
    const bool sendStats = engine_.IsSendingStats() != 0;
    letGoAndSave();

    checkController_->join();

    balloonTimer_->stop();
    splashTimer_->stop();
    releaseKeyTimer_->stop();
    gesturesDelay_->stop();

    // The receiver calls into the engine and its action manager: it stops before they go.
    relay_->stop();
    controller_.removeListener(listener_);

    // The windows delete themselves when closed; deleting them closes them now, outside the event
    // loop, and their closed signals clear the flags.
    if (balloonOpen_) delete balloon_;
    if (aboutOpen_) delete about_;
    if (gesturesOpen_) delete gestures_;
    if (splashOpen_) delete splash_;
    balloon_ = about_ = gestures_ = splash_ = nullptr;
    tutorialLauncher_.reset();
    trayOptions_.reset();
    delete mousePointer_;
    mousePointer_ = nullptr;

    delete balloonTimer_;
    delete splashTimer_;
    delete releaseKeyTimer_;
    balloonTimer_ = splashTimer_ = releaseKeyTimer_ = nullptr;
    delete checkController_;
    checkController_ = nullptr;
    delete audioFx_;
    audioFx_ = nullptr;
    delete graphicFx_;
    graphicFx_ = nullptr;

    if (sendStats) {
        UsageStats stats;
        stats.send(QStringLiteral("stop"), engine_.getNetworkMode(), engine_.GetControllerPos());
    }
    QCoreApplication::quit();
}

QString VelmoWindow::message(unsigned int index) const {
    return index < eventCount ? messages_[index] : QString();
}

void VelmoWindow::createActions() {
    aboutAction_ = new QAction(tr("&About"), this);
    tutorialAction_ = new QAction(tr("&Tutorial"), this);
    gesturesAction_ = new QAction(tr("&Gestures"), this);
    helpAction_ = new QAction(tr("&Online Help"), this);
    notifyClicksAction_ = new QAction(tr("&Notify Clicks"), this);
    notifyClicksAction_->setCheckable(true);
    pauseAction_ = new QAction(tr("&Pause"), this);
    optionsAction_ = new QAction(tr("&Options"), this);
    quitAction_ = new QAction(tr("&Quit"), this);
}

void VelmoWindow::createTrayIcon() {
    trayIconMenu_ = new QMenu(this);
    trayIconMenu_->addAction(aboutAction_);
    trayIconMenu_->addAction(tutorialAction_);
    trayIconMenu_->addAction(gesturesAction_);
    trayIconMenu_->addAction(helpAction_);
    trayIconMenu_->addAction(notifyClicksAction_);
    trayIconMenu_->addSeparator();
    trayIconMenu_->addAction(pauseAction_);
    trayIconMenu_->addAction(optionsAction_);
    trayIconMenu_->addSeparator();
    trayIconMenu_->addAction(quitAction_);

    trayIcon_ = new QSystemTrayIcon(this);
    const QByteArray category = qgetenv("SNI_CATEGORY");
    if (!category.isEmpty()) trayIcon_->setProperty("_qt_sni_category", QString::fromLocal8Bit(category));
    trayIcon_->setContextMenu(trayIconMenu_);
}

void VelmoWindow::createConnections() {
    connect(aboutAction_, &QAction::triggered, this, &VelmoWindow::about);
    connect(gesturesAction_, &QAction::triggered, this, &VelmoWindow::gestures);
    connect(tutorialAction_, &QAction::triggered, tutorialLauncher_.get(), &TutorialLauncher::open);
    connect(helpAction_, &QAction::triggered, this, &VelmoWindow::help);
    connect(notifyClicksAction_, &QAction::triggered, this, &VelmoWindow::notifyClicks);
    connect(pauseAction_, &QAction::triggered, this, &VelmoWindow::pause);
    connect(optionsAction_, &QAction::triggered, trayOptions_.get(), &TrayOptions::open);
    connect(quitAction_, &QAction::triggered, qApp, &QCoreApplication::quit);
}

void VelmoWindow::splash() {
    if (!splashOpen_) {
        splash_ = new NotificationWindow(nullptr, 0, 0, NotificationWindow::Splash);
        connect(splash_, SIGNAL(splashClosed()), this, SLOT(setSplashClosed()));
        splashOpen_ = 1;
    }
    splash_->show();
    splashTimer_->setInterval(splashTimeMs);
    splashTimer_->setSingleShot(true);
    connect(splashTimer_, SIGNAL(timeout()), splash_, SLOT(hide()), Qt::UniqueConnection);
    connect(splashTimer_, SIGNAL(timeout()), this, SLOT(gesturesWithCheck()), Qt::UniqueConnection);
    splashTimer_->start();
}

void VelmoWindow::autoStartClick() {
    Mouse* mouse = actionMgr_ ? actionMgr_->GetMouse() : nullptr;
    if (!mouse) return;
    const int width = mouse->getWidthOfScreen();
    const int height = mouse->getHeightOfScreen();
    const int alternative = mouse->isAlternativeMousePointer();
    const int relative = mouse->isRelative();
    if (relative == 0) {
        mouse->move(width * 0.5f, height * 0.5f, alternative, 0, 0);
    } else if (relative == 1) {
        int x = 0;
        int y = 0;
        mouse->getLoc(&x, &y);
        mouse->move(static_cast<int>(width * 0.5 - x), static_cast<int>(height * 0.5 - y), alternative, 1, 0);
    }
    mouse->buttonPress(LeftButton);
    mouse->buttonRelease(LeftButton);
}

void VelmoWindow::setTrayIcon(bool green) {
    // Every click reports an event: the same icon again would only redraw it.
    if (green == iconGreen_ && !trayIcon_->icon().isNull()) return;
    iconGreen_ = green;
    trayIcon_->setIcon(green ? greenIcon_ : grayIcon_);
}

void VelmoWindow::queueClickEvent(unsigned int index) {
    clickEvents_.push_back(index);
    if (!clickEventTimer_->isActive()) clickEventTimer_->start();
}

void VelmoWindow::setEvent(unsigned int index) {
    // Only 0-11 have a text; anything else is not an event of ours.
    if (index >= eventCount) return;
    if (index == WndDisconnected || index == WndEmbeddedInactive)
        setTrayIcon(false);
    else if (!engine_.IsPaused())
        setTrayIcon(true);
    trayIcon_->setToolTip(messages_[index]);
    qDebug().noquote() << QStringLiteral("TRAY EVENT %1 %2: %3")
                              .arg(index)
                              .arg(iconGreen_ ? "GREEN" : "GRAY")
                              .arg(QString(messages_[index]).replace(QStringLiteral(" \n"), QStringLiteral(" ")).replace('\n', ' '));

    if (!balloonOpen_) {
        balloon_ = new NotificationWindow(nullptr, 0, 0, NotificationWindow::Balloon);
        connect(balloon_, SIGNAL(baloonClosed()), this, SLOT(setBaloonClosed()));
        connect(balloonTimer_, SIGNAL(timeout()), balloon_, SLOT(hide()), Qt::UniqueConnection);
        balloonOpen_ = 1;
    }
    balloon_->setMsg(messages_[index]);
    balloon_->show();
    balloonTimer_->setInterval(balloonTimeMs);
    balloonTimer_->setSingleShot(true);
    balloonTimer_->start();
}

void VelmoWindow::iconActivated(QSystemTrayIcon::ActivationReason reason) {
    // Tray hosts open the context menu on a right click themselves; a left click opens it too.
    if (reason == QSystemTrayIcon::Trigger) trayIconMenu_->popup(QCursor::pos());
}

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

void VelmoWindow::applyAlternativeMouseCursor(bool show) {
    UserOptionDlg* dialog = trayOptions_->dialog();
    engine_.SetUserParam(dialog ? dialog->getAlternativeMouseCursor() : (show ? 1.0f : 0.0f),
                           AlternativeMouseCursor);
    engine_.DecodeParameters(0);
    if (show) initPointer();
    if (engine_.getNetworkMode() == ActionMgr::Source) {
        listener_.setMouseParam(true);
    } else {
        if (mousePointer_) show ? mousePointer_->show() : mousePointer_->hide();
        listener_.setMouseParam(false);
    }
    if (actionMgr_) actionMgr_->SetMousePointer(mousePointer_);
    if (relaySource()) relaySource()->SetMousePointer();
}

void VelmoWindow::enableAlternativeMouseCursor() { applyAlternativeMouseCursor(true); }

void VelmoWindow::disableAlternativeMouseCursor() { applyAlternativeMouseCursor(false); }

void VelmoWindow::initPointer() {
    if (!pointerOpen_) {
        mousePointer_ = new OsxMousePointer(desktop_);
        if (actionMgr_) actionMgr_->SetMousePointer(mousePointer_);
        if (relaySource()) relaySource()->SetMousePointer();
        mousePointer_->hide();
        pointerOpen_ = 1;
    }
    qDebug().noquote() << "CHECKING ALTERNATIVE POINTER - " << engine_.IsAlternativeMousePointer();
    if (engine_.IsAlternativeMousePointer() && engine_.getNetworkMode() == ActionMgr::Standalone)
        mousePointer_->show();
}
