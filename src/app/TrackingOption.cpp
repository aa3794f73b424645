#include "TrackingOption.h"

#include "LeapTrackingSource.h"

#include <cstring>

bool applyTrackingOption(int argc, char** argv, std::string& error) {
    const char* value = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--tracking") == 0) {
            if (i + 1 >= argc) {
                error = "--tracking needs a value (unix:PATH, ws://HOST:PORT/PATH or auto)";
                return false;
            }
            value = argv[++i];
        } else if (std::strncmp(argv[i], "--tracking=", 11) == 0) {
            value = argv[i] + 11;
        }
    }
    if (!value) return true;
    Leap::TrackingSource source;
    if (!Leap::TrackingSource::parse(value, source, error)) {
        error = "--tracking: " + error;
        return false;
    }
    Leap::TrackingSource::choose(source);
    return true;
}
