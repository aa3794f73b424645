#include "LeapTestDriver.h"

namespace Leap {
TestDriver::TestDriver(Controller& controller) : m_controller(controller) {}
void TestDriver::startService() {}
void TestDriver::stopService() {}
void TestDriver::plugDevice(bool, float) {}
void TestDriver::unplugDevice() {}
void TestDriver::setConfig(const std::string&, bool) {}
void TestDriver::pushFrame(const RawFrame&) {}
void TestDriver::pushHand(const RawHand&, int64_t) {}
void TestDriver::pushEmpty(int64_t) {}
void TestDriver::pushMessage(const std::string&) {}
void TestDriver::sync() {}
} // namespace Leap
