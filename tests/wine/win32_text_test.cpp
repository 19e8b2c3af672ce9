// The portable parts of the Windows layer: console line ends and encoding, the text of
// SetupAPI buffers, and the buffer-size protocol against scripted SetupAPI answers.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/win32/console_text.h"
#include "platform/win32/property_text.h"
#include "platform/win32/size_protocol.h"

namespace {

using platform::win32::ReadSizedValue;
using platform::win32::SizedCallResult;

std::vector<std::uint8_t> Utf16Bytes(std::u16string_view text) {
    std::vector<std::uint8_t> bytes;
    for (char16_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return bytes;
}

TEST(ConsoleText, RedirectedWideTextIsUtf8WithCrLf) {
    struct Case {
        std::u16string text;
        std::string bytes;
    };
    const Case cases[] = {
        {u"plain\n", "plain\r\n"},
        {u"", ""},
        {u"\n\n", "\r\n\r\n"},
        {u"a\r\nb", "a\r\r\nb"},  // text mode expands every LF, as the C runtime does
        {u"\u2713 ok\n", "\xE2\x9C\x93 ok\r\n"},
        {u"\u00E9", "\xC3\xA9"},
        {u"\U0001D11E", "\xF0\x9D\x84\x9E"},
        {std::u16string(u"x\xD800y"),
         "x\xEF\xBF\xBDy"},                 // an unpaired surrogate does not stop the text
        {u"\uFF80\n", "\xEF\xBE\x80\r\n"},  // a model byte 0x80 widened signed
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::win32::WideToRedirectedBytes(c.text), c.bytes);
    }
    EXPECT_EQ(platform::win32::ToCrLf(std::string_view("a\nb\n")), "a\r\nb\r\n");
    EXPECT_EQ(platform::win32::ToCrLf(std::u16string_view(u"\n")), u"\r\n");
}

TEST(PropertyText, StopsAtTerminatorOrBufferEnd) {
    std::vector<std::uint8_t> bytes = Utf16Bytes(std::u16string(u"PCI\\VEN_7A3C\0junk", 17));
    EXPECT_EQ(platform::win32::TextUpToTerminator(bytes), u"PCI\\VEN_7A3C");
    bytes = Utf16Bytes(u"NoTerminator");
    EXPECT_EQ(platform::win32::TextUpToTerminator(bytes), u"NoTerminator");
    bytes.push_back('Z');  // an odd byte at the end is not half a character
    EXPECT_EQ(platform::win32::TextUpToTerminator(bytes), u"NoTerminator");
    EXPECT_EQ(platform::win32::TextUpToTerminator({}), u"");
}

TEST(PropertyText, SplitsMultiStrings) {
    struct Case {
        std::u16string value;
        std::vector<std::u16string> strings;
    };
    const Case cases[] = {
        {std::u16string(u"SCSI\\DiskNVMe____X\0GenDisk\0\0", 28),
         {u"SCSI\\DiskNVMe____X", u"GenDisk"}},
        // Twice the reported size: zeros after the list end it.
        {std::u16string(u"A\0\0\0\0\0\0", 7), {u"A"}},
        {std::u16string(u"\0B\0\0", 4), {}},      // an empty first string ends the list
        {std::u16string(u"Last", 4), {u"Last"}},  // no terminator before the buffer ends
        {u"", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::win32::SplitMultiString(Utf16Bytes(c.value)), c.strings);
    }
}

// Scripted answers of one size-protocol function: each call takes the next answer and the
// value is copied in when the buffer is large enough.
struct ScriptedCall {
    explicit ScriptedCall(std::vector<SizedCallResult> script) : answers(std::move(script)) {}

    std::vector<SizedCallResult> answers;
    std::vector<std::uint32_t> sizesSeen;
    std::size_t next = 0;

    SizedCallResult operator()(std::uint8_t* buffer, std::uint32_t size) {
        sizesSeen.push_back(buffer == nullptr ? 0 : size);
        if (next >= answers.size()) {
            return {false, win::kErrorInvalidParameter, 0};
        }
        SizedCallResult answer = answers[next++];
        if (answer.Ok && buffer != nullptr) {
            buffer[0] = 0xAB;
        }
        return answer;
    }
};

constexpr SizedCallResult Short(std::uint32_t required) {
    return {false, win::kErrorInsufficientBuffer, required};
}
constexpr SizedCallResult Done{true, 0, 0};

TEST(SizeProtocol, AsksAgainWithTheFactorUntilTheValueFits) {
    ScriptedCall call({Short(40), Done});
    auto value = ReadSizedValue(std::ref(call), 2);
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(value->size(), 80u);
    EXPECT_EQ((*value)[0], 0xAB);
    EXPECT_EQ(call.sizesSeen, (std::vector<std::uint32_t>{0, 80}));

    // The value grew between the calls (a device arrived): ask again with the new size.
    ScriptedCall growing({Short(40), Short(200), Done});
    value = ReadSizedValue(std::ref(growing), 1);
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(growing.sizesSeen, (std::vector<std::uint32_t>{0, 40, 200}));
}

TEST(SizeProtocol, GivesNothingUnlessTheWholeValueWasRead) {
    const std::vector<std::vector<SizedCallResult>> scripts = {
        {Done},                             // succeeded without a buffer
        {{false, win::kErrorNotFound, 0}},  // property absent (Wine: 1168)
        {Short(0)},                         // no size reported
        {Short(16), {false, win::kErrorInvalidParameter, 0}},
        {Short(0x7FFFFFFF)},                         // no device value is that large
        std::vector<SizedCallResult>(20, Short(8)),  // never fits: the loop ends
    };
    for (const auto& script : scripts) {
        ScriptedCall call(script);
        EXPECT_FALSE(ReadSizedValue(std::ref(call), 2).has_value());
        EXPECT_LE(call.sizesSeen.size(), 1u + platform::win32::kMaxSizedRounds);
    }
}

}  // namespace
