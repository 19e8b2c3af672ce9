// Small readers shared by the scenario loaders: numbers written as JSON numbers or hexadecimal
// strings, UTF-8 text as UTF-16, and a check that an object holds no unknown key.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <limits>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/windows_values.h"

namespace sim::scenario_json {

// Throws std::invalid_argument with the key's name on a value that is not a number.
std::uint64_t Number(const nlohmann::json& value, std::string_view what);
// The same, also when the number does not fit in T.
template <typename T>
T Narrow(const nlohmann::json& value, std::string_view what) {
    const std::uint64_t number = Number(value, what);
    if (number > std::numeric_limits<T>::max()) {
        throw std::invalid_argument(std::string(what) + ": out of range: " + value.dump());
    }
    return static_cast<T>(number);
}
std::u16string Text(const nlohmann::json& value, std::string_view what);
// A JSON list of strings.
std::vector<std::u16string> TextList(const nlohmann::json& value, std::string_view what);
std::string Ascii(const nlohmann::json& value, std::string_view what);
// "disk", "storageport" or "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}".
win::Guid InterfaceClass(const nlohmann::json& value);
void CheckKeys(const nlohmann::json& object, std::initializer_list<std::string_view> allowed,
               std::string_view where);

}  // namespace sim::scenario_json
