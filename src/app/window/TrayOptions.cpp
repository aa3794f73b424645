#include "TrayOptions.h"

#include "ActionMgr.h"
#include "UserOptionDlg.h"
#include "VelmoListener.h"

#include <QAction>
#include <QDebug>

namespace {

constexpr int kPinches = 4;

// The dialog shows a release sensitivity p as 1 - p + 0.05; the same formula turns it back.
float flipRelease(float v) { return static_cast<float>(static_cast<double>(1.0f - v) + 0.05); }

int pinchEntry(float action, float keyboardIndex) {
    return action <= 3.0f ? static_cast<int>(action) : static_cast<int>(4.0f + keyboardIndex);
}

} // namespace

TrayOptions::TrayOptions(VelmoListener& listener, Leap::Controller& controller, QAction* notifyClicks)
    : listener_(listener), engine_(listener.engine()), controller_(controller), notifyClicksAction_(notifyClicks) {}

TrayOptions::~TrayOptions() {
    if (optionsOpen_) delete options_;
    options_ = nullptr;
}

void TrayOptions::open() {
    if (!optionsOpen_) {
        options_ = new UserOptionDlg(nullptr, engine_.getNetworkMode());
        options_->setParent(this);
        initParameters();
        rememberImmediateOptions();
        options_->initConnections();
        connect(options_, SIGNAL(optionClosed()), this, SLOT(setOptionClosed()));
        connect(options_, SIGNAL(autoScaleFactor()), this, SLOT(setAutoScaleFactor()));
        connect(options_, SIGNAL(networkModeChanged(int)), this, SIGNAL(networkModeChanged(int)));
        connect(options_, SIGNAL(controllerPosChanged(int)), this, SLOT(setControllerPos(int)));
        connect(options_, SIGNAL(enableAlternativeMouseCursor()), this, SIGNAL(enableAlternativeMouseCursor()));
        connect(options_, SIGNAL(disableAlternativeMouseCursor()), this, SIGNAL(disableAlternativeMouseCursor()));
        connect(options_, SIGNAL(keyboardActionsDeleted(int)), this, SLOT(keyboardActionsDeleted(int)));
        optionsOpen_ = 1;
    }
    options_->show();
    options_->raise();
    options_->activateWindow();
}

