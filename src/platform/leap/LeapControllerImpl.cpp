#include "LeapControllerImpl.h"

#include "LeapAutoSource.h"
#include "LeapLog.h"
#include "LeapServiceClient.h"
#include "LeapWebSocketSource.h"

#include <QMetaObject>
#include <QObject>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <future>

namespace Leap {
namespace detail {

ControllerImpl::ControllerImpl(Controller& owner, const TrackingSource& source) : m_owner(owner)
{
    m_thread.setObjectName(QStringLiteral("LeapCallbacks"));
    m_dispatcher = new QObject;
    m_dispatcher->moveToThread(&m_thread);
    m_thread.start();
    if (source.kind == TrackingSource::Kind::Automatic)
        logInfo("looking for hands at unix:" + source.address + " and " + source.url);
    else if (source.kind != TrackingSource::Kind::None)
        logInfo("taking hands from " + source.text());
    switch (source.kind) {
    case TrackingSource::Kind::ServiceSocket:
        // The socket is read on the callback thread itself: a frame wakes one thread, not two.
        runBlocking([this, source] {
            m_source = std::make_unique<ServiceClient>(
                source.address, [this](ServiceEvent&& ev) { post(std::move(ev), true, false); },
                [this] { drainRead(); }, m_busySince, [this](ServiceEvent&& ev) { post(std::move(ev)); });
        });
        break;
    case TrackingSource::Kind::WebSocket:
        m_source = std::make_unique<WebSocketSource>(QUrl(QString::fromStdString(source.address)),
            [this](ServiceEvent&& ev) { post(std::move(ev)); });
        break;
    case TrackingSource::Kind::Automatic:
        runBlocking([this, source] {
            AutoSource::Sinks sinks{[this](ServiceEvent&& ev) { post(std::move(ev), true, false); },
                [this] { drainRead(); }, &m_busySince, [this](ServiceEvent&& ev) { post(std::move(ev)); },
                [this](ServiceEvent&& ev) { post(std::move(ev)); }};
            auto a = std::make_unique<AutoSource>(source.address, QUrl(QString::fromStdString(source.url)), std::move(sinks));
            m_auto = a.get();
            m_source = std::move(a);
            m_auto->start();
        });
        break;
    case TrackingSource::Kind::None:
        break;
    }
    if (m_source)
        runBlocking([this] {
            m_stallTimer = new QTimer(m_dispatcher);
            m_stallTimer->setInterval(STALL_MS / 4);
            QObject::connect(m_stallTimer, &QTimer::timeout, m_dispatcher, [this] { checkStall(); });
            m_stallTimer->start();
        });
}

namespace {
int64_t steadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::steady_clock::now().time_since_epoch()).count();
}
} // namespace

void ControllerImpl::checkStall()
{
    if (!m_connected || steadyNs() - m_lastFrameNs < int64_t(STALL_MS) * 1000000)
        return;
    {
        // Frames still queued behind a long callback are not silence.
        std::lock_guard<std::mutex> lock(m_queueMutex);
        if (m_pendingFrames > 0)
            return;
    }
    logInfo("no frames from the tracking service for a second: device taken as gone until frames come again");
    m_stalled = true;
    dropConnection();
}

void ControllerImpl::dropConnection()
{
    m_connected = false;
    {
        std::lock_guard<std::mutex> lock(m_stateMutex);
        m_history.clear();
    }
    disconnectListeners();
}

ControllerImpl::~ControllerImpl()
{
    // The service socket's notifier and timer belong to the callback thread: they go there.
    runBlocking([this] {
        delete m_stallTimer;
        m_stallTimer = nullptr;
        m_auto = nullptr;
        m_source.reset();
    });
    std::vector<Listener*> remaining;
    {
        std::lock_guard<std::mutex> lock(m_listenerMutex);
        for (const Entry& e : m_listeners)
            remaining.push_back(e.listener);
    }
    for (Listener* l : remaining)
        removeListener(*l);
    m_thread.quit();
    m_thread.wait();
    delete m_dispatcher;
}

bool ControllerImpl::onCallbackThread() const { return QThread::currentThread() == &m_thread; }

void ControllerImpl::runBlocking(const std::function<void()>& fn)
{
    if (onCallbackThread()) {
        fn();
        return;
    }
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> f = done->get_future();
    QMetaObject::invokeMethod(
        m_dispatcher, [fn, done] {
            fn();
            done->set_value();
        },
        Qt::QueuedConnection);
    f.wait();
}

