// Sanitizer settings for the tests that run Ogre.
#include <dlfcn.h>

#include <initializer_list>

// Ogre 1.12 (Debian) frees the pixels its image codec allocated with malloc through delete[] on
// every texture load; AddressSanitizer would stop there. Its other checks stay on, and
// ASAN_OPTIONS still overrides this default.
extern "C" const char* __asan_default_options() {
    return "alloc_dealloc_mismatch=0";
}

// An empty folder would pin nothing, silently.
static_assert(sizeof(VELMO_OGRE_PLUGIN_DIR) > 1, "VELMO_OGRE_PLUGIN_DIR names no folder");

namespace {

// The render system plug-in and Mesa's driver are unloaded when the renderer closes; what they
// keep would then be reported as leaks of an unknown module that no suppression can name. Pinned,
// they stay mapped and the suppressions for system libraries apply.
struct PinRendererLibraries {
    PinRendererLibraries() {
        for (const char* lib : {VELMO_OGRE_PLUGIN_DIR "/RenderSystem_GL.so", VELMO_OGRE_PLUGIN_DIR "/Codec_STBI.so",
                                "libGLX_mesa.so.0", "/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so"})
            dlopen(lib, RTLD_LAZY | RTLD_NODELETE);
    }
} pin;

} // namespace
