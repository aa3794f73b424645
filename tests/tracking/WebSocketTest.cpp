// The sensor's WebSocket server as a source of hands: both servers' frames decode to the hands the
// simulator meant, and the client copes with a server that restarts, goes silent or sends rubbish.

#include "Leap.h"
#include "LeapHandBuilder.h"
#include "LeapLog.h"
#include "LeapProtocol.h"
#include "LeapTestDriver.h"
#include "LeapTrackingSource.h"
#include "LeapWebSocketProtocol.h"
#include "TrackingSupport.h"
#include "V6Encoder.h"
#include "WebSocketServer.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>

using Leap::HandBuilder;
using Leap::RawHand;
using Leap::Vector;
using handsim::V6Encoder;
using tracking_test::RecordingListener;
namespace websocket = Leap::websocket;

namespace {

void expectNear(const Vector& a, const Vector& b, float tol, const std::string& what)
{
    EXPECT_NEAR(a.x, b.x, tol) << what;
    EXPECT_NEAR(a.y, b.y, tol) << what;
    EXPECT_NEAR(a.z, b.z, tol) << what;
}

const Leap::RawFinger& fingerOfType(const RawHand& h, int type)
{
    for (const Leap::RawFinger& f : h.fingers)
        if (f.type == type)
            return f;
    return h.fingers[0];
}

void expectSameHand(const RawHand& got, const RawHand& want, const std::string& row)
{
    EXPECT_EQ(got.id, want.id) << row;
    EXPECT_EQ(got.isRight, want.isRight) << row;
    expectNear(got.palmPosition, want.palmPosition, 1e-3f, row + " palm");
    expectNear(got.palmNormal, want.palmNormal.normalized(), 1e-4f, row + " normal");
    expectNear(got.direction, want.direction.normalized(), 1e-4f, row + " direction");
    EXPECT_NEAR(got.palmWidth, want.palmWidth, 1e-3f) << row;
    for (int t = 0; t < 5; ++t) {
        const Leap::RawFinger& g = fingerOfType(got, t);
        const Leap::RawFinger& w = fingerOfType(want, t);
        EXPECT_EQ(g.type, t) << row;
        EXPECT_NEAR(g.width, w.width, 1e-3f) << row << " finger " << t;
        for (int j = 0; j < 5; ++j)
            expectNear(g.joints[j], w.joints[j], 1e-3f, row + " finger " + std::to_string(t) + " joint " + std::to_string(j));
    }
}

// The fact sheet's frames carry one pointable; the other four are the same finger under other
// types, listed out of order as the older service does.
std::string withFiveFingers(std::string frame, const std::string& pointable, const std::string& idKey)
{
    std::string all;
    for (int type : {3, 1, 0, 4, 2}) {
        std::string p = std::regex_replace(pointable, std::regex(R"("type": ?1)"), "\"type\":" + std::to_string(type));
        p = std::regex_replace(p, std::regex("\"id\": ?" + idKey), "\"id\":" + idKey.substr(0, idKey.size() - 1) + std::to_string(type));
        all += (all.empty() ? "" : ",") + p;
    }
    return std::regex_replace(frame, std::regex("POINTABLES"), all);
}

const char* const legacyFrame = R"({"currentFrameRate":110.7,"gestures":[],"id":13319,"timestamp":810321011,
 "interactionBox":{"center":[0,200,0],"size":[235.247,235.247,147.751]},
 "r":[[0.58,0.31,-0.75],[0.02,0.92,0.40],[0.81,-0.25,0.53]],"s":1.42,"t":[47.1,113.6,102.1],
 "hands":[{"id":1,"type":"right","confidence":1,"grabStrength":0,"pinchStrength":0,
   "palmPosition":[47.0,113.6,102.2],"stabilizedPalmPosition":[43.8,112.4,87.4],
   "palmNormal":[0.14,-0.90,-0.41],"direction":[0.49,0.43,-0.76],"palmVelocity":[-3.3,5.6,1.5],
   "palmWidth":92.5,"sphereCenter":[64.9,183.1,85.4],"sphereRadius":81.8,"timeVisible":810.32}],
 "pointables":[POINTABLES]})";
const char* const legacyIndex = R"({"id":11,"handId":1,"type":1,"tool":false,"extended":true,"length":59.8,"width":19.7,
   "carpPosition":[10.6,106.6,137.2],"mcpPosition":[37.3,128.8,70.9],"pipPosition":[53.4,153.4,38.6],
   "dipPosition":[63.6,159.6,17.2],"btipPosition":[70.9,158.0,1.4],"tipPosition":[69.2,158.4,5.1],
   "stabilizedTipPosition":[65.7,153.2,-14.0],"tipVelocity":[-4.2,9.7,2.6],"direction":[0.42,0.25,-0.87],
   "touchZone":"hovering","touchDistance":0.33,"timeVisible":810.32})";

