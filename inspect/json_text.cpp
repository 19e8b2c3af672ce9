#include "inspect/json_text.h"

#include "platform/text.h"

namespace inspect::json {

std::string Dump(const Value& value) {
    return value.dump(2, ' ', true, nlohmann::json::error_handler_t::replace) + "\n";
}

std::string Utf8(std::u16string_view text) {
    return platform::EncodeUtf8(text);
}

std::string Latin1(std::string_view bytes) {
    return platform::EncodeUtf8(platform::WidenUnsigned(bytes));
}

std::string DriveText(std::u16string_view text) {
    std::u16string bytes(text);
    for (char16_t& c : bytes) {
        if (c >= 0xFF80) {
            c &= 0xFF;
        }
    }
    return Utf8(bytes);
}

}  // namespace inspect::json
