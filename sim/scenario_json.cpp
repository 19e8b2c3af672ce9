#include "sim/scenario_json.h"

#include <algorithm>
#include <stdexcept>

#include "platform/text.h"

namespace sim::scenario_json {

std::uint64_t Number(const nlohmann::json& value, std::string_view what) {
    if (value.is_number_unsigned()) {
        return value.get<std::uint64_t>();
    }
    if (value.is_number_integer() && value.get<std::int64_t>() >= 0) {
        return static_cast<std::uint64_t>(value.get<std::int64_t>());
    }
    if (value.is_string()) {
        const std::string text = value.get<std::string>();
        std::size_t used = 0;
        try {
            const std::uint64_t number = std::stoull(text, &used, 0);
            if (used == text.size()) {
                return number;
            }
        } catch (const std::logic_error&) {
        }
    }
    throw std::invalid_argument(std::string(what) + ": not a number: " + value.dump());
}

std::string Ascii(const nlohmann::json& value, std::string_view what) {
    if (!value.is_string()) {
        throw std::invalid_argument(std::string(what) + ": not a string: " + value.dump());
    }
    return value.get<std::string>();
}

std::u16string Text(const nlohmann::json& value, std::string_view what) {
    return platform::DecodeUtf8(Ascii(value, what));
}

std::vector<std::u16string> TextList(const nlohmann::json& value, std::string_view what) {
    if (!value.is_array()) {
        throw std::invalid_argument(std::string(what) + ": not a list");
    }
    std::vector<std::u16string> list;
    for (const nlohmann::json& item : value) {
        list.push_back(Text(item, what));
    }
    return list;
}

win::Guid InterfaceClass(const nlohmann::json& value) {
    const std::string text = Ascii(value, "interface class");
    if (text == "disk") {
        return win::kGuidDevinterfaceDisk;
    }
    if (text == "storageport") {
        return win::kGuidDevinterfaceStoragePort;
    }
    // {53f56307-b6bf-11d0-94f2-00a0c91efb8b}
    if (text.size() != 38 || text.front() != '{' || text.back() != '}') {
        throw std::invalid_argument("interface class: not disk, storageport or a GUID: " + text);
    }
    std::string hex;
    for (char c : text.substr(1, 36)) {
        if (c != '-') {
            hex += c;
        }
    }
    if (hex.size() != 32 || !std::all_of(hex.begin(), hex.end(), ::isxdigit)) {
        throw std::invalid_argument("interface class: bad GUID: " + text);
    }
    auto part = [&](std::size_t at, std::size_t n) {
        return std::stoull(hex.substr(at, n), nullptr, 16);
    };
    win::Guid guid{static_cast<std::uint32_t>(part(0, 8)),
                   static_cast<std::uint16_t>(part(8, 4)),
                   static_cast<std::uint16_t>(part(12, 4)),
                   {}};
    for (std::size_t i = 0; i < 8; ++i) {
        guid.data4[i] = static_cast<std::uint8_t>(part(16 + 2 * i, 2));
    }
    return guid;
}

void CheckKeys(const nlohmann::json& object, std::initializer_list<std::string_view> allowed,
               std::string_view where) {
    if (!object.is_object()) {
        throw std::invalid_argument(std::string(where) + ": not an object");
    }
    for (const auto& item : object.items()) {
        if (std::find(allowed.begin(), allowed.end(), item.key()) == allowed.end()) {
            throw std::invalid_argument(std::string(where) + ": unknown key \"" + item.key() +
                                        "\"");
        }
    }
}

}  // namespace sim::scenario_json
