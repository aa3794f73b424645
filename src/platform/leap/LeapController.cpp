#include "LeapController.h"

#include "LeapControllerImpl.h"

#include <unistd.h>

#include <cstdlib>

namespace Leap {

Controller::Controller() : Controller(TrackingSource::chosen()) {}

Controller::Controller(const std::string& socketPath)
    : Controller(socketPath.empty() ? TrackingSource{} : TrackingSource{TrackingSource::Kind::ServiceSocket, socketPath})
{
}

Controller::Controller(const TrackingSource& source) : m_impl(std::make_unique<detail::ControllerImpl>(*this, source)) {}

Controller::~Controller() = default;

bool Controller::addListener(Listener& listener) { return m_impl->addListener(listener); }

bool Controller::removeListener(Listener& listener) { return m_impl->removeListener(listener); }

Frame Controller::frame(int history) const { return m_impl->frame(history); }

Config Controller::config() const { return m_impl->config(); }

DeviceList Controller::devices() const { return m_impl->devices(); }

bool Controller::isConnected() const { return m_impl->isConnected(); }

bool Controller::isServiceConnected() const { return m_impl->isServiceConnected(); }

int Controller::policyFlags() const { return m_impl->policyFlags(); }

void Controller::setPolicyFlags(int flags) const { m_impl->setPolicyFlags(flags); }

void Controller::enableGesture(Gesture::Type type, bool enable) const { m_impl->enableGesture(type, enable); }

bool Controller::isGestureEnabled(Gesture::Type type) const { return m_impl->isGestureEnabled(type); }

std::string Controller::servicePath()
{
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    if (xdg && *xdg)
        return std::string(xdg) + "/velmo-tracking.sock";
    return "/tmp/velmo-" + std::to_string(getuid()) + "/velmo-tracking.sock";
}

} // namespace Leap
