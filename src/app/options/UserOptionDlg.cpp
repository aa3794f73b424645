// The options dialog: construction, connections, and every option's widget and scale.
#include "UserOptionDlg.h"

#include "AutoStartEntry.h"
#include "KeyboardOptionsPage.h"
#include "NetworkOptionsPage.h"
#include "ResourceDir.h"
#include "ui_UserOptionDlg.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFont>
#include <QMessageBox>
#include <QScrollBar>

#include <initializer_list>

// The gesture pictures live in this library's resources; a static library registers them itself.
static void registerOptionPictures() {
    static const bool done = [] {
        Q_INIT_RESOURCE(options);
        return true;
    }();
    (void)done;
}

namespace {

// Narrower type (a condensed face where one is installed, else Qt narrows the font), and where
// that is not enough one point smaller, for captions that would lose their ends at the form's
// fixed widths in a desktop's default font.
void condense(std::initializer_list<QWidget*> captions, bool smaller) {
    for (QWidget* caption : captions) {
        QFont font = caption->font();
        font.setStretch(QFont::SemiCondensed);
        if (smaller && font.pointSizeF() > 1.0) font.setPointSizeF(font.pointSizeF() - 1.0);
        caption->setFont(font);
    }
}

float checked(const QCheckBox* box) { return box->isChecked() ? 1.0f : 0.0f; }

int entryOrNone(const QComboBox* box) { return box->currentIndex() < 0 ? 0 : box->currentIndex(); }

} // namespace

SliderScale UserOptionDlg::sliderScale(Slider s) {
    switch (s) {
    case SliderCursorPosOffset: return {0.0f, 50.0f, 5.0f, 0};
    case SliderHandScaleFactor: return {1.0f, 2.0f, 0.05f, 2};
    case SliderMoveAfterClickTime: return {0.0f, 1.0f, 0.01f, 2};
    case SliderWheelScaleFactor: return {0.2f, 1.0f, 0.05f, 2};
    case SliderDoubleClickTime: return {0.5f, 5.0f, 0.05f, 2};
    default: return {0.05f, 0.95f, 0.05f, 2};  // press, release and fist sensitivities
    }
}

UserOptionDlg::UserOptionDlg(QWidget* parent, int networkMode) : QDialog(parent), ui(new Ui_UserOptionDlg) {
    registerOptionPictures();
    ui->setupUi(this);
    // The form names its icon relative to the working folder; a program started from elsewhere
    // finds it among its resources.
    if (windowIcon().availableSizes().isEmpty()) {
        const QString icon = velmoResourceDir() + QStringLiteral("/images/icon_white/velmo_white.ico");
        if (QFileInfo::exists(icon)) setWindowIcon(QIcon(icon));
    }
    setWindowFlags(Qt::WindowSystemMenuHint | Qt::WindowStaysOnTopHint);

    connect(ui->cancelButton, SIGNAL(clicked()), this, SLOT(hide()));
    connect(ui->okButton, SIGNAL(clicked()), this, SLOT(hide()));

    for (int s = 0; s < SliderCount; ++s) {
        slider(Slider(s))->setMinimum(0);
        slider(Slider(s))->setMaximum(sliderScale(Slider(s)).steps());
    }

    keyboard_ = new KeyboardOptionsPage(ui, this);
    connect(keyboard_, SIGNAL(keyboardActionsDeleted(int)), this, SIGNAL(keyboardActionsDeleted(int)));
    network_ = new NetworkOptionsPage(ui, this);
    connect(network_, SIGNAL(networkModeChanged(int)), this, SIGNAL(networkModeChanged(int)));

    condense({ui->labelThumbForeFinger, ui->labelThumbMiddleFinger, ui->labelThumbRingFinger, ui->labelThumbPinkyFinger,
              ui->labelPosition}, true);
    condense({ui->labelAudioFxBorder, ui->labelGraphicFx, ui->labelFistSensitivity_3, ui->labelFistSensitivity_4}, false);

    ui->labelDisableTutorial->setText(QStringLiteral("DISABLE GESTURES AT THE START"));
    keyboard_->updateActions();
    if (networkMode == 2) enableSourceTabs(false);
}

