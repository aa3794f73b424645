#pragma once

#include "HandVisualiser.h"

#include <QObject>
#include <QString>

class HandVisRender;
class OsxTutorialWindow;
class VelmoListener;

// The tutorial as the tray opens it: the scene plus its render timer. go() builds everything and
// starts the timer only when that succeeded; failures (no render system, no GL, a missing file, an
// exception while building or rendering) come back as one message through the host window's
// tutorialFailed signal instead of escaping.
class OsxHandVisualiser : public HandVisualiser {
public:
    OsxHandVisualiser(OsxTutorialWindow* window, VelmoListener* listener);
    ~OsxHandVisualiser() override;

    // True when the tutorial is rendering; false when set-up failed (message already reported).
    bool go() override;
    void shutdown();
    // A call of this visualiser is running (a frame or its end): it must not be deleted now.
    bool isBusy() const;

    HandVisRender* renderTimer() const { return render_; }

private:
    HandVisRender* render_ = nullptr;
};
