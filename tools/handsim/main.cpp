// velmo-handsim: a tracking service that plays a scripted hand (docs/handsim.md).

#include "LeapController.h"
#include "LeapProtocol.h"
#include "Options.h"
#include "FrameStamps.h"
#include "Player.h"
#include "Replay.h"
#include "Service.h"
#include "WebSocketServer.h"
#include "WireFormat.h"

#include <cmath>
#include <csignal>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using handsim::Options;

using Clock = std::chrono::steady_clock;
namespace protocol = Leap::protocol;

volatile std::sig_atomic_t g_stop = 0;

void onSignal(int) { g_stop = 1; }

int usage(const char* why)
{
    if (why)
        std::fprintf(stderr, "velmo-handsim: %s\n", why);
    handsim::printUsage(stderr);
    return 2;
}

// Everything the service says, in order: to the clients in their format, to a recording as lines.
class Outlet {
public:
    Outlet(handsim::Server& service, handsim::WireFormat& format, std::ofstream* record)
        : m_service(service), m_format(format), m_record(record)
    {
    }
    bool openStamps(const std::string& path) { return m_stamps.open(path); }
    void send(const handsim::Output& o)
    {
        const std::string message = m_format.encode(o);
        // Stamped as the write begins: the latency measured includes the service's own write.
        if (m_stamps && o.kind == handsim::Output::Kind::Frame)
            m_stamps.stamp();
        if (!message.empty())
            m_service.broadcast(message);
        if (m_record)
            *m_record << m_lines.encode(o) << '\n';
    }
    // A message as it stands (a line of the sensor's recording), recorded as it went out.
    void sendText(const std::string& message, bool frame)
    {
        if (m_stamps && frame)
            m_stamps.stamp();
        m_service.broadcast(message);
        if (m_record)
            *m_record << message << '\n';
    }

private:
    handsim::Server& m_service;
    handsim::WireFormat& m_format;
    handsim::LineFormat m_lines;
    std::ofstream* m_record;
    handsim::FrameStamps m_stamps;
};

// Serves clients until the given moment; false when asked to stop.
bool waitUntil(handsim::Server& service, Clock::time_point due)
{
    for (;;) {
        if (g_stop)
            return false;
        const auto now = Clock::now();
        if (now >= due)
            return true;
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(due - now).count();
        service.poll(static_cast<int>(ms < 1 ? 0 : (ms > 100 ? 100 : ms)));
        if (ms < 1) {
            // Under a millisecond left: sleep the rest rather than spin.
            std::this_thread::sleep_until(due);
            return !g_stop;
        }
    }
}

// The service outlives the play (it serves a little longer so clients get the last lines): when the
// play ends, a client that comes now still gets the final state, not the play's vanished one.
class FinalGreeting {
public:
    FinalGreeting(handsim::Server& service, std::function<std::vector<std::string>()> now)
        : m_service(service), m_now(std::move(now))
    {
        m_service.setGreeting(m_now);
    }
    ~FinalGreeting()
    {
        const std::vector<std::string> lines = m_now();
        m_service.setGreeting([lines] { return lines; });
    }

private:
    handsim::Server& m_service;
    std::function<std::vector<std::string>()> m_now;
};

// Serves until the first client connects: frames nobody sees would be wasted on a script.
bool waitForClient(handsim::Server& service)
{
    std::fprintf(stderr, "velmo-handsim: waiting for a client\n");
    while (!g_stop && service.acceptedTotal() == 0)
        service.poll(100);
    return !g_stop;
}