UserOptionDlg::~UserOptionDlg() {
    delete ui;
    emit optionClosed();
}

void UserOptionDlg::setParent(QObject* window) {
    connect(this, SIGNAL(rejected()), window, SLOT(restore()));
    connect(ui->cancelButton, SIGNAL(clicked()), window, SLOT(restore()));
    connect(ui->okButton, SIGNAL(clicked()), window, SLOT(save()));
    connect(ui->restoreDefaultButton, SIGNAL(clicked()), window, SLOT(restoreDefault()));
}

void UserOptionDlg::initConnections() {
    connect(ui->horizontalSliderHandScaleFactor, SIGNAL(valueChanged(int)), this, SLOT(setSliderValueHandScaleFactor(int)));
    connect(ui->horizontalSliderMoveAfterClickTime, SIGNAL(valueChanged(int)), this,
            SLOT(setSliderValueMoveAfterClickTime(int)));
    connect(ui->horizontalSliderThumbForePressSensitivity, SIGNAL(valueChanged(int)), this,
            SLOT(setSliderValueThumbForePressSensitivity(int)));
    connect(ui->horizontalSliderThumbMiddlePressSensitivity, SIGNAL(valueChanged(int)), this,
            SLOT(setSliderValueThumbMiddlePressSensitivity(int)));
    connect(ui->horizontalSliderThumbRingPressSensitivity, SIGNAL(valueChanged(int)), this,
            SLOT(setSliderValueThumbRingPressSensitivity(int)));
    connect(ui->horizontalSliderThumbPinkyPressSensitivity, SIGNAL(valueChanged(int)), this,
            SLOT(setSliderValueThumbPinkyPressSensitivity(int)));
    connect(ui->horizontalSliderThumbForeReleaseSensitivity, SIGNAL(valueChanged(int)), this,
            SLOT(setSliderValueThumbForeReleaseSensitivity(int)));
    connect(ui->horizontalSliderThumbMiddleReleaseSensitivity, SIGNAL(valueChanged(int)), this,
            SLOT(setSliderValueThumbMiddleReleaseSensitivity(int)));
    connect(ui->horizontalSliderThumbRingReleaseSensitivity, SIGNAL(valueChanged(int)), this,
            SLOT(setSliderValueThumbRingReleaseSensitivity(int)));
    connect(ui->horizontalSliderThumbPinkyReleaseSensitivity, SIGNAL(valueChanged(int)), this,
            SLOT(setSliderValueThumbPinkyReleaseSensitivity(int)));
    connect(ui->horizontalSliderDoubleClickTime, SIGNAL(valueChanged(int)), this, SLOT(setSliderValueDoubleClickTime(int)));
    connect(ui->horizontalSliderWheelScaleFactor, SIGNAL(valueChanged(int)), this,
            SLOT(setSliderValueWheelScaleFactor(int)));
    connect(ui->checkBoxAutoStart, SIGNAL(stateChanged(int)), this, SLOT(autoStart(int)));
    connect(ui->checkBoxAutoHandScaleFactor, SIGNAL(stateChanged(int)), this, SLOT(autoHandScaleFactor(int)));
    connect(ui->checkBoxAlternativeMouseCursor, SIGNAL(stateChanged(int)), this, SLOT(alternativeMouseCursor(int)));
    network_->initConnections();
    connect(ui->checkBoxAudioFx, SIGNAL(stateChanged(int)), this, SLOT(audioFxBorder(int)));
    connect(ui->pushButtonAddKeyboardAction, SIGNAL(clicked()), keyboard_, SLOT(addKeyboardAction()));
    connect(ui->pushButtonDeleteKeyboardAction, SIGNAL(clicked()), keyboard_, SLOT(deleteKeyboardAction()));
    connect(ui->pushButtonDeleteAllKeyboardAction, SIGNAL(clicked()), keyboard_, SLOT(deleteAllKeyboardAction()));
    connect(ui->comboBoxCursorPos, SIGNAL(currentIndexChanged(int)), this, SLOT(cursorPos(int)));
    connect(ui->horizontalSliderCursorPositionOffset, SIGNAL(valueChanged(int)), this,
            SLOT(setSliderValueCursorPosOffset(int)));
    connect(ui->comboBoxControllerPos, SIGNAL(currentIndexChanged(int)), this, SLOT(controllerCursorPos(int)));
    connect(ui->comboBoxCursorMovement, SIGNAL(currentIndexChanged(int)), this, SLOT(setFistGestureComment(int)));
    connect(ui->horizontalSliderFistSensitivity, SIGNAL(valueChanged(int)), this, SLOT(setSliderValueFistSensitivity(int)));
}

