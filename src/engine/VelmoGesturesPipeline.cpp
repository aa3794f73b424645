#include "VelmoGestures.h"

// Placeholder bodies until the frame pipeline lands.
void VelmoGestures::DetectGestures(handTrackingData) {}
void VelmoGestures::ResetMouseWheel() {}
void VelmoGestures::MouseWheelMove(float, int, int, float) {}
