#include "LeapController.h"

#include <unistd.h>

#include <cstdlib>

namespace Leap {
namespace detail {
class ControllerImpl {
public:
    Config config;
    int policy = 0;
};
} // namespace detail

Controller::Controller() : Controller(servicePath()) {}
Controller::Controller(const std::string&) : m_impl(std::make_unique<detail::ControllerImpl>()) {}
Controller::~Controller() = default;
bool Controller::addListener(Listener& l) { l.onInit(*this); return true; }
bool Controller::removeListener(Listener& l) { l.onExit(*this); return true; }
Frame Controller::frame(int) const { return Frame(); }
Config Controller::config() const { return m_impl->config; }
DeviceList Controller::devices() const { return DeviceList(); }
bool Controller::isConnected() const { return false; }
bool Controller::isServiceConnected() const { return false; }
int Controller::policyFlags() const { return m_impl->policy; }
void Controller::setPolicyFlags(int flags) const { m_impl->policy = flags; }
void Controller::enableGesture(Gesture::Type, bool) const {}
bool Controller::isGestureEnabled(Gesture::Type) const { return false; }
std::string Controller::servicePath()
{
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    if (xdg && *xdg)
        return std::string(xdg) + "/velmo-tracking.sock";
    return "/tmp/velmo-" + std::to_string(getuid()) + "/velmo-tracking.sock";
}
} // namespace Leap
