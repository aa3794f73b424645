#include "VelmoGestures.h"

// The sink, the box and the log are created by startParameters and go in the listener's onExit,
// not here.
VelmoGestures::VelmoGestures() = default;

VelmoGestures::~VelmoGestures() = default;
