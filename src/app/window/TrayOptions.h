#pragma once

#include <QObject>

class QAction;
class UserOptionDlg;
class EngineQueries;
class VelmoListener;

namespace Leap {
class Controller;
}

// The options dialog as the tray opens it: filled from the engine's user table, read back into it
// on OK, taken back on Cancel, reset to the defaults, with the plane presets and the groups a
// network mode uses. What the network mode and the alternative pointer do on the desktop is the
// tray window's: it hears of them through the signals.
class TrayOptions : public QObject {
    Q_OBJECT

public:
    // notifyClicks: the tray's check mark, which shows the default after Restore Default.
    TrayOptions(VelmoListener& listener, Leap::Controller& controller, QAction* notifyClicks);
    // Closes an open dialog.
    ~TrayOptions() override;

    // The open dialog (null when it is closed).
    UserOptionDlg* dialog() const { return options_; }
    // The dialog's groups that a network mode uses.
    void enableOptionsForNetworkMode(int type);

signals:
    // A fill shows the stored network mode, and the tray puts it into effect.
    void networkModeFilled(int mode);
    // The user's changes, which act while the dialog is open.
    void networkModeChanged(int index);
    // The destination address or port may be new; a source's next command goes by them.
    void destinationStored();
    void enableAlternativeMouseCursor();
    void disableAlternativeMouseCursor();

public slots:
    // Opens the dialog, or raises the open one.
    void open();
    void save();
    void restore();
    void restoreDefault();
    void setAutoScaleFactor();
    void setControllerPos(int index);
    void setOptionClosed();
    void keyboardActionsDeleted(int row);

private:
    void initParameters();
    void rememberImmediateOptions();

    VelmoListener& listener_;
    // What the dialog reads from the engine and sets in it.
    EngineQueries& engine_;
    Leap::Controller& controller_;
    QAction* notifyClicksAction_;
    UserOptionDlg* options_ = nullptr;
    int optionsOpen_ = 0;
    bool filling_ = false;
    float confirmedNetworkMode_ = 0.0f;
    float confirmedAlternativeCursor_ = 0.0f;
};
