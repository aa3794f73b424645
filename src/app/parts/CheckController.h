#pragma once

#include <QString>
#include <QThread>

#include <atomic>

namespace Leap {
class Controller;
}

// One-shot check, on a thread of its own, that a tracking device turned up shortly after start.
class CheckController : public QThread {
    Q_OBJECT
public:
    explicit CheckController(QObject* parent = nullptr) : QThread(parent) {}

    void SetController(Leap::Controller* controller) { this->controller = controller; }
    // Waits for the check to end. QThread's own join is not seen by ThreadSanitizer (Qt is not
    // built for it); the flag's acquire makes everything run() did visible before a delete.
    void join() {
        wait();
        (void)ran_.load(std::memory_order_acquire);
    }

signals:
    void resultReady(const QString& s);
    void onDisconnect();

protected:
    void run() override;

private:
    Leap::Controller* controller = nullptr;
    std::atomic<bool> ran_{false};
};
