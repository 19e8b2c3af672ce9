// A kernel object handle (event, mutex) owned by one object: move-only, closed by its
// destructor on every path. Null and INVALID_HANDLE_VALUE both mean no handle, as Win32
// functions return one or the other.
#pragma once

namespace platform::win32 {

class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(void* handle);
    UniqueHandle(UniqueHandle&& other) noexcept;
    UniqueHandle& operator=(UniqueHandle&& other) noexcept;
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle();

    bool Valid() const { return m_handle != nullptr; }
    void* Get() const { return m_handle; }
    void Reset();

private:
    void* m_handle = nullptr;
};

}  // namespace platform::win32
