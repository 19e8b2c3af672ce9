// The one owner of everything that must be released: a move-only object that releases its value
// exactly once, by its destructor or Reset(), and never after a move took the value away.
// Traits gives the value type (Value), the empty value (static Value Invalid()), whether a value
// is held (static bool IsValid(const Value&)) and the release (static void Release(Value)).
#pragma once

#include <cstdint>
#include <utility>

namespace platform {

template <typename Traits>
class ScopedHandle {
public:
    using Value = typename Traits::Value;

    ScopedHandle() = default;
    // A value that is not valid is kept as the empty value.
    explicit ScopedHandle(Value value)
        : m_value(Traits::IsValid(value) ? value : Traits::Invalid()) {}
    ScopedHandle(ScopedHandle&& other) noexcept
        : m_value(std::exchange(other.m_value, Traits::Invalid())) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept {
        if (this != &other) {
            Reset();
            m_value = std::exchange(other.m_value, Traits::Invalid());
        }
        return *this;
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ~ScopedHandle() { Reset(); }

    bool Valid() const { return Traits::IsValid(m_value); }
    const Value& Get() const { return m_value; }

    void Reset() {
        if (Valid()) {
            Traits::Release(std::exchange(m_value, Traits::Invalid()));
        }
    }

    // Where a Win32 function writes the value it creates; what was held is released first.
    Value* Receive() {
        Reset();
        return &m_value;
    }

private:
    Value m_value = Traits::Invalid();
};

// An id that a platform interface handed out (a device handle, a device information list),
// with the interface that releases it.
template <typename Owner>
struct IssuedId {
    Owner* Issuer = nullptr;
    std::uint64_t Id = 0;
};

// Traits of an IssuedId; Derived adds the release through the interface.
template <typename Owner>
struct IssuedIdTraits {
    using Value = IssuedId<Owner>;
    static Value Invalid() { return {}; }
    static bool IsValid(const Value& value) { return value.Issuer != nullptr; }
};

}  // namespace platform