void ControllerImpl::post(ServiceEvent&& ev, bool mayDrop, bool wake)
{
    bool schedule = false;
    {
        std::lock_guard<std::mutex> lock(m_queueMutex);
        if (ev.kind == ServiceEvent::Kind::Frame) {
            if (mayDrop && m_pendingFrames >= MAX_PENDING_FRAMES) {
                auto oldest = std::find_if(m_queue.begin(), m_queue.end(),
                    [](const ServiceEvent& e) { return e.kind == ServiceEvent::Kind::Frame; });
                if (oldest != m_queue.end()) {
                    m_queue.erase(oldest);
                    --m_pendingFrames;
                }
                if (!m_overflowLogged)
                    logInfo("listener too slow: dropping the oldest frames");
                m_overflowLogged = true;
            }
            ++m_pendingFrames;
        }
        m_queue.push_back(std::move(ev));
        if (wake && !m_drainScheduled) {
            m_drainScheduled = true;
            schedule = true;
        }
    }
    if (schedule)
        scheduleDrain();
}

void ControllerImpl::drainRead()
{
    // Inside a listener's nested event loop the drain in progress picks these up (or reschedules).
    if (!m_draining)
        drain(BATCH);
}

void ControllerImpl::scheduleDrain()
{
    QMetaObject::invokeMethod(m_dispatcher, [this] { drain(BATCH); }, Qt::QueuedConnection);
}

void ControllerImpl::drain(int limit)
{
    // A listener that spins a nested event loop must not get a second callback inside the first.
    if (m_draining)
        return;
    m_draining = true;
    m_busySince = std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::steady_clock::now().time_since_epoch()).count();
    for (int n = 0; limit < 0 || n < limit; ++n) {
        ServiceEvent ev;
        {
            std::lock_guard<std::mutex> lock(m_queueMutex);
            if (m_queue.empty()) {
                m_overflowLogged = false;
                break;
            }
            ev = std::move(m_queue.front());
            m_queue.pop_front();
            if (ev.kind == ServiceEvent::Kind::Frame)
                --m_pendingFrames;
        }
        handle(ev);
    }
    m_busySince = 0;
    m_draining = false;
    bool again = false;
    {
        std::lock_guard<std::mutex> lock(m_queueMutex);
        again = !m_queue.empty();
        m_drainScheduled = again;
    }
    // Other work queued for this thread (adding or removing listeners) runs between batches.
    if (again)
        scheduleDrain();
}

void ControllerImpl::sync()
{
    runBlocking([this] { drain(-1); });
}

void ControllerImpl::setDevices(std::vector<Device> devices)
{
    std::lock_guard<std::mutex> lock(m_stateMutex);
    m_devices = std::move(devices);
}

void ControllerImpl::handle(ServiceEvent& ev)
{
    if (m_auto && !m_auto->admit(ev))
        return;
    switch (ev.kind) {
    case ServiceEvent::Kind::ServiceUp:
        if (m_serviceConnected)
            return;
        m_serviceConnected = true;
        deliver(&Listener::onServiceConnect);
        return;
    case ServiceEvent::Kind::ServiceDown: {
        if (!m_serviceConnected)
            return;
        const bool wasConnected = m_connected;
        m_connected = false;
        m_stalled = false;
        setDevices({});
        {
            std::lock_guard<std::mutex> lock(m_stateMutex);
            m_history.clear();
        }
        if (wasConnected)
            disconnectListeners();
        m_serviceConnected = false;
        deliver(&Listener::onServiceDisconnect);
        return;
    }
    case ServiceEvent::Kind::Device: {
        if (!m_serviceConnected) {
            m_serviceConnected = true;
            deliver(&Listener::onServiceConnect);
        }
        const DeviceStatus& d = ev.device;
        std::vector<Device> devices;
        if (d.attached || d.embedded)
            devices.emplace_back(d.embedded, d.attached);
        setDevices(std::move(devices));
        deliver(&Listener::onDeviceChange);
        m_stalled = false;
        m_nominalFps = d.nominalFps;
        if (d.attached && !m_connected) {
            m_builder.reset(d.nominalFps);
            m_lastFrameNs = steadyNs();
            m_connected = true;
            connectListeners(nullptr);
        } else if (!d.attached && m_connected) {
            dropConnection();
        }
        return;
    }
    case ServiceEvent::Kind::Config:
        m_config.setBool(ev.key, ev.value); // unknown keys are not kept
        return;
    case ServiceEvent::Kind::Frame: {
        m_lastFrameNs = steadyNs();
        if (m_stalled) {
            logInfo("frames from the tracking service again");
            m_stalled = false;
            m_builder.reset(m_nominalFps);
            m_connected = true;
            connectListeners(nullptr);
        }
        if (!m_connected || !(m_policy & Controller::POLICY_BACKGROUND_FRAMES))
            return;
        FrameRef f = m_builder.build(ev.frame, m_config.getBool("interaction_box_auto"), m_circles);
        {
            std::lock_guard<std::mutex> lock(m_stateMutex);
            m_history.push_front(std::move(f));
            while (m_history.size() > static_cast<size_t>(HISTORY))
                m_history.pop_back();
        }
        deliver(&Listener::onFrame);
        return;
    }
    }
}

