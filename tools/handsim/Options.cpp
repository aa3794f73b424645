#include "Options.h"

#include <cmath>
#include <cstdlib>

namespace handsim {

void printUsage(std::FILE* to)
{
    std::fprintf(to,
        "usage: velmo-handsim [--fps N] [--loop] [--jitter MM] [--seed N] [--hand-scale S] [--record FILE]\n"
        "                     [--replay FILE] [--socket PATH] [--websocket [PORT] [--style standalone|legacy]]\n"
        "                     [--stamp FILE] SCRIPT\n"
        "       (SCRIPT is left out with --replay)\n"
        "       velmo-handsim --help | --version\n");
}

bool answeredInfo(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::printf("velmo-handsim: a tracking service playing a scripted hand (man velmo-handsim).\n");
            printUsage(stdout);
            return true;
        }
        if (a == "--version") {
            std::printf("velmo-handsim %s\n", VELMO_VERSION);
            return true;
        }
    }
    return false;
}

bool parseArgs(int argc, char** argv, Options& o, std::string& error)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) {
                error = a + " needs a value";
                return false;
            }
            out = argv[++i];
            return true;
        };
        if (a == "--fps") {
            std::string v;
            if (!value(v))
                return false;
            char* end = nullptr;
            const double fps = std::strtod(v.c_str(), &end);
            if (!end || *end || !(fps >= 1.0 && fps <= 1000.0)) {
                error = "--fps takes a number from 1 to 1000";
                return false;
            }
            o.fps = static_cast<float>(fps);
        } else if (a == "--jitter" || a == "--hand-scale" || a == "--seed") {
            std::string v;
            if (!value(v))
                return false;
            char* end = nullptr;
            const double x = std::strtod(v.c_str(), &end);
            if (!end || *end || !std::isfinite(x)) {
                error = a + " takes a number";
                return false;
            }
            if (a == "--jitter") {
                if (!(x >= 0.0 && x <= 20.0)) {
                    error = "--jitter takes 0 to 20 mm";
                    return false;
                }
                o.realism.jitterMm = static_cast<float>(x);
            } else if (a == "--hand-scale") {
                if (!(x >= 0.5 && x <= 2.0)) {
                    error = "--hand-scale takes 0.5 to 2";
                    return false;
                }
                o.realism.handScale = static_cast<float>(x);
            } else {
                if (!(x >= 0.0 && x <= 4294967295.0) || x != std::floor(x)) {
                    error = "--seed takes a whole number";
                    return false;
                }
                o.realism.seed = static_cast<uint32_t>(x);
            }
        } else if (a == "--loop") {
            o.loop = true;
        } else if (a == "--record") {
            if (!value(o.record))
                return false;
        } else if (a == "--replay") {
            if (!value(o.replay))
                return false;
        } else if (a == "--socket") {
            if (!value(o.socket))
                return false;
        } else if (a == "--websocket") {
            o.websocket = true;
            // The port is optional: a number right after the option.
            if (i + 1 < argc && argv[i + 1][0] >= '0' && argv[i + 1][0] <= '9') {
                char* end = nullptr;
                const long port = std::strtol(argv[++i], &end, 10);
                if (!end || *end || port < 0 || port > 65535) {
                    error = "--websocket takes a port from 0 to 65535";
                    return false;
                }
                o.port = static_cast<int>(port);
            }
        } else if (a == "--style") {
            std::string v;
            if (!value(v))
                return false;
            if (v == "legacy")
                o.style = V6Encoder::Style::Legacy;
            else if (v == "standalone")
                o.style = V6Encoder::Style::Standalone;
            else {
                error = "--style is standalone or legacy";
                return false;
            }
        } else if (a == "--stamp") {
            if (!value(o.stamp))
                return false;
        } else if (!a.empty() && a[0] == '-') {
            error = "unknown option " + a;
            return false;
        } else if (o.script.empty()) {
            o.script = a;
        } else {
            error = "one script only";
            return false;
        }
    }
    if (o.replay.empty() == o.script.empty()) {
        error = o.replay.empty() ? "no script given" : "give either a script or --replay";
        return false;
    }
    return true;
}

} // namespace handsim