const char* const standaloneFrame = R"({"currentFrameRate": 89.731201,"devices": [],"id": 920531,"timestamp": 439217709806,
 "hands": [{"armBasis": [[-0.741769,-0.615521,-0.266295],[0.213992,0.159086,-0.963794],[0.635599,-0.771897,0.013711]],
  "armWidth": 60.961391,"confidence": 1.000000,"direction": [-0.257252,0.894977,-0.364469],
  "elbow": [279.411011,-100.835487,164.831589],"grabAngle": 0.458213,"grabStrength": 0.000000,"id": 280,
  "palmNormal": [-0.363670,0.259772,0.894574],"palmPosition": [93.363213,172.293121,143.529602],
  "palmVelocity": [-12.328210,-10.934353,9.426487],"palmWidth": 88.979919,"pinchDistance": 59.469833,
  "pinchStrength": 0.000000,"timeVisible": 0.124918,"type": "right","wrist": [111.590332,102.972740,161.211380]}],
 "pointables": [POINTABLES]})";
const char* const standaloneIndex = R"({"btipPosition": [85.874283,271.054199,133.660294],
  "carpPosition": [121.236984,132.007706,150.651672],"dipPosition": [93.501442,264.579926,125.599876],
  "mcpPosition": [110.007828,201.884781,137.725327],"pipPosition": [99.424805,242.081604,129.951126],
  "tipPosition": [85.874283,271.054199,133.660294],"direction": [-0.244766,0.962423,-0.117607],
  "extended": true,"handId": 280,"id": 2801,"length": 15.812345,"type": 1,"width": 6.134512})";

RawHand factSheetHand(int id, Vector palm, Vector normal, Vector dir, float palmWidth, std::array<Vector, 5> joints, float width)
{
    RawHand h;
    h.id = id;
    h.isRight = true;
    h.palmPosition = palm;
    h.palmNormal = normal;
    h.direction = dir;
    h.palmWidth = palmWidth;
    for (int t = 0; t < 5; ++t)
        h.fingers[t] = Leap::RawFinger{t, joints, width};
    return h;
}

} // namespace

TEST(WebSocketFrames, BothServersStylesDecodeToTheSameHands)
{
    // Simulator hands: a left hand pinching, a right fist; the service's own line format beside.
    Leap::RawFrame sim{5000000, {HandBuilder::pinch(1, Vector(-40, 210, 15), false, 0.6f, 7),
                                    HandBuilder::fist(Vector(90, 230, -10), true, 8)}};
    V6Encoder standalone(V6Encoder::Style::Standalone);
    V6Encoder legacy(V6Encoder::Style::Legacy);
    const float f = 19.7f;
    struct Row {
        const char* name;
        std::string text;
        bool serviceLine;
        std::vector<RawHand> want;
    } rows[] = {
        {"service line", Leap::protocol::encodeFrame(sim), true, sim.hands},
        {"simulated stand-alone server", standalone.frame(sim, 120.0f), false, sim.hands},
        {"simulated older service", legacy.frame(sim, 120.0f), false, sim.hands},
        {"older service's frame", withFiveFingers(legacyFrame, legacyIndex, "11"), false,
            {factSheetHand(1, {47.0f, 113.6f, 102.2f}, {0.14f, -0.90f, -0.41f}, {0.49f, 0.43f, -0.76f}, 92.5f,
                {Vector(10.6f, 106.6f, 137.2f), Vector(37.3f, 128.8f, 70.9f), Vector(53.4f, 153.4f, 38.6f),
                    Vector(63.6f, 159.6f, 17.2f), Vector(70.9f, 158.0f, 1.4f)}, f)}},
        {"stand-alone server's frame", withFiveFingers(standaloneFrame, standaloneIndex, "2801"), false,
            {factSheetHand(280, {93.363213f, 172.293121f, 143.529602f}, {-0.363670f, 0.259772f, 0.894574f},
                {-0.257252f, 0.894977f, -0.364469f}, 88.979919f,
                {Vector(121.236984f, 132.007706f, 150.651672f), Vector(110.007828f, 201.884781f, 137.725327f),
                    Vector(99.424805f, 242.081604f, 129.951126f), Vector(93.501442f, 264.579926f, 125.599876f),
                    Vector(85.874283f, 271.054199f, 133.660294f)}, 0.0f)}},
    };
    // The stand-alone server's widths are wrong: the layer's come from the palm, per finger type.
    for (int t = 0; t < 5; ++t)
        rows[4].want[0].fingers[t].width = 88.979919f * websocket::FINGER_WIDTH_OF_PALM[t];
    for (const Row& row : rows) {
        std::vector<RawHand> got;
        std::string error;
        if (row.serviceLine) {
            Leap::protocol::Message m;
            ASSERT_TRUE(Leap::protocol::decode(row.text, m, error)) << row.name << ": " << error;
            got = m.frame.hands;
        } else {
            websocket::Message m;
            ASSERT_TRUE(websocket::decode(row.text, m, error)) << row.name << ": " << error;
            ASSERT_EQ(m.type, websocket::Type::Frame);
            got = m.frame.hands;
            EXPECT_GT(m.frame.frameRate, 0.0f) << row.name;
        }
        ASSERT_EQ(got.size(), row.want.size()) << row.name;
        for (size_t h = 0; h < got.size(); ++h)
            expectSameHand(got[h], row.want[h], row.name);
    }
}

