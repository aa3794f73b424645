#pragma once
// The controller's machinery: the callback thread, listener bookkeeping, the frame history and the
// queue of service events between the socket reader (or a test driver) and the listeners.

#include "LeapConfig.h"
#include "LeapController.h"
#include "LeapFrameBuilder.h"
#include "LeapFrameSource.h"
#include "LeapServiceEvent.h"

#include <QThread>

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class QObject;
class QTimer;

namespace Leap {
namespace detail {

class AutoSource;

class ControllerImpl {
public:
    static constexpr int HISTORY = 60;
    // Frames waiting for a slow listener beyond this are dropped, oldest first.
    static constexpr size_t MAX_PENDING_FRAMES = 512;
    static constexpr int BATCH = 32;
    // A device that sends no frame for this long (a frozen or hung service) counts as gone until
    // frames come again, so nothing held stays held.
    static constexpr int STALL_MS = 1000;

    ControllerImpl(Controller& owner, const TrackingSource& source);
    ~ControllerImpl();

    // Frames from the socket may be dropped for a slow listener; a test driver's never are. Without
    // wake the caller is the callback thread itself and drains afterwards (drainRead).
    void post(ServiceEvent&& ev, bool mayDrop = true, bool wake = true);
    // Runs everything posted so far through the callback thread.
    void sync();

    bool addListener(Listener& listener);
    bool removeListener(Listener& listener);

    Frame frame(int history) const;
    DeviceList devices() const;
    Config config() const { return m_config; }
    bool isConnected() const { return m_connected; }
    bool isServiceConnected() const { return m_serviceConnected; }
    int policyFlags() const { return m_policy; }
    void setPolicyFlags(int flags) { m_policy = flags; }
    void enableGesture(Gesture::Type type, bool enable);
    bool isGestureEnabled(Gesture::Type type) const;

private:
    struct Entry {
        Listener* listener;
        bool active;
        bool ready;
        bool toldConnected;
    };

    bool onCallbackThread() const;
    // Runs fn on the callback thread and waits for it (runs it at once when already there).
    void runBlocking(const std::function<void()>& fn);
    void scheduleDrain();
    void drainRead();
    void drain(int limit);
    void handle(ServiceEvent& ev);
    void setDevices(std::vector<Device> devices);
    void connectListeners(Listener* only);
    void disconnectListeners();
    void deliver(void (Listener::*callback)(const Controller&));
    bool stillDeliverable(Listener* l, bool requireConnected);
    void doRemove(Listener& listener);
    void checkStall();
    void dropConnection();

    Controller& m_owner;
    Config m_config;
    std::atomic<bool> m_connected{false};
    std::atomic<bool> m_serviceConnected{false};
    std::atomic<int> m_policy{0};
    std::atomic<bool> m_circles{false};

    mutable std::mutex m_stateMutex;
    std::deque<FrameRef> m_history;
    std::vector<Device> m_devices;

    std::mutex m_listenerMutex;
    std::vector<Entry> m_listeners;

    std::mutex m_queueMutex;
    std::deque<ServiceEvent> m_queue;
    size_t m_pendingFrames = 0;
    bool m_drainScheduled = false;
    bool m_overflowLogged = false;
    bool m_draining = false; // callback thread only
    std::atomic<int64_t> m_busySince{0}; // steady-clock ns since the drain in progress began, else 0

    FrameBuilder m_builder; // callback thread only
    // Callback thread only: the stall watch over a real source's frames.
    QTimer* m_stallTimer = nullptr;
    int64_t m_lastFrameNs = 0;
    bool m_stalled = false;
    float m_nominalFps = 0.0f;
    QThread m_thread;
    QObject* m_dispatcher = nullptr;
    std::unique_ptr<FrameSource> m_source;
    AutoSource* m_auto = nullptr; // m_source when it is "auto"; callback thread only
};

} // namespace detail
} // namespace Leap
