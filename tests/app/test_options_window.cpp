// The options dialog with the tray window and its engine on a real X server: OK, Cancel and
// Restore Default against the engine's table and the settings file, the network-mode groups and
// tray entries, the plane presets, and the stored pinches when keyboard actions go.
#include "VelmoWindow.h"

#include "OsxMousePointer.h"
#include "UserOptionDlg.h"
#include "VelmoGestures.h"
#include "keyboardAct.h"
#include "test_tray_settings.h"
#include "ui_UserOptionDlg.h"

#include <QAction>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <array>
#include <memory>

namespace {

using apptest::localSettingsPath;

QList<QByteArray> settingsLines() {
    QFile f(localSettingsPath());
    if (!f.open(QIODevice::ReadOnly)) return {};
    QList<QByteArray> lines;
    for (const QByteArray& l : f.readAll().split('\n'))
        if (!l.trimmed().isEmpty()) lines << QByteArray::fromBase64(l.trimmed());
    return lines;
}

using apptest::writeSettings;

std::array<float, UserParamCount> userTable(VelmoWindow& w) {
    std::array<float, UserParamCount> t{};
    for (int i = 0; i < UserParamCount; ++i) t[i] = w.listener().engine().GetUserParam(i);
    return t;
}

class OptionsWindow : public ::testing::Test {
protected:
    void SetUp() override {
        QFile::remove(localSettingsPath());
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    }
    void TearDown() override {
        window.reset();
        QFile::remove(localSettingsPath());
    }
    UserOptionDlg* open() {
        if (!window) window = std::make_unique<VelmoWindow>();
        window->optionsAction()->trigger();
        UserOptionDlg* d = window->trayOptions().dialog();
        EXPECT_TRUE(d && d->isVisible());
        return d;
    }
    QTemporaryDir config;
    std::unique_ptr<VelmoWindow> window;
};

TEST_F(OptionsWindow, CancelAfterEditsChangesNoParameterAndOkStoresEveryValue) {
    UserOptionDlg* d = open();
    VelmoWindow& w = *window;
    Ui_UserOptionDlg* ui = d->form();
    const auto stored = userTable(w);
    const QByteArray fileBefore = settingsLines().join('\n');

    ui->horizontalSliderDoubleClickTime->setValue(30);
    ui->horizontalSliderThumbForePressSensitivity->setValue(12);
    ui->comboBoxCursorMovement->setCurrentIndex(1);
    ui->checkBoxPause2Hands->setChecked(true);
    ui->checkBoxSendStats->setChecked(false);
    ui->checkBoxAutoHandScaleFactor->setChecked(false);
    ui->horizontalSliderHandScaleFactor->setValue(18);
    ui->checkBoxAutoHandScaleFactor->setChecked(true);
    ui->comboBoxNetworkMode->setCurrentIndex(1);
    ui->spinBoxDestIpAdd1->setValue(127);
    ui->comboBoxControllerPos->setCurrentIndex(2);
    ui->checkBoxAlternativeMouseCursor->setChecked(true);
    ASSERT_EQ(w.listener().engine().getNetworkMode(), 1);
    ASSERT_NE(w.mousePointer(), nullptr);  // made when it was first wanted
    ui->cancelButton->click();

    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(userTable(w), stored);
    EXPECT_EQ(w.listener().engine().getNetworkMode(), 0);
    EXPECT_EQ(w.listener().engine().IsAlternativeMousePointer(), 0);
    EXPECT_EQ(settingsLines().join('\n'), fileBefore);
    EXPECT_EQ(ui->labelDoubleClickTime_2->text(), "1.00");
    EXPECT_EQ(ui->labelThumbForeReleaseSensitivity->text(), "0.20");  // 0.85 shown as 1 - p + 0.05
    EXPECT_EQ(ui->comboBoxControllerPos->currentIndex(), 0);

    d = open();
    ui->horizontalSliderDoubleClickTime->setValue(20);              // 1.50 s
    ui->horizontalSliderThumbForePressSensitivity->setValue(8);      // 0.45
    ui->horizontalSliderThumbForeReleaseSensitivity->setValue(4);    // shown 0.25
    ui->comboBoxThumbMiddle->setCurrentIndex(5);                     // APP SWITCHER
    ui->comboBoxForeFingerCircle->setCurrentIndex(0);
    ui->spinBoxDestPort->setValue(15000);
    ui->checkBoxGraphicFx->setChecked(false);
    ui->okButton->click();

    EXPECT_FALSE(d->isVisible());
    struct Stored {
        int index;
        float value;
        const char* line;
    };
    const Stored expected[] = {
        {DoubleClickTime, 1500, "1500.000000"},
        {ThumbForePressSensitivity, 0.45f, "0.450000"},
        {ThumbForeReleaseSensitivity, 0.8f, "0.800000"},
        {ThumbMiddleAction, 4, "4.000000"},
        {ThumbMiddleKeyboardAction, 1, "1.000000"},
        {ForeFingerCircleAction, 0, "0.000000"},
        {DestinationPort, 15000, "15000.000000"},
        {EnableGraphicFx, 0, "0.000000"},
        {MoveAfterClickTime, 300, "300.000000"},
    };
    const QList<QByteArray> lines = settingsLines();
    ASSERT_GE(lines.size(), UserParamCount);
    for (const Stored& s : expected) {
        EXPECT_FLOAT_EQ(w.listener().engine().GetUserParam(s.index), s.value) << s.index;
        EXPECT_EQ(lines[s.index], s.line) << s.index;
    }
    EXPECT_EQ(w.listener().engine().getDoubleClickTime(), 1500);  // decoded into the engine, not only stored
    EXPECT_FALSE(w.listener().engine().isGraphicFxEnabled());
}

TEST_F(OptionsWindow, RestoreDefaultThenQuitWithoutOkWritesTheDefaults) {
    writeSettings({{DoubleClickTime, 2000}, {WheelScaleFactor, 0.8f}, {NotifyClicks, 1}, {ThumbRingAction, 1}});
    UserOptionDlg* d = open();
    Ui_UserOptionDlg* ui = d->form();
    ASSERT_EQ(ui->labelDoubleClickTime_2->text(), "2.00");
    ASSERT_TRUE(window->notifyClicksAction()->isChecked());
    ui->tableWidgetKeyboardAction->setCurrentCell(0, 0);
    ui->pushButtonDeleteKeyboardAction->click();
    ASSERT_EQ(window->listener().engine().GetKeyboardActions()->count(), 2);

    ui->restoreDefaultButton->click();
    EXPECT_EQ(ui->labelDoubleClickTime_2->text(), "1.00");
    EXPECT_EQ(ui->tableWidgetKeyboardAction->rowCount(), 3);
    EXPECT_FALSE(window->notifyClicksAction()->isChecked());
    const int width = window->listener().engine().getWidthOfScreen(), height = window->listener().engine().getHeightOfScreen();
    window.reset();

    VelmoGestures defaults;
    defaults.InitParameters();
    defaults.EncodeParameters();
    defaults.SetUserParam(VelmoGestures::autoPointerScaleFactor(width, height), HandMotionScaleFactor);
    QTemporaryDir dir;
    defaults.parameters().setSettingsDir(dir.path());
    ASSERT_EQ(defaults.WriteParameters(), 0);
    QFile golden(dir.filePath("velmo.dat")), written(localSettingsPath());
    ASSERT_TRUE(golden.open(QIODevice::ReadOnly) && written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), golden.readAll());
}

