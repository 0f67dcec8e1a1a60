// TextEncoding: code page 932 at the platform boundary.
#include "platform/text_encoding.h"

#include <gtest/gtest.h>

namespace advplay::platform {
namespace {

TEST(TextEncoding, ConvertsBothWays)
{
    TextEncoding encoding;
    EXPECT_EQ(encoding.to_utf8("\x95\\\x8e\xa6 ok"), "表示 ok");
    EXPECT_EQ(encoding.to_sjis("表示 ok"), "\x95\\\x8e\xa6 ok");
    // Code page 932 has the NEC and IBM extensions that plain Shift-JIS lacks.
    EXPECT_EQ(encoding.to_utf8("\x87\x40"), "①");
    EXPECT_EQ(encoding.to_sjis("①"), "\x87\x40");
}

TEST(TextEncoding, DamagedShiftJisIsShownWithReplacementCharacters)
{
    TextEncoding encoding;
    EXPECT_EQ(encoding.to_utf8("a\x82"), "a\xEF\xBF\xBD");
    EXPECT_EQ(encoding.to_utf8("\xA0z"), "\xEF\xBF\xBDz");
    EXPECT_FALSE(encoding.to_utf8_exact("a\x82"));
    EXPECT_EQ(encoding.to_utf8_exact("\x82\xa0"), "あ");
}

TEST(TextEncoding, TextsWithoutAShiftJisFormAreRefused)
{
    TextEncoding encoding;
    EXPECT_FALSE(encoding.to_sjis("😀"));
    EXPECT_FALSE(encoding.to_sjis("\xff"));
    EXPECT_EQ(encoding.to_sjis(""), "");
}

TEST(TextEncoding, Utf8ValidityRejectsOverlongsSurrogatesAndTruncation)
{
    EXPECT_TRUE(is_valid_utf8("plain"));
    EXPECT_TRUE(is_valid_utf8("表示😀"));
    EXPECT_FALSE(is_valid_utf8("\xC0\xAF"));
    EXPECT_FALSE(is_valid_utf8("\xED\xA0\x80"));
    EXPECT_FALSE(is_valid_utf8("\xE8\xA1"));
    EXPECT_FALSE(is_valid_utf8("\x95\\"));
    EXPECT_FALSE(is_valid_utf8("\xF4\x90\x80\x80"));
}

} // namespace
} // namespace advplay::platform
