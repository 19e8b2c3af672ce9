// The console as the tool writes it: three channels onto one standard output, in program order.
#pragma once

#include <string_view>

namespace platform {

// What cmd's pause prints before it waits; the pause ends the line once the key is read.
inline constexpr std::string_view kPausePrompt = "Press any key to continue . . . ";

class Console {
public:
    virtual ~Console() = default;

    // Wide stream: the text, one newline, flush.
    virtual void WriteWideLine(std::u16string_view text) = 0;
    // 8-bit stream: the text exactly as given (callers write their own line ends), flush.
    virtual void WriteNarrow(std::string_view text) = 0;
    // Wide formatted print: text already formatted, written as it is.
    virtual void PrintWide(std::u16string_view text) = 0;
    // The command interpreter's "pause", in-process: its prompt, one key (or the end of
    // redirected input), then the line end.
    virtual void Pause() = 0;
    // Session 0 holds services and what SYSTEM runs for deployment agents; nobody there can
    // ever press a key. False when the session cannot be told.
    virtual bool InSessionZero() = 0;
};

}  // namespace platform
