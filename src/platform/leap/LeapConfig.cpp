#include "LeapConfig.h"

#include <map>
#include <mutex>

namespace Leap {
namespace detail {
struct ConfigData {
    std::mutex mutex;
    std::map<std::string, bool> values;
};
} // namespace detail

Config::Config() : m_data(std::make_shared<detail::ConfigData>()) {}

bool Config::getBool(const std::string& key) const
{
    std::lock_guard<std::mutex> lock(m_data->mutex);
    auto it = m_data->values.find(key);
    return it != m_data->values.end() && it->second;
}

bool Config::isKnownKey(const std::string& key) { return key == "interaction_box_auto"; }

bool Config::setBool(const std::string& key, bool value)
{
    // Keys nobody reads are not kept: a service repeating new names must not grow the map.
    if (!isKnownKey(key))
        return false;
    std::lock_guard<std::mutex> lock(m_data->mutex);
    m_data->values[key] = value;
    return true;
}

bool Config::save() { return true; }

} // namespace Leap
