#pragma once

#include <QObject>

class Ui_UserOptionDlg;

// The options dialog's network page: the mode, the destination's address and port, and the groups
// of the form that each mode uses. The dialog forwards its own API here.
class NetworkOptionsPage : public QObject {
    Q_OBJECT

public:
    // Works on dialog's form widgets; dialog is the page's parent.
    NetworkOptionsPage(Ui_UserOptionDlg* form, QObject* dialog);

    // The mode combo's changes reach networkModeChanged from here on.
    void initConnections();

    // Shows mode and reports it, also where the combo already showed it.
    void setNetworkMode(int mode);
    int getNetworkMode() const;
    void setDestinationIpAddress(int part, float v);
    float getDestinationIpAddress(int part) const;
    void setDestinationPort(float v);
    float getDestinationPort() const;

    void enableSourceTabs(bool on);
    void enableDestIp(bool on);
    void enableDestPort(bool on);
    void enableAudioGraphicFx(bool on);

signals:
    void networkModeChanged(int index);

private:
    Ui_UserOptionDlg* ui;
};
