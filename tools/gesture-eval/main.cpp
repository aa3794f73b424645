// velmo-gesture-eval: the corpus of scripted hands through the real engine, counted per scenario
// family (docs/gesture-eval.md).
#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "EngineRun.h"
#include "Recording.h"
#include "Scenario.h"
#include "Score.h"

namespace {

struct Options {
    std::string corpus;
    std::string recordings;  // the real-hands family's folder, when given
    bool shortRun = false;
    int variants = 4;        // per scenario, controller position and hand
    float maxJitter = 1.5f;  // mm
    uint32_t seed = 1;
    double minDetected = 98.0;  // percent, among runs with at most 1 mm of noise
    bool verbose = false;
    std::string trace;  // one scenario, its frames
    // With --trace: the one variant to run (as --verbose prints it).
    geval::RunSettings one;
};

int usage(const char* why)
{
    if (why)
        std::fprintf(stderr, "velmo-gesture-eval: %s\n", why);
    std::fprintf(stderr,
        "usage: velmo-gesture-eval [--short] [--variants N] [--max-jitter MM] [--seed N] [--min-detected PCT]\n"
        "                          [--verbose] [--recordings FOLDER] CORPUS-FOLDER\n"
        "       velmo-gesture-eval --trace SCENARIO|RECORDING [--pos N] [--left] [--hand-scale S] [--pinch SECONDS]\n"
        "                          [--jitter MM] [--run-seed N] [--recordings FOLDER] CORPUS-FOLDER\n");
    return 2;
}

// One recording's verdict: its presses by button, keys, and the thumb's distance to the pinched
// tip at each press.
std::string recordingLine(const std::string& name, const std::vector<Leap::RawFrame>& frames,
    const geval::RunResult& r, bool ok)
{
    int count[5] = {0, 0, 0, 0, 0};
    std::string at;
    static const char* const kButton[5] = {"", "left", "right", "middle", "key"};
    for (const geval::Action& a : r.actions) {
        if (a.kind != geval::Action::Press)
            continue;
        ++count[a.button];
        char buf[96];
        std::snprintf(buf, sizeof buf, "; %s at %.2f s, thumb %.1f mm from the tip", kButton[a.button], a.t,
            static_cast<double>(a.thumbMm));
        at += buf;
    }
    const double seconds = double(frames.back().timestamp - frames.front().timestamp) / 1e6;
    char buf[192];
    std::snprintf(buf, sizeof buf, "  %-20s %4d frames %5.1f s  %-4s presses left %d right %d middle %d, keys %d%s",
        name.c_str(), r.frames, seconds, ok ? "ok" : "FAIL", count[1], count[2], count[3], count[4],
        r.stuck.empty() ? "" : ", still held at the end");
    return buf + at;
}

double percent(int part, int whole) { return whole > 0 ? 100.0 * part / whole : 100.0; }

void row(const char* name, const geval::Score& s)
{
    std::printf("%-12s %6d %9d %9d %7.1f%% %6d %6d %7d\n", name, s.runs, s.intended, s.detected,
        percent(s.detected, s.intended), s.stray, s.stuck, s.missedOther);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        if (a == "--short") {
            o.shortRun = true;
        } else if (a == "--verbose") {
            o.verbose = true;
        } else if (a == "--left") {
            o.one.mirror = true;
        } else if (a == "--pos" || a == "--hand-scale" || a == "--pinch" || a == "--jitter" || a == "--run-seed") {
            const char* v = value();
            if (!v)
                return usage((a + " needs a value").c_str());
            if (a == "--pos")
                o.one.controllerPos = std::atoi(v);
            else if (a == "--hand-scale")
                o.one.handScale = std::strtof(v, nullptr);
            else if (a == "--pinch")
                o.one.pinchSeconds = std::strtod(v, nullptr);
            else if (a == "--jitter")
                o.one.jitterMm = std::strtof(v, nullptr);
            else
                o.one.seed = static_cast<uint32_t>(std::strtoul(v, nullptr, 10));
        } else if (a == "--variants" || a == "--max-jitter" || a == "--seed" || a == "--min-detected"
            || a == "--trace" || a == "--recordings") {
            const char* v = value();
            if (!v)
                return usage((a + " needs a value").c_str());
            if (a == "--variants")
                o.variants = std::max(1, std::atoi(v));
            else if (a == "--max-jitter")
                o.maxJitter = std::max(0.0f, std::strtof(v, nullptr));
            else if (a == "--seed")
                o.seed = static_cast<uint32_t>(std::strtoul(v, nullptr, 10));
            else if (a == "--min-detected")
                o.minDetected = std::strtod(v, nullptr);
            else if (a == "--recordings")
                o.recordings = v;
            else
                o.trace = v;
        } else if (!a.empty() && a[0] == '-') {
            return usage(("unknown option " + a).c_str());
        } else {
            o.corpus = a;
        }
    }
    if (o.corpus.empty())
        return usage("no corpus folder given");

