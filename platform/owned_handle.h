// A move-only owner of one id that a platform interface handed out (a device handle, a device
// information list), released exactly once through that interface: by the destructor, Reset()
// or Close(), or never after Take() gave the raw id away. Traits names the interface (Owner) and
// its release call (static void Release(Owner&, std::uint64_t id)).
#pragma once

#include <cstdint>
#include <utility>

namespace platform {

template <typename Traits>
class OwnedHandle {
public:
    using Owner = typename Traits::Owner;

    OwnedHandle() = default;
    OwnedHandle(Owner* owner, std::uint64_t id) : m_owner(owner), m_id(id) {}
    OwnedHandle(OwnedHandle&& other) noexcept
        : m_owner(std::exchange(other.m_owner, nullptr)), m_id(std::exchange(other.m_id, 0)) {}
    OwnedHandle& operator=(OwnedHandle&& other) noexcept {
        if (this != &other) {
            Reset();
            m_owner = std::exchange(other.m_owner, nullptr);
            m_id = std::exchange(other.m_id, 0);
        }
        return *this;
    }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    ~OwnedHandle() { Reset(); }

    bool Valid() const { return m_owner != nullptr; }
    std::uint64_t Id() const { return m_id; }

    // Gives up ownership without releasing: the caller now owns the returned id.
    [[nodiscard]] std::uint64_t Take() {
        m_owner = nullptr;
        return std::exchange(m_id, 0);
    }

    void Reset() {
        if (m_owner != nullptr) {
            Traits::Release(*std::exchange(m_owner, nullptr), std::exchange(m_id, 0));
        }
    }
    void Close() { Reset(); }

private:
    Owner* m_owner = nullptr;
    std::uint64_t m_id = 0;
};

}  // namespace platform