bool ControllerImpl::stillDeliverable(Listener* l, bool requireConnected)
{
    std::lock_guard<std::mutex> lock(m_listenerMutex);
    for (const Entry& e : m_listeners)
        if (e.listener == l)
            return e.active && e.ready && (!requireConnected || e.toldConnected);
    return false;
}

void ControllerImpl::deliver(void (Listener::*callback)(const Controller&))
{
    std::vector<Listener*> snapshot;
    {
        std::lock_guard<std::mutex> lock(m_listenerMutex);
        for (const Entry& e : m_listeners)
            if (e.active && e.ready)
                snapshot.push_back(e.listener);
    }
    // Frames go only to listeners that were told the device is connected.
    const bool needsConnect = callback == &Listener::onFrame;
    for (Listener* l : snapshot)
        if (stillDeliverable(l, needsConnect))
            (l->*callback)(m_owner);
}

void ControllerImpl::connectListeners(Listener* only)
{
    std::vector<Listener*> targets;
    {
        std::lock_guard<std::mutex> lock(m_listenerMutex);
        for (Entry& e : m_listeners) {
            if (e.active && e.ready && !e.toldConnected && (!only || e.listener == only)) {
                e.toldConnected = true;
                targets.push_back(e.listener);
            }
        }
    }
    for (Listener* l : targets)
        if (stillDeliverable(l, true))
            l->onConnect(m_owner);
}

void ControllerImpl::disconnectListeners()
{
    std::vector<Listener*> targets;
    {
        std::lock_guard<std::mutex> lock(m_listenerMutex);
        for (Entry& e : m_listeners) {
            if (e.active && e.ready && e.toldConnected) {
                e.toldConnected = false;
                targets.push_back(e.listener);
            }
        }
    }
    for (Listener* l : targets)
        if (stillDeliverable(l, false))
            l->onDisconnect(m_owner);
}

bool ControllerImpl::addListener(Listener& listener)
{
    {
        std::lock_guard<std::mutex> lock(m_listenerMutex);
        for (const Entry& e : m_listeners)
            if (e.listener == &listener)
                return false;
        m_listeners.push_back(Entry{&listener, true, false, false});
    }
    runBlocking([this, &listener] {
        listener.onInit(m_owner);
        {
            std::lock_guard<std::mutex> lock(m_listenerMutex);
            for (Entry& e : m_listeners)
                if (e.listener == &listener)
                    e.ready = true;
        }
        // A device already connected is announced before the next frame.
        if (m_connected)
            connectListeners(&listener);
    });
    return true;
}

void ControllerImpl::doRemove(Listener& listener)
{
    {
        std::lock_guard<std::mutex> lock(m_listenerMutex);
        m_listeners.erase(std::remove_if(m_listeners.begin(), m_listeners.end(),
                              [&](const Entry& e) { return e.listener == &listener; }),
            m_listeners.end());
    }
    listener.onExit(m_owner);
}

bool ControllerImpl::removeListener(Listener& listener)
{
    {
        std::lock_guard<std::mutex> lock(m_listenerMutex);
        auto it = std::find_if(m_listeners.begin(), m_listeners.end(),
            [&](const Entry& e) { return e.listener == &listener && e.active; });
        if (it == m_listeners.end())
            return false;
        it->active = false;
    }
    runBlocking([this, &listener] { doRemove(listener); });
    return true;
}

Frame ControllerImpl::frame(int history) const
{
    std::lock_guard<std::mutex> lock(m_stateMutex);
    if (history < 0 || history >= static_cast<int>(m_history.size()))
        return Frame();
    return Frame(m_history[static_cast<size_t>(history)]);
}

DeviceList ControllerImpl::devices() const
{
    std::lock_guard<std::mutex> lock(m_stateMutex);
    return DeviceList(m_devices);
}

void ControllerImpl::enableGesture(Gesture::Type type, bool enable)
{
    if (type == Gesture::TYPE_CIRCLE)
        m_circles = enable;
}

bool ControllerImpl::isGestureEnabled(Gesture::Type type) const
{
    return type == Gesture::TYPE_CIRCLE && m_circles;
}

} // namespace detail
} // namespace Leap
