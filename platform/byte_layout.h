// Little-endian access to request and answer buffers at named offsets. Every access is
// bounds-checked: a write or read outside the buffer is a layout fault in the program and
// stops it rather than touching memory that is not the buffer's.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string_view>
#include <type_traits>

namespace platform {

inline bool FitsIn(std::size_t bufferSize, std::size_t offset, std::size_t width) {
    return offset <= bufferSize && width <= bufferSize - offset;
}

inline void CheckFits(std::size_t bufferSize, std::size_t offset, std::size_t width) {
    if (!FitsIn(bufferSize, offset, width)) {
        std::abort();
    }
}

// On a little-endian host (x86-64, the only one the tool runs on) a value is stored and loaded
// whole: a byte loop, which GCC does not merge at -O2, costs several times more on the access path
// that builds a request for every 4 KiB piece.
template <typename T>
inline void PutLe(std::span<std::uint8_t> buffer, std::size_t offset, T value) {
    static_assert(std::is_unsigned_v<T>);
    CheckFits(buffer.size(), offset, sizeof(T));
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(buffer.data() + offset, &value, sizeof(T));
    } else {
        for (std::size_t i = 0; i < sizeof(T); ++i) {
            buffer[offset + i] =
                static_cast<std::uint8_t>(static_cast<std::uint64_t>(value) >> (8 * i));
        }
    }
}

template <typename T>
inline T GetLe(std::span<const std::uint8_t> buffer, std::size_t offset) {
    static_assert(std::is_unsigned_v<T>);
    CheckFits(buffer.size(), offset, sizeof(T));
    if constexpr (std::endian::native == std::endian::little) {
        T value;
        std::memcpy(&value, buffer.data() + offset, sizeof(T));
        return value;
    } else {
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < sizeof(T); ++i) {
            value |= static_cast<std::uint64_t>(buffer[offset + i]) << (8 * i);
        }
        return static_cast<T>(value);
    }
}

inline void PutU8(std::span<std::uint8_t> b, std::size_t o, std::uint8_t v) {
    PutLe(b, o, v);
}
inline void PutU16(std::span<std::uint8_t> b, std::size_t o, std::uint16_t v) {
    PutLe(b, o, v);
}
inline void PutU32(std::span<std::uint8_t> b, std::size_t o, std::uint32_t v) {
    PutLe(b, o, v);
}
inline void PutU64(std::span<std::uint8_t> b, std::size_t o, std::uint64_t v) {
    PutLe(b, o, v);
}

inline std::uint8_t GetU8(std::span<const std::uint8_t> b, std::size_t o) {
    return GetLe<std::uint8_t>(b, o);
}
inline std::uint16_t GetU16(std::span<const std::uint8_t> b, std::size_t o) {
    return GetLe<std::uint16_t>(b, o);
}
inline std::uint32_t GetU32(std::span<const std::uint8_t> b, std::size_t o) {
    return GetLe<std::uint32_t>(b, o);
}
inline std::uint64_t GetU64(std::span<const std::uint8_t> b, std::size_t o) {
    return GetLe<std::uint64_t>(b, o);
}

// Copies ASCII text (no terminator) to the buffer at offset.
inline void PutAscii(std::span<std::uint8_t> buffer, std::size_t offset, std::string_view text) {
    CheckFits(buffer.size(), offset, text.size());
    if (!text.empty()) {
        std::memcpy(buffer.data() + offset, text.data(), text.size());
    }
}

inline void PutBytes(std::span<std::uint8_t> buffer, std::size_t offset,
                     std::span<const std::uint8_t> bytes) {
    CheckFits(buffer.size(), offset, bytes.size());
    // One block copy: every image byte passes through here, and a byte loop costs many times a
    // memcpy (the compiler cannot rule out overlap, so it neither vectorises nor calls memcpy).
    if (!bytes.empty()) {
        std::memmove(buffer.data() + offset, bytes.data(), bytes.size());
    }
}

}  // namespace platform
