// The JSON of the inspector's two outputs, the report (--json) and the capture: values built as
// nlohmann::ordered_json, whose members keep the order they were added in, and one way to write
// them.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace inspect::json {

using Value = nlohmann::ordered_json;

// The text of a value: two blanks an indent, a newline at the end, every character outside
// ASCII as \uXXXX (the text passes any console code page and loads back to the same strings).
// Bytes that are not UTF-8 become U+FFFD rather than an exception; the writers hand it UTF-8
// made from UTF-16 (Utf8) or from bytes taken one for one (Latin1), so none should come.
std::string Dump(const Value& value);
// UTF-16 text as UTF-8 (unpaired surrogates become U+FFFD).
std::string Utf8(std::u16string_view text);
// Each byte as the character of the same value, as UTF-8.
std::string Latin1(std::string_view bytes);
// A drive's text (model, serial, revision), read with each byte widened with its sign: a byte
// above 0x7F as the character of that byte's value (0xE9 as U+00E9, not U+FFE9).
std::string DriveText(std::u16string_view text);

}  // namespace inspect::json
