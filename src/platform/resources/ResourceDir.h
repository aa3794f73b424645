#pragma once

#include <QString>

// The directory holding the program's images and sounds: "resources" beside the executable, else
// the installed data folder (../share/velmo-mouse from the executable), else the source tree's
// resources directory (programs run from the build tree that link velmo_build_tree_dirs). Empty
// when none exists.
QString velmoResourceDir();
