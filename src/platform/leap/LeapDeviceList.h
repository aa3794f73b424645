#pragma once
#include "LeapDevice.h"
#include "LeapFrameRef.h"

#include <vector>

namespace Leap {

class DeviceList {
public:
    DeviceList() = default;
    explicit DeviceList(std::vector<Device> devices) : m_devices(std::move(devices)) {}

    int count() const { return static_cast<int>(m_devices.size()); }
    bool isEmpty() const { return m_devices.empty(); }
    Device operator[](int index) const
    {
        return index >= 0 && index < count() ? m_devices[static_cast<size_t>(index)] : Device();
    }

    using const_iterator = detail::ListIterator<DeviceList, Device>;
    const_iterator begin() const { return const_iterator(*this, 0); }
    const_iterator end() const { return const_iterator(*this, count()); }

private:
    std::vector<Device> m_devices;
};

} // namespace Leap
