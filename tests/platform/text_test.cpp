#include <gtest/gtest.h>

#include <vector>

#include "platform/text.h"

namespace {

TEST(Text, WideningAndNarrowingFollowTheByteRules) {
    const std::vector<std::uint8_t> bytes = {'A', 0x00, 0x7F, 0x80, 0xC3, 0xFF};
    EXPECT_EQ(platform::WidenSigned(bytes), std::u16string(u"A\0\u007F\uFF80\uFFC3\uFFFF", 6));
    EXPECT_EQ(platform::WidenUnsigned(std::string("\xC1z", 2)), u"\u00C1z");
    EXPECT_EQ(platform::Narrow(u"A\uFFC3\u0141"), std::string("A\xC3\x41", 3));
}

TEST(Text, Utf8DecodingReplacesEveryInvalidSequenceAndKeepsTheRest) {
    EXPECT_EQ(platform::DecodeUtf8("plain\n"), u"plain\n");
    EXPECT_EQ(platform::DecodeUtf8("caf\xC3\xA9"), u"caf\u00E9");
    EXPECT_EQ(platform::DecodeUtf8("a\xC3z"), u"a\uFFFDz");
    EXPECT_EQ(platform::DecodeUtf8("\xFF\xFE"), u"\uFFFD\uFFFD");
    EXPECT_EQ(platform::DecodeUtf8("\xE2\x82"), u"\uFFFD");
    EXPECT_EQ(platform::DecodeUtf8("\xC0\x80"), u"\uFFFD\uFFFD");  // overlong
    EXPECT_EQ(platform::DecodeUtf8("\xED\xA0\x80"), u"\uFFFD");    // surrogate
    EXPECT_EQ(platform::DecodeUtf8("\xF0\x9F\x98\x80!"), u"\U0001F600!");
    EXPECT_EQ(platform::EncodeUtf8(u"\U0001F600\u00E9\uFFFD"),
              "\xF0\x9F\x98\x80\xC3\xA9\xEF\xBF\xBD");
}

}  // namespace
