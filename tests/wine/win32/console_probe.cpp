// Writes through the Windows console the characters that stop the C runtime's wide stream
// (outside the code page, surrogates, an unpaired surrogate) with ASCII after each, on all
// three channels, so the test can check every byte that reaches standard output.
#include "platform/win32/win32_console.h"

int main() {
    platform::win32::Win32Console console;
    console.WriteWideLine(u"check \u2713 after");
    console.PrintWide(u"e-acute \u00E9 and 0x%X\n");
    console.WriteNarrow("[PASS] narrow\n");
    console.WriteWideLine(u"clef \U0001D11E lone \xD800 end");
    console.WriteNarrow("byte \xE9 raw\n");
    console.WriteWideLine(u"last line");
    return 0;
}
