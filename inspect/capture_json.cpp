#include "inspect/capture_json.h"

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

std::string Decimal(std::uint64_t value) {
    return std::to_string(value);
}

std::string HexText(std::uint32_t value) {
    return "0x" + platform::HexUpper(value);
}

std::string Hex(std::uint32_t value) {
    const std::string digits = platform::HexUpper(value);
    return "0x" + std::string(digits.size() % 2, '0') + digits;
}

Value TextList(const std::vector<std::u16string>& texts) {
    Value list = Value::array();
    for (const std::u16string& text : texts) {
        list.push_back(Utf8(text));
    }
    return list;
}

}  // namespace inspect::json
