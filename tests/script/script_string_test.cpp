// ScriptString: growth, the movable start, and Shift-JIS-aware lower-casing.
#include "script/script_string.h"

#include <gtest/gtest.h>

#include <string>

namespace advplay::script {
namespace {

TEST(ScriptString, FirstBlockIs64BytesAndDoublesUntilTheTextFits)
{
    ScriptString text;
    EXPECT_EQ(text.capacity(), 0u);
    EXPECT_STREQ(text.c_str(), "");
    text.assign("a");
    EXPECT_EQ(text.capacity(), 64u);
    text.assign(std::string(64, 'x')); // 64 bytes and the NUL need 65
    EXPECT_EQ(text.capacity(), 128u);
    ScriptString large(std::string(300, 'y'));
    EXPECT_EQ(large.capacity(), 512u);
    EXPECT_EQ(large.length(), 300u);
}

TEST(ScriptString, DroppingAPrefixMovesTheStartWithoutCopying)
{
    ScriptString line(".pic screen bg 0 0");
    char const* before = line.c_str();
    ASSERT_TRUE(line.drop_front(5));
    EXPECT_EQ(line.c_str(), before + 5);
    EXPECT_EQ(line.view(), "screen bg 0 0");
    EXPECT_EQ(line.room(), 64u - 5);
    ASSERT_TRUE(line.drop_front(100));
    EXPECT_TRUE(line.empty());
    EXPECT_FALSE(line.drop_front(-1));
}

TEST(ScriptString, AppendSlidesTheTextBackWhenOnlyTheRoomAfterTheStartIsShort)
{
    ScriptString text(std::string(40, 'a'));
    text.drop_front(30); // 10 bytes left, 34 bytes of room
    text.append(std::string(40, 'b'));
    EXPECT_EQ(text.capacity(), 64u);
    EXPECT_EQ(text.view(), std::string(10, 'a') + std::string(40, 'b'));
    EXPECT_EQ(text.room(), 64u);
}

TEST(ScriptString, TruncateKeepsShorterTextsAndRejectsNegativeLengths)
{
    ScriptString text("abcdef");
    EXPECT_TRUE(text.truncate(10));
    EXPECT_EQ(text.view(), "abcdef");
    EXPECT_TRUE(text.truncate(3));
    EXPECT_EQ(text.view(), "abc");
    EXPECT_EQ(text[3], '\0');
    EXPECT_FALSE(text.truncate(-1));
    EXPECT_EQ(text.view(), "abc");
}

TEST(ScriptString, IntegersAreWrittenInDecimal)
{
    ScriptString text;
    text.assign_int(-2147483647 - 1);
    EXPECT_EQ(text.view(), "-2147483648");
    text.append(" = ");
    text.append_int(42);
    text.append_byte('!');
    EXPECT_EQ(text.view(), "-2147483648 = 42!");
}

TEST(ScriptString, LowerCasingLeavesSecondBytesOfPairsAlone)
{
    // 0x83 0x41 is katakana "a": its second byte is "A" and must stay so.
    ScriptString text("EV\\\x83\x41Z");
    text.lower_case();
    EXPECT_EQ(text.view(), "ev\\\x83\x41z");
}

TEST(ScriptString, ComparesBytesAsUnsigned)
{
    ScriptString ascii("z");
    ScriptString high("\x82\xa0");
    EXPECT_LT(ascii.compare(high), 0);
    EXPECT_GT(high.compare(ascii), 0);
    EXPECT_EQ(ascii.compare(ScriptString("z")), 0);
    EXPECT_LT(ScriptString("ab").compare(ScriptString("abc")), 0);
}

TEST(ScriptString, AssigningAPieceOfItselfKeepsTheBytes)
{
    ScriptString text("  token rest");
    text.assign(text.view().substr(2, 5));
    EXPECT_EQ(text.view(), "token");
    text.append(text.view());
    EXPECT_EQ(text.view(), "tokentoken");
}

TEST(ScriptString, GrowthBeyondTheLimitFailsAndKeepsTheText)
{
    ScriptString text("kept");
    std::string const huge(ScriptString::kMaxLength + 1, 'x');
    text.assign(huge);
    EXPECT_EQ(text.view(), "kept");
    text.append(huge);
    EXPECT_EQ(text.view(), "kept");
    text.assign(std::string(ScriptString::kMaxLength, 'y'));
    EXPECT_EQ(text.length(), ScriptString::kMaxLength);
}

TEST(ScriptString, MovedFromStringIsEmptyAndUsable)
{
    ScriptString source("hello");
    ScriptString target(std::move(source));
    EXPECT_EQ(target.view(), "hello");
    EXPECT_STREQ(source.c_str(), ""); // NOLINT(bugprone-use-after-move): the moved-from state is defined
    source.assign("again");
    EXPECT_EQ(source.view(), "again");
}

} // namespace
} // namespace advplay::script