TEST_F(OptionsWindow, NetworkModeSwitchesDialogGroupsAndTrayEntries) {
    UserOptionDlg* d = open();
    VelmoWindow& w = *window;
    Ui_UserOptionDlg* ui = d->form();
    const bool tutorialBefore = w.tutorialAction()->isEnabled();
    struct Case {
        int mode;
        bool sourceTabs, address, port, effects, tray;
    };
    const Case cases[] = {
        {2, false, false, true, false, false},
        {0, true, false, false, true, true},
        {1, true, true, true, true, true},
        {2, false, false, true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        ui->comboBoxNetworkMode->setCurrentIndex(c.mode);
        EXPECT_EQ(w.listener().engine().getNetworkMode(), c.mode);
        for (QWidget* tab : {ui->tabCursor, ui->tabGesturesActions, ui->tabKeyboardAction})
            EXPECT_EQ(tab->isEnabled(), c.sourceTabs);
        EXPECT_EQ(ui->spinBoxDestIpAdd1->isEnabled(), c.address);
        EXPECT_EQ(ui->spinBoxDestIpAdd4->isEnabled(), c.address);
        EXPECT_EQ(ui->spinBoxDestPort->isEnabled(), c.port);
        EXPECT_EQ(ui->checkBoxAudioFx->isEnabled(), c.effects);
        EXPECT_EQ(ui->checkBoxGraphicFx->isEnabled(), c.effects);
        EXPECT_EQ(w.pauseAction()->isEnabled(), c.tray);
        EXPECT_EQ(w.notifyClicksAction()->isEnabled(), c.tray);
        EXPECT_EQ(w.tutorialAction()->isEnabled(), c.tray && tutorialBefore);
    }
    // A destination has the pointer window ready, hidden, for when its source asks for it.
    ASSERT_NE(w.mousePointer(), nullptr);
    EXPECT_FALSE(w.mousePointer()->window()->isVisible());
    // Destination confirmed: the tray stays greyed and the next dialog starts with the source tabs off.
    ui->okButton->click();
    EXPECT_FLOAT_EQ(w.listener().engine().GetUserParam(NetworkMode), 2.0f);
    EXPECT_EQ(settingsLines().value(NetworkMode), "2.000000");
    EXPECT_FALSE(w.pauseAction()->isEnabled());
    ui->comboBoxNetworkMode->setCurrentIndex(0);
    ui->cancelButton->click();
    EXPECT_EQ(w.listener().engine().getNetworkMode(), 2);
    EXPECT_FALSE(w.notifyClicksAction()->isEnabled());
    EXPECT_FALSE(ui->tabCursor->isEnabled());
}

TEST_F(OptionsWindow, PlanePresetsLoadOnlyWhenTheUserPicksAPlane) {
    writeSettings({{ControllerPos, 2}, {ThumbForePressSensitivity, 0.55f}, {ThumbRingAction, 1}});
    UserOptionDlg* d = open();
    Ui_UserOptionDlg* ui = d->form();
    EXPECT_EQ(ui->labelThumbForePressSensitivity->text(), "0.55");
    EXPECT_FALSE(ui->comboBoxThumbRing->isEnabled());
    EXPECT_FALSE(ui->horizontalSliderThumbPinkyPressSensitivity->isEnabled());

    ui->comboBoxControllerPos->setCurrentIndex(0);
    EXPECT_EQ(ui->labelThumbForePressSensitivity->text(), "0.35");
    EXPECT_EQ(ui->labelThumbMiddlePressSensitivity->text(), "0.25");
    EXPECT_EQ(ui->comboBoxThumbRing->currentIndex(), 3);
    EXPECT_EQ(ui->comboBoxThumbPinky->currentIndex(), 4);
    EXPECT_TRUE(ui->comboBoxThumbRing->isEnabled());
    EXPECT_TRUE(ui->checkBoxAutoHandScaleFactor->isChecked());

    ui->comboBoxControllerPos->setCurrentIndex(2);
    EXPECT_EQ(ui->labelThumbForePressSensitivity->text(), "0.45");
    EXPECT_EQ(ui->labelThumbRingPressSensitivity->text(), "0.40");
    EXPECT_EQ(ui->comboBoxThumbRing->currentIndex(), 0);
    EXPECT_EQ(ui->labelHandScaleFactor_2->text(), "1.00");
    EXPECT_FALSE(ui->checkBoxAutoHandScaleFactor->isChecked());
    EXPECT_TRUE(ui->checkBoxOnlyPrimaryDisplay->isChecked());
    ui->comboBoxControllerPos->setCurrentIndex(0);

    // Cancel shows the stored values, not the presets of the plane it passes through.
    ui->cancelButton->click();
    EXPECT_EQ(ui->comboBoxControllerPos->currentIndex(), 2);
    EXPECT_EQ(ui->labelThumbForePressSensitivity->text(), "0.55");
    EXPECT_EQ(ui->comboBoxThumbRing->currentIndex(), 1);
    EXPECT_FALSE(ui->comboBoxThumbRing->isEnabled());
    EXPECT_FLOAT_EQ(window->listener().engine().GetUserParam(ThumbForePressSensitivity), 0.55f);
}

TEST_F(OptionsWindow, DeletedKeyboardActionsTakeTheStoredPinchesAlong) {
    // Fore on FN+F9 (2), ring on ESC KEY (0), pinky on APP SWITCHER (1).
    writeSettings({{ThumbForeAction, 4}, {ThumbForeKeyboardAction, 2}, {ThumbRingAction, 4},
                   {ThumbRingKeyboardAction, 0}, {ThumbPinkyAction, 4}, {ThumbPinkyKeyboardAction, 1}});
    UserOptionDlg* d = open();
    VelmoWindow& w = *window;
    Ui_UserOptionDlg* ui = d->form();
    ASSERT_EQ(ui->comboBoxThumbFore->currentIndex(), 6);

    ui->tableWidgetKeyboardAction->setCurrentCell(1, 0);
    ui->pushButtonDeleteKeyboardAction->click();
    struct Pinch {
        int action, keyboardIndex;
    };
    const Pinch afterOne[4] = {{4, 1}, {2, 0}, {4, 0}, {0, 0}};
    for (int p = 0; p < 4; ++p) {
        EXPECT_FLOAT_EQ(w.listener().engine().GetUserParam(ThumbForeAction + p), afterOne[p].action) << p;
        EXPECT_FLOAT_EQ(w.listener().engine().GetUserParam(ThumbForeKeyboardAction + p), afterOne[p].keyboardIndex) << p;
    }
    EXPECT_EQ(w.listener().engine().GetKeyboardActions()->names(), (QList<QString>{"ESC KEY", "FN+F9 KEY"}));
    ui->cancelButton->click();
    EXPECT_EQ(ui->comboBoxThumbFore->currentText(), "FN+F9 KEY");
    EXPECT_EQ(ui->comboBoxThumbPinky->currentIndex(), 0);

    open();
    ui->pushButtonDeleteAllKeyboardAction->click();
    for (int p : {0, 2}) EXPECT_FLOAT_EQ(w.listener().engine().GetUserParam(ThumbForeAction + p), 0.0f) << p;
    EXPECT_FLOAT_EQ(w.listener().engine().GetUserParam(ThumbMiddleAction), 2.0f);
    window.reset();
    const QList<QByteArray> lines = settingsLines();
    EXPECT_EQ(lines.size(), UserParamCount);  // no keyboard action lines
    EXPECT_EQ(lines.value(ThumbForeAction), "0.000000");
}

} // namespace

int main(int argc, char** argv) { return runTrayTests(argc, argv); }