// --- sliders ---

QSlider* UserOptionDlg::slider(Slider s) const {
    switch (s) {
    case SliderCursorPosOffset: return ui->horizontalSliderCursorPositionOffset;
    case SliderHandScaleFactor: return ui->horizontalSliderHandScaleFactor;
    case SliderMoveAfterClickTime: return ui->horizontalSliderMoveAfterClickTime;
    case SliderThumbForePress: return ui->horizontalSliderThumbForePressSensitivity;
    case SliderThumbMiddlePress: return ui->horizontalSliderThumbMiddlePressSensitivity;
    case SliderThumbRingPress: return ui->horizontalSliderThumbRingPressSensitivity;
    case SliderThumbPinkyPress: return ui->horizontalSliderThumbPinkyPressSensitivity;
    case SliderThumbForeRelease: return ui->horizontalSliderThumbForeReleaseSensitivity;
    case SliderThumbMiddleRelease: return ui->horizontalSliderThumbMiddleReleaseSensitivity;
    case SliderThumbRingRelease: return ui->horizontalSliderThumbRingReleaseSensitivity;
    case SliderThumbPinkyRelease: return ui->horizontalSliderThumbPinkyReleaseSensitivity;
    case SliderWheelScaleFactor: return ui->horizontalSliderWheelScaleFactor;
    case SliderDoubleClickTime: return ui->horizontalSliderDoubleClickTime;
    case SliderFistSensitivity: return ui->horizontalSliderFistSensitivity;
    default: return nullptr;
    }
}

QLabel* UserOptionDlg::sliderLabel(Slider s) const {
    switch (s) {
    case SliderCursorPosOffset: return ui->labelCursorPosOffset_1;
    case SliderHandScaleFactor: return ui->labelHandScaleFactor_2;
    case SliderMoveAfterClickTime: return ui->labelMoveAfterClickTime;
    case SliderThumbForePress: return ui->labelThumbForePressSensitivity;
    case SliderThumbMiddlePress: return ui->labelThumbMiddlePressSensitivity;
    case SliderThumbRingPress: return ui->labelThumbRingPressSensitivity;
    case SliderThumbPinkyPress: return ui->labelThumbPinkyPressSensitivity;
    case SliderThumbForeRelease: return ui->labelThumbForeReleaseSensitivity;
    case SliderThumbMiddleRelease: return ui->labelThumbMiddleReleaseSensitivity;
    case SliderThumbRingRelease: return ui->labelThumbRingReleaseSensitivity;
    case SliderThumbPinkyRelease: return ui->labelThumbPinkyReleaseSensitivity;
    case SliderWheelScaleFactor: return ui->labelWheelScaleFactor_2;
    case SliderDoubleClickTime: return ui->labelDoubleClickTime_2;
    case SliderFistSensitivity: return ui->labelFistSensitivity_2;
    default: return nullptr;
    }
}

void UserOptionDlg::setSlider(Slider s, float value) {
    if (isTimeSlider(s)) value /= 1000.0f;
    const SliderScale scale = sliderScale(s);
    slider(s)->setMinimum(0);
    slider(s)->setMaximum(scale.steps());
    slider(s)->setValue(scale.position(value));
    // The label shows the value given, also where the position rounded up to the next step.
    sliderLabel(s)->setText(scale.text(value));
}