int playScript(const Options& o, const handsim::Script& script, handsim::Server& service,
    handsim::WireFormat& format, Outlet& out)
{
    using handsim::Player;
    Player player(script, o.fps);
    player.setRealism(o.realism);
    const FinalGreeting greet(service, [&] { return format.greeting(player.device(), player.config()); });
    if (!waitForClient(service))
        return 1;
    std::fprintf(stderr, "velmo-handsim: playing %s at %g fps\n", o.script.c_str(), static_cast<double>(o.fps));
    handsim::Output first;
    first.kind = handsim::Output::Kind::Device;
    first.device = player.device();
    first.time = Player::CLOCK_START_US;
    out.send(first);
    const auto start = Clock::now();
    std::vector<handsim::Output> outputs;
    for (long k = 0;; ++k) {
        const double t = static_cast<double>(k) / o.fps;
        const auto due = start + std::chrono::microseconds(static_cast<long long>(t * 1e6));
        // Far behind (a stopped process): skip frames rather than send a burst.
        if (Clock::now() - due > std::chrono::milliseconds(100)) {
            k = static_cast<long>(std::chrono::duration<double>(Clock::now() - start).count() * o.fps);
            continue;
        }
        if (!waitUntil(service, due))
            return 1;
        outputs.clear();
        player.tick(t, outputs, o.loop);
        for (const handsim::Output& x : outputs)
            out.send(x);
        if (player.finished())
            return 0;
    }
}


// Reads a recording; lines that are not messages are reported and skipped.
bool loadRecording(const std::string& path, std::vector<protocol::Message>& messages)
{
    std::ifstream in(path);
    if (!in) {
        std::fprintf(stderr, "velmo-handsim: cannot read %s\n", path.c_str());
        return false;
    }
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        if (line.empty())
            continue;
        protocol::Message m;
        std::string error;
        if (!protocol::decode(line, m, error)) {
            std::fprintf(stderr, "velmo-handsim: %s line %d skipped: %s\n", path.c_str(), lineNo, error.c_str());
            continue;
        }
        if (m.type != protocol::Type::Hello)
            messages.push_back(std::move(m));
    }
    if (messages.empty()) {
        std::fprintf(stderr, "velmo-handsim: %s holds nothing to play\n", path.c_str());
        return false;
    }
    return true;
}

int playRecording(const Options& o, const std::vector<protocol::Message>& messages, handsim::Server& service,
    handsim::WireFormat& format, Outlet& out)
{
    Leap::DeviceStatus device;
    device.attached = true;
    device.nominalFps = o.fps;
    handsim::WireFormat::Config config;
    const FinalGreeting greet(service, [&] { return format.greeting(device, config); });
    if (!waitForClient(service))
        return 1;
    std::fprintf(stderr, "velmo-handsim: replaying %s\n", o.replay.c_str());
    const int64_t first = messages.front().time;
    const int64_t span = messages.back().time - first + static_cast<int64_t>(1e6 / o.fps);
    const auto start = Clock::now();
    for (int64_t round = 0;; ++round) {
        for (protocol::Message m : messages) {
            const int64_t at = m.time - first + round * span;
            if (!waitUntil(service, start + std::chrono::microseconds(at)))
                return 1;
            handsim::Output x;
            x.time = handsim::Player::CLOCK_START_US + at;
            switch (m.type) {
            case protocol::Type::Device:
                device = m.device;
                x.kind = handsim::Output::Kind::Device;
                x.device = m.device;
                break;
            case protocol::Type::Config:
                config.emplace_back(m.key, m.value);
                x.kind = handsim::Output::Kind::Config;
                x.key = m.key;
                x.value = m.value;
                break;
            case protocol::Type::Frame:
                x.kind = handsim::Output::Kind::Frame;
                x.frame = std::move(m.frame);
                x.frame.timestamp = x.time;
                break;
            case protocol::Type::Hello:
                continue;
            }
            out.send(x);
        }
        if (!o.loop)
            return 0;
    }
}

