#pragma once

#include <QDialog>

#include "KeyboardOptionsPage.h"
#include "NetworkOptionsPage.h"
#include "SliderScale.h"

class QLabel;
class QObject;
class QSlider;
class Ui_UserOptionDlg;
class keyboardAct;

// The options dialog. It keeps no copy of the parameter table: the tray window fills it through
// the setters and reads it back through the getters on OK. Only the keyboard actions are edited in
// place, in the engine's own (locked) lists.
class UserOptionDlg : public QDialog {
    Q_OBJECT

public:
    UserOptionDlg(QWidget* parent, int networkMode);
    ~UserOptionDlg() override;

    // The sliders, in the order of their value slots.
    enum Slider {
        SliderCursorPosOffset,
        SliderHandScaleFactor,
        SliderMoveAfterClickTime,
        SliderThumbForePress,
        SliderThumbMiddlePress,
        SliderThumbRingPress,
        SliderThumbPinkyPress,
        SliderThumbForeRelease,
        SliderThumbMiddleRelease,
        SliderThumbRingRelease,
        SliderThumbPinkyRelease,
        SliderWheelScaleFactor,
        SliderDoubleClickTime,
        SliderFistSensitivity,
        SliderCount
    };
    static SliderScale sliderScale(Slider s);
    // Milliseconds in the engine, seconds in the dialog.
    static bool isTimeSlider(Slider s) { return s == SliderMoveAfterClickTime || s == SliderDoubleClickTime; }
    QSlider* slider(Slider s) const;
    QLabel* sliderLabel(Slider s) const;

    // The form, for the tray window's enabling and for tests.
    Ui_UserOptionDlg* form() const { return ui; }

    // Wires OK, Cancel, closing and Restore Default to window's save(), restore() and
    // restoreDefault(). The dialog's object parent is not changed.
    void setParent(QObject* window);
    void initConnections();

    void setControllerPos(int v);
    float getControllerPos() const;
    void setHandMotionScaleFactor(float v);
    float getHandMotionScaleFactor() const;
    void setOnlyPrimaryDisplay(float v);
    float getOnlyPrimaryDisplay() const;
    void setDoubleClickTime(float ms);
    float getDoubleClickTime() const;
    void setFistSensitivity(float v);
    float getFistSensitivity() const;
    void setWheelScaleFactor(float v);
    float getWheelScaleFactor() const;
    void setDisableTutorial(float v);
    float getDisableTutorial() const;
    void setEnableAudioFx(float v);
    float getEnableAudioFx() const;
    void setEnableAudioFxBorder(float v);
    float getEnableAudioFxBorder() const;
    void setEnableGraphicFx(float v);
    float getEnableGraphicFx() const;
    void setMoveAfterClickTime(float ms);
    float getMoveAfterClickTime() const;
    void setThumbForePressSensitivity(float v);
    float getThumbForePressSensitivity() const;
    void setThumbMiddlePressSensitivity(float v);
    float getThumbMiddlePressSensitivity() const;
    void setThumbRingPressSensitivity(float v);
    float getThumbRingPressSensitivity() const;
    void setThumbPinkyPressSensitivity(float v);
    float getThumbPinkyPressSensitivity() const;
    // Release sensitivities as shown (the tray window converts: shown = 1 - p + 0.05).
    void setThumbForeReleaseSensitivity(float v);
    float getThumbForeReleaseSensitivity() const;
    void setThumbMiddleReleaseSensitivity(float v);
    float getThumbMiddleReleaseSensitivity() const;
    void setThumbRingReleaseSensitivity(float v);
    float getThumbRingReleaseSensitivity() const;
    void setThumbPinkyReleaseSensitivity(float v);
    float getThumbPinkyReleaseSensitivity() const;
    void setAutoStart(float v);
    float getAutoStart() const;
    void setCursorMovement(int v);
    float getCursorMovement() const;
    void setCursorPos(int v);
    float getCursorPos() const;
    void setCursorPosOffset(int mm);
    float getCursorPosOffset() const;
    void setAutoHandMotionScaleFactor(float v);
    float getAutoHandMotionScaleFactor() const;
    void setSendStats(float v);
    float getSendStats() const;
    void setNetworkMode(int mode) { network_->setNetworkMode(mode); }
    int getNetworkMode() const { return network_->getNetworkMode(); }
    void setDestinationIpAddress1(float v) { network_->setDestinationIpAddress(1, v); }
    float getDestinationIpAddress1() const { return network_->getDestinationIpAddress(1); }
    void setDestinationIpAddress2(float v) { network_->setDestinationIpAddress(2, v); }
    float getDestinationIpAddress2() const { return network_->getDestinationIpAddress(2); }
    void setDestinationIpAddress3(float v) { network_->setDestinationIpAddress(3, v); }
    float getDestinationIpAddress3() const { return network_->getDestinationIpAddress(3); }
    void setDestinationIpAddress4(float v) { network_->setDestinationIpAddress(4, v); }
    float getDestinationIpAddress4() const { return network_->getDestinationIpAddress(4); }
    void setDestinationPort(float v) { network_->setDestinationPort(v); }
    float getDestinationPort() const { return network_->getDestinationPort(); }
    void setPause2Hands(float v);
    float getPause2Hands() const;
    void setAlternativeMouseCursor(float v);
    float getAlternativeMouseCursor() const;
    // Pinch-action combo entries: 0-3 the mouse actions, 4 + k keyboard action k. A combo box
    // without a current entry reads as 0 (no action).
    void setThumbForeAction(int entry);
    int getThumbForeAction() const;
    void setThumbMiddleAction(int entry);
    int getThumbMiddleAction() const;
    void setThumbRingAction(int entry);
    int getThumbRingAction() const;
    void setThumbPinkyAction(int entry);
    int getThumbPinkyAction() const;
    void setForeFingerCircleAction(int entry);
    int getForeFingerCircleAction() const;

