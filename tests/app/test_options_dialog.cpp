// The options dialog on its own: the form's widgets, the slider arithmetic, the controller-position
// presets, the keyboard-action editor against the engine's real lists, and the start-at-login entry.
#include "UserOptionDlg.h"

#include "AutoStartEntry.h"
#include "CommaLocale.h"
#include "keyboardAct.h"
#include "ui_UserOptionDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QLabel>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// Answers the next message box with OK and keeps its text.
class MessageCatcher {
public:
    MessageCatcher() {
        timer_.setInterval(20);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* box = qobject_cast<QMessageBox*>(w);
                if (!box || !box->isVisible()) continue;
                texts.append(box->text());
                box->accept();
            }
        });
        timer_.start();
    }
    QStringList texts;

private:
    QTimer timer_;
};

const char* const kNameWarning = "You must insert a Keyboard Action Name.\n";
const char* const kKeysWarning = "You must insert your Keyboard Action.\nJust type your shortcut.\n";

TEST(OptionsForm, HasEveryNamedWidgetWithItsClass) {
    UserOptionDlg d(nullptr, 0);
    QFile list(QString::fromLocal8Bit(qgetenv("VELMO_SOURCE_DIR")) + "/tests/app/data/options-form-widgets.txt");
    ASSERT_TRUE(list.open(QIODevice::ReadOnly | QIODevice::Text));
    int count = 0;
    for (const QByteArray& raw : list.readAll().split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.startsWith('#')) continue;
        const QList<QByteArray> f = line.split(' ');
        ASSERT_EQ(f.size(), 2) << line.constData();
        QWidget* w = d.findChild<QWidget*>(QString::fromLatin1(f[0]));
        ASSERT_NE(w, nullptr) << f[0].constData();
        EXPECT_STREQ(w->metaObject()->className(), f[1].constData()) << f[0].constData();
        ++count;
    }
    EXPECT_EQ(count, 124);

    Ui_UserOptionDlg* ui = d.form();
    EXPECT_EQ(d.objectName(), "UserOptionDlg");
    EXPECT_EQ(d.windowTitle(), "Velmo Mouse Options");
    EXPECT_EQ(d.minimumSize(), QSize(1024, 530));
    EXPECT_EQ(d.maximumSize(), QSize(1024, 530));
    EXPECT_TRUE(ui->okButton->isDefault());
    EXPECT_FALSE(ui->okButton->autoDefault() || ui->cancelButton->autoDefault() || ui->restoreDefaultButton->autoDefault());
    EXPECT_EQ(ui->tabWidgetOptions->currentIndex(), 0);
    EXPECT_EQ(ui->tabWidgetOptions->tabText(3), "Keyboard Actions");
    EXPECT_EQ(ui->checkBoxSendStats->text(), "   (please help us to improve Velmo Mouse App)");
    EXPECT_EQ(ui->labelThumbForeFinger->text(), "THUMB  -");
    EXPECT_EQ(ui->labeLForeFingerCircle->text(), "FORE   FINGER");
    EXPECT_EQ(ui->checkBoxOsKey->text(), "FN KEY");
    EXPECT_EQ(ui->comboBoxControllerPos->itemText(2), "HEAD MOUNTED (VR MODE)");
    EXPECT_EQ(ui->spinBoxDestPort->value(), 14155);
    EXPECT_EQ(ui->spinBoxDestPort->minimum(), 1);
    EXPECT_EQ(ui->tableWidgetKeyboardAction->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(ui->tableWidgetKeyboardAction->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(ui->lineEditKeyboardActionName->focusPolicy(), Qt::ClickFocus);
    EXPECT_EQ(ui->tableWidgetKeyboardAction->focusPolicy(), Qt::NoFocus);
    // Every gesture picture is in the resources at the size its frame has.
    for (const char* p : {"thumb_fore", "thumb_middle", "thumb_ring", "thumb_pinky", "finger_circle"})
        EXPECT_EQ(QImage(QStringLiteral(":/actions/%1.png").arg(p)).size(), QSize(60, 60)) << p;
}

using Setter = void (UserOptionDlg::*)(float);
using Getter = float (UserOptionDlg::*)() const;

struct SliderCase {
    UserOptionDlg::Slider slider;
    Setter set;
    Getter get;
    int steps;
    float value;          // given to the setter (ms for the times)
    int position;         // where the slider stands
    const char* label;    // what the label shows
    float stored;         // what the getter gives back
    int moveTo;           // the user moves the slider here ...
    const char* moved;    // ... and the label shows this
    float movedStored;    // ... and the getter gives this
};

void setOffset(UserOptionDlg* d, float v) { d->setCursorPosOffset(static_cast<int>(v)); }

TEST(OptionsDialog, SliderScalesLabelsAndReadBackInADecimalCommaLocale) {
    ASSERT_TRUE(activateCommaLocale());
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    using D = UserOptionDlg;
    const SliderCase cases[] = {
        {D::SliderCursorPosOffset, nullptr, &D::getCursorPosOffset, 10, 25, 5, "25", 25, 3, "15", 15},
        {D::SliderHandScaleFactor, &D::setHandMotionScaleFactor, &D::getHandMotionScaleFactor, 20, 1.10f, 3, "1.10",
         1.1f, 4, "1.20", 1.2f},
        {D::SliderMoveAfterClickTime, &D::setMoveAfterClickTime, &D::getMoveAfterClickTime, 100, 1234, 100, "1.23",
         1230, 10, "0.10", 100},
        {D::SliderThumbForePress, &D::setThumbForePressSensitivity, &D::getThumbForePressSensitivity, 18, 0.15f, 3,
         "0.15", 0.15f, 2, "0.15", 0.15f},
        {D::SliderThumbMiddlePress, &D::setThumbMiddlePressSensitivity, &D::getThumbMiddlePressSensitivity, 18, 0.05f, 0,
         "0.05", 0.05f, 18, "0.95", 0.95f},
        {D::SliderThumbRingPress, &D::setThumbRingPressSensitivity, &D::getThumbRingPressSensitivity, 18, 0.95f, 18,
         "0.95", 0.95f, 0, "0.05", 0.05f},
        {D::SliderThumbPinkyPress, &D::setThumbPinkyPressSensitivity, &D::getThumbPinkyPressSensitivity, 18, 0.33f, 6,
         "0.33", 0.33f, 5, "0.30", 0.3f},
        {D::SliderThumbForeRelease, &D::setThumbForeReleaseSensitivity, &D::getThumbForeReleaseSensitivity, 18, 0.22f,
         4, "0.22", 0.22f, 1, "0.10", 0.1f},
        {D::SliderThumbMiddleRelease, &D::setThumbMiddleReleaseSensitivity, &D::getThumbMiddleReleaseSensitivity, 18,
         0.05f, 0, "0.05", 0.05f, 17, "0.90", 0.9f},
        {D::SliderThumbRingRelease, &D::setThumbRingReleaseSensitivity, &D::getThumbRingReleaseSensitivity, 18, 1.2f,
         18, "1.20", 1.2f, 6, "0.35", 0.35f},
        {D::SliderThumbPinkyRelease, &D::setThumbPinkyReleaseSensitivity, &D::getThumbPinkyReleaseSensitivity, 18,
         0.01f, 0, "0.01", 0.01f, 9, "0.50", 0.5f},
        {D::SliderWheelScaleFactor, &D::setWheelScaleFactor, &D::getWheelScaleFactor, 16, 0.42f, 5, "0.42", 0.42f, 16,
         "1.00", 1.0f},
        {D::SliderDoubleClickTime, &D::setDoubleClickTime, &D::getDoubleClickTime, 90, 550, 2, "0.55", 550, 90, "5.00",
         5000},
        {D::SliderFistSensitivity, &D::setFistSensitivity, &D::getFistSensitivity, 18, 0.15f, 3, "0.15", 0.15f, 1,
         "0.10", 0.1f},
    };
    UserOptionDlg d(nullptr, 0);
    d.initConnections();
    ASSERT_EQ(std::size(cases), size_t(UserOptionDlg::SliderCount));
    for (const SliderCase& c : cases) {
        SCOPED_TRACE(d.slider(c.slider)->objectName().toStdString());
        EXPECT_EQ(UserOptionDlg::sliderScale(c.slider).steps(), c.steps);
        if (c.set)
            (d.*c.set)(c.value);
        else
            setOffset(&d, c.value);
        EXPECT_EQ(d.slider(c.slider)->maximum(), c.steps);
        EXPECT_EQ(d.slider(c.slider)->value(), c.position);
        EXPECT_EQ(d.sliderLabel(c.slider)->text(), QString::fromLatin1(c.label));
        EXPECT_FLOAT_EQ((d.*c.get)(), c.stored);
        d.slider(c.slider)->setValue(c.moveTo);
        EXPECT_EQ(d.sliderLabel(c.slider)->text(), QString::fromLatin1(c.moved));
        EXPECT_FLOAT_EQ((d.*c.get)(), c.movedStored);
    }
    QLocale::setDefault(QLocale::c());
    restoreCLocale();
}

TEST(OptionsDialog, ControllerPositionPresetsTheCursorOptions) {
    struct Case {
        int position, cursorPos, movement;
        bool offsetEnabled;
        const char* fistComment;
    };
    const Case cases[] = {
        {2, 1, 1, true, "(use Fist Gesture to lift and reposition Velmo Mouse)"},
        {0, 0, 0, false, "(use Fist Gesture to reposition Velmo Mouse Cursor under a new Interaction Height,"},
        {1, 0, 1, false, "(use Fist Gesture to lift and reposition Velmo Mouse)"},
    };
    UserOptionDlg d(nullptr, 0);
    d.initConnections();
    Ui_UserOptionDlg* ui = d.form();
    QSignalSpy spy(&d, SIGNAL(controllerPosChanged(int)));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.position);
        ui->comboBoxControllerPos->setCurrentIndex(c.position);
        EXPECT_EQ(ui->comboBoxCursorPos->currentIndex(), c.cursorPos);
        EXPECT_EQ(ui->comboBoxCursorMovement->currentIndex(), c.movement);
        EXPECT_EQ(ui->horizontalSliderCursorPositionOffset->isEnabled(), c.offsetEnabled);
        EXPECT_EQ(ui->labelFistSensitivity_3->text(), c.fistComment);
        EXPECT_EQ(ui->labelFistSensitivity_4->text().isEmpty(), c.movement == 1);
        ASSERT_FALSE(spy.isEmpty());
        EXPECT_EQ(spy.takeLast().at(0).toInt(), c.position);
        EXPECT_FLOAT_EQ(d.getControllerPos(), float(c.position));
    }
}

