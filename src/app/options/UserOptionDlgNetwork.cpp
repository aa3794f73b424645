// The options dialog's network mode, controller position, effects and start at login.
#include "UserOptionDlg.h"

#include "AutoStartEntry.h"
#include "ui_UserOptionDlg.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace {

int truncated(float v) {
    // Truncation toward zero; values beyond int are left to the spin box's clamp.
    if (!(v == v)) return 0;
    if (v >= 2147483520.0f) return 2147483647;
    if (v <= -2147483520.0f) return -2147483647;
    return static_cast<int>(v);
}

} // namespace

void UserOptionDlg::setNetworkMode(int mode) {
    ui->comboBoxNetworkMode->setCurrentIndex(mode);
    emit networkModeChanged(mode);
}

int UserOptionDlg::getNetworkMode() const {
    const int mode = ui->comboBoxNetworkMode->currentIndex();
    return mode < 0 ? 0 : mode;
}

void UserOptionDlg::emitNetworkModeChanged(int index) { emit networkModeChanged(index); }

void UserOptionDlg::setDestinationIpAddress1(float v) { ui->spinBoxDestIpAdd1->setValue(truncated(v)); }
float UserOptionDlg::getDestinationIpAddress1() const { return static_cast<float>(ui->spinBoxDestIpAdd1->value()); }
void UserOptionDlg::setDestinationIpAddress2(float v) { ui->spinBoxDestIpAdd2->setValue(truncated(v)); }
float UserOptionDlg::getDestinationIpAddress2() const { return static_cast<float>(ui->spinBoxDestIpAdd2->value()); }
void UserOptionDlg::setDestinationIpAddress3(float v) { ui->spinBoxDestIpAdd3->setValue(truncated(v)); }
float UserOptionDlg::getDestinationIpAddress3() const { return static_cast<float>(ui->spinBoxDestIpAdd3->value()); }
void UserOptionDlg::setDestinationIpAddress4(float v) { ui->spinBoxDestIpAdd4->setValue(truncated(v)); }
float UserOptionDlg::getDestinationIpAddress4() const { return static_cast<float>(ui->spinBoxDestIpAdd4->value()); }
void UserOptionDlg::setDestinationPort(float v) { ui->spinBoxDestPort->setValue(truncated(v)); }
float UserOptionDlg::getDestinationPort() const { return static_cast<float>(ui->spinBoxDestPort->value()); }

void UserOptionDlg::enableSourceTabs(bool on) {
    ui->tabCursor->setEnabled(on);
    ui->tabGesturesActions->setEnabled(on);
    ui->tabKeyboardAction->setEnabled(on);
}

void UserOptionDlg::enableDestIp(bool on) {
    ui->labelDestinationIpAddress->setEnabled(on);
    ui->spinBoxDestIpAdd1->setEnabled(on);
    ui->spinBoxDestIpAdd2->setEnabled(on);
    ui->spinBoxDestIpAdd3->setEnabled(on);
    ui->spinBoxDestIpAdd4->setEnabled(on);
}

void UserOptionDlg::enableDestPort(bool on) {
    ui->labelDestinationPort->setEnabled(on);
    ui->spinBoxDestPort->setEnabled(on);
}

void UserOptionDlg::enableAudioGraphicFx(bool on) {
    ui->labelAudioFx->setEnabled(on);
    ui->labelAudioFxBorder->setEnabled(on);
    ui->labelGraphicFx->setEnabled(on);
    ui->checkBoxAudioFx->setEnabled(on);
    ui->checkBoxAudioFxBorder->setEnabled(on);
    ui->checkBoxGraphicFx->setEnabled(on);
}

void UserOptionDlg::audioFxBorder(int value) {
    ui->labelAudioFxBorder->setEnabled(value != 0);
    ui->checkBoxAudioFxBorder->setEnabled(value != 0);
}

void UserOptionDlg::setControllerPos(int v) { ui->comboBoxControllerPos->setCurrentIndex(v); }
float UserOptionDlg::getControllerPos() const {
    const int v = ui->comboBoxControllerPos->currentIndex();
    return static_cast<float>(v < 0 ? 0 : v);
}

void UserOptionDlg::controllerCursorPos(int value) {
    // Cursor position and movement that suit each plane of the hand.
    static const int presets[3][2] = {{0, 0}, {0, 1}, {1, 1}};
    if (value >= 0 && value < 3) {
        ui->comboBoxCursorPos->setCurrentIndex(presets[value][0]);
        ui->comboBoxCursorMovement->setCurrentIndex(presets[value][1]);
    }
    emit controllerPosChanged(value);
}

void UserOptionDlg::enableGesture(int gesture, bool on) {
    QWidget* rows[4][9] = {
        {ui->labelThumbForeFinger, ui->labelThumbForeFinger_2, ui->labelThumbForeFinger_3, ui->frameThumbFore,
         ui->labelThumbForePressSensitivity, ui->labelThumbForeReleaseSensitivity, ui->comboBoxThumbFore,
         ui->horizontalSliderThumbForePressSensitivity, ui->horizontalSliderThumbForeReleaseSensitivity},
        {ui->labelThumbMiddleFinger, ui->labelThumbMiddleFinger_2, ui->labelThumbMiddleFinger_3, ui->frameThumbMiddle,
         ui->labelThumbMiddlePressSensitivity, ui->labelThumbMiddleReleaseSensitivity, ui->comboBoxThumbMiddle,
         ui->horizontalSliderThumbMiddlePressSensitivity, ui->horizontalSliderThumbMiddleReleaseSensitivity},
        {ui->labelThumbRingFinger, ui->labelThumbRingFinger_2, ui->labelThumbRingFinger_3, ui->frameThumbRing,
         ui->labelThumbRingPressSensitivity, ui->labelThumbRingReleaseSensitivity, ui->comboBoxThumbRing,
         ui->horizontalSliderThumbRingPressSensitivity, ui->horizontalSliderThumbRingReleaseSensitivity},
        {ui->labelThumbPinkyFinger, ui->labelThumbPinkyFinger_2, ui->labelThumbPinkyFinger_3, ui->frameThumbPinky,
         ui->labelThumbPinkyPressSensitivity, ui->labelThumbPinkyReleaseSensitivity, ui->comboBoxThumbPinky,
         ui->horizontalSliderThumbPinkyPressSensitivity, ui->horizontalSliderThumbPinkyReleaseSensitivity},
    };
    if (gesture < 0 || gesture > 3) return;
    for (QWidget* w : rows[gesture]) w->setEnabled(on);
}

void UserOptionDlg::autoStart(int value) {
    QString error;
    if (value == Qt::Checked) {
        if (AutoStartEntry::install(QCoreApplication::applicationFilePath(), &error)) return;
        QMessageBox::warning(this, tr("Velmo Mouse"),
                             tr("Velmo Mouse could not set itself to start at login:\n%1").arg(error), QMessageBox::Ok);
        // Unchecking removes whatever part of an entry there may be.
        ui->checkBoxAutoStart->setChecked(false);
    } else if (value == Qt::Unchecked) {
        if (AutoStartEntry::remove(&error)) return;
        QMessageBox::warning(this, tr("Velmo Mouse"),
                             tr("Velmo Mouse could not remove its start at login:\n%1").arg(error), QMessageBox::Ok);
    }
}
