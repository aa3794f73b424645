// Frames from services that leave hand or finger fields out: what the decoder derives, and what
// still drops a frame. The older service's frame is a real one, as its built-in server sent it.

#include "LeapWebSocketProtocol.h"
#include "TrackingSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>

namespace websocket = Leap::websocket;
using Leap::Vector;

namespace {

std::string readFile(const std::string& path)
{
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string edit(std::string text, const char* pattern, const char* with)
{
    return std::regex_replace(text, std::regex(pattern), with);
}

} // namespace

TEST(WebSocketFrames, MissingFieldsAreDerivedAndOnlyHandlessFramesDropped)
{
    // No palmWidth, carpPosition, btipPosition, bases or arm; ids 310 .. 314 of hand 31.
    const std::string older = readFile(tracking_test::sourceFile(tracking_test::OLDER_SERVICE_FRAME));
    ASSERT_NE(older.find("\"id\":312"), std::string::npos);
    const std::string untyped = edit(older, R"(,"type":[0-4])", "");
    ASSERT_NE(untyped, older);
    const std::string current = readFile(tracking_test::sourceFile("tests/fuzz/corpus/fuzz_websocket/standalone-one-hand.json"));
    const float far = websocket::MAX_COORDINATE - 1.0f;
    struct Row {
        const char* name;
        std::string text;
        const char* dropped; // the reason, or nullptr when kept
        float palmWidth;
    } rows[] = {
        {"older service", older, nullptr, 88.43f},
        {"older service without types", untyped, nullptr, 88.43f},
        {"a type from another hand's id", edit(untyped, R"("id":312)", "\"id\":322"), "hand without five fingers", 0},
        {"two types from the ids", edit(untyped, R"("id":312)", "\"id\":311"), "two fingers of one type", 0},
        {"a finger without its knuckle", edit(older, R"("mcpPosition":\[[^\]]*\],("pipPosition":\[[^\]]*\],[^{]*"type":3))", "$1"),
            "hand without five fingers", 0},
        {"a hand without direction", edit(older, R"("direction":\[[^\]]*\],"grabStrength")", "\"grabStrength\""),
            "hand field missing", 0},
        {"a palm width of 0", edit(older, R"("palmNormal")", "\"palmWidth\":0,\"palmNormal\""), "palm width", 0},
        {"all knuckles in one place", edit(older, R"("mcpPosition":\[[^\]]*\])", "\"mcpPosition\":[1,150,2]"), nullptr,
            websocket::MIN_DERIVED_PALM_WIDTH},
        {"knuckles at the limits", edit(edit(older, R"("mcpPosition":\[[^\]]*\](,"pipPosition[^{]*"type":1))", "\"mcpPosition\":[-99999,-99999,99999]$1"),
                                        R"("mcpPosition":\[[^\]]*\](,"pipPosition[^{]*"type":4))", "\"mcpPosition\":[99999,99999,-99999]$1"),
            nullptr, websocket::MAX_DERIVED_PALM_WIDTH},
        {"current service", current, nullptr, 85.0f},
    };
    for (const Row& row : rows) {
        websocket::Message m;
        std::string error;
        const bool kept = websocket::decode(row.text, m, error);
        if (row.dropped) {
            EXPECT_FALSE(kept) << row.name;
            EXPECT_EQ(error, row.dropped) << row.name;
            continue;
        }
        ASSERT_TRUE(kept) << row.name << ": " << error;
        ASSERT_EQ(m.frame.hands.size(), 1u) << row.name;
        const Leap::RawHand& h = m.frame.hands[0];
        EXPECT_NEAR(h.palmWidth, row.palmWidth, 0.01f) << row.name;
        for (const Leap::RawFinger& f : h.fingers)
            for (const Vector& j : f.joints)
                EXPECT_TRUE(j.isValid() && std::fabs(j.x) <= far + 1 && std::fabs(j.y) <= far + 1 && std::fabs(j.z) <= far + 1)
                    << row.name;
        if (row.text != older && row.text != untyped)
            continue;
        // By type, as recorded: the index's tip is its tipPosition, the thumb's knuckle its mcp.
        const Leap::RawFinger& thumb = h.fingers[0];
        const Leap::RawFinger& index = h.fingers[1];
        EXPECT_EQ(index.type, 1) << row.name;
        EXPECT_NEAR(index.joints[4].x, -12.5668f, 1e-3f) << row.name;
        EXPECT_NEAR(index.joints[4].z, -21.7344f, 1e-3f) << row.name;
        EXPECT_NEAR(thumb.joints[1].z, 94.5645f, 1e-3f) << row.name;
        EXPECT_EQ(thumb.joints[0], thumb.joints[1]) << row.name;
        EXPECT_NEAR(index.width, 18.8055f, 1e-3f) << row.name;
        // The index's metacarpal runs back along the hand, as long as a real one (74 mm here).
        const Vector metacarpal = index.joints[1] - index.joints[0];
        EXPECT_NEAR(metacarpal.magnitude(), 74.08f, 0.05f) << row.name;
        EXPECT_GT(metacarpal.normalized().dot(h.direction), 0.9999f) << row.name;
    }
}