float UserOptionDlg::sliderValue(Slider s) const {
    const float v = SliderScale::fromText(sliderLabel(s)->text());
    return isTimeSlider(s) ? v * 1000.0f : v;
}

void UserOptionDlg::showSliderPosition(Slider s, int position) {
    sliderLabel(s)->setText(sliderScale(s).textAt(position));
}

void UserOptionDlg::setSliderValueCursorPosOffset(int v) { showSliderPosition(SliderCursorPosOffset, v); }
void UserOptionDlg::setSliderValueHandScaleFactor(int v) { showSliderPosition(SliderHandScaleFactor, v); }
void UserOptionDlg::setSliderValueMoveAfterClickTime(int v) { showSliderPosition(SliderMoveAfterClickTime, v); }
void UserOptionDlg::setSliderValueThumbForePressSensitivity(int v) { showSliderPosition(SliderThumbForePress, v); }
void UserOptionDlg::setSliderValueThumbMiddlePressSensitivity(int v) { showSliderPosition(SliderThumbMiddlePress, v); }
void UserOptionDlg::setSliderValueThumbRingPressSensitivity(int v) { showSliderPosition(SliderThumbRingPress, v); }
void UserOptionDlg::setSliderValueThumbPinkyPressSensitivity(int v) { showSliderPosition(SliderThumbPinkyPress, v); }
void UserOptionDlg::setSliderValueThumbForeReleaseSensitivity(int v) { showSliderPosition(SliderThumbForeRelease, v); }
void UserOptionDlg::setSliderValueThumbMiddleReleaseSensitivity(int v) {
    showSliderPosition(SliderThumbMiddleRelease, v);
}
void UserOptionDlg::setSliderValueThumbRingReleaseSensitivity(int v) { showSliderPosition(SliderThumbRingRelease, v); }
void UserOptionDlg::setSliderValueThumbPinkyReleaseSensitivity(int v) {
    showSliderPosition(SliderThumbPinkyRelease, v);
}
void UserOptionDlg::setSliderValueWheelScaleFactor(int v) { showSliderPosition(SliderWheelScaleFactor, v); }
void UserOptionDlg::setSliderValueDoubleClickTime(int v) { showSliderPosition(SliderDoubleClickTime, v); }
void UserOptionDlg::setSliderValueFistSensitivity(int v) { showSliderPosition(SliderFistSensitivity, v); }

void UserOptionDlg::setHandMotionScaleFactor(float v) { setSlider(SliderHandScaleFactor, v); }
float UserOptionDlg::getHandMotionScaleFactor() const { return sliderValue(SliderHandScaleFactor); }
void UserOptionDlg::setDoubleClickTime(float ms) { setSlider(SliderDoubleClickTime, ms); }
float UserOptionDlg::getDoubleClickTime() const { return sliderValue(SliderDoubleClickTime); }
void UserOptionDlg::setFistSensitivity(float v) { setSlider(SliderFistSensitivity, v); }
float UserOptionDlg::getFistSensitivity() const { return sliderValue(SliderFistSensitivity); }
void UserOptionDlg::setWheelScaleFactor(float v) { setSlider(SliderWheelScaleFactor, v); }
float UserOptionDlg::getWheelScaleFactor() const { return sliderValue(SliderWheelScaleFactor); }
void UserOptionDlg::setMoveAfterClickTime(float ms) { setSlider(SliderMoveAfterClickTime, ms); }
float UserOptionDlg::getMoveAfterClickTime() const { return sliderValue(SliderMoveAfterClickTime); }
void UserOptionDlg::setThumbForePressSensitivity(float v) { setSlider(SliderThumbForePress, v); }
float UserOptionDlg::getThumbForePressSensitivity() const { return sliderValue(SliderThumbForePress); }
void UserOptionDlg::setThumbMiddlePressSensitivity(float v) { setSlider(SliderThumbMiddlePress, v); }
float UserOptionDlg::getThumbMiddlePressSensitivity() const { return sliderValue(SliderThumbMiddlePress); }
void UserOptionDlg::setThumbRingPressSensitivity(float v) { setSlider(SliderThumbRingPress, v); }
float UserOptionDlg::getThumbRingPressSensitivity() const { return sliderValue(SliderThumbRingPress); }
void UserOptionDlg::setThumbPinkyPressSensitivity(float v) { setSlider(SliderThumbPinkyPress, v); }
float UserOptionDlg::getThumbPinkyPressSensitivity() const { return sliderValue(SliderThumbPinkyPress); }
void UserOptionDlg::setThumbForeReleaseSensitivity(float v) { setSlider(SliderThumbForeRelease, v); }
float UserOptionDlg::getThumbForeReleaseSensitivity() const { return sliderValue(SliderThumbForeRelease); }
void UserOptionDlg::setThumbMiddleReleaseSensitivity(float v) { setSlider(SliderThumbMiddleRelease, v); }
float UserOptionDlg::getThumbMiddleReleaseSensitivity() const { return sliderValue(SliderThumbMiddleRelease); }
void UserOptionDlg::setThumbRingReleaseSensitivity(float v) { setSlider(SliderThumbRingRelease, v); }
float UserOptionDlg::getThumbRingReleaseSensitivity() const { return sliderValue(SliderThumbRingRelease); }
void UserOptionDlg::setThumbPinkyReleaseSensitivity(float v) { setSlider(SliderThumbPinkyRelease, v); }
float UserOptionDlg::getThumbPinkyReleaseSensitivity() const { return sliderValue(SliderThumbPinkyRelease); }
void UserOptionDlg::setCursorPosOffset(int mm) { setSlider(SliderCursorPosOffset, static_cast<float>(mm)); }
float UserOptionDlg::getCursorPosOffset() const { return sliderValue(SliderCursorPosOffset); }

