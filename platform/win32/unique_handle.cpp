#include "platform/win32/unique_handle.h"

#include <windows.h>

#include <utility>

namespace platform::win32 {

UniqueHandle::UniqueHandle(void* handle)
    : m_handle(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}

UniqueHandle::UniqueHandle(UniqueHandle&& other) noexcept
    : m_handle(std::exchange(other.m_handle, nullptr)) {}

UniqueHandle& UniqueHandle::operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
        Reset();
        m_handle = std::exchange(other.m_handle, nullptr);
    }
    return *this;
}

UniqueHandle::~UniqueHandle() {
    Reset();
}

void UniqueHandle::Reset() {
    if (m_handle != nullptr) {
        CloseHandle(std::exchange(m_handle, nullptr));
    }
}

}  // namespace platform::win32