TEST(WebSocketFrames, BadMessagesAreRefusedAndSourcesParse)
{
    const std::string good = withFiveFingers(standaloneFrame, standaloneIndex, "2801");
    websocket::Message m;
    std::string error;
    ASSERT_TRUE(websocket::decode(good, m, error)) << error;
    const std::string bad[] = {
        "",
        "{\"version\":6} trailing",
        std::regex_replace(good, std::regex(R"("palmWidth": 88.979919)"), "\"palmWidth\": nan"),  // printf's nan
        std::regex_replace(good, std::regex(R"(\}\],\s*"pointables")"), "},undefined],\"pointables\""),  // a third hand
        std::regex_replace(good, std::regex(R"("type": "right")"), "\"type\": \"up\""),
        std::regex_replace(good, std::regex(R"(,\{"btip[^}]*"type":4[^}]*\})"), ""),  // four fingers
        std::regex_replace(good, std::regex(R"("type":0)"), "\"type\":2"),            // two of one type
        std::regex_replace(good, std::regex(R"("palmPosition": \[[^\]]*\])"), "\"palmPosition\": [1e39,0,0]"),
        "{\"hands\":[],\"timestamp\":" + std::string(400, '9') + "}",
        "{\"hands\":[],\"timestamp\":1,\"pad\":\"" + std::string(websocket::MAX_MESSAGE_BYTES, 'x') + "\"}",
    };
    for (const std::string& text : bad) {
        error.clear();
        EXPECT_FALSE(websocket::decode(text, m, error)) << text.substr(0, 200);
        EXPECT_FALSE(error.empty());
    }
    // Repeated keys cost nothing more than their bytes: the last one stands.
    std::string repeated = "{\"hands\":[],\"timestamp\":1";
    for (int i = 0; i < 4000; ++i)
        repeated += ",\"devices\":[]";
    ASSERT_TRUE(websocket::decode(repeated + "}", m, error)) << error;
    // And memory does not grow with them: 300 such messages through both readers (a leak of
    // a third of each would pass the bound below).
    std::string line = "{\"v\":1,\"type\":\"frame\",\"t\":1";
    for (int i = 0; i < 4000; ++i)
        line += ",\"hands\":[]";
    line += "}";
    auto residentKiB = [] {
        std::ifstream status("/proc/self/status");
        std::string key;
        long kib = 0;
        while (status >> key)
            if (key == "VmRSS:" && status >> kib)
                break;
        return kib;
    };
    Leap::protocol::Message lm;
    ASSERT_TRUE(Leap::protocol::decode(line, lm, error)) << error;
    const long before = residentKiB();
    for (int i = 0; i < 300; ++i) {
        ASSERT_TRUE(Leap::protocol::decode(line, lm, error));
        ASSERT_TRUE(websocket::decode(repeated + "}", m, error));
    }
#ifndef __SANITIZE_ADDRESS__
    // AddressSanitizer keeps freed blocks resident in its quarantine; the plain build measures.
    EXPECT_LT(residentKiB() - before, 8 * 1024);
#else
    (void)before;
