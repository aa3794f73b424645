// The service message format: what goes out comes back, and bad input is dropped with one log line.

#include "LeapHandBuilder.h"
#include "LeapLog.h"
#include "LeapProtocol.h"
#include "LeapTestDriver.h"
#include "TrackingSupport.h"

#include <QtGlobal>

#include <gtest/gtest.h>

#include <clocale>
#include <mutex>
#include <regex>

using Leap::HandBuilder;
using Leap::Vector;
namespace protocol = Leap::protocol;

namespace {

std::mutex g_logMutex;
std::vector<std::string> g_log;

void captureLog(QtMsgType, const QMessageLogContext&, const QString& msg)
{
    std::lock_guard<std::mutex> lock(g_logMutex);
    g_log.push_back(msg.toStdString());
}

std::string validFrame() { return protocol::encodeFrame(Leap::RawFrame{42, {HandBuilder::openHand(Vector(1, 2, 3))}}); }

// Replaces the first match of pattern in a valid frame line.
std::string tamper(const std::string& pattern, const std::string& with)
{
    return std::regex_replace(validFrame(), std::regex(pattern), with, std::regex_constants::format_first_only);
}

} // namespace

TEST(Protocol, FrameRoundTripsExactly)
{
    Leap::RawFrame f;
    f.timestamp = 9007199254740000;
    f.hands.push_back(HandBuilder::pinch(3, Vector(-12.25f, 187.5f, 33.125f), false, 0.7f, 11));
    f.hands.push_back(HandBuilder::fist(Vector(100, 250, -20), true, 12));
    // Written the same whatever the process locale says about decimal points.
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old ? old : "C";
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    const std::string line = protocol::encodeFrame(f);
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(line.find('\n'), std::string::npos);

    protocol::Message m;
    std::string error;
    ASSERT_TRUE(protocol::decode(line, m, error)) << error;
    EXPECT_EQ(m.type, protocol::Type::Frame);
    EXPECT_EQ(m.frame.timestamp, f.timestamp);
    ASSERT_EQ(m.frame.hands.size(), 2u);
    for (size_t h = 0; h < 2; ++h) {
        const Leap::RawHand& a = f.hands[h];
        const Leap::RawHand& b = m.frame.hands[h];
        EXPECT_EQ(a.id, b.id);
        EXPECT_EQ(a.isRight, b.isRight);
        EXPECT_EQ(a.palmPosition, b.palmPosition);
        EXPECT_EQ(a.palmWidth, b.palmWidth);
        EXPECT_NEAR(a.direction.dot(b.direction), 1.0f, 1e-6f);
        for (int k = 0; k < 5; ++k) {
            EXPECT_EQ(a.fingers[k].type, b.fingers[k].type);
            EXPECT_EQ(a.fingers[k].width, b.fingers[k].width);
            for (int j = 0; j < 5; ++j)
                EXPECT_EQ(a.fingers[k].joints[j], b.fingers[k].joints[j]);
        }
    }

    ASSERT_TRUE(protocol::decode(protocol::encodeDevice(Leap::DeviceStatus{false, true, 75.0f}, 7), m, error));
    EXPECT_EQ(m.type, protocol::Type::Device);
    EXPECT_FALSE(m.device.attached);
    EXPECT_TRUE(m.device.embedded);
    EXPECT_FLOAT_EQ(m.device.nominalFps, 75.0f);
    ASSERT_TRUE(protocol::decode(protocol::encodeConfig("interaction_box_auto", true, 8), m, error));
    EXPECT_EQ(m.type, protocol::Type::Config);
    EXPECT_EQ(m.key, "interaction_box_auto");
    EXPECT_TRUE(m.value);
    ASSERT_TRUE(protocol::decode(protocol::encodeHello("svc \"x\"", 0), m, error));
    EXPECT_EQ(m.service, "svc \"x\"");
}

