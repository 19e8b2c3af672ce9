#include "app/event_text.h"

namespace app {

namespace {

constexpr char16_t kWordJoiner = u'\u2060';

bool StartsInsertionCode(char16_t next) {
    return (next >= u'0' && next <= u'9') || next == u'%' || next == u'{';
}

}  // namespace

std::u16string EventText(std::u16string_view consoleText) {
    std::u16string text;
    text.reserve(consoleText.size() + consoleText.size() / 16);
    for (std::size_t i = 0; i < consoleText.size(); ++i) {
        const char16_t c = consoleText[i];
        if (c == u'\n') {
            text += u"\r\n";
            continue;
        }
        // ReportEventW ends each string at its first NUL, which a NUL-padded serial number carries.
        text += c == u'\0' ? u' ' : c;
        if (c == u'%' && i + 1 < consoleText.size() && StartsInsertionCode(consoleText[i + 1])) {
            text += kWordJoiner;
        }
    }
    if (text.size() <= kMaxEventText) {
        return text;
    }
    const std::size_t keep = kMaxEventText - kEventTextCut.size() - 2;
    std::size_t from = text.size() - keep;
    // From the next line start, or at least not between the two halves of a surrogate pair.
    const std::size_t lineStart = text.find(u"\r\n", from);
    if (lineStart != std::u16string::npos && lineStart + 2 < text.size()) {
        from = lineStart + 2;
    } else if (text[from] >= 0xDC00 && text[from] <= 0xDFFF) {
        ++from;
    }
    return std::u16string(kEventTextCut) + u"\r\n" + text.substr(from);
}

}  // namespace app