#endif
    // Deep nesting in a field nobody reads is refused as anywhere else (beyond MAX_DEPTH), and
    // takes no memory either.
    EXPECT_FALSE(websocket::decode("{\"hands\":[],\"timestamp\":1,\"x\":" + std::string(5000, '[') + std::string(5000, ']') + "}", m, error));

    // A device rate that is positive as a double but zero as a float is no rate.
    Leap::protocol::Message pm;
    EXPECT_FALSE(Leap::protocol::decode(R"({"v":1,"type":"device","t":1,"attached":true,"embedded":false,"fps":1e-300})", pm, error));

    // The service's settings keep only the keys the layer knows.
    {
        Leap::Controller controller("");
        Leap::TestDriver driver(controller);
        driver.startService();
        driver.setConfig("interaction_box_auto", true);
        for (int i = 0; i < 1000; ++i)
            driver.pushMessage(Leap::protocol::encodeConfig("key" + std::to_string(i), true, 1));
        driver.sync();
        EXPECT_TRUE(controller.config().getBool("interaction_box_auto"));
        EXPECT_FALSE(controller.config().getBool("key7"));
        EXPECT_FALSE(controller.config().setBool("key7", true));
        EXPECT_FALSE(controller.config().getBool("key7"));
    }

    struct SourceRow {
        const char* text;
        bool ok;
        Leap::TrackingSource::Kind kind;
    } sources[] = {
        {"ws://127.0.0.1:6437/v6.json", true, Leap::TrackingSource::Kind::WebSocket},
        {"unix:/run/user/1000/velmo-tracking.sock", true, Leap::TrackingSource::Kind::ServiceSocket},
        {"unix:", false, Leap::TrackingSource::Kind::None},
        {"http://127.0.0.1:6437/v6.json", false, Leap::TrackingSource::Kind::None},
        {"/tmp/x.sock", false, Leap::TrackingSource::Kind::None},
    };
    for (const SourceRow& r : sources) {
        Leap::TrackingSource s;
        EXPECT_EQ(Leap::TrackingSource::parse(r.text, s, error), r.ok) << r.text;
        if (r.ok) {
            EXPECT_EQ(s.kind, r.kind) << r.text;
        }
    }
}

namespace {

// A simulated server on this thread: served while the test waits.
struct LocalServer {
    std::unique_ptr<handsim::WebSocketServer> server;
    uint16_t port = 0;
    V6Encoder encoder{V6Encoder::Style::Standalone};
    int64_t t = 0;

    bool start(uint16_t at = 0)
    {
        server = std::make_unique<handsim::WebSocketServer>();
        server->setGreeting([this] { return std::vector<std::string>{encoder.version()}; });
        std::string error;
        if (!server->listen(at, error))
            return false;
        port = server->port();
        return true;
    }
    // Serves (sending a frame every 8 ms while frames is set) until the condition holds.
    bool serveUntil(const std::function<bool()>& done, bool frames, int seconds = 20)
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (!done()) {
            if (std::chrono::steady_clock::now() > until)
                return false;
            if (server) {
                server->poll(8);
                if (frames)
                    server->broadcast(encoder.frame(Leap::RawFrame{t += 8333, {HandBuilder::openHand(Vector(0, 200, 0))}}, 120.0f));
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(8));
            }
        }
        return true;
    }
    std::string url() const { return "ws://127.0.0.1:" + std::to_string(port) + "/v6.json"; }
};

std::mutex g_logMutex;
std::vector<std::string> g_log;
void captureLog(QtMsgType, const QMessageLogContext&, const QString& msg)
{
    std::lock_guard<std::mutex> lock(g_logMutex);
    g_log.push_back(msg.toStdString());
}

} // namespace

TEST(WebSocketFrames, OnlyJsonIsTakenInFieldsReadOrSkipped)
{
    const std::string good = withFiveFingers(standaloneFrame, standaloneIndex, "2801");
    auto with = [&](const char* pattern, const std::string& replacement) {
        return std::regex_replace(good, std::regex(pattern), replacement, std::regex_constants::format_first_only);
    };
    const struct {
        std::string text;
        bool json;
    } cases[] = {
        {with(R"("type": "right")", R"("type": "ri\u0067ht")"), true},
        {with(R"("width": 6.134512)", R"("width": "wide")"), true}, // a width that is no number is replaced
        {with(R"(^\{)", R"({"x": {"y": [1e-7, "\ud83d\ude00", null]}, )"), true},
        {with(R"(^\{)", R"({"x": Infinity, )"), false},
        {with(R"(^\{)", R"({"serviceVersion": 2., )"), false},
        {with(R"("width": 6.134512)", R"("width": Infinity)"), false},
        {with(R"("armWidth": 60.961391)", R"("armWidth": 060.961391)"), false},
        {with(R"("palmWidth": 88.979919)", R"("palmWidth": -88.)"), false},
    };
    for (const auto& c : cases) {
        websocket::Message m;
        std::string error;
        const bool read = websocket::decode(c.text, m, error);
        EXPECT_EQ(read, c.json) << &c - cases << ": " << error;
        if (read && c.json) {
            ASSERT_EQ(m.frame.hands.size(), 1u);
            EXPECT_TRUE(m.frame.hands[0].isRight);
        }
    }
}