void TrayOptions::initParameters() {
    UserOptionDlg* d = options_;
    EngineQueries& l = engine_;
    // A fill sets every value itself: the presets of a plane are for the user's choice only.
    filling_ = true;
    d->setControllerPos(static_cast<int>(l.GetUserParam(ControllerPos)));
    d->setHandMotionScaleFactor(l.GetUserParam(HandMotionScaleFactor));
    d->setOnlyPrimaryDisplay(l.GetUserParam(OnlyPrimaryDisplay));
    d->setDoubleClickTime(l.GetUserParam(DoubleClickTime));
    d->setFistSensitivity(l.GetUserParam(FistSensitivity));
    d->setWheelScaleFactor(l.GetUserParam(WheelScaleFactor));
    d->setDisableTutorial(l.GetUserParam(DisableTutorial));
    d->setEnableAudioFx(l.GetUserParam(EnableAudioFx));
    d->setEnableAudioFxBorder(l.GetUserParam(EnableAudioFxBorder));
    d->setEnableGraphicFx(l.GetUserParam(EnableGraphicFx));
    d->setMoveAfterClickTime(l.GetUserParam(MoveAfterClickTime));
    d->setThumbForePressSensitivity(l.GetUserParam(ThumbForePressSensitivity));
    d->setThumbMiddlePressSensitivity(l.GetUserParam(ThumbMiddlePressSensitivity));
    d->setThumbRingPressSensitivity(l.GetUserParam(ThumbRingPressSensitivity));
    d->setThumbPinkyPressSensitivity(l.GetUserParam(ThumbPinkyPressSensitivity));
    d->setThumbForeReleaseSensitivity(flipRelease(l.GetUserParam(ThumbForeReleaseSensitivity)));
    d->setThumbMiddleReleaseSensitivity(flipRelease(l.GetUserParam(ThumbMiddleReleaseSensitivity)));
    d->setThumbRingReleaseSensitivity(flipRelease(l.GetUserParam(ThumbRingReleaseSensitivity)));
    d->setThumbPinkyReleaseSensitivity(flipRelease(l.GetUserParam(ThumbPinkyReleaseSensitivity)));
    d->setAutoStart(l.GetUserParam(AutoStart));
    d->setCursorMovement(static_cast<int>(l.GetUserParam(CursorMovement)));
    d->setCursorPos(static_cast<int>(l.GetUserParam(CursorPos)));
    d->setCursorPosOffset(static_cast<int>(l.GetUserParam(CursorPosOffset)));
    d->setAutoHandMotionScaleFactor(l.GetUserParam(AutoHandMotionScaleFactor));
    d->setSendStats(l.GetUserParam(SendStats));
    const int mode = static_cast<int>(l.GetUserParam(NetworkMode));
    d->setNetworkMode(mode);
    emit networkModeFilled(mode);
    d->setDestinationIpAddress1(l.GetUserParam(DestinationIpAddress1));
    d->setDestinationIpAddress2(l.GetUserParam(DestinationIpAddress2));
    d->setDestinationIpAddress3(l.GetUserParam(DestinationIpAddress3));
    d->setDestinationIpAddress4(l.GetUserParam(DestinationIpAddress4));
    d->setDestinationPort(l.GetUserParam(DestinationPort));
    d->setPause2Hands(l.GetUserParam(Pause2Hands));
    d->setAlternativeMouseCursor(l.GetUserParam(AlternativeMouseCursor));
    d->setKeyboardActions(l.GetKeyboardActions());
    d->setThumbForeAction(pinchEntry(l.GetUserParam(ThumbForeAction), l.GetUserParam(ThumbForeKeyboardAction)));
    d->setThumbMiddleAction(pinchEntry(l.GetUserParam(ThumbMiddleAction), l.GetUserParam(ThumbMiddleKeyboardAction)));
    d->setThumbRingAction(pinchEntry(l.GetUserParam(ThumbRingAction), l.GetUserParam(ThumbRingKeyboardAction)));
    d->setThumbPinkyAction(pinchEntry(l.GetUserParam(ThumbPinkyAction), l.GetUserParam(ThumbPinkyKeyboardAction)));
    d->setForeFingerCircleAction(static_cast<int>(l.GetUserParam(ForeFingerCircleAction)));
    // The ring and pinky rows follow the stored plane even before the dialog's own reactions exist.
    const bool headMounted = static_cast<int>(l.GetUserParam(ControllerPos)) == 2;
    d->enableGesture(2, !headMounted);
    d->enableGesture(3, !headMounted);
    filling_ = false;
}

