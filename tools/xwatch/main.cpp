// velmo-xwatch: prints what the X server saw of the pointer: button presses and releases, wheel
// taps, and the pointer position whenever it changed (sampled). Runs until SIGINT/SIGTERM or the
// given duration.
//   velmo-xwatch [--interval MS] [--duration SECONDS]
//   velmo-xwatch --held     prints "buttons MASK keys [KEYCODE...]" once: what is held down now
//                           (mask bits 0x100 left, 0x200 middle, 0x400 right); exits 0 when nothing is.
#include "XWatch.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

volatile std::sig_atomic_t stop = 0;

void onSignal(int) { stop = 1; }

int usage() {
    std::fprintf(stderr, "usage: velmo-xwatch [--interval MS] [--duration SECONDS] | --held\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    int intervalMs = 50;
    double duration = 0.0;
    bool held = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--interval") == 0 && i + 1 < argc) {
            intervalMs = std::atoi(argv[++i]);
            if (intervalMs < 1 || intervalMs > 10000) return usage();
        } else if (std::strcmp(argv[i], "--duration") == 0 && i + 1 < argc) {
            duration = std::atof(argv[++i]);
            if (!(duration > 0.0)) return usage();
        } else if (std::strcmp(argv[i], "--held") == 0) {
            held = true;
        } else {
            return usage();
        }
    }
    std::string error;
    xwatch::Watcher watcher;
    if (!watcher.open(nullptr, error)) {
        std::fprintf(stderr, "velmo-xwatch: %s\n", error.c_str());
        return 1;
    }
    if (held) {
        int x = 0;
        int y = 0;
        unsigned mask = 0;
        if (!watcher.pointer(&x, &y, &mask)) return 1;
        const unsigned buttons = mask & 0x1f00u;
        const std::vector<int> keys = watcher.keysDown();
        std::printf("buttons 0x%x keys", buttons);
        for (int k : keys) std::printf(" %d", k);
        std::printf("\n");
        return buttons == 0 && keys.empty() ? 0 : 3;
    }
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);

    const auto start = std::chrono::steady_clock::now();
    // Where time 0 lies on the system's monotonic clock, so other logs can be lined up with ours.
    std::printf("# started at %.3f s on the monotonic clock\n",
                std::chrono::duration<double>(start.time_since_epoch()).count());
    auto seconds = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); };
    int lastX = -1;
    int lastY = -1;
    while (!stop && (duration <= 0.0 || seconds() < duration)) {
        for (const xwatch::ButtonEvent& e : watcher.read(intervalMs)) {
            const std::string text = xwatch::describe(e);
            if (!text.empty()) std::printf("%8.3f %s\n", seconds(), text.c_str());
        }
        int x = 0;
        int y = 0;
        if (watcher.pointer(&x, &y, nullptr) && (x != lastX || y != lastY)) {
            std::printf("%8.3f pointer %d %d\n", seconds(), x, y);
            lastX = x;
            lastY = y;
        }
        std::fflush(stdout);
    }
    return 0;
}