TEST(Protocol, RejectsEveryKindOfBadMessage)
{
    protocol::Message m;
    std::string error;
    ASSERT_TRUE(protocol::decode(validFrame(), m, error));
    const std::string fiveFingers = R"("fingers":\[(\{[^{}]*\},){4}\{[^{}]*\}\])";
    const std::string bad[] = {
        "",
        "not json",
        "[1,2,3]",
        tamper(R"("v":1)", R"("v":2)"),
        tamper(R"("v":1,)", ""),
        tamper(R"("type":"frame")", R"("type":"bogus")"),
        tamper(R"("t":42)", R"("t":-1)"),
        tamper(R"("t":42)", R"("t":4.5)"),
        tamper(R"("side":"right")", R"("side":"up")"),
        tamper(R"("palm":\[1,2,3\])", R"("palm":[1,2])"),
        tamper(R"("palm":\[1,2,3\])", R"("palm":[1e999,2,3])"),
        tamper(R"("palm":\[1,2,3\])", R"("palm":[1,"2",3])"),
        tamper(R"("palm":\[1,2,3\])", R"("palm":[1,2,300000])"),
        tamper(R"("normal":\[[^\]]*\])", R"("normal":[0,0,0])"),
        tamper(R"("width":85)", R"("width":-85)"),
        tamper(R"("type":1,)", R"("type":0,)"),   // two thumbs
        tamper(R"("type":4,)", R"("type":5,)"),   // no such finger
        tamper(R"(,\{"type":4[^{}]*\})", ""),     // four fingers
        tamper(R"(\{"type":4[^{}]*\})", R"($&,$&)"), // six fingers
        tamper(R"("joints":\[\[[^\]]*\],)", R"("joints":[)"), // four joints
        tamper(R"(\{"id":1,)", R"({"id":"one",)"),
        tamper(R"("hands":\[)", R"("hands":{)"),
    };
    for (const std::string& line : bad) {
        error.clear();
        EXPECT_FALSE(protocol::decode(line, m, error)) << line.substr(0, 160);
        EXPECT_FALSE(error.empty());
    }
    // More hands than a device sees, twice the same hand, an oversized line.
    Leap::RawFrame many;
    for (int i = 0; i < protocol::MAX_HANDS + 1; ++i)
        many.hands.push_back(HandBuilder::openHand(Vector(0, 200, 0), true, i));
    EXPECT_FALSE(protocol::decode(protocol::encodeFrame(many), m, error));
    Leap::RawFrame twice;
    twice.hands.assign(2, HandBuilder::openHand(Vector(0, 200, 0)));
    EXPECT_FALSE(protocol::decode(protocol::encodeFrame(twice), m, error));
    std::string padded = validFrame();
    padded.insert(padded.size() - 1, ",\"pad\":\"" + std::string(protocol::MAX_MESSAGE_BYTES, 'x') + "\"");
    EXPECT_FALSE(protocol::decode(padded, m, error));
    EXPECT_EQ(error, "oversized");
}

