#include "InfoOption.h"

#include <cstdio>
#include <cstring>

bool answerInfoOption(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("velmo-mouse %s\n", VELMO_VERSION);
            return true;
        }
        if (std::strcmp(argv[i], "--help") == 0) {
            std::printf(
                "usage: velmo-mouse [--tracking SOURCE] [Qt options]\n"
                "       velmo-mouse --help | --version\n"
                "\n"
                "Drives the pointer with one bare hand over a hand-tracking sensor; it lives in the\n"
                "system tray of an X11 session (man velmo-mouse).\n"
                "\n"
                "  --tracking SOURCE  where hands come from: unix:PATH (a tracking service's socket,\n"
                "                     such as velmo-handsim's), ws://HOST:PORT/PATH (a sensor's\n"
                "                     WebSocket server) or auto (the default; also $VELMO_TRACKING)\n"
                "  --help             print this and exit\n"
                "  --version          print the version and exit\n");
            return true;
        }
    }
    return false;
}