// Without end: the recording, then no-hand frames (and with --loop the recording again).
int playSensorRecording(const Options& o, handsim::Replay& replay, handsim::Server& service,
    handsim::WireFormat& format, Outlet& out)
{
    Leap::DeviceStatus device;
    device.attached = true;
    const FinalGreeting greet(service, [&] { return format.greeting(device, {}); });
    if (!waitForClient(service))
        return 1;
    std::fprintf(stderr, "velmo-handsim: replaying %s (%zu frames, one every %.1f ms)\n", o.replay.c_str(),
        replay.frameCount(), static_cast<double>(replay.periodUs()) / 1000.0);
    replay.setLoop(o.loop);
    auto start = Clock::now();
    for (;;) {
        const handsim::Replay::Message m = replay.next();
        auto due = start + std::chrono::microseconds(m.atUs);
        // Far behind (a stopped process): go on from now rather than send a burst.
        const auto now = Clock::now();
        if (now - due > std::chrono::milliseconds(100)) {
            start += now - due;
            due = now;
        }
        if (!waitUntil(service, due))
            return 1;
        out.sendText(*m.text, m.frame);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (handsim::answeredInfo(argc, argv))
        return 0;
    Options o;
    std::string error;
    if (!handsim::parseArgs(argc, argv, o, error))
        return usage(error.empty() ? nullptr : error.c_str());

    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGPIPE, SIG_IGN);

    handsim::Script script;
    std::vector<protocol::Message> recording;
    handsim::Replay sensorRecording;
    handsim::Replay::Load sensor = handsim::Replay::Load::NotSensorRecording;
    if (o.replay.empty()) {
        if (!handsim::loadScript(o.script, script, error)) {
            std::fprintf(stderr, "velmo-handsim: %s: %s\n", o.script.c_str(), error.c_str());
            return 2;
        }
    } else if ((sensor = sensorRecording.load(o.replay, error)) == handsim::Replay::Load::Failed) {
        std::fprintf(stderr, "velmo-handsim: %s\n", error.c_str());
        return 2;
    } else if (sensor == handsim::Replay::Load::Loaded) {
        // The sensor's frames go where its server would serve them.
        if (!o.socket.empty())
            return usage("a recording of the sensor's server is served on the WebSocket port, not --socket");
        o.websocket = true;
    } else if (!loadRecording(o.replay, recording)) {
        return 2;
    }
    // Opened only now: recording over the file being replayed must not empty it first.
    std::ofstream record;
    if (!o.record.empty()) {
        record.open(o.record, std::ios::trunc);
        if (!record) {
            std::fprintf(stderr, "velmo-handsim: cannot write %s\n", o.record.c_str());
            return 1;
        }
    }
    std::unique_ptr<handsim::Server> server;
    std::unique_ptr<handsim::WireFormat> format;
    if (o.websocket) {
        auto ws = std::make_unique<handsim::WebSocketServer>();
        ws->setBackgroundByDefault(o.style == handsim::V6Encoder::Style::Standalone);
        if (!ws->listen(static_cast<uint16_t>(o.port), error)) {
            std::fprintf(stderr, "velmo-handsim: %s\n", error.c_str());
            return 1;
        }
        std::fprintf(stderr, "velmo-handsim: serving ws://127.0.0.1:%u%s\n", ws->port(), handsim::WebSocketServer::PATH);
        server = std::move(ws);
        format = std::make_unique<handsim::WebSocketFormat>(o.style, o.fps);
    } else {
        auto service = std::make_unique<handsim::Service>();
        const std::string path = o.socket.empty() ? Leap::Controller::servicePath() : o.socket;
        if (!service->listen(path, error)) {
            std::fprintf(stderr, "velmo-handsim: %s\n", error.c_str());
            return 1;
        }
        server = std::move(service);
        format = std::make_unique<handsim::LineFormat>();
    }
    handsim::Server& service = *server;
    Outlet out(service, *format, record.is_open() ? &record : nullptr);
    if (!o.stamp.empty() && !out.openStamps(o.stamp)) {
        std::fprintf(stderr, "velmo-handsim: cannot write %s\n", o.stamp.c_str());
        return 1;
    }
    const int rc = o.replay.empty()                          ? playScript(o, script, service, *format, out)
        : sensor == handsim::Replay::Load::Loaded ? playSensorRecording(o, sensorRecording, service, *format, out)
                                                  : playRecording(o, recording, service, *format, out);
    // The greeting spoke of a player that is gone; a client arriving now gets none.
    service.setGreeting(nullptr);
    // Let the clients have the last lines before the socket goes.
    const auto until = Clock::now() + std::chrono::milliseconds(200);
    while (Clock::now() < until)
        service.poll(20);
    if (record.is_open()) {
        record.flush();
        if (!record)
            std::fprintf(stderr, "velmo-handsim: writing %s failed\n", o.record.c_str());
    }
    // Stopped by SIGTERM or SIGINT: asked to end, not a failure.
    return g_stop ? 0 : rc;
}
