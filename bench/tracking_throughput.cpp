// Frames per second through the tracking service's socket into a controller's listener, and the
// cost of each stage on the way.

#include "Leap.h"
#include "LeapHandBuilder.h"
#include "LeapProtocol.h"
#include "LeapTestDriver.h"
#include "LeapWebSocketProtocol.h"
#include "Service.h"
#include "V6Encoder.h"
#include "WebSocketServer.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
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

// Baseline for the line decoder: Qt's JSON document reading the same line and walking its hands,
// as the layer's decoder did before.
void BM_DecodeFrameQtJsonBaseline(benchmark::State& state)
{
    const std::string line = Leap::protocol::encodeFrame(sampleFrame(123456));
    const QByteArray bytes = QByteArray::fromStdString(line);
    for (auto _ : state) {
        const QJsonDocument doc = QJsonDocument::fromJson(bytes);
        float sum = 0.0f;
        for (const QJsonValue& h : doc.object().value("hands").toArray()) {
            const QJsonObject o = h.toObject();
            sum += static_cast<float>(o.value("palm").toArray()[0].toDouble());
            for (const QJsonValue& f : o.value("fingers").toArray())
                for (const QJsonValue& j : f.toObject().value("joints").toArray())
                    sum += static_cast<float>(j.toArray()[1].toDouble());
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(line.size()));
}
BENCHMARK(BM_DecodeFrameQtJsonBaseline);

Leap::RawFrame twoHands(int64_t t)
{
    return Leap::RawFrame{t, {HandBuilder::pinch(1, Vector(-60, 200, 0), false, 0.6f, 7),
                                 HandBuilder::openHand(Vector(80, 210, 10), true, 8)}};
}

// One two-hand frame of the sensor's WebSocket server: 0 the stand-alone server's style, 1 the older
// service's.
void BM_DecodeWebSocketFrame(benchmark::State& state)
{
    handsim::V6Encoder encoder(state.range(0) ? handsim::V6Encoder::Style::Legacy : handsim::V6Encoder::Style::Standalone);
    const std::string text = encoder.frame(twoHands(123456), 120.0f);
    Leap::websocket::Message m;
    std::string error;
    for (auto _ : state)
        benchmark::DoNotOptimize(Leap::websocket::decode(text, m, error));
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_DecodeWebSocketFrame)->Arg(0)->Arg(1);

// Whole WebSocket path beside BM_ServiceSocketController: encode, server, Qt's client, decode,
// build, deliver; the same frame, two hands.
void BM_WebSocketController(benchmark::State& state)
{
    handsim::WebSocketServer server;
    handsim::V6Encoder encoder(handsim::V6Encoder::Style::Standalone);
    server.setGreeting([&] { return std::vector<std::string>{encoder.version()}; });
    std::string error;
    if (!server.listen(0, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    Counter counter;
    Leap::Controller controller(Leap::TrackingSource{Leap::TrackingSource::Kind::WebSocket,
        "ws://127.0.0.1:" + std::to_string(server.port()) + "/v6.json"});
    controller.addListener(counter);
    int64_t t = 0;
    while (!controller.isConnected()) {
        server.poll(5);
        server.broadcast(encoder.frame(twoHands(t += 8333), 120.0f));
    }
    while (counter.frames.load() == 0)
        server.poll(5);
    long sent = counter.frames.load();
    const long batch = state.range(0);
    for (auto _ : state) {
        for (long i = 0; i < batch; ++i)
            server.broadcast(encoder.frame(twoHands(t += 8333), 120.0f));
        sent += batch;
        while (counter.frames.load(std::memory_order_acquire) < sent)
            server.poll(0);
    }
    state.SetItemsProcessed(state.iterations() * batch);
    controller.removeListener(counter);
}
BENCHMARK(BM_WebSocketController)->Arg(1)->Arg(100)->UseRealTime();

// Two seconds of two-hand frames at 200 fps, paced as a sensor sends them: every one must arrive.
void BM_WebSocketAt200Fps(benchmark::State& state)
{
    handsim::WebSocketServer server;
    handsim::V6Encoder encoder(handsim::V6Encoder::Style::Standalone);
    server.setGreeting([&] { return std::vector<std::string>{encoder.version()}; });
    std::string error;
    if (!server.listen(0, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    Counter counter;
    Leap::Controller controller(Leap::TrackingSource{Leap::TrackingSource::Kind::WebSocket,
        "ws://127.0.0.1:" + std::to_string(server.port()) + "/v6.json"});
    controller.addListener(counter);
    int64_t t = 0;
    while (counter.frames.load() == 0) {
        server.poll(5);
        server.broadcast(encoder.frame(twoHands(t += 5000), 200.0f));
    }
    // Frames of the warm-up arrive before the count starts.
    const auto settle = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
    while (std::chrono::steady_clock::now() < settle)
        server.poll(5);
    long dropped = 0;
    long sentTotal = 0;
    for (auto _ : state) {
        const long start = counter.frames.load();
        const auto begin = std::chrono::steady_clock::now();
        for (int i = 0; i < 400; ++i) {
            const auto due = begin + std::chrono::microseconds(5000 * i);
            while (std::chrono::steady_clock::now() < due)
                server.poll(1);
            server.broadcast(encoder.frame(twoHands(t += 5000), 200.0f));
        }
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (counter.frames.load() < start + 400 && std::chrono::steady_clock::now() < until)
            server.poll(5);
        dropped += 400 - (counter.frames.load() - start);
        sentTotal += 400;
    }
    state.counters["frames"] = static_cast<double>(sentTotal);
    state.counters["dropped"] = static_cast<double>(dropped);
    controller.removeListener(counter);
}
BENCHMARK(BM_WebSocketAt200Fps)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

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
