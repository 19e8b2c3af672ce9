// One Win32 resource that a function of its own frees (a registry key, an event source, memory
// from LocalAlloc), owned by one object and freed by its destructor on every path. The empty
// value (null) means nothing to free.
#pragma once

namespace platform::win32 {

template <typename T, auto Release>
class ScopedResource {
public:
    ScopedResource() = default;
    explicit ScopedResource(T value) : m_value(value) {}
    ScopedResource(const ScopedResource&) = delete;
    ScopedResource& operator=(const ScopedResource&) = delete;
    ~ScopedResource() {
        if (m_value != T{}) {
            Release(m_value);
        }
    }

    // Where a Win32 function writes the resource it creates.
    T* Receive() { return &m_value; }
    T Get() const { return m_value; }

private:
    T m_value{};
};

}  // namespace platform::win32
