// JSON text for the captured scenario, written by hand: quoted strings with every character
// that JSON requires escaped, numbers, and objects and arrays on one line or one item a line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace inspect::json {

// A JSON string of UTF-8 text: '"' and '\' escaped, control characters as \u00XX.
std::string Quoted(std::string_view utf8);
// The same of UTF-16 text (unpaired surrogates become U+FFFD).
std::string Quoted(std::u16string_view text);
// A hexadecimal number as the scenario loader reads it, in whole bytes: "0x07", "0x2012".
std::string Hex(std::uint32_t value);
// A number as JSON (and note) text.
std::string Decimal(std::uint64_t value);
// A hexadecimal number for a note: 0x1F.
std::string HexText(std::uint32_t value);
// ["a", "b"] of UTF-16 texts.
std::string TextList(const std::vector<std::u16string>& texts);

// An object whose members are added in order; values are JSON text already.
class Object {
public:
    Object& Add(std::string_view key, std::string value);
    bool Empty() const { return m_members.empty(); }
    // { "a": 1, "b": 2 }
    std::string Line() const;
    // One member a line, indented by `indent` blanks; the closing brace at indent - 2.
    std::string Block(int indent) const;
    // `perLine` members a line, indented by `indent` blanks, for long objects of small members.
    std::string Wrapped(int indent, std::size_t perLine) const;

private:
    std::vector<std::pair<std::string, std::string>> m_members;
};

// [a, b] of JSON texts.
std::string Array(const std::vector<std::string>& items);
// One item a line, indented by `indent` blanks; the closing bracket at indent - 2.
std::string ArrayBlock(const std::vector<std::string>& items, int indent);

}  // namespace inspect::json
