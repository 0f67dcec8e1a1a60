// Expressions, .let, .rnd and .now.
#include "script/variable_commands.h"

#include "script/line_reader.h"
#include "support/test_game.h"

#include <gtest/gtest.h>

#include <limits>
#include <set>

namespace advplay::script {
namespace {

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

class VariableCommandsTest : public ::testing::Test {
protected:
    Engine& engine() { return m_game.engine(); }
    std::int32_t evaluated(std::string_view expression)
    {
        engine().interpreter.current_line.assign(expression);
        return evaluate(engine());
    }
    void run(void (*command)(Engine&), std::string_view arguments)
    {
        engine().interpreter.current_line.assign(arguments);
        command(engine());
    }
    std::int32_t integer(std::string_view name) { return *engine().variables.integer(name); }
    std::string string(std::string_view name) { return *engine().variables.string(name); }
    std::size_t reports() const { return m_game.message_box().shown().size(); }

    testing::TestGame m_game;
};

TEST_F(VariableCommandsTest, ExpressionsRunLeftToRightWithoutPrecedence)
{
    ASSERT_TRUE(engine().variables.declare_int("v"));
    ASSERT_TRUE(engine().variables.assign_int("v", 7));
    EXPECT_EQ(evaluated("v * 2 + 1"), 15);
    EXPECT_EQ(evaluated("1 + 2 * 3"), 9);
    EXPECT_EQ(evaluated("7 / 2"), 3);
    EXPECT_EQ(evaluated("-7 / 2"), -3);
    EXPECT_EQ(evaluated("-7 % 2"), -1);
    EXPECT_EQ(evaluated("2 ^ 10"), 1024);
    EXPECT_EQ(evaluated("2 ^ -1"), 0);
    EXPECT_EQ(evaluated("-2 ^ 3"), -8);
    EXPECT_EQ(evaluated("5"), 5);
    EXPECT_EQ(evaluated(""), 0);
    EXPECT_EQ(reports(), 0u);
}

TEST_F(VariableCommandsTest, ALetWhoseTextOutgrowsTheEnginesStringsKeepsTheOldValue)
{
    ASSERT_TRUE(engine().variables.declare_string("s"));
    std::string const half(ScriptString::kMaxLength / 2 + 1, 'x');
    ASSERT_TRUE(engine().variables.assign_string("s", half));
    run(let_command, "s = [s][s]");
    EXPECT_EQ(reports(), 1u);
    EXPECT_EQ(string("s"), half) << "not the half-expanded \"x...x[s]\"";
    run(let_command, "s = [s]!");
    EXPECT_EQ(reports(), 1u);
    EXPECT_EQ(string("s"), half + "!");
}

TEST_F(VariableCommandsTest, StringTextsShareTheVariablesBudget)
{
    engine().variables = VariableTable(900);
    ASSERT_TRUE(engine().variables.declare_string("s"));
    ASSERT_TRUE(engine().variables.declare_string("t"));
    std::string const text(400, 'x');
    run(let_command, "s = " + text);
    EXPECT_EQ(reports(), 0u);
    // 2 entries and 400 bytes leave less than 400 for t.
    run(let_command, "t = " + text);
    EXPECT_EQ(reports(), 1u);
    EXPECT_TRUE(m_game.messages().ends_with("文字列変数の合計が大きすぎます\n\n"));
    EXPECT_EQ(string("t"), "");
    // Giving back room is always allowed, and the room can then be used.
    run(let_command, "s = short");
    run(let_command, "t = " + text);
    EXPECT_EQ(reports(), 1u);
    EXPECT_EQ(string("t"), text);
}

TEST_F(VariableCommandsTest, OnlyTheOperatorsFirstByteCountsAndUnknownOnesAreSkipped)
{
    // "+2" is an operator token followed by an empty operand.
    EXPECT_EQ(evaluated("1 +2"), 1);
    EXPECT_EQ(evaluated("1 +plus 2"), 3);
    EXPECT_EQ(evaluated("10 & 3 - 4"), 6);
    EXPECT_EQ(reports(), 0u);
    // A missing variable is reported and counts as 0.
    EXPECT_EQ(evaluated("4 * nobody + 1"), 1);
    EXPECT_EQ(reports(), 1u);
}

TEST_F(VariableCommandsTest, ArithmeticWrapsAndNeverTraps)
{
    EXPECT_EQ(apply_operator('+', kMax, 1), kMin);
    EXPECT_EQ(apply_operator('-', kMin, 1), kMax);
    EXPECT_EQ(apply_operator('*', 65536, 65536), 0);
    EXPECT_EQ(apply_operator('*', 46341, 46341), -2147479015);
    EXPECT_EQ(apply_operator('/', 5, 0), 0);
    EXPECT_EQ(apply_operator('%', 5, 0), 0);
    EXPECT_EQ(apply_operator('/', kMin, -1), kMin);
    EXPECT_EQ(apply_operator('%', kMin, -1), 0);
    EXPECT_EQ(apply_operator('^', 2, 31), kMin);
    EXPECT_EQ(apply_operator('^', 2, 30), 1073741824);
    EXPECT_EQ(apply_operator('^', -2, 31), kMin);
    EXPECT_EQ(apply_operator('^', 10, 100), kMin);
    EXPECT_EQ(apply_operator('^', 0, -1), kMin);
    EXPECT_EQ(apply_operator('^', 0, 0), 1);
    EXPECT_EQ(evaluated("2147483647 + 1"), kMin);
}

TEST_F(VariableCommandsTest, LetAssignsExpressionsAndSingleTokenStrings)
{
    ASSERT_TRUE(engine().variables.declare_int("n"));
    ASSERT_TRUE(engine().variables.declare_string("s"));
    run(let_command, "n = 3 * 4");
    EXPECT_EQ(integer("n"), 12);
    run(let_command, "n := n + 1");
    EXPECT_EQ(integer("n"), 13);
    run(let_command, "s = two words");
    EXPECT_EQ(string("s"), "two");
    run(let_command, "s = \"two words\" ignored");
    EXPECT_EQ(string("s"), "two words");
    run(let_command, "s = value[n]");
    EXPECT_EQ(string("s"), "value13");
    EXPECT_EQ(reports(), 0u);
    run(let_command, "missing = 1");
    run(let_command, "CurLine = 1");
    ASSERT_EQ(reports(), 2u);
    EXPECT_NE(m_game.messages().find("存在しない変数に代入しようとしました"), std::string::npos);
}

TEST_F(VariableCommandsTest, LetNamesArrayMembersThroughBrackets)
{
    for (auto name : { "a0", "a1", "a2", "i" })
        ASSERT_TRUE(engine().variables.declare_int(name));
    ASSERT_TRUE(engine().variables.assign_int("i", 2));
    run(let_command, "a[i] = 40 + i");
    EXPECT_EQ(integer("a2"), 42);
    run(let_command, "a[1] = [a[i]] / 2");
    EXPECT_EQ(integer("a1"), 21);
}

TEST_F(VariableCommandsTest, ReservedNamesCanBeAssignedButNotRead)
{
    ASSERT_TRUE(engine().variables.declare_int("Count"));
    run(let_command, "Count = 5");
    EXPECT_EQ(reports(), 0u);
    EXPECT_EQ(integer("Count"), 5);
    EXPECT_EQ(evaluated("Count"), 0);
    EXPECT_EQ(reports(), 1u);
}

TEST_F(VariableCommandsTest, RandomNumbersStayInTheirRangeAndRepeatForASeed)
{
    ASSERT_TRUE(engine().variables.declare_int("r"));
    engine().random.seed(7);
    std::set<std::int32_t> seen;
    std::vector<std::int32_t> first_run;
    for (int i = 0; i < 600; ++i) {
        run(random_command, "r = 1 to 6");
        seen.insert(integer("r"));
        first_run.push_back(integer("r"));
    }
    EXPECT_EQ(seen, (std::set<std::int32_t> { 1, 2, 3, 4, 5, 6 }));
    engine().random.seed(7);
    for (int i = 0; i < 600; ++i) {
        run(random_command, "r = 1 to 6");
        ASSERT_EQ(integer("r"), first_run[i]);
    }
    run(random_command, "r = 9 to 9");
    EXPECT_EQ(integer("r"), 9);
}

TEST_F(VariableCommandsTest, RandomValueIsLowPlusTheOutputModuloTheRangeSize)
{
    ASSERT_TRUE(engine().variables.declare_int("r"));
    RandomGenerator reference;
    reference.seed(1);
    engine().random.seed(1);
    run(random_command, "r = -10 , 10");
    EXPECT_EQ(integer("r"), -10 + static_cast<std::int32_t>(reference.next() % 21));
    // An empty range and the full range take the output whole instead of dividing by zero.
    run(random_command, "r = 5 to 4");
    EXPECT_EQ(integer("r"), static_cast<std::int32_t>(5u + reference.next()));
    run(random_command, "r = -2147483648 to 2147483647");
    EXPECT_EQ(integer("r"), static_cast<std::int32_t>(0x80000000u + reference.next()));
}

TEST_F(VariableCommandsTest, NowReadsEachItemOfTheCalendar)
{
    ASSERT_TRUE(engine().variables.declare_int("t"));
    m_game.clock().set_calendar(*platform::parse_date_time("2024-02-29 23:59:58"));
    m_game.clock().sleep(1500);
    auto item = [this](std::string_view name) {
        run(now_command, "t = " + std::string(name));
        return integer("t");
    };
    EXPECT_EQ(item("year"), 2024);
    EXPECT_EQ(item("month"), 2);
    EXPECT_EQ(item("day"), 29);
    EXPECT_EQ(item("weekday"), 4);
    EXPECT_EQ(item("hour"), 23);
    EXPECT_EQ(item("minute"), 59);
    EXPECT_EQ(item("second"), 59);
    EXPECT_EQ(item("millisecond"), 500);
    EXPECT_EQ(item("systemtime"), 1500);
    EXPECT_EQ(item("Year"), 0);
    EXPECT_EQ(item(""), 0);
    m_game.clock().sleep(600);
    EXPECT_EQ(item("day"), 1);
    EXPECT_EQ(item("month"), 3);
    EXPECT_EQ(item("weekday"), 5);
    EXPECT_EQ(item("second"), 0);
}

TEST(DateTime, ParsesOnlyRealDates)
{
    auto const time = platform::parse_date_time("2026-12-08 09:30:05");
    ASSERT_TRUE(time);
    EXPECT_EQ(time->weekday, 2);
    EXPECT_EQ(time->second, 5);
    EXPECT_FALSE(platform::parse_date_time("2026-02-29 00:00:00"));
    EXPECT_FALSE(platform::parse_date_time("2026-12-08 24:00:00"));
    EXPECT_FALSE(platform::parse_date_time("2026-12-08T09:30:05"));
    EXPECT_FALSE(platform::parse_date_time("2026-1-08 09:30:05"));
    EXPECT_TRUE(platform::parse_date_time("2000-02-29 00:00:00"));
    EXPECT_EQ(platform::parse_date_time("1999-12-31 23:59:59")->weekday, 5);
}

} // namespace
} // namespace advplay::script
