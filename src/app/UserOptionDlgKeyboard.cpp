// The options dialog's keyboard-action editor. The engine's lists are edited in place through
// their own locked operations: the tracking thread may read them at any moment.
#include "UserOptionDlg.h"

#include "keyboardAct.h"
#include "ui_UserOptionDlg.h"

#include <QKeySequence>
#include <QMessageBox>

void UserOptionDlg::setKeyboardActions(keyboardAct* actions) {
    keyboardActions = actions;
    if (!actions) return;
    for (const keyboardAct::Entry& e : actions->entries()) addKeyboardActionRow(e.name, e.keys, e.osKey);
}

void UserOptionDlg::addKeyboardActionRow(const QString& name, const QString& keys, bool osKey) {
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

void UserOptionDlg::addKeyboardAction() {
    const QString name = ui->lineEditKeyboardActionName->text();
    if (name.isEmpty()) {
        QMessageBox::warning(this, tr("Velmo Mouse"), tr("You must insert a Keyboard Action Name.\n"), QMessageBox::Ok);
        ui->lineEditKeyboardActionName->setFocus();
        return;
    }
    const QKeySequence sequence = ui->keySequenceEditAction->keySequence();
    const bool osKey = ui->checkBoxOsKey->isChecked();
    if (sequence.isEmpty() && !osKey) {
        QMessageBox::warning(this, tr("Velmo Mouse"), tr("You must insert your Keyboard Action.\nJust type your shortcut.\n"),
                             QMessageBox::Ok);
        ui->keySequenceEditAction->setFocus();
        return;
    }
    const QString keys = sequence.toString(QKeySequence::PortableText);
    addKeyboardActionRow(name, keys, osKey);
    if (keyboardActions) keyboardActions->append(name, keys, osKey);
    ui->keySequenceEditAction->clear();
}

void UserOptionDlg::deleteKeyboardAction() {
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

void UserOptionDlg::deleteAllTableKeyboardAction() {
    while (actionList.size() > 4) actionList.removeLast();
    updateActions();
    ui->tableWidgetKeyboardAction->clearContents();
    ui->tableWidgetKeyboardAction->setRowCount(0);
}

void UserOptionDlg::deleteAllKeyboardAction() {
    remapPinchEntries(-1);
    deleteAllTableKeyboardAction();
    if (keyboardActions) keyboardActions->clear();
    emit keyboardActionsDeleted(-1);
}
