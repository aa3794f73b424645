#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>

class BaseApplication;
class QTimer;

// The tutorial's render timer: a 1 ms timer on the GUI thread that renders one Ogre frame per tick
// with the time that really passed. Qt timers keep firing while a tray menu is open or a window is
// dragged. An exception from a frame stops the timer and is reported once through renderFailed
// (queued, so the receiver may tear the tutorial down).
class HandVisRender : public QObject {
    Q_OBJECT

public:
    explicit HandVisRender(QObject* parent = nullptr);
    ~HandVisRender() override;

    void setTarget(BaseApplication* target) { target_ = target; }
    void startRendering();
    void stopRendering();
    bool isRendering() const;
    // Frames rendered since the timer was started.
    long long frameCount() const { return frames_; }
    // True while a tick runs (its frame, or the target's exit).
    bool isBusy() const { return busy_; }

public slots:
    void osxRenderOneFrame();

signals:
    void renderFailed(const QString& message);

private:
    BaseApplication* target_ = nullptr;
    QTimer* timer_ = nullptr;
    QElapsedTimer clock_;
    long long frames_ = 0;
    bool busy_ = false;
};
