#include "platform/device_install.h"

#include <utility>

namespace platform {

DeviceInfoList::DeviceInfoList(DeviceInfoList&& other) noexcept
    : m_services(std::exchange(other.m_services, nullptr)), m_id(std::exchange(other.m_id, 0)) {}

DeviceInfoList& DeviceInfoList::operator=(DeviceInfoList&& other) noexcept {
    if (this != &other) {
        Reset();
        m_services = std::exchange(other.m_services, nullptr);
        m_id = std::exchange(other.m_id, 0);
    }
    return *this;
}

DeviceInfoList::~DeviceInfoList() { Reset(); }

void DeviceInfoList::Reset() {
    if (m_services != nullptr) {
        m_services->DestroyDeviceInfoList(m_id);
        m_services = nullptr;
        m_id = 0;
    }
}

}  // namespace platform
