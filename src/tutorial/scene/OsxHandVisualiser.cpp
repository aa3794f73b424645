#include "OsxHandVisualiser.h"

#include "HandVisRender.h"
#include "OsxTutorialWindow.h"

#include <OgreException.h>

#include <cstdio>
#include <exception>

OsxHandVisualiser::OsxHandVisualiser(OsxTutorialWindow* window, TutorialEngine* engine)
    : HandVisualiser(window, engine), render_(new HandVisRender()) {
    render_->setTarget(this);
    if (window) QObject::connect(render_, &HandVisRender::renderFailed, window, &OsxTutorialWindow::reportFailure);
}

OsxHandVisualiser::~OsxHandVisualiser() {
    setShuttingDown(1);
    shutdown();
    delete render_;
    render_ = nullptr;
}

bool OsxHandVisualiser::go() {
    mResourcesCfg = "resources.cfg";
    mPluginsCfg = "plugins.cfg";
    std::string failure;
    bool ok = false;
    try {
        ok = setup();
        if (!ok) failure = lastError();
    } catch (const Ogre::Exception& e) {
        failure = e.getFullDescription();
    } catch (const std::exception& e) {
        failure = e.what();
    }
    if (!ok) {
        std::fprintf(stderr, "An exception has occured: %s\n", failure.c_str());
        if (hostWindow()) hostWindow()->reportFailure(QString::fromStdString(failure));
        return false;
    }
    render_->startRendering();
    return true;
}

bool OsxHandVisualiser::isBusy() const {
    return render_ && render_->isBusy();
}

void OsxHandVisualiser::shutdown() {
    if (render_) render_->stopRendering();
}

long long OsxHandVisualiser::frameCount() const {
    return render_ ? render_->frameCount() : 0;
}

void OsxHandVisualiser::showWindow() {
    if (hostWindow()) hostWindow()->show();
}
