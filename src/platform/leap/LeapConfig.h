#pragma once
#include <memory>
#include <string>

namespace Leap {

namespace detail {
struct ConfigData;
}

// The tracking service's settings as the controller sees them ("interaction_box_auto", off by
// default). A handle: copies share the controller's store.
class Config {
public:
    Config();

    // false for a key never set.
    bool getBool(const std::string& key) const;
    // Only the keys the layer knows are stored; any other is refused (false).
    bool setBool(const std::string& key, bool value);
    static bool isKnownKey(const std::string& key);
    // Settings live in the controller; nothing is written anywhere.
    bool save();

private:
    friend class Controller;
    explicit Config(std::shared_ptr<detail::ConfigData> data) : m_data(std::move(data)) {}
    std::shared_ptr<detail::ConfigData> m_data;
};

} // namespace Leap
