#pragma once

#include <QString>

// The directory holding the program's images and sounds: "resources" beside the executable, else the
// source tree's resources directory (programs run from the build tree). Empty when neither exists.
QString velmoResourceDir();