    // Keyboard-action editor.
    void setKeyboardActions(keyboardAct* actions) { keyboard_->setKeyboardActions(actions); }
    void deleteAllTableKeyboardAction() { keyboard_->deleteAllTableKeyboardAction(); }

    // Enabling of widget groups by network mode and controller position.
    void enableSourceTabs(bool on) { network_->enableSourceTabs(on); }
    void enableDestIp(bool on) { network_->enableDestIp(on); }
    void enableDestPort(bool on) { network_->enableDestPort(on); }
    void enableAudioGraphicFx(bool on) { network_->enableAudioGraphicFx(on); }
    void enableGesture(int gesture, bool on);

signals:
    void optionClosed();
    void autoScaleFactor();
    void disableAlternativeMouseCursor();
    void enableAlternativeMouseCursor();
    void networkModeChanged(int index);
    void controllerPosChanged(int index);
    // Keyboard action row was deleted from the engine's lists (-1: all of them), so that the
    // stored pinch indices can follow.
    void keyboardActionsDeleted(int row);

public slots:
    void deleteAllKeyboardAction() { keyboard_->deleteAllKeyboardAction(); }

private slots:
    void setSliderValueCursorPosOffset(int value);
    void setSliderValueHandScaleFactor(int value);
    void setSliderValueMoveAfterClickTime(int value);
    void setSliderValueThumbForePressSensitivity(int value);
    void setSliderValueThumbMiddlePressSensitivity(int value);
    void setSliderValueThumbRingPressSensitivity(int value);
    void setSliderValueThumbPinkyPressSensitivity(int value);
    void setSliderValueThumbForeReleaseSensitivity(int value);
    void setSliderValueThumbMiddleReleaseSensitivity(int value);
    void setSliderValueThumbRingReleaseSensitivity(int value);
    void setSliderValueThumbPinkyReleaseSensitivity(int value);
    void setSliderValueWheelScaleFactor(int value);
    void setSliderValueDoubleClickTime(int value);
    void setSliderValueFistSensitivity(int value);
    void autoStart(int value);
    void autoHandScaleFactor(int value);
    void alternativeMouseCursor(int value);
    void cursorPos(int value);
    void controllerCursorPos(int value);
    void setFistGestureComment(int value);
    void audioFxBorder(int value);

private:
    void setSlider(Slider s, float value);
    float sliderValue(Slider s) const;
    void showSliderPosition(Slider s, int position);

    Ui_UserOptionDlg* ui;
    KeyboardOptionsPage* keyboard_;
    NetworkOptionsPage* network_;
};