    std::vector<geval::Scenario> corpus;
    std::string error;
    if (!geval::loadCorpus(o.corpus, corpus, error)) {
        std::fprintf(stderr, "velmo-gesture-eval: %s\n", error.c_str());
        return 2;
    }

    std::vector<geval::Recording> recordings;
    if (!o.recordings.empty() && !geval::loadRecordings(o.recordings, recordings, error)) {
        std::fprintf(stderr, "velmo-gesture-eval: %s\n", error.c_str());
        return 2;
    }

    std::mt19937 random(o.seed);
    std::uniform_real_distribution<float> scale(0.8f, 1.2f);
    std::uniform_real_distribution<double> pinch(0.1, 0.4);
    std::uniform_real_distribution<float> jitter(0.0f, o.maxJitter);

    std::map<std::string, geval::Score> families;
    geval::Score total;
    const auto started = std::chrono::steady_clock::now();
    long frames = 0;
    int k = 0;
    for (const geval::Scenario& sc : corpus) {
        if (!o.trace.empty() && sc.name != o.trace)
            continue;
        std::vector<geval::RunSettings> runs;
        if (!o.trace.empty()) {
            runs.push_back(o.one);
        } else if (o.shortRun) {
            // One run each, the positions and hands taking turns.
            geval::RunSettings rs;
            rs.controllerPos = k % 3;
            rs.mirror = (k / 3) % 2 == 1;
            rs.handScale = scale(random);
            rs.pinchSeconds = pinch(random);
            rs.jitterMm = std::min(o.maxJitter, 1.0f);
            rs.seed = random();
            runs.push_back(rs);
            ++k;
        } else {
            for (int pos = 0; pos < 3; ++pos)
                for (int mirror = 0; mirror < 2; ++mirror)
                    for (int v = 0; v < o.variants; ++v) {
                        geval::RunSettings rs;
                        rs.controllerPos = pos;
                        rs.mirror = mirror == 1;
                        rs.handScale = scale(random);
                        rs.pinchSeconds = pinch(random);
                        rs.jitterMm = jitter(random);
                        rs.seed = random();
                        runs.push_back(rs);
                    }
        }
        for (geval::RunSettings& rs : runs) {
            if (!o.trace.empty())
                rs.trace = stdout;
            const geval::RunResult r = geval::runScript(sc.script, rs);
            frames += r.frames;
            std::string why;
            const geval::Score s = geval::score(sc, r, rs, &why);
            if (o.verbose && !why.empty())
                std::printf("  %s pos %d %s scale %.2f pinch %.2fs jitter %.2fmm seed %u: %s\n", sc.name.c_str(),
                    rs.controllerPos, rs.mirror ? "left" : "right", static_cast<double>(rs.handScale), rs.pinchSeconds,
                    static_cast<double>(rs.jitterMm), rs.seed, why.c_str());
            families[sc.family] += s;
            total += s;
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    // Real hands: each recording once, as recorded, at the desk position.
    bool realOk = true;
    std::vector<std::string> realLines;
    for (const geval::Recording& rec : recordings) {
        if (!o.trace.empty() && rec.name != o.trace)
            continue;
        std::vector<Leap::RawFrame> frames;
        if (!geval::readFrames(rec.path, frames, error)) {
            std::fprintf(stderr, "velmo-gesture-eval: %s\n", error.c_str());
            return 2;
        }
        geval::RunSettings rs = o.one;
        rs.jitterMm = 0.0f;
        if (!o.trace.empty())
            rs.trace = stdout;
        const geval::RunResult r = geval::runFrames(frames, rs);
        geval::Scenario sc;
        sc.name = rec.name;
        sc.expectations = rec.expectations;
        const geval::Score s = geval::score(sc, r, rs);
        const bool ok = s.stray == 0 && s.stuck == 0 && s.missedOther == 0 && s.detected == s.intended;
        realOk = realOk && ok;
        realLines.push_back(recordingLine(rec.name, frames, r, ok));
    }

    std::printf("%-12s %6s %9s %9s %8s %6s %6s %7s\n", "family", "runs", "intended", "detected", "rate", "stray",
        "stuck", "missed");
    for (const auto& f : families)
        row(f.first.c_str(), f.second);
    row("total", total);
    const double lowNoise = percent(total.detectedLowNoise, total.intendedLowNoise);
    std::printf("with at most 1 mm of noise: %d of %d intended pinches detected (%.1f%%), %d wheel or travel "
                "expectations missed\n",
        total.detectedLowNoise, total.intendedLowNoise, lowNoise, total.missedOtherLowNoise);
    std::printf("%ld frames in %.1f s (%.0f x real time)\n", frames, seconds, seconds > 0 ? frames / 120.0 / seconds : 0.0);
    if (!realLines.empty()) {
        std::printf("real hands (%zu recordings):\n", realLines.size());
        for (const std::string& line : realLines)
            std::printf("%s\n", line.c_str());
    }
    const bool ok = total.stray == 0 && total.stuck == 0 && total.missedOtherLowNoise == 0 && lowNoise >= o.minDetected;
    return ok && realOk ? 0 : 1;
}
