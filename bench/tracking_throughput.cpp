// Frames per second through the tracking service's socket into a controller's listener, and the
// cost of each stage on the way.

#include "Leap.h"
#include "LeapHandBuilder.h"
#include "LeapProtocol.h"
#include "LeapTestDriver.h"
#include "Service.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <atomic>
#include <thread>

namespace {

using Leap::HandBuilder;
using Leap::Vector;

struct Counter : Leap::Listener {
    void onConnect(const Leap::Controller& c) override
    {
        c.setPolicyFlags(Leap::Controller::POLICY_BACKGROUND_FRAMES);
        c.enableGesture(Leap::Gesture::TYPE_CIRCLE, true);
    }
    void onFrame(const Leap::Controller& c) override
    {
        // What a listener typically reads of a frame.
        const Leap::Frame f = c.frame();
        if (!f.hands().isEmpty())
            benchmark::DoNotOptimize(f.hands()[0].fingers()[1].bone(3).nextJoint());
        frames.fetch_add(1, std::memory_order_release);
    }
    std::atomic<long> frames{0};
};

Leap::RawFrame sampleFrame(int64_t t)
{
    return Leap::RawFrame{t, {HandBuilder::pinch(1, Vector(0, 200, 0), true, 0.6f)}};
}

// Whole path: encode, socket, read and validate, build the frame, deliver. Batches stay below the
// controller's pending-frame limit so that nothing is dropped.
void BM_ServiceSocketController(benchmark::State& state)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("b.sock").toStdString();
    handsim::Service service;
    std::string error;
    if (!service.listen(path, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    service.setGreeting([] {
        return std::vector<std::string>{Leap::protocol::encodeDevice(Leap::DeviceStatus{true, false, 120.0f}, 0)};
    });
    Counter counter;
    Leap::Controller controller(path);
    controller.addListener(counter);
    while (!controller.isConnected())
        service.poll(10);
    const long batch = state.range(0);
    Leap::RawFrame frame = sampleFrame(0);
    int64_t t = 0;
    long sent = 0;
    for (auto _ : state) {
        for (long i = 0; i < batch; ++i) {
            frame.timestamp = (t += 8333);
            service.broadcast(Leap::protocol::encodeFrame(frame));
        }
        sent += batch;
        while (counter.frames.load(std::memory_order_acquire) < sent)
            service.poll(0);
    }
    state.SetItemsProcessed(sent);
    controller.removeListener(counter);
}
BENCHMARK(BM_ServiceSocketController)->Arg(1)->Arg(100)->UseRealTime();

// In-process path without the socket: frame building and delivery on the callback thread.
void BM_DriverController(benchmark::State& state)
{
    Counter counter;
    Leap::Controller controller("");
    Leap::TestDriver driver(controller);
    controller.addListener(counter);
    driver.plugDevice();
    const Leap::RawHand hand = HandBuilder::pinch(1, Vector(0, 200, 0), true, 0.6f);
    int64_t t = 0;
    for (auto _ : state) {
        for (int i = 0; i < 100; ++i)
            driver.pushHand(hand, t += 8333);
        driver.sync();
    }
    state.SetItemsProcessed(state.iterations() * 100);
    controller.removeListener(counter);
}
BENCHMARK(BM_DriverController)->UseRealTime();

void BM_EncodeFrame(benchmark::State& state)
{
    const Leap::RawFrame frame = sampleFrame(123456);
    for (auto _ : state)
        benchmark::DoNotOptimize(Leap::protocol::encodeFrame(frame));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EncodeFrame);

void BM_DecodeFrame(benchmark::State& state)
{
    const std::string line = Leap::protocol::encodeFrame(sampleFrame(123456));
    Leap::protocol::Message m;
    std::string error;
    for (auto _ : state)
        benchmark::DoNotOptimize(Leap::protocol::decode(line, m, error));
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(line.size()));
}
BENCHMARK(BM_DecodeFrame);

void BM_BuildPinchingHand(benchmark::State& state)
{
    float amount = 0.0f;
    for (auto _ : state) {
        amount = amount >= 1.0f ? 0.0f : amount + 0.01f;
        benchmark::DoNotOptimize(HandBuilder::pinch(4, Vector(0, 200, 0), true, amount));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BuildPinchingHand);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
