// UTF-16 text between the portable code (std::u16string) and the Windows API (wchar_t).
// wchar_t is a UTF-16 code unit on Windows, so the conversion copies code units unchanged.
#pragma once

#include <string>
#include <string_view>

namespace platform::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wchar_t is one UTF-16 code unit");

inline std::wstring ToWide(std::u16string_view text) {
    return std::wstring(text.begin(), text.end());
}

inline std::u16string FromWide(std::wstring_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        out.push_back(static_cast<char16_t>(c));
    }
    return out;
}

}  // namespace platform::win32
