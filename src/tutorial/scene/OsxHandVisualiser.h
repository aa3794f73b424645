#pragma once

#include "HandVisualiser.h"
#include "TutorialSession.h"

#include <QObject>
#include <QString>

class HandVisRender;
class OsxTutorialWindow;
class TutorialEngine;

// The tutorial as the tray opens it: the scene plus its render timer. go() builds everything and
// starts the timer only when that succeeded; failures (no render system, no GL, a missing file, an
// exception while building or rendering) come back as one message through the host window's
// tutorialFailed signal instead of escaping.
class OsxHandVisualiser : public HandVisualiser, public TutorialSession {
public:
    OsxHandVisualiser(OsxTutorialWindow* window, TutorialEngine* engine);
    ~OsxHandVisualiser() override;

    // True when the tutorial is rendering; false when set-up failed (message already reported).
    bool go() override;
    void shutdown() override;
    // A call of this visualiser is running (a frame or its end): it must not be deleted now.
    bool isBusy() const override;
    long long frameCount() const override;
    void showWindow() override;

    HandVisRender* renderTimer() const { return render_; }

private:
    HandVisRender* render_ = nullptr;
};
