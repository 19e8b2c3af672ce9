// Small readers shared by the scenario loaders: numbers written as JSON numbers or hexadecimal
// strings, UTF-8 text as UTF-16, and a check that an object holds no unknown key.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "platform/windows_values.h"

namespace sim::scenario_json {

// Throws std::invalid_argument with the key's name on a value that is not a number.
std::uint64_t Number(const nlohmann::json& value, std::string_view what);
std::u16string Text(const nlohmann::json& value, std::string_view what);
std::string Ascii(const nlohmann::json& value, std::string_view what);
// "disk", "storageport" or "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}".
win::Guid InterfaceClass(const nlohmann::json& value);
void CheckKeys(const nlohmann::json& object, std::initializer_list<std::string_view> allowed,
               std::string_view where);

}  // namespace sim::scenario_json
