#pragma once

// Folders of the build a program was made in, for programs run from the build tree without
// resources beside them (tests, benchmarks, tools): they link velmo_build_tree_dirs, which defines
// these and exports them to the modules they load (the tutorial's). The shipped programs do not,
// so that no build machine's path is in them; there they are null.
extern "C" __attribute__((weak, visibility("default"))) const char* velmo_build_source_resources();
extern "C" __attribute__((weak, visibility("default"))) const char* velmo_build_tutorial_media();
