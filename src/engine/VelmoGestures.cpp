#include "VelmoGestures.h"

// The action manager, the box and the log are created by startParameters and go in the
// listener's onExit, not here.
VelmoGestures::VelmoGestures() = default;

// The receiver, once the network part makes one, is the engine's to delete here.
VelmoGestures::~VelmoGestures() = default;