TEST(OptionsDialog, KeyboardActionEditorWarnsAddsAndRemapsPinches) {
    keyboardAct engine;
    engine.append("ESC KEY", "Esc", false);
    engine.append("APP SWITCHER", "Ctrl+Tab", false);
    engine.append("FN+F9 KEY", "F9", true);
    UserOptionDlg d(nullptr, 0);
    d.initConnections();
    d.setKeyboardActions(&engine);
    Ui_UserOptionDlg* ui = d.form();
    QTableWidget* table = ui->tableWidgetKeyboardAction;
    ASSERT_EQ(table->rowCount(), 3);
    EXPECT_EQ(table->item(2, 1)->text(), "FN KEY+F9");
    EXPECT_EQ(ui->comboBoxThumbPinky->count(), 7);

    MessageCatcher catcher;
    struct Add {
        const char* name;
        const char* keys;
        bool osKey;
        const char* warning;  // nullptr: added
        const char* shown;
    };
    const Add adds[] = {
        {"", "Ctrl+K", false, kNameWarning, nullptr},
        {"COPY", "", false, kKeysWarning, nullptr},
        {"FN ALONE", "", true, nullptr, "FN KEY"},
        {"COPY", "Ctrl+Alt+C", false, nullptr, "Ctrl+Alt+C"},
    };
    for (const Add& a : adds) {
        SCOPED_TRACE(a.name);
        const int before = engine.count();
        ui->lineEditKeyboardActionName->setText(a.name);
        ui->keySequenceEditAction->setKeySequence(QKeySequence(QString::fromLatin1(a.keys)));
        ui->checkBoxOsKey->setChecked(a.osKey);
        catcher.texts.clear();
        ui->pushButtonAddKeyboardAction->click();
        EXPECT_EQ(catcher.texts.size(), a.warning ? 1 : 0);
        if (a.warning) {
            EXPECT_EQ(catcher.texts.value(0), a.warning);
            EXPECT_EQ(engine.count(), before);
            EXPECT_EQ(table->rowCount(), before);
            continue;
        }
        ASSERT_EQ(engine.count(), before + 1);
        EXPECT_EQ(engine.at(before).name, a.name);
        EXPECT_EQ(engine.at(before).keys, a.keys);
        EXPECT_EQ(engine.at(before).osKey, a.osKey);
        EXPECT_EQ(table->item(before, 1)->text(), a.shown);
        EXPECT_EQ(ui->comboBoxThumbFore->itemText(4 + before), a.name);
        EXPECT_TRUE(ui->keySequenceEditAction->keySequence().isEmpty());
        EXPECT_EQ(ui->lineEditKeyboardActionName->text(), a.name);
    }
    ASSERT_EQ(engine.count(), 5);  // ESC, APP SWITCHER, FN+F9, FN ALONE, COPY

    // Deleting row 1: a pinch on it gets nothing, those after it keep their action.
    QSignalSpy deleted(&d, SIGNAL(keyboardActionsDeleted(int)));
    d.setThumbForeAction(4 + 1);    // APP SWITCHER
    d.setThumbMiddleAction(4 + 4);  // COPY
    d.setThumbRingAction(4 + 0);    // ESC KEY
    d.setThumbPinkyAction(2);
    table->setCurrentCell(1, 0);
    ui->pushButtonDeleteKeyboardAction->click();
    EXPECT_EQ(engine.names(), (QList<QString>{"ESC KEY", "FN+F9 KEY", "FN ALONE", "COPY"}));
    EXPECT_EQ(d.getThumbForeAction(), 0);
    EXPECT_EQ(ui->comboBoxThumbMiddle->currentText(), "COPY");
    EXPECT_EQ(d.getThumbMiddleAction(), 4 + 3);
    EXPECT_EQ(d.getThumbRingAction(), 4);
    EXPECT_EQ(d.getThumbPinkyAction(), 2);
    ASSERT_EQ(deleted.size(), 1);
    EXPECT_EQ(deleted.at(0).at(0).toInt(), 1);
    EXPECT_EQ(table->rowCount(), 4);

    // No current row: nothing.
    table->setCurrentCell(-1, -1);
    ui->pushButtonDeleteKeyboardAction->click();
    EXPECT_EQ(engine.count(), 4);

    ui->pushButtonDeleteAllKeyboardAction->click();
    EXPECT_EQ(engine.count(), 0);
    EXPECT_EQ(table->rowCount(), 0);
    EXPECT_EQ(ui->comboBoxThumbMiddle->count(), 4);
    EXPECT_EQ(d.getThumbMiddleAction(), 0);
    EXPECT_EQ(d.getThumbRingAction(), 0);
    EXPECT_EQ(d.getThumbPinkyAction(), 2);
    EXPECT_EQ(deleted.last().at(0).toInt(), -1);
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

TEST(OptionsDialog, StartAtLoginWritesReplacesAndRemovesTheAutostartEntry) {
    struct Quote {
        const char* path;
        const char* exec;
    };
    const Quote quotes[] = {
        {"/usr/bin/velmo-mouse", "\"/usr/bin/velmo-mouse\""},
        {"/opt/My Apps/velmo-mouse", "\"/opt/My Apps/velmo-mouse\""},
        {"/a/$b`c\"d/velmo-mouse", "\"/a/\\\\$b\\\\`c\\\\\"d/velmo-mouse\""},
        {"/a\\b/100%/velmo-mouse", "\"/a\\\\\\\\b/100%%/velmo-mouse\""},
    };
    for (const Quote& q : quotes) EXPECT_EQ(AutoStartEntry::execValue(q.path), q.exec) << q.path;

    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    const QString entry = config.path() + "/autostart/velmo-mouse.desktop";
    ASSERT_EQ(AutoStartEntry::path(), entry);
    const QByteArray expected = "[Desktop Entry]\nType=Application\nName=Velmo Mouse\n"
                                "Comment=Drive the pointer with one hand over the hand-tracking sensor\n"
                                "Exec=\"" + QCoreApplication::applicationFilePath().toUtf8() + "\"\n"
                                "Terminal=false\nX-GNOME-Autostart-enabled=true\n";

    UserOptionDlg d(nullptr, 0);
    d.initConnections();
    QCheckBox* box = d.form()->checkBoxAutoStart;
    box->setChecked(true);
    EXPECT_EQ(readAll(entry), expected);
    box->setChecked(false);
    EXPECT_FALSE(QFile::exists(entry));

    // A stale entry (another program path) is replaced.
    QFile stale(entry);
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write("[Desktop Entry]\nExec=/old/place/velmo-mouse\n");
    stale.close();
    box->setChecked(true);
    EXPECT_EQ(readAll(entry), expected);
    EXPECT_FLOAT_EQ(d.getAutoStart(), 1.0f);
    box->setChecked(false);

    // A folder that cannot be made: a warning, and the box does not stay checked.
    QFile blocker(config.path() + "/blocked");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    qputenv("XDG_CONFIG_HOME", (config.path() + "/blocked").toLocal8Bit());
    MessageCatcher catcher;
    box->setChecked(true);
    EXPECT_EQ(catcher.texts.size(), 1);
    EXPECT_TRUE(catcher.texts.value(0).startsWith("Velmo Mouse could not set itself to start at login"));
    EXPECT_FALSE(box->isChecked());
    EXPECT_FLOAT_EQ(d.getAutoStart(), 0.0f);
    qunsetenv("XDG_CONFIG_HOME");
}

} // namespace

