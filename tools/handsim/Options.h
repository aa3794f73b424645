#pragma once
// velmo-handsim's command line.

#include "V6Encoder.h"
#include "Player.h"

#include <cstdio>
#include <string>

namespace handsim {

struct Options {
    float fps = 120.0f;
    bool loop = false;
    std::string record;
    std::string replay;
    std::string socket;
    std::string script;
    std::string stamp;
    bool websocket = false;
    int port = 6437;
    V6Encoder::Style style = V6Encoder::Style::Standalone;
    Realism realism;
};

void printUsage(std::FILE* to);
// --help (-h) and --version answer alone, whatever else the line holds: true when one did.
bool answeredInfo(int argc, char** argv);
// False with a reason in error when the line is not one the program takes.
bool parseArgs(int argc, char** argv, Options& o, std::string& error);

} // namespace handsim
