// The console on Windows: the three channels go through one writer onto standard output,
// so they keep program order and no character can stop the output.
#pragma once

#include "platform/console.h"
#include "platform/win32/win32_console_input.h"

namespace platform::win32 {

class Win32Console : public platform::Console {
public:
    Win32Console();

    void WriteWideLine(std::u16string_view text) override;
    void WriteNarrow(std::string_view text) override;
    void PrintWide(std::u16string_view text) override;
    void Pause() override;
    bool InSessionZero() override;

private:
    void WriteWide(std::u16string_view text);
    void WriteBytes(std::string_view bytes);

    void* m_output = nullptr;  // the standard output HANDLE
    bool m_isConsole = false;  // a console window (WriteConsoleW) rather than a file or pipe
    ConsoleInput m_input;      // QuickEdit off for the console's lifetime; the pause's key
};

}  // namespace platform::win32
