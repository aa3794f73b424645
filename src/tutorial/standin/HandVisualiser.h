#pragma once

#include "BaseApplication.h"

class OsxTutorialWindow;
class VelmoListener;

// Stand-in for the tutorial scene (floor and light only) with the scene's construction and
// shut-down contract: it tells the engine the interactive tutorial runs while it exists.
class HandVisualiser : public BaseApplication {
public:
    HandVisualiser(OsxTutorialWindow* window, VelmoListener* listener);
    ~HandVisualiser() override;

    int isShuttingDown() override;
    void setShuttingDown(int value) { mShuttingDown = value; }

protected:
    void createScene() override;

    VelmoListener* mListener = nullptr;
    int mShuttingDown = 0;
};
