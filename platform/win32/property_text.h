// Text out of the byte buffers that SetupAPI fills (little-endian UTF-16).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace platform::win32 {

// The UTF-16 text at the start of bytes, up to its first terminator or the end of the buffer.
std::u16string TextUpToTerminator(std::span<const std::uint8_t> bytes);

// The strings of a REG_MULTI_SZ value: each ended by a terminator, the list by an empty string
// (or by the end of the buffer).
std::vector<std::u16string> SplitMultiString(std::span<const std::uint8_t> bytes);

}  // namespace platform::win32
