#include "KeyboardOptionsPage.h"

#include "keyboardAct.h"
#include "ui_UserOptionDlg.h"

#include <QHeaderView>
#include <QKeySequence>
#include <QMessageBox>

namespace {

constexpr int kPinchMouseEntries = 4;

} // namespace

KeyboardOptionsPage::KeyboardOptionsPage(Ui_UserOptionDlg* form, QWidget* dialog)
    : QObject(dialog), ui(form), dialog_(dialog) {
    actionList = QStringList{QStringLiteral("NONE"), QStringLiteral("LEFT MOUSE BUTTON"),
                             QStringLiteral("RIGHT MOUSE BUTTON"), QStringLiteral("MIDDLE MOUSE BUTTON")};
    wheelActionList = QStringList{QStringLiteral("NONE"), QStringLiteral("MOUSE WHEEL")};
    osKeyCaption = QStringLiteral("FN KEY");
    ui->checkBoxOsKey->setText(osKeyCaption);
    ui->tableWidgetKeyboardAction->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ui->tableWidgetKeyboardAction->setFocusPolicy(Qt::NoFocus);
    ui->tableWidgetKeyboardAction->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
}

void KeyboardOptionsPage::setKeyboardActions(keyboardAct* actions) {
    keyboardActions = actions;
    if (!actions) return;
    for (const keyboardAct::Entry& e : actions->entries()) addKeyboardActionRow(e.name, e.keys, e.osKey);
}

void KeyboardOptionsPage::addKeyboardActionRow(const QString& name, const QString& keys, bool osKey) {
    QTableWidget* table = ui->tableWidgetKeyboardAction;
    const int row = table->rowCount();
    table->insertRow(row);
    table->setItem(row, 0, new QTableWidgetItem(name));
    QString text;
    if (osKey) {
        text += osKeyCaption;
        if (!keys.isEmpty()) text += QLatin1Char('+');
    }
    text += keys;
    table->setItem(row, 1, new QTableWidgetItem(text));
    actionList.append(name);
    updateActions();
}

void KeyboardOptionsPage::addKeyboardAction() {
    const QString name = ui->lineEditKeyboardActionName->text();
    if (name.isEmpty()) {
        QMessageBox::warning(dialog_, tr("Velmo Mouse"), tr("You must insert a Keyboard Action Name.\n"), QMessageBox::Ok);
        ui->lineEditKeyboardActionName->setFocus();
        return;
    }
    const QKeySequence sequence = ui->keySequenceEditAction->keySequence();
    const bool osKey = ui->checkBoxOsKey->isChecked();
    if (sequence.isEmpty() && !osKey) {
        QMessageBox::warning(dialog_, tr("Velmo Mouse"), tr("You must insert your Keyboard Action.\nJust type your shortcut.\n"),
                             QMessageBox::Ok);
        ui->keySequenceEditAction->setFocus();
        return;
    }
    const QString keys = sequence.toString(QKeySequence::PortableText);
    addKeyboardActionRow(name, keys, osKey);
    if (keyboardActions) keyboardActions->append(name, keys, osKey);
    ui->keySequenceEditAction->clear();
}

void KeyboardOptionsPage::deleteKeyboardAction() {
    QTableWidget* table = ui->tableWidgetKeyboardAction;
    const int row = table->currentRow();
    if (row < 0 || row >= table->rowCount()) return;
    if (keyboardActions) keyboardActions->removeAt(row);
    remapPinchEntries(row);
    actionList.removeAt(4 + row);
    updateActions();
    table->removeRow(row);
    emit keyboardActionsDeleted(row);
}

void KeyboardOptionsPage::deleteAllTableKeyboardAction() {
    while (actionList.size() > 4) actionList.removeLast();
    updateActions();
    ui->tableWidgetKeyboardAction->clearContents();
    ui->tableWidgetKeyboardAction->setRowCount(0);
}

void KeyboardOptionsPage::deleteAllKeyboardAction() {
    remapPinchEntries(-1);
    deleteAllTableKeyboardAction();
    if (keyboardActions) keyboardActions->clear();
    emit keyboardActionsDeleted(-1);
}

void KeyboardOptionsPage::updateActions() {
    QComboBox* const pinches[] = {ui->comboBoxThumbFore, ui->comboBoxThumbMiddle, ui->comboBoxThumbRing,
                                  ui->comboBoxThumbPinky};
    const auto rebuild = [](QComboBox* box, const QStringList& entries) {
        const int current = box->currentIndex();
        box->clear();
        box->addItems(entries);
        box->setCurrentIndex(current >= 0 && current < box->count() ? current : 0);
    };
    for (QComboBox* box : pinches) rebuild(box, actionList);
    rebuild(ui->comboBoxForeFingerCircle, wheelActionList);
}

void KeyboardOptionsPage::remapPinchEntries(int row) {
    QComboBox* const pinches[] = {ui->comboBoxThumbFore, ui->comboBoxThumbMiddle, ui->comboBoxThumbRing,
                                  ui->comboBoxThumbPinky};
    for (QComboBox* box : pinches) {
        const int entry = box->currentIndex();
        if (entry < kPinchMouseEntries) continue;
        if (row < 0 || entry == kPinchMouseEntries + row)
            box->setCurrentIndex(0);
        else if (entry > kPinchMouseEntries + row)
            box->setCurrentIndex(entry - 1);
    }
}
