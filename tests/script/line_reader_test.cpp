// Tokens, numbers and bracket references, read from the current line of a headless engine.
#include "script/line_reader.h"

#include "common/engine_texts.h"
#include "support/test_game.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace advplay::script {
namespace {

class LineReaderTest : public ::testing::Test {
protected:
    Engine& engine() { return m_game.engine(); }
    std::vector<std::string> tokens_of(std::string_view line, int count)
    {
        engine().interpreter.current_line.assign(line);
        std::vector<std::string> tokens;
        for (int i = 0; i < count; ++i) {
            next_token(engine());
            tokens.emplace_back(engine().interpreter.token.view());
        }
        return tokens;
    }
    std::string expanded(std::string_view text)
    {
        ScriptString string(text);
        expand_brackets(engine(), string);
        return std::string(string.view());
    }
    void declare_int(const std::string& name, std::int32_t value)
    {
        ASSERT_TRUE(engine().variables.declare_int(name));
        ASSERT_TRUE(engine().variables.assign_int(name, value));
    }
    std::size_t reports() const { return m_game.message_box().shown().size(); }

    testing::TestGame m_game;
};

using Tokens = std::vector<std::string>;

TEST_F(LineReaderTest, BlanksSeparateTokensAndQuotesKeepSpacesButNotTabs)
{
    EXPECT_EQ(tokens_of(".txt  first   \"two words\"\tlast\n", 5),
        (Tokens { ".txt", "first", "two words", "last", "" }));
    EXPECT_EQ(tokens_of(".cap \"a\tb\"", 3), (Tokens { ".cap", "a", "b" }));
    EXPECT_EQ(tokens_of("ab\"c d\"e \"\"x", 3), (Tokens { "abc de", "x", "" }));
}

TEST_F(LineReaderTest, LineFeedEndsTheLineForEveryLaterToken)
{
    EXPECT_EQ(tokens_of(".wat 10\n.end", 4), (Tokens { ".wat", "10", "", "" }));
    EXPECT_EQ(engine().interpreter.current_line.view(), "\n.end");
}

TEST_F(LineReaderTest, SecondBytesOfPairsAreNeverBlanksQuotesOrLineEnds)
{
    // Second bytes 0x20 (space), 0x22 (quote) and 0x5C (backslash) stay inside their characters.
    EXPECT_EQ(
        tokens_of("\x81\x20x \x81\x22y \x95\\z", 4), (Tokens { "\x81\x20x", "\x81\x22y", "\x95\\z", "" }));
    // A lead byte right before the end of the text is copied alone.
    EXPECT_EQ(tokens_of("ab\x82", 2), (Tokens { "ab\x82", "" }));
}

TEST_F(LineReaderTest, IsNumberWantsDigitsWithAnOptionalSign)
{
    EXPECT_TRUE(is_number("0"));
    EXPECT_TRUE(is_number("-12"));
    EXPECT_TRUE(is_number("+007"));
    EXPECT_FALSE(is_number(""));
    EXPECT_FALSE(is_number("-"));
    EXPECT_FALSE(is_number("12a"));
    EXPECT_FALSE(is_number("1 "));
    EXPECT_FALSE(is_number("--1"));
}

TEST_F(LineReaderTest, IntValueOfNumbersVariablesAndMissingNames)
{
    declare_int("score", 41);
    EXPECT_EQ(int_value(engine(), "-12"), -12);
    EXPECT_EQ(int_value(engine(), "score"), 41);
    EXPECT_EQ(int_value(engine(), ""), 0);
    EXPECT_EQ(reports(), 0u);
    EXPECT_EQ(int_value(engine(), "12a"), 0);
    ASSERT_EQ(reports(), 1u);
    EXPECT_NE(m_game.messages().find("存在しない変数を指定しました"), std::string::npos);
}

TEST_F(LineReaderTest, NumbersBeyond32BitsStopAtTheLimits)
{
    EXPECT_EQ(int_value(engine(), "2147483647"), 2147483647);
    EXPECT_EQ(int_value(engine(), "-2147483648"), -2147483647 - 1);
    EXPECT_EQ(int_value(engine(), "99999999999999999999"), 2147483647);
    EXPECT_EQ(int_value(engine(), "-99999999999999999999"), -2147483647 - 1);
}

TEST_F(LineReaderTest, ReservedNamesAreOnlySystemVariables)
{
    // A declared variable whose name begins with "C" or "L" can never be read.
    declare_int("Count", 5);
    declare_int("count", 6);
    EXPECT_EQ(int_value(engine(), "count"), 6);
    EXPECT_EQ(int_value(engine(), "Count"), 0);
    EXPECT_EQ(reports(), 1u);
}

TEST_F(LineReaderTest, BracketReferencesExpandToValuesOrTheirOwnText)
{
    declare_int("n", 7);
    declare_int("big", 123);
    ASSERT_TRUE(engine().variables.declare_string("who"));
    ASSERT_TRUE(engine().variables.assign_string("who", "\x88\xa2"));
    EXPECT_EQ(expanded("[n^000]"), "007");
    EXPECT_EQ(expanded("[big^0]"), "123");
    EXPECT_EQ(expanded("[-5^000]"), "-005");
    EXPECT_EQ(expanded("[+007]"), "7");
    EXPECT_EQ(expanded("hi [who]!"), "hi \x88\xa2!");
    EXPECT_EQ(expanded("a]b"), "a]b");
    EXPECT_EQ(expanded("[nobody] here"), "nobody here");
    EXPECT_EQ(reports(), 0u);
}

TEST_F(LineReaderTest, InnerReferencesNameArrayMembers)
{
    declare_int("i", 3);
    declare_int("slot3", 99);
    EXPECT_EQ(expanded("slot[i]"), "slot3");
    EXPECT_EQ(expanded("[slot[i]] and [i]"), "99 and 3");
}

TEST_F(LineReaderTest, ReplacementsAreNotExpandedAgain)
{
    declare_int("i", 3);
    ASSERT_TRUE(engine().variables.declare_string("s"));
    ASSERT_TRUE(engine().variables.assign_string("s", "[i]"));
    EXPECT_EQ(expanded("[s]"), "[i]");
    // "ム" is 0x83 0x80 and "ゼ" 0x83 0x5D: a second byte "]" closes nothing.
    EXPECT_EQ(expanded("[i\x83\x5D]"), "i\x83\x5D");
}

TEST_F(LineReaderTest, StringsThatDoubleInALoopStopAtTheLimitAndSaySo)
{
    // Found by fuzzing: ".let s = [s][s]" in a loop used to grow until memory ran out.
    ASSERT_TRUE(engine().variables.declare_string("s"));
    ASSERT_TRUE(engine().variables.assign_string("s", std::string(ScriptString::kMaxLength / 2 + 1, 'x')));
    EXPECT_EQ(expanded("[s][s]").size(), ScriptString::kMaxLength / 2 + 1 + 3);
    ASSERT_EQ(reports(), 1u);
    EXPECT_TRUE(m_game.message_box().shown()[0].ends_with(texts::kExpansionTooLong.sjis));
    EXPECT_EQ(expanded("a[s]").size(), ScriptString::kMaxLength / 2 + 2);
    EXPECT_EQ(reports(), 1u) << "a text that fits is no error";
}

TEST_F(LineReaderTest, NextIntExpandsAndConvertsOneArgument)
{
    declare_int("x", 12);
    engine().interpreter.current_line.assign("[x]  x\t-4 \"\"");
    EXPECT_EQ(next_int(engine()), 12);
    EXPECT_EQ(next_int(engine()), 12);
    EXPECT_EQ(next_int(engine()), -4);
    EXPECT_EQ(next_int(engine()), 0);
    EXPECT_EQ(next_int(engine()), 0);
    EXPECT_EQ(reports(), 0u);
}

} // namespace
} // namespace advplay::script
