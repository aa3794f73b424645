#pragma once
// The command-line choice of where hands come from: --tracking unix:PATH | ws://HOST:PORT/PATH | auto
// (also --tracking=...). Without it $VELMO_TRACKING decides, else the layer's automatic choice.

#include <string>

// false with a message for a bad or incomplete option; the choice is made only when it is good.
bool applyTrackingOption(int argc, char** argv, std::string& error);
