#include "platform/win32/property_text.h"

namespace platform::win32 {

std::u16string TextUpToTerminator(std::span<const std::uint8_t> bytes) {
    std::u16string out;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto c = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
        if (c == u'\0') {
            break;
        }
        out.push_back(c);
    }
    return out;
}

std::vector<std::u16string> SplitMultiString(std::span<const std::uint8_t> bytes) {
    std::vector<std::u16string> strings;
    std::size_t offset = 0;
    while (offset + 1 < bytes.size()) {
        std::u16string text = TextUpToTerminator(bytes.subspan(offset));
        if (text.empty()) {
            break;
        }
        offset += (text.size() + 1) * 2;
        strings.push_back(std::move(text));
    }
    return strings;
}

}  // namespace platform::win32