// Every one-line caption is whole at the dialog's fixed geometry in the system's default font: a
// label or check box whose text needs more than its widget's width loses its end.
TEST(OptionsForm, EveryOneLineCaptionFitsItsWidget) {
    // Qt's default on an X11 desktop that sets none (the offscreen platform used here has another).
    const QFont before = QApplication::font();
    QApplication::setFont(QFont(QStringLiteral("Sans Serif"), 9));
    UserOptionDlg d(nullptr, 0);
    d.ensurePolished();
    QStringList cut;
    for (QWidget* w : d.findChildren<QWidget*>()) {
        QString text;
        int need = 0;
        if (auto* label = qobject_cast<QLabel*>(w)) {
            if (label->wordWrap() || label->text().isEmpty()) continue;
            text = Qt::mightBeRichText(label->text()) ? QTextDocumentFragment::fromHtml(label->text()).toPlainText()
                                                       : label->text();
            need = label->fontMetrics().horizontalAdvance(text) + 2 * label->margin();
        } else if (auto* box = qobject_cast<QCheckBox*>(w)) {
            if (box->text().isEmpty()) continue;
            text = box->text();
            need = box->sizeHint().width();
        } else {
            continue;
        }
        if (text.contains('\n') || text.contains("<br", Qt::CaseInsensitive)) continue;
        w->ensurePolished();
        if (need > w->width())
            cut << QStringLiteral("%1 \"%2\" (%3 px, has %4; %5)")
                       .arg(w->objectName(), text.left(60)).arg(need).arg(w->width()).arg(w->font().toString());
    }
    QApplication::setFont(before);
    EXPECT_TRUE(cut.isEmpty()) << cut.join("\n").toStdString();
}
