// The console as the tool writes it: three channels onto one standard output, in program order.
#pragma once

#include <string_view>

namespace platform {

class Console {
public:
    virtual ~Console() = default;

    // Wide stream: the text, one newline, flush.
    virtual void WriteWideLine(std::u16string_view text) = 0;
    // 8-bit stream: the text exactly as given (callers write their own line ends), flush.
    virtual void WriteNarrow(std::string_view text) = 0;
    // Wide formatted print: text already formatted, written as it is.
    virtual void PrintWide(std::u16string_view text) = 0;
    // The command interpreter's "pause": its prompt, then one key (or end of input).
    virtual void Pause() = 0;
};

}  // namespace platform
