#include "inspect/capture_json.h"

#include <algorithm>

#include "platform/text.h"

namespace inspect::json {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

std::string Joined(const std::vector<std::string>& items, std::string_view open,
                   std::string_view separator, std::string_view close) {
    std::string text(open);
    for (std::size_t i = 0; i < items.size(); ++i) {
        text += (i == 0 ? "" : separator);
        text += items[i];
    }
    return text + std::string(close);
}

std::vector<std::string> MemberTexts(const std::vector<std::pair<std::string, std::string>>& m) {
    std::vector<std::string> texts;
    for (const auto& [key, value] : m) {
        texts.push_back(Quoted(key) + ": " + value);
    }
    return texts;
}

std::string Block(const std::vector<std::string>& items, int indent, char open, char close) {
    if (items.empty()) {
        return {open, close};
    }
    const std::string inner(static_cast<std::size_t>(indent), ' ');
    const std::string outer(static_cast<std::size_t>(indent > 2 ? indent - 2 : 0), ' ');
    return Joined(items, std::string{open} + "\n" + inner, ",\n" + inner,
                  "\n" + outer + std::string{close});
}

}  // namespace

std::string Quoted(std::string_view utf8) {
    std::string text = "\"";
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            text += '\\';
            text += c;
        } else if (byte < 0x20) {
            text += "\\u00";
            text += kHexDigits[byte >> 4];
            text += kHexDigits[byte & 0xF];
        } else {
            text += c;
        }
    }
    return text + "\"";
}

std::string Quoted(std::u16string_view text) {
    return Quoted(platform::EncodeUtf8(text));
}

std::string Decimal(std::uint64_t value) {
    return std::to_string(value);
}

std::string HexText(std::uint32_t value) {
    return "0x" + platform::HexUpper(value);
}

std::string Hex(std::uint32_t value) {
    const std::string digits = platform::HexUpper(value);
    return "\"0x" + std::string(digits.size() % 2, '0') + digits + "\"";
}

std::string TextList(const std::vector<std::u16string>& texts) {
    std::vector<std::string> items;
    for (const std::u16string& text : texts) {
        items.push_back(Quoted(text));
    }
    return Array(items);
}

Object& Object::Add(std::string_view key, std::string value) {
    m_members.emplace_back(std::string(key), std::move(value));
    return *this;
}

std::string Object::Line() const {
    return m_members.empty() ? "{}" : Joined(MemberTexts(m_members), "{ ", ", ", " }");
}

std::string Object::Block(int indent) const {
    return json::Block(MemberTexts(m_members), indent, '{', '}');
}

std::string Object::Wrapped(int indent, std::size_t perLine) const {
    std::vector<std::string> lines;
    const std::vector<std::string> members = MemberTexts(m_members);
    for (std::size_t i = 0; i < members.size(); i += perLine) {
        const auto first = members.begin() + static_cast<std::ptrdiff_t>(i);
        const std::vector<std::string> run(
            first, first + static_cast<std::ptrdiff_t>(std::min(perLine, members.size() - i)));
        lines.push_back(Joined(run, "", ", ", ""));
    }
    return json::Block(lines, indent, '{', '}');
}

std::string Array(const std::vector<std::string>& items) {
    return Joined(items, "[", ", ", "]");
}

std::string ArrayBlock(const std::vector<std::string>& items, int indent) {
    return Block(items, indent, '[', ']');
}

}  // namespace inspect::json