// --- check boxes ---

void UserOptionDlg::setOnlyPrimaryDisplay(float v) { ui->checkBoxOnlyPrimaryDisplay->setChecked(v != 0.0f); }
float UserOptionDlg::getOnlyPrimaryDisplay() const { return checked(ui->checkBoxOnlyPrimaryDisplay); }
void UserOptionDlg::setDisableTutorial(float v) { ui->checkBoxDisableTutorial->setChecked(v != 0.0f); }
float UserOptionDlg::getDisableTutorial() const { return checked(ui->checkBoxDisableTutorial); }
void UserOptionDlg::setEnableAudioFx(float v) { ui->checkBoxAudioFx->setChecked(v != 0.0f); }
float UserOptionDlg::getEnableAudioFx() const { return checked(ui->checkBoxAudioFx); }
void UserOptionDlg::setEnableAudioFxBorder(float v) { ui->checkBoxAudioFxBorder->setChecked(v != 0.0f); }
float UserOptionDlg::getEnableAudioFxBorder() const { return checked(ui->checkBoxAudioFxBorder); }
void UserOptionDlg::setEnableGraphicFx(float v) { ui->checkBoxGraphicFx->setChecked(v != 0.0f); }
float UserOptionDlg::getEnableGraphicFx() const { return checked(ui->checkBoxGraphicFx); }
void UserOptionDlg::setAutoStart(float v) { ui->checkBoxAutoStart->setChecked(v != 0.0f); }
float UserOptionDlg::getAutoStart() const { return checked(ui->checkBoxAutoStart); }
void UserOptionDlg::setSendStats(float v) { ui->checkBoxSendStats->setChecked(v != 0.0f); }
float UserOptionDlg::getSendStats() const { return checked(ui->checkBoxSendStats); }
void UserOptionDlg::setPause2Hands(float v) { ui->checkBoxPause2Hands->setChecked(v != 0.0f); }
float UserOptionDlg::getPause2Hands() const { return checked(ui->checkBoxPause2Hands); }
void UserOptionDlg::setAlternativeMouseCursor(float v) { ui->checkBoxAlternativeMouseCursor->setChecked(v != 0.0f); }
float UserOptionDlg::getAlternativeMouseCursor() const { return checked(ui->checkBoxAlternativeMouseCursor); }

