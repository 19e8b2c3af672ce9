// The size protocol of the device installation services: ask without a buffer, then, while
// the answer is ERROR_INSUFFICIENT_BUFFER, take a zero-filled buffer of the reported size
// times a factor and ask again. Gives the whole value or nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/windows_values.h"

namespace platform::win32 {

// What one call of a SetupDi...W size-protocol function answered.
struct SizedCallResult {
    bool Ok = false;
    win::Dword Error = 0;        // GetLastError() when !ok
    std::uint32_t Required = 0;  // the size the call reported, in bytes
};

// A reported size beyond this is not a device property or path; refuse it.
inline constexpr std::uint32_t kMaxSizedValue = 1u << 20;
// Values change between calls only when devices come and go; a few rounds suffice.
inline constexpr int kMaxSizedRounds = 8;

// call(buffer pointer or null, buffer size) -> SizedCallResult. The returned buffer holds the
// whole value; its size is what was allocated (at least the reported size).
template <typename Call>
std::optional<std::vector<std::uint8_t>> ReadSizedValue(Call call, std::uint32_t factor) {
    SizedCallResult first = call(nullptr, 0);
    if (first.Ok || first.Error != win::kErrorInsufficientBuffer || first.Required == 0) {
        return std::nullopt;
    }
    std::uint32_t required = first.Required;
    for (int round = 0; round < kMaxSizedRounds; ++round) {
        if (required == 0 || required > kMaxSizedValue) {
            return std::nullopt;
        }
        std::vector<std::uint8_t> buffer(static_cast<std::size_t>(required) * factor, 0);
        const SizedCallResult again =
            call(buffer.data(), static_cast<std::uint32_t>(buffer.size()));
        if (again.Ok) {
            return buffer;
        }
        if (again.Error != win::kErrorInsufficientBuffer) {
            return std::nullopt;
        }
        required = again.Required;
    }
    return std::nullopt;
}

}  // namespace platform::win32
