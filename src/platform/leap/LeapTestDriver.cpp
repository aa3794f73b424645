#include "LeapTestDriver.h"

#include "LeapControllerImpl.h"
#include "LeapServiceClient.h"

namespace Leap {

using detail::ServiceEvent;

TestDriver::TestDriver(Controller& controller) : m_controller(controller) {}

void TestDriver::startService()
{
    ServiceEvent ev;
    ev.kind = ServiceEvent::Kind::ServiceUp;
    m_controller.m_impl->post(std::move(ev), false);
    m_serviceUp = true;
}

void TestDriver::stopService()
{
    ServiceEvent ev;
    ev.kind = ServiceEvent::Kind::ServiceDown;
    m_controller.m_impl->post(std::move(ev), false);
    m_serviceUp = false;
}

void TestDriver::plugDevice(bool embedded, float nominalFps)
{
    if (!m_serviceUp)
        startService();
    ServiceEvent ev;
    ev.kind = ServiceEvent::Kind::Device;
    ev.device = DeviceStatus{true, embedded, nominalFps};
    m_controller.m_impl->post(std::move(ev), false);
}

void TestDriver::unplugDevice()
{
    ServiceEvent ev;
    ev.kind = ServiceEvent::Kind::Device;
    ev.device = DeviceStatus{false, false, 120.0f};
    m_controller.m_impl->post(std::move(ev), false);
}

void TestDriver::setConfig(const std::string& key, bool value)
{
    ServiceEvent ev;
    ev.kind = ServiceEvent::Kind::Config;
    ev.key = key;
    ev.value = value;
    m_controller.m_impl->post(std::move(ev), false);
}

void TestDriver::pushFrame(const RawFrame& frame)
{
    ServiceEvent ev;
    ev.kind = ServiceEvent::Kind::Frame;
    ev.frame = frame;
    m_controller.m_impl->post(std::move(ev), false);
}

void TestDriver::pushHand(const RawHand& hand, int64_t timestampUs)
{
    RawFrame f;
    f.timestamp = timestampUs;
    f.hands.push_back(hand);
    pushFrame(f);
}

void TestDriver::pushEmpty(int64_t timestampUs)
{
    RawFrame f;
    f.timestamp = timestampUs;
    pushFrame(f);
}

void TestDriver::pushMessage(const std::string& line)
{
    detail::ServiceClient::handleLine(line, [this](ServiceEvent&& ev) { m_controller.m_impl->post(std::move(ev), false); });
}

void TestDriver::sync() { m_controller.m_impl->sync(); }

} // namespace Leap
