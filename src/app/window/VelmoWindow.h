#pragma once

#include <memory>
#include <vector>

#include <QDialog>
#include <QIcon>
#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>

#include "ActionMgr.h"
#include "Leap.h"
#include "EngineQueries.h"
#include "TrayOptions.h"
#include "TrayRelay.h"
#include "TutorialLauncher.h"
#include "VelmoListener.h"
#include "X11Backend.h"

class AudioFX;
class CheckController;
class GraphicFX;
class NotificationWindow;
class OsxMousePointer;
class QAction;
class QMenu;
class QThread;
class RelaySession;
class SourceSink;
class QTimer;

// The application's central object: never shown itself, it lives as a tray icon with a menu. It
// owns the program's X connection, the engine's listener and the tracking controller, makes the
// engine's sink (the action manager) and relay, wires the signals between them and the desktop,
// shows connection and click notifications and opens the other windows.
class VelmoWindow : public QDialog {
    Q_OBJECT

public:
    static constexpr int balloonTimeMs = 5000;
    static constexpr int splashTimeMs = 5000;
    static constexpr int gesturesDelayMs = 1000;
    static constexpr unsigned int eventCount = 12;
    static constexpr int clickEventDelayMs = 4;

    VelmoWindow();
    ~VelmoWindow() override;

    // The tool-tip and balloon text of a tray event code; empty outside 0-11.
    QString message(unsigned int index) const;

    // Readers for tests and the program's own diagnostics.
    QSystemTrayIcon* trayIcon() const { return trayIcon_; }
    QMenu* trayMenu() const { return trayIconMenu_; }
    bool isIconGreen() const { return iconGreen_; }
    NotificationWindow* balloonWindow() const { return balloon_; }
    NotificationWindow* splashWindow() const { return splash_; }
    NotificationWindow* gesturesWindow() const { return gestures_; }
    NotificationWindow* aboutWindow() const { return about_; }
    QTimer* balloonTimer() const { return balloonTimer_; }
    QTimer* splashTimer() const { return splashTimer_; }
    QTimer* releaseKeyTimer() const { return releaseKeyTimer_; }
    QAction* aboutAction() const { return aboutAction_; }
    QAction* tutorialAction() const { return tutorialAction_; }
    QAction* gesturesAction() const { return gesturesAction_; }
    QAction* helpAction() const { return helpAction_; }
    QAction* notifyClicksAction() const { return notifyClicksAction_; }
    QAction* pauseAction() const { return pauseAction_; }
    QAction* optionsAction() const { return optionsAction_; }
    QAction* quitAction() const { return quitAction_; }
    VelmoListener& listener() { return listener_; }
    X11Backend& desktop() { return desktop_; }
    // The running engine's action manager (null when the engine has not started).
    ActionMgr* actionManager() const { return actionMgr_; }
    Leap::Controller& controller() { return controller_; }
    CheckController* checker() const { return checkController_; }
    AudioFX* soundEffects() const { return audioFx_; }
    GraphicFX* edgeBanner() const { return graphicFx_; }
    // The tutorial and the options dialog as the tray opens them.
    TutorialLauncher& tutorialLauncher() { return *tutorialLauncher_; }
    // The thread on which the relay's receiver runs its sockets and timers.
    QThread* socketThread() const { return relay_ ? relay_->thread() : nullptr; }
    // The relay's sink towards the destination while this machine is a source, else null.
    SourceSink* relaySource() const { return relay_ ? relay_->source() : nullptr; }
    // The relay: the network mode and what it sends (null before start-up and after shut-down).
    RelaySession* relay() const { return relay_ ? relay_->session() : nullptr; }
    TrayOptions& trayOptions() { return *trayOptions_; }
    OsxMousePointer* mousePointer() const { return mousePointer_; }

    // "http://" and the product's web site.
    static QString siteAddress();
    // The browser starts with the user's environment, not the settings this program made for itself.
    static void openInBrowser(const QString& address);

