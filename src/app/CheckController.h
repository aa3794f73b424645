#pragma once

#include <QString>
#include <QThread>

namespace Leap {
class Controller;
}

// One-shot check, on a thread of its own, that a tracking device turned up shortly after start.
class CheckController : public QThread {
    Q_OBJECT
public:
    explicit CheckController(QObject* parent = nullptr) : QThread(parent) {}

    void SetController(Leap::Controller* controller) { this->controller = controller; }

signals:
    void resultReady(const QString& s);
    void onDisconnect();

protected:
    void run() override;

private:
    Leap::Controller* controller = nullptr;
};
