#include "NetworkOptionsPage.h"

#include "ui_UserOptionDlg.h"

namespace {

int truncated(float v) {
    // Truncation toward zero; values beyond int are left to the spin box's clamp.
    if (!(v == v)) return 0;
    if (v >= 2147483520.0f) return 2147483647;
    if (v <= -2147483520.0f) return -2147483647;
    return static_cast<int>(v);
}

} // namespace

NetworkOptionsPage::NetworkOptionsPage(Ui_UserOptionDlg* form, QObject* dialog) : QObject(dialog), ui(form) {}

void NetworkOptionsPage::initConnections() {
    connect(ui->comboBoxNetworkMode, SIGNAL(currentIndexChanged(int)), this, SIGNAL(networkModeChanged(int)));
}

void NetworkOptionsPage::setNetworkMode(int mode) {
    ui->comboBoxNetworkMode->setCurrentIndex(mode);
    emit networkModeChanged(mode);
}

int NetworkOptionsPage::getNetworkMode() const {
    const int mode = ui->comboBoxNetworkMode->currentIndex();
    return mode < 0 ? 0 : mode;
}

// Parts 1-4 of the address; any other part is no widget of the form.
void NetworkOptionsPage::setDestinationIpAddress(int part, float v) {
    QSpinBox* const boxes[] = {ui->spinBoxDestIpAdd1, ui->spinBoxDestIpAdd2, ui->spinBoxDestIpAdd3, ui->spinBoxDestIpAdd4};
    if (part >= 1 && part <= 4) boxes[part - 1]->setValue(truncated(v));
}

float NetworkOptionsPage::getDestinationIpAddress(int part) const {
    const QSpinBox* const boxes[] = {ui->spinBoxDestIpAdd1, ui->spinBoxDestIpAdd2, ui->spinBoxDestIpAdd3,
                                     ui->spinBoxDestIpAdd4};
    return part >= 1 && part <= 4 ? static_cast<float>(boxes[part - 1]->value()) : 0.0f;
}

void NetworkOptionsPage::setDestinationPort(float v) { ui->spinBoxDestPort->setValue(truncated(v)); }
float NetworkOptionsPage::getDestinationPort() const { return static_cast<float>(ui->spinBoxDestPort->value()); }

void NetworkOptionsPage::enableSourceTabs(bool on) {
    ui->tabCursor->setEnabled(on);
    ui->tabGesturesActions->setEnabled(on);
    ui->tabKeyboardAction->setEnabled(on);
}

void NetworkOptionsPage::enableDestIp(bool on) {
    ui->labelDestinationIpAddress->setEnabled(on);
    ui->spinBoxDestIpAdd1->setEnabled(on);
    ui->spinBoxDestIpAdd2->setEnabled(on);
    ui->spinBoxDestIpAdd3->setEnabled(on);
    ui->spinBoxDestIpAdd4->setEnabled(on);
}

void NetworkOptionsPage::enableDestPort(bool on) {
    ui->labelDestinationPort->setEnabled(on);
    ui->spinBoxDestPort->setEnabled(on);
}

void NetworkOptionsPage::enableAudioGraphicFx(bool on) {
    ui->labelAudioFx->setEnabled(on);
    ui->labelAudioFxBorder->setEnabled(on);
    ui->labelGraphicFx->setEnabled(on);
    ui->checkBoxAudioFx->setEnabled(on);
    ui->checkBoxAudioFxBorder->setEnabled(on);
    ui->checkBoxGraphicFx->setEnabled(on);
}
