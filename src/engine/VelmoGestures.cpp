#include "VelmoGestures.h"

// The sink, the box and the log are created by startParameters and go in the listener's onExit,
// not here.
VelmoGestures::VelmoGestures() = default;

// The relay normally went at shut-down (deleteAllSocket); one still here goes now, before the sink
// it acts on.
VelmoGestures::~VelmoGestures() { deleteAllSocket(); }