void TrayOptions::save() {
    if (!optionsOpen_) return;
    UserOptionDlg* d = options_;
    EngineQueries& l = engine_;
    l.SetUserParam(d->getControllerPos(), ControllerPos);
    l.SetUserParam(d->getHandMotionScaleFactor(), HandMotionScaleFactor);
    l.SetUserParam(d->getOnlyPrimaryDisplay(), OnlyPrimaryDisplay);
    l.SetUserParam(d->getDoubleClickTime(), DoubleClickTime);
    l.SetUserParam(d->getWheelScaleFactor(), WheelScaleFactor);
    l.SetUserParam(d->getDisableTutorial(), DisableTutorial);
    l.SetUserParam(d->getEnableAudioFx(), EnableAudioFx);
    l.SetUserParam(d->getEnableAudioFxBorder(), EnableAudioFxBorder);
    l.SetUserParam(d->getEnableGraphicFx(), EnableGraphicFx);
    l.SetUserParam(d->getMoveAfterClickTime(), MoveAfterClickTime);
    l.SetUserParam(d->getThumbForePressSensitivity(), ThumbForePressSensitivity);
    l.SetUserParam(d->getThumbMiddlePressSensitivity(), ThumbMiddlePressSensitivity);
    l.SetUserParam(d->getThumbRingPressSensitivity(), ThumbRingPressSensitivity);
    l.SetUserParam(d->getThumbPinkyPressSensitivity(), ThumbPinkyPressSensitivity);
    l.SetUserParam(flipRelease(d->getThumbForeReleaseSensitivity()), ThumbForeReleaseSensitivity);
    l.SetUserParam(flipRelease(d->getThumbMiddleReleaseSensitivity()), ThumbMiddleReleaseSensitivity);
    l.SetUserParam(flipRelease(d->getThumbRingReleaseSensitivity()), ThumbRingReleaseSensitivity);
    l.SetUserParam(flipRelease(d->getThumbPinkyReleaseSensitivity()), ThumbPinkyReleaseSensitivity);
    l.SetUserParam(d->getAutoStart(), AutoStart);
    l.SetUserParam(d->getCursorMovement(), CursorMovement);
    l.SetUserParam(d->getCursorPos(), CursorPos);
    l.SetUserParam(d->getCursorPosOffset(), CursorPosOffset);
    l.SetUserParam(d->getAutoHandMotionScaleFactor(), AutoHandMotionScaleFactor);
    l.SetUserParam(d->getSendStats(), SendStats);
    l.SetUserParam(static_cast<float>(d->getNetworkMode()), NetworkMode);
    l.SetUserParam(d->getDestinationIpAddress1(), DestinationIpAddress1);
    l.SetUserParam(d->getDestinationIpAddress2(), DestinationIpAddress2);
    l.SetUserParam(d->getDestinationIpAddress3(), DestinationIpAddress3);
    l.SetUserParam(d->getDestinationIpAddress4(), DestinationIpAddress4);
    l.SetUserParam(d->getDestinationPort(), DestinationPort);
    l.SetUserParam(d->getPause2Hands(), Pause2Hands);
    l.SetUserParam(d->getAlternativeMouseCursor(), AlternativeMouseCursor);
    const int entries[kPinches] = {d->getThumbForeAction(), d->getThumbMiddleAction(), d->getThumbRingAction(),
                                   d->getThumbPinkyAction()};
    for (int p = 0; p < kPinches; ++p) {
        const bool keyboard = entries[p] > 3;
        l.SetUserParam(keyboard ? 4.0f : static_cast<float>(entries[p]), ThumbForeAction + p);
        l.SetUserParam(keyboard ? static_cast<float>(entries[p] - 4) : 0.0f, ThumbForeKeyboardAction + p);
    }
    l.SetUserParam(static_cast<float>(d->getForeFingerCircleAction()), ForeFingerCircleAction);
    l.SetUserParam(d->getFistSensitivity(), FistSensitivity);

    l.DecodeParameters(l.IsAdmin());
    if (l.WriteParameters() != 0) qWarning() << "COULD NOT WRITE THE SETTINGS FILE";
    emit destinationStored();
    listener_.setMouseParam(true);
    if (l.getNetworkMode() == ActionMgr::Source) {
        listener_.sendParams();
        listener_.sendAudioGraphicParam();
    }
    rememberImmediateOptions();
}

void TrayOptions::restore() {
    if (!optionsOpen_) return;
    // The network mode and the alternative pointer act while the dialog is open; Cancel takes
    // them back to what was last confirmed.
    engine_.SetUserParam(confirmedNetworkMode_, NetworkMode);
    engine_.SetUserParam(confirmedAlternativeCursor_, AlternativeMouseCursor);
    engine_.DecodeParameters(engine_.IsAdmin());
    options_->deleteAllTableKeyboardAction();
    initParameters();
}

