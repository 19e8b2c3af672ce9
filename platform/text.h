// UTF-16 identity strings and the tool's byte-to-character rules.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace platform {

// Each byte as one character, read as a signed 8-bit value (0x80-0xFF become U+FF80-U+FFFF).
std::u16string WidenSigned(std::span<const std::uint8_t> bytes);
// Each byte as one character of the same value.
std::u16string WidenUnsigned(std::string_view bytes);
// Each character's low 8 bits, a zero included: undoes both Widens, so that a drive's bytes reach
// the 8-bit stream as the drive gave them.
std::string Narrow(std::u16string_view text);
// UTF-8 to UTF-16; bytes that do not form valid UTF-8 become U+FFFD.
std::u16string DecodeUtf8(std::string_view bytes);
// UTF-16 to UTF-8; unpaired surrogates become U+FFFD.
std::string EncodeUtf8(std::u16string_view text);
// ASCII letters to upper case, everything else unchanged.
std::u16string ToUpperAscii(std::u16string_view text);

bool Contains(std::u16string_view text, std::u16string_view part);
std::u16string ToU16(std::string_view ascii);

// printf-style numbers: "%d", "%X" and the 8-bit stream's lower-case hexadecimal.
std::string DecimalText(std::int64_t value);
std::string HexLower(std::uint32_t value);
std::string HexUpper(std::uint32_t value);

}  // namespace platform
