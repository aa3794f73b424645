#pragma once

#include <QWidget>

class QFocusEvent;
class QHideEvent;
class QLabel;
class QMouseEvent;
class QPushButton;
class QShowEvent;

// Frameless, always-on-top popup behind the balloon, about, gestures and splash windows.
class NotificationWindow : public QWidget {
    Q_OBJECT
public:
    enum NotificationType { Balloon = 0, About = 1, Gestures = 2, Splash = 3 };

    NotificationWindow(QWidget* parent, int x, int y, int type);
    ~NotificationWindow() override;

    void setMsg(QString msg);
    int kind() const { return type; }

signals:
    // These two share the names and signatures of QWidget's event handlers, so they replace them:
    // the event is re-emitted to whoever listens and the widget's own handling does not run.
    void mouseReleaseEvent(QMouseEvent* event);
    void focusOutEvent(QFocusEvent* event);
    void baloonClosed();
    void aboutClosed();
    void gesturesClosed();
    void splashClosed();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void loadPicture();

    QLabel* label = nullptr;
    QPushButton* closeButton = nullptr;
    int type = 0;
};