TEST(Protocol, TakesExactlyJsonInEveryFieldReadOrSkipped)
{
    // Appended to the frame object: a field the decoder does not know.
    auto withField = [](const std::string& field) {
        std::string line = validFrame();
        return line.insert(line.size() - 1, "," + field);
    };
    struct Case {
        std::string line;
        bool json;
    } cases[] = {
        // What JSON allows, read and skipped: escapes mean their characters, white space and
        // exponents anywhere, any valid value in a field nobody reads.
        {tamper(R"("side":"right")", R"("side":"ri\u0067ht")"), true},
        {tamper(R"("type":"frame")", R"("\u0074ype":"fr\u0061me")"), true},
        {tamper(R"("palm":\[1,2,3\])", R"("palm" : [ 1e0 ,20E-1, 0.3e+1 ] )"), true},
        {withField(R"("x":{"a":[1,-0.5e-3,true,false,null,"q\"\\\/\b\f\n\r\t\u00e9\ud83d\ude00"],"b":{},"c":[]})"), true},
        {withField(R"("service":{"name":"svc"})"), true},
        // Numbers that are not JSON, where they are read.
        {tamper(R"("width":85)", R"("width":085)"), false},
        {tamper(R"("width":85)", R"("width":85.)"), false},
        {tamper(R"("palm":\[1,2,3\])", R"("palm":[1.,2,3])"), false},
        {tamper(R"("palm":\[1,2,3\])", R"("palm":[-.5,2,3])"), false},
        {tamper(R"("palm":\[1,2,3\])", R"("palm":[1.e1,2,3])"), false},
        {tamper(R"("palm":\[1,2,3\])", R"("palm":[Infinity,2,3])"), false},
        {tamper(R"("t":42)", R"("t":042)"), false},
        {tamper(R"("type":"frame")", R"("ty\qpe":"frame")"), false},
        // Anything that is not JSON where nothing reads it.
        {withField(R"("x":Infinity)"), false},
        {withField(R"("x":tru)"), false},
        {withField(R"("x":nul)"), false},
        {withField(R"("x":-)"), false},
        {withField(R"("x":1.)"), false},
        {withField(R"("x":047.12)"), false},
        {withField(R"("x":[01])"), false},
        {withField(R"("x":[1 2])"), false},
        {withField(R"("x":[1,])"), false},
        {withField(R"("x":{"a":1,})"), false},
        {withField(R"("x":{"a" 1})"), false},
        {withField(R"("x":"\q")"), false},
        {withField(R"("x":"\u12")"), false},
        {withField("\"x\":\"a\x01z\""), false},
        {withField(std::string("\"x\":\"a\0z\"", 9)), false},
        {withField("\"x\":\"\xff\""), false},
        {withField(R"("\q":1)"), false},
        {withField(R"("x":{"y":[{"z":[1,2,{"w":-1251.}]}]})"), false},
        {withField(R"("service":Infinity)"), false},
    };
    for (const Case& c : cases) {
        protocol::Message m;
        std::string error;
        const bool read = protocol::decode(c.line, m, error);
        EXPECT_EQ(read, c.json) << c.line.substr(c.line.size() > 150 ? c.line.size() - 150 : 0) << " " << error;
        if (read && c.json) {
            ASSERT_EQ(m.frame.hands.size(), 1u);
            EXPECT_TRUE(m.frame.hands[0].isRight);
            EXPECT_EQ(m.frame.hands[0].palmPosition, Vector(1, 2, 3));
        }
    }
}

TEST(Protocol, DroppedMessagesLogOneLineAndDoNotStopTheStream)
{
    tracking_test::RecordingListener listener;
    Leap::Controller controller("");
    Leap::TestDriver driver(controller);
    controller.addListener(listener);
    driver.plugDevice();
    driver.sync();
    {
        std::lock_guard<std::mutex> lock(g_logMutex);
        g_log.clear();
    }
    Leap::detail::resetDropLog();
    const QtMessageHandler previous = qInstallMessageHandler(captureLog);
    driver.pushMessage("garbage");
    driver.pushMessage(tamper(R"(,\{"type":4[^{}]*\})", ""));
    driver.pushMessage(tamper(R"("palm":\[1,2,3\])", R"("palm":[1e999,2,3])"));
    driver.pushMessage(validFrame());
    driver.sync();
    qInstallMessageHandler(previous);
    std::vector<std::string> log;
    {
        std::lock_guard<std::mutex> lock(g_logMutex);
        log = g_log;
    }
    ASSERT_EQ(log.size(), 3u);
    for (const std::string& line : log)
        EXPECT_NE(line.find("dropped"), std::string::npos) << line;
    EXPECT_EQ(listener.frameCount, 1);
    EXPECT_EQ(controller.frame(0).timestamp(), 42);
    EXPECT_TRUE(controller.isConnected());
}

TEST(Protocol, AFloodOfBadMessagesIsLoggedAtAFewLinesASecond)
{
    Leap::detail::resetDropLog();
    {
        std::lock_guard<std::mutex> lock(g_logMutex);
        g_log.clear();
    }
    const QtMessageHandler previous = qInstallMessageHandler(captureLog);
    for (int i = 0; i < 200; ++i)
        Leap::detail::logDropped("test");
    qInstallMessageHandler(previous);
    std::lock_guard<std::mutex> lock(g_logMutex);
    EXPECT_GE(g_log.size(), 1u);
    EXPECT_LE(g_log.size(), 10u);
}
