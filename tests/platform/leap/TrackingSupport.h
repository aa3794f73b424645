#pragma once
// Helpers shared by the tracking tests.

#include "Leap.h"

#include <QThread>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tracking_test {

// A file of the source tree ($VELMO_SOURCE_DIR, set by ctest); empty when it is not set.
inline std::string sourceFile(const std::string& relative)
{
    const char* dir = std::getenv("VELMO_SOURCE_DIR");
    return dir ? std::string(dir) + "/" + relative : std::string();
}

// The older service's frame (one hand, as its server sent it), kept with the WebSocket fuzz seeds.
constexpr const char* OLDER_SERVICE_FRAME = "tests/fuzz/corpus/fuzz_websocket/older-service-one-hand.json";

// Waits for a condition that another thread makes true; false only when it never comes.
inline bool waitFor(const std::function<bool()>& condition, int seconds = 20)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// Records every callback with the thread it ran on, and catches overlapping calls.
class RecordingListener : public Leap::Listener {
public:
    struct Call {
        std::string name;
        QThread* thread;
    };

    void onInit(const Leap::Controller& c) override { record("init", c); }
    void onConnect(const Leap::Controller& c) override
    {
        c.setPolicyFlags(c.policyFlags() | Leap::Controller::POLICY_BACKGROUND_FRAMES);
        if (enableCircles)
            c.enableGesture(Leap::Gesture::TYPE_CIRCLE, true);
        record("connect", c);
        connects++;
    }
    void onDisconnect(const Leap::Controller& c) override
    {
        const Leap::DeviceList d = c.devices();
        embeddedAtDisconnect = d.count() > 0 && d[0].isEmbedded();
        record("disconnect", c);
        disconnects++;
    }
    void onExit(const Leap::Controller& c) override { record("exit", c); }
    void onServiceDisconnect(const Leap::Controller& c) override
    {
        record("service-down", c);
        serviceDowns++;
    }
    void onFrame(const Leap::Controller& c) override
    {
        enter();
        const Leap::Frame f = c.frame();
        {
            std::lock_guard<std::mutex> lock(mutex);
            frames.push_back(f);
            if (calls.empty() || calls.back().name != "frame")
                calls.push_back({"frame", QThread::currentThread()});
        }
        if (frameHook)
            frameHook(c, f);
        frameCount++;
        leave();
    }

    std::vector<Call> callsCopy()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return calls;
    }
    std::vector<Leap::Frame> framesCopy()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return frames;
    }
    std::string sequence()
    {
        std::string s;
        for (const Call& c : callsCopy())
            s += (s.empty() ? "" : " ") + c.name;
        return s;
    }

    bool enableCircles = true;
    std::function<void(const Leap::Controller&, const Leap::Frame&)> frameHook;
    std::atomic<int> frameCount{0};
    std::atomic<int> connects{0};
    std::atomic<int> disconnects{0};
    std::atomic<int> serviceDowns{0};
    std::atomic<bool> embeddedAtDisconnect{false};
    std::atomic<int> overlaps{0};
    std::mutex mutex;
    std::vector<Call> calls;
    std::vector<Leap::Frame> frames;

private:
    void record(const char* name, const Leap::Controller&)
    {
        enter();
        {
            std::lock_guard<std::mutex> lock(mutex);
            calls.push_back({name, QThread::currentThread()});
        }
        leave();
    }
    void enter()
    {
        if (m_inside.fetch_add(1) != 0)
            overlaps++;
    }
    void leave() { m_inside.fetch_sub(1); }
    std::atomic<int> m_inside{0};
};

} // namespace tracking_test
