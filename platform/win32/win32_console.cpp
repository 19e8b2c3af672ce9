#include "platform/win32/win32_console.h"

#include <windows.h>

#include <algorithm>
#include <string>

#include "platform/win32/console_text.h"
#include "platform/win32/wide_text.h"

namespace platform::win32 {

namespace {

// WriteConsoleW and WriteFile take at most a DWORD per call; write in bounded pieces.
constexpr std::size_t kMaxPiece = 1 << 15;

}  // namespace

Win32Console::Win32Console() {
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (output == INVALID_HANDLE_VALUE) {
        output = nullptr;
    }
    m_output = output;
    DWORD mode = 0;
    m_isConsole = output != nullptr && GetConsoleMode(output, &mode) != FALSE;
}

void Win32Console::WriteWideLine(std::u16string_view text) {
    std::u16string line(text);
    line.push_back(u'\n');
    WriteWide(line);
}

void Win32Console::WriteNarrow(std::string_view text) {
    WriteBytes(ToCrLf(text));
}

void Win32Console::PrintWide(std::u16string_view text) {
    WriteWide(text);
}

void Win32Console::Pause() {
    // No command interpreter: whichever one the user's environment names, and cmd's AutoRun
    // commands, would run with the tool's rights.
    m_input.DiscardTypedKeys();
    WriteNarrow(platform::kPausePrompt);
    m_input.WaitForKey();
    WriteNarrow("\n");
}

bool Win32Console::InSessionZero() {
    DWORD session = 0;
    return ProcessIdToSessionId(GetCurrentProcessId(), &session) && session == 0;
}

void Win32Console::WriteWide(std::u16string_view text) {
    if (m_output == nullptr) {
        return;
    }
    if (!m_isConsole) {
        WriteBytes(WideToRedirectedBytes(text));
        return;
    }
    const std::wstring wide = ToWide(ToCrLf(text));
    std::size_t done = 0;
    while (done < wide.size()) {
        const DWORD piece = static_cast<DWORD>(std::min(kMaxPiece, wide.size() - done));
        DWORD written = 0;
        if (!WriteConsoleW(static_cast<HANDLE>(m_output), wide.data() + done, piece, &written,
                           nullptr) ||
            written == 0) {
            return;
        }
        done += written;
    }
}

void Win32Console::WriteBytes(std::string_view bytes) {
    if (m_output == nullptr) {
        return;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD piece = static_cast<DWORD>(std::min(kMaxPiece, bytes.size() - done));
        DWORD written = 0;
        if (!WriteFile(static_cast<HANDLE>(m_output), bytes.data() + done, piece, &written,
                       nullptr) ||
            written == 0) {
            return;
        }
        done += written;
    }
}

}  // namespace platform::win32
