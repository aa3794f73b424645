#include "BuildTreeDirs.h"

extern "C" const char* velmo_build_source_resources() { return VELMO_SOURCE_RESOURCES; }
extern "C" const char* velmo_build_tutorial_media() { return VELMO_TUTORIAL_MEDIA; }
