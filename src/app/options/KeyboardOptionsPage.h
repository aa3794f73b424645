#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QWidget;
class Ui_UserOptionDlg;
class keyboardAct;

// The options dialog's keyboard actions: the table of named shortcuts on their tab and the entries
// they add to the pinch combos. The engine's lists are edited in place through their own locked
// operations: the tracking thread may read them at any moment.
class KeyboardOptionsPage : public QObject {
    Q_OBJECT

public:
    // Works on dialog's form widgets; dialog is also the parent of its warnings.
    KeyboardOptionsPage(Ui_UserOptionDlg* form, QWidget* dialog);

    void setKeyboardActions(keyboardAct* actions);
    void addKeyboardActionRow(const QString& name, const QString& keys, bool osKey);
    // Empties the table and the pinch entries; the engine's lists stay as they are.
    void deleteAllTableKeyboardAction();
    // Refills the pinch and wheel combos, each keeping its entry where it still exists.
    void updateActions();

signals:
    // Keyboard action row was deleted from the engine's lists (-1: all of them).
    void keyboardActionsDeleted(int row);

public slots:
    void addKeyboardAction();
    void deleteKeyboardAction();
    void deleteAllKeyboardAction();

private:
    // After keyboard row `row` left the lists (-1: all): pinch entries that named a removed action
    // become "NONE", those after it move one up, so none names another action than chosen.
    void remapPinchEntries(int row);

    Ui_UserOptionDlg* ui;
    QWidget* dialog_;
    QStringList actionList;
    QStringList wheelActionList;
    QString osKeyCaption;
    keyboardAct* keyboardActions = nullptr;
};
