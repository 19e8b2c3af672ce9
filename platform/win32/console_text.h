// What the Windows console writes for each channel, kept free of Windows headers.
// Wide text is never handed to the C runtime's streams: under its "C" locale a character
// outside the code page puts std::wcout into a failed state and silences the rest of the run.
#pragma once

#include <string>
#include <string_view>

namespace platform::win32 {

// Text-mode line ends: every '\n' becomes "\r\n".
std::string ToCrLf(std::string_view bytes);
std::u16string ToCrLf(std::u16string_view text);

// Wide text for a redirected standard output: UTF-8 with text-mode line ends.
std::string WideToRedirectedBytes(std::u16string_view text);

}  // namespace platform::win32
