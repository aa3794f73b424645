// velmo-gesture-eval: scripted hands through the real engine, counted (docs/gesture-eval.md).
#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "EngineRun.h"

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    geval::RunSettings rs;
    std::string script;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--trace")
            rs.trace = stdout;
        else if (a == "--pos" && i + 1 < argc)
            rs.controllerPos = std::atoi(argv[++i]);
        else if (a == "--jitter" && i + 1 < argc)
            rs.jitterMm = std::strtof(argv[++i], nullptr);
        else if (a == "--seed" && i + 1 < argc)
            rs.seed = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        else if (a == "--hand-scale" && i + 1 < argc)
            rs.handScale = std::strtof(argv[++i], nullptr);
        else if (a == "--mirror")
            rs.mirror = true;
        else
            script = a;
    }
    handsim::Script s;
    std::string error;
    if (!handsim::loadScript(script, s, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    const geval::RunResult r = geval::runScript(s, rs);
    for (const auto& a : r.actions)
        if (a.kind != geval::Action::Wheel)
            std::printf("%.3f %s %d\n", a.t, a.kind == geval::Action::Press ? "press" : "release", a.button);
    std::printf("frames %d travel %.0f stuck %zu\n", r.frames, r.pointerTravel, r.stuck.size());
    return 0;
}