    // The X server is gone and the program ends without the usual shut-down (no window, no X
    // connection left to close): the hand acts no more, what it holds is let go (on a relay
    // destination too) and the settings are saved. Any thread; touches no X connection.
    void leaveWithoutDisplay();

public slots:
    void setEvent(unsigned int index);
    // A click's tray event: shown a moment later (clickEventDelayMs), so that the X server hands the
    // click to the other programs before it spends its time on our repaint.
    void queueClickEvent(unsigned int index);
    void iconActivated(QSystemTrayIcon::ActivationReason reason);

    void about();
    void openWebSite();
    void help();
    void gestures();
    void gesturesWithCheck();
    void notifyClicks();
    void pause();
    void controllerOnDisconnect();
    void startReleaseKeyTimer();
    void playEffect(int value);
    void drawEffect(int value, int autoIntHeight);

    void setBaloonClosed();
    void setAboutClosed();
    void setGesturesClosed();
    void setSplashClosed();

    // The options dialog's switches that act at once.
    void enableAlternativeMouseCursor();
    void disableAlternativeMouseCursor();
    void setNetworkMode(int index) { relay_->setNetworkMode(index); }
    // Creates the alternative pointer window on first need and shows it when it is on.
    void initPointer();

private:
    // What every end of the program does first: let go of held input and save the settings.
    void letGoAndSave();
    void applyAlternativeMouseCursor(bool show);

    void createActions();
    void createTrayIcon();
    void createConnections();
    void splash();
    void autoStartClick();
    void setTrayIcon(bool green);
    // Yes on the question whether to open address in the browser.
    bool confirmWebPage(const QString& address);

    QIcon greenIcon_;
    QIcon grayIcon_;
    bool iconGreen_ = true;
    QString messages_[eventCount];

    // First made, last gone: everything below posts on it.
    X11Backend desktop_;
    // The controller is declared after the listener so that it goes first.
    VelmoListener listener_;
    // Made by the engine's start through the sink factory, deleted by its teardown.
    QPointer<ActionMgr> actionMgr_;
    Leap::Controller controller_;
    // What the window, the options dialog and the tutorial ask of the engine and tell it.
    EngineQueries& engine_{listener_.engine()};
    std::unique_ptr<TutorialLauncher> tutorialLauncher_;
    std::unique_ptr<TrayOptions> trayOptions_;

    QSystemTrayIcon* trayIcon_ = nullptr;
    QMenu* trayIconMenu_ = nullptr;
    QAction* aboutAction_ = nullptr;
    QAction* tutorialAction_ = nullptr;
    QAction* gesturesAction_ = nullptr;
    QAction* helpAction_ = nullptr;
    QAction* notifyClicksAction_ = nullptr;
    QAction* pauseAction_ = nullptr;
    QAction* optionsAction_ = nullptr;
    QAction* quitAction_ = nullptr;

    NotificationWindow* balloon_ = nullptr;
    NotificationWindow* about_ = nullptr;
    NotificationWindow* gestures_ = nullptr;
    NotificationWindow* splash_ = nullptr;
    OsxMousePointer* mousePointer_ = nullptr;

    int balloonOpen_ = 0;
    int aboutOpen_ = 0;
    int pointerOpen_ = 0;
    int splashOpen_ = 0;
    int gesturesOpen_ = 0;

    QTimer* balloonTimer_ = nullptr;
    QTimer* splashTimer_ = nullptr;
    QTimer* releaseKeyTimer_ = nullptr;
    QTimer* gesturesDelay_ = nullptr;
    QTimer* clickEventTimer_ = nullptr;
    std::vector<unsigned int> clickEvents_;

    CheckController* checkController_ = nullptr;
    AudioFX* audioFx_ = nullptr;
    GraphicFX* graphicFx_ = nullptr;

    // The relay session and what a network mode changes in the tray.
    std::unique_ptr<TrayRelay> relay_;
};
