// Frames per second of the tutorial window at the main display's size, on whatever GL the X server
// offers (Mesa's software GL under Xvfb). Run through bench/tutorial-fps.sh, or e.g.
//   tests/support/with-xvfb.sh --size 1280x800 build/bench/bench_tutorial
// Baseline in the same run and window: a frame that only clears and presents (no scene, no
// overlays), the floor any frame of this size pays.
#include "OsxHandVisualiser.h"
#include "OsxTutorialWindow.h"
#include "VelmoListener.h"

#include <Ogre.h>

#include <QApplication>
#include <QElapsedTimer>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

struct Tutorial {
    VelmoListener listener;
    TutorialEngine& engine = listener.engine();
    OsxTutorialWindow* window = nullptr;
    std::unique_ptr<OsxHandVisualiser> app;
    bool ok = false;

    Tutorial() {
        window = new OsxTutorialWindow();
        app = std::make_unique<OsxHandVisualiser>(window, &engine);
        ok = app->go();
        // The benchmark drives the frames itself.
        if (ok) app->shutdown();
        QCoreApplication::processEvents();
    }
    ~Tutorial() {
        app.reset();
        delete window;
    }
};

// Built on first use, torn down before the application object goes.
std::unique_ptr<Tutorial> shared;

Tutorial* tutorial() {
    if (!shared) shared = std::make_unique<Tutorial>();
    return shared.get();
}

void renderFrames(benchmark::State& state, bool bare) {
    Tutorial* t = tutorial();
    if (!t->ok) {
        state.SkipWithError(("the tutorial did not start: " + t->app->lastError()).c_str());
        return;
    }
    Ogre::RenderWindow* rw = t->app->renderWindow();
    Ogre::Viewport* vp = rw->getViewport(0);
    Ogre::SceneNode* scene = t->app->sceneManager()->getRootSceneNode();
    vp->setOverlaysEnabled(!bare);
    scene->setVisible(!bare);
    QElapsedTimer clock;
    clock.start();
    for (auto _ : state) {
        const double dt = clock.nsecsElapsed() / 1e9;
        clock.restart();
        Ogre::Root::getSingleton().renderOneFrame(static_cast<Ogre::Real>(dt));
        QCoreApplication::processEvents();
    }
    vp->setOverlaysEnabled(true);
    scene->setVisible(true);
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["width"] = rw->getWidth();
    state.counters["height"] = rw->getHeight();
}

void BM_BareFrame(benchmark::State& state) {
    renderFrames(state, true);
}
BENCHMARK(BM_BareFrame)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();

void BM_TutorialFrame(benchmark::State& state) {
    renderFrames(state, false);
}
BENCHMARK(BM_TutorialFrame)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    shared.reset();
    benchmark::Shutdown();
    return 0;
}