TEST(WebSocketSource, FocusFramesSilenceAndAServerRestart)
{
    LocalServer local;
    ASSERT_TRUE(local.start());
    RecordingListener listener;
    Leap::Controller controller(Leap::TrackingSource{Leap::TrackingSource::Kind::WebSocket, local.url()});
    controller.addListener(listener);

    // The client asks for focus after the version message; frames mean a device.
    ASSERT_TRUE(local.serveUntil([&] { return local.server->focusedCount() == 1; }, false));
    ASSERT_TRUE(local.serveUntil([&] { return listener.frameCount >= 30; }, true));
    EXPECT_EQ(listener.connects, 1);
    EXPECT_TRUE(controller.isConnected());
    const Leap::Frame f = controller.frame();
    ASSERT_EQ(f.hands().count(), 1);
    EXPECT_NEAR(f.hands()[0].palmPosition().y, 200.0f, 1e-3f);
    // The stand-alone server's first-frame spike is not reported; later velocities are.
    EXPECT_EQ(listener.framesCopy().front().hands()[0].palmVelocity().magnitude(), 0.0f);
    EXPECT_NEAR(f.timestamp() - controller.frame(1).timestamp(), 8333, 1);

    // Frames stop: after the silence the device counts as gone; they resume: connected again.
    const auto silentFrom = std::chrono::steady_clock::now();
    ASSERT_TRUE(local.serveUntil([&] { return listener.disconnects == 1; }, false));
    EXPECT_GE(std::chrono::steady_clock::now() - silentFrom, std::chrono::milliseconds(900));
    EXPECT_FALSE(controller.isConnected());
    ASSERT_TRUE(local.serveUntil([&] { return listener.connects == 2; }, true));

    // The server goes and comes back on the same port: the client finds it again.
    local.server.reset();
    ASSERT_TRUE(local.serveUntil([&] { return listener.serviceDowns == 1; }, false));
    EXPECT_FALSE(controller.isServiceConnected());
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    ASSERT_TRUE(local.start(local.port));
    const int before = listener.frameCount;
    ASSERT_TRUE(local.serveUntil([&] { return listener.connects == 3 && listener.frameCount > before + 10; }, true));
    EXPECT_EQ(listener.overlaps, 0);
    controller.removeListener(listener);
}

TEST(WebSocketSource, MalformedAndOversizedMessagesAreDroppedAndTheStreamGoesOn)
{
    LocalServer local;
    ASSERT_TRUE(local.start());
    RecordingListener listener;
    Leap::Controller controller(Leap::TrackingSource{Leap::TrackingSource::Kind::WebSocket, local.url()});
    controller.addListener(listener);
    ASSERT_TRUE(local.serveUntil([&] { return listener.frameCount >= 1; }, true));
    // Frames in flight arrive first.
    const auto settle = std::chrono::steady_clock::now() + std::chrono::milliseconds(150);
    local.serveUntil([&] { return std::chrono::steady_clock::now() > settle; }, false);
    {
        std::lock_guard<std::mutex> lock(g_logMutex);
        g_log.clear();
    }
    Leap::detail::resetDropLog();
    const QtMessageHandler previous = qInstallMessageHandler(captureLog);
    const int before = listener.frameCount;
    local.server->broadcast("{\"hands\": [undefined]");
    local.server->broadcast("{\"currentFrameRate\": nan,\"hands\": [],\"timestamp\": 5}");
    local.server->broadcast("{\"hands\":[],\"timestamp\":1,\"pad\":\"" + std::string(2 * websocket::MAX_MESSAGE_BYTES, 'x') + "\"}");
    local.server->broadcast(local.encoder.frame(Leap::RawFrame{local.t += 8333, {}}, 120.0f));
    ASSERT_TRUE(local.serveUntil([&] {
        std::lock_guard<std::mutex> lock(g_logMutex);
        return listener.frameCount >= before + 1 && g_log.size() >= 3;
    }, false));
    qInstallMessageHandler(previous);
    EXPECT_EQ(listener.frameCount, before + 1);
    std::vector<std::string> log;
    {
        std::lock_guard<std::mutex> lock(g_logMutex);
        log = g_log;
    }
    ASSERT_EQ(log.size(), 3u);
    for (const std::string& line : log)
        EXPECT_NE(line.find("dropped"), std::string::npos) << line;
    EXPECT_NE(log[2].find("oversized"), std::string::npos);
    EXPECT_EQ(listener.serviceDowns, 0);
    EXPECT_TRUE(controller.isConnected());
    controller.removeListener(listener);
}
