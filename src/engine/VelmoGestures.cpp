#include "VelmoGestures.h"

// The action manager, the box and the log are created by startParameters and go in the
// listener's onExit, not here.
VelmoGestures::VelmoGestures() = default;

// The receiver normally went at shut-down (deleteAllSocket); one still here goes now.
VelmoGestures::~VelmoGestures() { deleteAllSocket(); }