void TrayOptions::restoreDefault() {
    if (!optionsOpen_) return;
    options_->deleteAllKeyboardAction();
    listener_.InitParameters();
    engine_.EncodeParameters();
    initParameters();
    if (engine_.GetUserParam(AutoHandMotionScaleFactor) != 0.0f)
        engine_.AutoScalePointerFactor(engine_.getWidthOfScreen(), engine_.getHeightOfScreen());
    // The defaults are live at once: Cancel keeps them, and the tray's check mark shows the
    // default of click notification too.
    rememberImmediateOptions();
    emit destinationStored();
    notifyClicksAction_->setChecked(engine_.GetUserParam(NotifyClicks) != 0.0f);
}

void TrayOptions::rememberImmediateOptions() {
    confirmedNetworkMode_ = engine_.GetUserParam(NetworkMode);
    confirmedAlternativeCursor_ = engine_.GetUserParam(AlternativeMouseCursor);
}

void TrayOptions::setAutoScaleFactor() {
    if (!optionsOpen_) return;
    // Shown only: the engine takes the factor on OK, so Cancel leaves it as it was.
    options_->setHandMotionScaleFactor(
        VelmoGestures::autoPointerScaleFactor(engine_.getWidthOfScreen(), engine_.getHeightOfScreen()));
}

void TrayOptions::keyboardActionsDeleted(int row) {
    // The engine's lists lost row `row` (-1: all): a pinch on it sends nothing now, the pinches on
    // later rows follow their action down one place.
    for (int p = 0; p < kPinches; ++p) {
        if (static_cast<int>(engine_.GetUserParam(ThumbForeAction + p)) != KeyboardShortcut) continue;
        const int k = static_cast<int>(engine_.GetUserParam(ThumbForeKeyboardAction + p));
        if (row < 0 || k == row) {
            engine_.SetUserParam(0.0f, ThumbForeAction + p);
            engine_.SetUserParam(0.0f, ThumbForeKeyboardAction + p);
        } else if (k > row) {
            engine_.SetUserParam(static_cast<float>(k - 1), ThumbForeKeyboardAction + p);
        }
    }
    engine_.DecodeParameters(engine_.IsAdmin());
}

void TrayOptions::enableOptionsForNetworkMode(int type) {
    if (!options_) return;
    // Only a source needs the address; a standalone machine needs no port; a destination uses
    // none of the pointer, gesture and effect options, which come from its source.
    struct Groups {
        bool sourceTabs, address, port, effects;
    };
    static const Groups groups[3] = {{true, false, false, true}, {true, true, true, true}, {false, false, true, false}};
    if (type < 0 || type > 2) return;
    options_->enableSourceTabs(groups[type].sourceTabs);
    options_->enableDestIp(groups[type].address);
    options_->enableDestPort(groups[type].port);
    options_->enableAudioGraphicFx(groups[type].effects);
}

void TrayOptions::setControllerPos(int index) {
    if (index < 0 || index > 2) return;
    const bool headMounted = index == 2;
    if (headMounted)
        listener_.initVRViewer(controller_);
    else
        listener_.closeVRViewer(controller_);
    if (!optionsOpen_) return;
    UserOptionDlg* d = options_;
    if (!filling_) {
        if (headMounted) {
            d->setAutoHandMotionScaleFactor(0.0f);
            d->setHandMotionScaleFactor(1.0f);
            d->setOnlyPrimaryDisplay(1.0f);
            d->setThumbForePressSensitivity(0.45f);
            d->setThumbMiddlePressSensitivity(0.35f);
            d->setThumbRingPressSensitivity(0.40f);
            d->setThumbRingAction(0);
            d->setThumbPinkyAction(0);
        } else {
            d->setAutoHandMotionScaleFactor(1.0f);
            d->setOnlyPrimaryDisplay(0.0f);
            d->setThumbForePressSensitivity(0.35f);
            d->setThumbMiddlePressSensitivity(0.25f);
            d->setThumbRingPressSensitivity(0.30f);
            d->setThumbRingAction(3);
            d->setThumbPinkyAction(4);
        }
    }
    d->enableGesture(2, !headMounted);
    d->enableGesture(3, !headMounted);
}

void TrayOptions::setOptionClosed() {
    optionsOpen_ = 0;
    options_ = nullptr;
}