void UserOptionDlg::setAutoHandMotionScaleFactor(float v) {
    ui->checkBoxAutoHandScaleFactor->setChecked(v != 0.0f);
    if (ui->checkBoxAutoHandScaleFactor->isChecked()) {
        emit autoScaleFactor();
        ui->horizontalSliderHandScaleFactor->setEnabled(false);
    } else {
        ui->horizontalSliderHandScaleFactor->setEnabled(true);
    }
}
float UserOptionDlg::getAutoHandMotionScaleFactor() const { return checked(ui->checkBoxAutoHandScaleFactor); }

void UserOptionDlg::autoHandScaleFactor(int value) {
    if (value == Qt::Checked) {
        emit autoScaleFactor();
        ui->horizontalSliderHandScaleFactor->setEnabled(false);
    } else if (value == Qt::Unchecked) {
        ui->horizontalSliderHandScaleFactor->setEnabled(true);
    }
}

void UserOptionDlg::alternativeMouseCursor(int value) {
    if (value == Qt::Checked)
        emit enableAlternativeMouseCursor();
    else if (value == Qt::Unchecked)
        emit disableAlternativeMouseCursor();
}

// --- combo boxes ---

void UserOptionDlg::setCursorMovement(int v) {
    ui->comboBoxCursorMovement->setCurrentIndex(v);
    setFistGestureComment(v);
}
float UserOptionDlg::getCursorMovement() const { return static_cast<float>(entryOrNone(ui->comboBoxCursorMovement)); }

void UserOptionDlg::setCursorPos(int v) {
    ui->comboBoxCursorPos->setCurrentIndex(v);
    cursorPos(v);
}
float UserOptionDlg::getCursorPos() const { return static_cast<float>(entryOrNone(ui->comboBoxCursorPos)); }

void UserOptionDlg::cursorPos(int value) {
    if (value != 0 && value != 1) return;
    const bool on = value == 1;
    ui->labelCursorPosOffset->setEnabled(on);
    ui->labelCursorPosOffset_1->setEnabled(on);
    ui->labelCursorPosOffset_2->setEnabled(on);
    ui->horizontalSliderCursorPositionOffset->setEnabled(on);
}

void UserOptionDlg::setFistGestureComment(int value) {
    QString first, second;
    if (value == 0) {
        first = QStringLiteral("(use Fist Gesture to reposition Velmo Mouse Cursor under a new Interaction Height,");
        second = QStringLiteral("you must enable Automatic Interaction Height in Leap Motion Controller Settings)");
    } else if (value == 1) {
        first = QStringLiteral("(use Fist Gesture to lift and reposition Velmo Mouse)");
    }
    ui->labelFistSensitivity_3->setText(first);
    ui->labelFistSensitivity_4->setText(second);
}

void UserOptionDlg::setThumbForeAction(int entry) { ui->comboBoxThumbFore->setCurrentIndex(entry); }
int UserOptionDlg::getThumbForeAction() const { return entryOrNone(ui->comboBoxThumbFore); }
void UserOptionDlg::setThumbMiddleAction(int entry) { ui->comboBoxThumbMiddle->setCurrentIndex(entry); }
int UserOptionDlg::getThumbMiddleAction() const { return entryOrNone(ui->comboBoxThumbMiddle); }
void UserOptionDlg::setThumbRingAction(int entry) { ui->comboBoxThumbRing->setCurrentIndex(entry); }
int UserOptionDlg::getThumbRingAction() const { return entryOrNone(ui->comboBoxThumbRing); }
void UserOptionDlg::setThumbPinkyAction(int entry) { ui->comboBoxThumbPinky->setCurrentIndex(entry); }
int UserOptionDlg::getThumbPinkyAction() const { return entryOrNone(ui->comboBoxThumbPinky); }
void UserOptionDlg::setForeFingerCircleAction(int entry) { ui->comboBoxForeFingerCircle->setCurrentIndex(entry); }
int UserOptionDlg::getForeFingerCircleAction() const { return entryOrNone(ui->comboBoxForeFingerCircle); }

// --- controller position, gesture rows, effects, start at login ---

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
