#include "platform/device_io.h"

#include <utility>

namespace platform {

DeviceHandle::DeviceHandle(DeviceHandle&& other) noexcept
    : m_io(std::exchange(other.m_io, nullptr)), m_id(std::exchange(other.m_id, 0)) {}

DeviceHandle& DeviceHandle::operator=(DeviceHandle&& other) noexcept {
    if (this != &other) {
        Close();
        m_io = std::exchange(other.m_io, nullptr);
        m_id = std::exchange(other.m_id, 0);
    }
    return *this;
}

DeviceHandle::~DeviceHandle() { Close(); }

void DeviceHandle::Close() {
    if (m_io != nullptr) {
        m_io->CloseDevice(m_id);
        m_io = nullptr;
        m_id = 0;
    }
}

}  // namespace platform
