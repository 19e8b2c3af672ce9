#include "platform/win32/console_text.h"

#include "platform/text.h"

namespace platform::win32 {

namespace {

template <typename Char>
std::basic_string<Char> ExpandLineEnds(std::basic_string_view<Char> text) {
    std::basic_string<Char> out;
    out.reserve(text.size() + text.size() / 16 + 2);
    for (Char c : text) {
        if (c == Char('\n')) {
            out.push_back(Char('\r'));
        }
        out.push_back(c);
    }
    return out;
}

}  // namespace

std::string ToCrLf(std::string_view bytes) {
    return ExpandLineEnds(bytes);
}

std::u16string ToCrLf(std::u16string_view text) {
    return ExpandLineEnds(text);
}

std::string WideToRedirectedBytes(std::u16string_view text) {
    return ToCrLf(platform::EncodeUtf8(text));
}

}  // namespace platform::win32
