#include "HandVisRender.h"

#include "BaseApplication.h"

#include <OgreException.h>
#include <OgreRoot.h>

#include <QTimer>

#include <exception>

HandVisRender::HandVisRender(QObject* parent) : QObject(parent) {}

HandVisRender::~HandVisRender() {
    stopRendering();
}

void HandVisRender::startRendering() {
    if (!timer_) {
        timer_ = new QTimer(this);
        timer_->setTimerType(Qt::PreciseTimer);
        timer_->setInterval(1);
        connect(timer_, &QTimer::timeout, this, &HandVisRender::osxRenderOneFrame);
    }
    frames_ = 0;
    clock_.start();
    timer_->start();
}

void HandVisRender::stopRendering() {
    if (timer_) timer_->stop();
}

bool HandVisRender::isRendering() const {
    return timer_ && timer_->isActive();
}

void HandVisRender::osxRenderOneFrame() {
    if (!target_ || busy_) return;
    struct Busy {
        bool& flag;
        explicit Busy(bool& f) : flag(f) { flag = true; }
        ~Busy() { flag = false; }
    } busy(busy_);
    const double elapsed = clock_.isValid() ? clock_.nsecsElapsed() / 1e9 : 0.0;
    clock_.restart();
    Ogre::Root* root = Ogre::Root::getSingletonPtr();
    if (!target_->isShuttingDown() && root && root->isInitialised()) {
        QString failure;
        try {
            root->renderOneFrame(static_cast<Ogre::Real>(elapsed));
            ++frames_;
            return;
        } catch (const Ogre::Exception& e) {
            failure = QString::fromStdString(e.getFullDescription());
        } catch (const std::exception& e) {
            failure = QString::fromLocal8Bit(e.what());
        }
        stopRendering();
        emit renderFailed(failure);
        return;
    }
    if (isRendering()) stopRendering();
    if (target_->isShuttingDown()) target_->exit();
}
