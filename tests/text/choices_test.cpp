// Choices: .slt add, delete and exec, the lines the choices take, the highlight under the cursor,
// taking a choice with the left button only, and the click jumps of .lcl and .rcl beside them.
#include "text/choices.h"

#include "script/variables.h"
#include "text/text_fixture.h"

#include <gtest/gtest.h>

namespace advplay::text {
namespace {

using namespace testing_support;

constexpr char kBranches[] = ".end\n"
                             ":a\n"
                             ".let r = 1\n"
                             ".end\n"
                             ":b\n"
                             ".let r = 2\n"
                             ".end\n";

class ChoicesTest : public TextGame {
protected:
    // Starts the script and steps into the choice wait.
    void show(const std::string& script)
    {
        start(script + kBranches, ".int r\n");
        ASSERT_TRUE(step_until(State::ChoiceWait));
    }
    ChoiceTable& choices() { return engine().text.choices; }
    void move_cursor(std::int32_t x, std::int32_t y) { m_game.window().warp_cursor({ x, y }); }
    int red(int x, int y, int w, int h) { return count_display(x, y, w, h, kRedPixel); }
    int blue(int x, int y, int w, int h) { return count_display(x, y, w, h, kBluePixel); }
    std::int32_t result() { return *script::find_int(engine(), "r"); }
};

TEST_F(ChoicesTest, ChoicesTakeALineEachFromTheCurrentLineOrTheNext)
{
    show("abc\n.slt add one :a\n.slt add two :b\n.slt add three :b\n.slt exec\n");
    EXPECT_EQ(choices().count, 3);
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(choices().records[static_cast<std::size_t>(i)].first_line, i) << i;
        EXPECT_EQ(choices().records[static_cast<std::size_t>(i)].last_line, i) << i;
    }
    EXPECT_EQ(line_text(2), "two");
    EXPECT_EQ(layer().current_line(), 4);
    EXPECT_FALSE(window().skip_rest);
}

TEST_F(ChoicesTest, AfterAnUnfinishedLineTheChoicesStartOneLineLower)
{
    show("abc\\D\n.slt add one :a\n.slt add two :b\n.slt exec\n");
    EXPECT_EQ(line_text(0), "abc");
    EXPECT_EQ(choices().records[1].first_line, 1);
    EXPECT_EQ(choices().records[2].first_line, 2);
}

TEST_F(ChoicesTest, TheChoiceUnderTheCursorIsDrawnSelectedLineByLine)
{
    // At a wrap width of 100 the ten letters of the first choice take two lines (6 + 4).
    show(".txt space size 100 640 480\n"
         ".txt font color selected #FF0000\n"
         ".txt font color notselected #0000FF\n"
         ".tsw\n"
         ".slt add ABCDEFGHIJ :a\n"
         ".slt add XY :b\n"
         ".slt exec\n");
    ASSERT_EQ(choices().records[1].last_line, 1);
    ASSERT_EQ(choices().records[2].first_line, 2);
    // Nothing under the cursor: every line not selected.
    move_cursor(300, 300);
    step();
    EXPECT_EQ(choices().hovered_choice, 0);
    EXPECT_GT(blue(0, 0, 96, 32), 100);
    EXPECT_GT(blue(0, 32, 64, 32), 60);
    EXPECT_GT(blue(0, 64, 32, 32), 30);
    EXPECT_EQ(red(0, 0, 640, 480), 0);
    // On the second line of the first choice: its first line stays not selected.
    move_cursor(10, 40);
    step();
    EXPECT_EQ(choices().hovered_choice, 1);
    EXPECT_EQ(red(0, 0, 96, 32), 0);
    EXPECT_GT(blue(0, 0, 96, 32), 100);
    EXPECT_GT(red(0, 32, 64, 32), 60);
    EXPECT_EQ(blue(0, 32, 64, 32), 0);
    EXPECT_EQ(red(0, 64, 32, 32), 0);
    // On its first line both of its lines are selected.
    move_cursor(10, 10);
    step();
    EXPECT_EQ(choices().hovered_choice, 1);
    EXPECT_GT(red(0, 0, 96, 32), 100);
    EXPECT_GT(red(0, 32, 64, 32), 60);
    EXPECT_GT(blue(0, 64, 32, 32), 30);
    // The right and bottom edges of a line's box are outside it.
    move_cursor(96, 10);
    step();
    EXPECT_EQ(choices().hovered_choice, 0);
    move_cursor(31, 95);
    step();
    EXPECT_EQ(choices().hovered_choice, 2);
    EXPECT_GT(red(0, 64, 32, 32), 30);
    EXPECT_EQ(red(0, 0, 96, 64), 0);
    // The layer draws in the usual colours again after each pass.
    EXPECT_EQ(layer().text_color, 0xFFFFFFu);
}

TEST_F(ChoicesTest, AHiddenWindowHitTestsTheChoicesWithoutDrawingThem)
{
    show(".slt add one :a\n.slt add two :b\n.slt exec\n");
    move_cursor(5, 40);
    step();
    EXPECT_EQ(choices().hovered_choice, 2);
    EXPECT_EQ(count_display(0, 0, 640, 480, 0), 640 * 480);
}

TEST_F(ChoicesTest, OnlyALeftClickOnAChoiceWithATargetTakesIt)
{
    show(".tsw\n.slt add one :a\n.slt add two :b\n.slt add three\n.slt exec\n");
    // Outside every choice.
    move_cursor(300, 10);
    step();
    click(platform::MouseButton::Left, 300, 10);
    EXPECT_EQ(state(), State::ChoiceWait);
    // On the choice without a target.
    move_cursor(5, 70);
    step();
    EXPECT_EQ(choices().hovered_choice, 3);
    click(platform::MouseButton::Left, 5, 70);
    EXPECT_EQ(state(), State::ChoiceWait);
    // The right button never takes a choice.
    move_cursor(5, 40);
    step();
    click(platform::MouseButton::Right, 5, 40);
    EXPECT_EQ(state(), State::ChoiceWait);
    EXPECT_EQ(choices().count, 3);
    click(platform::MouseButton::Left, 6, 41);
    EXPECT_EQ(state(), State::Fetch);
    EXPECT_EQ(choices().count, 0);
    EXPECT_EQ(choices().records[2].target, "");
    EXPECT_EQ(engine().input.click_x, 6);
    EXPECT_EQ(engine().input.click_y, 41);
    // The choice lines stay on the window until the script clears them.
    EXPECT_EQ(line_text(1), "two");
    m_game.run();
    EXPECT_EQ(result(), 2);
}

TEST_F(ChoicesTest, ExecWithoutChoicesIsReportedAndTheScriptGoesOn)
{
    run(".slt add one :a\n.slt delete\n.slt exec\n.slt nothing\n.end\n");
    EXPECT_EQ(m_game.messages(),
        "FILE : start\nLINE : 3\n\n選択肢が登録されていないのに選択肢を表示しようとしました\n\n");
    EXPECT_EQ(engine().text.choices.count, 0);
    EXPECT_TRUE(layer().empty());
}

TEST_F(ChoicesTest, TakingAChoiceEmptiesTheTable)
{
    show(".slt add one :again\n.slt exec\n.end\n:again\n.slt exec\n");
    move_cursor(5, 5);
    step();
    click(platform::MouseButton::Left, 5, 5);
    m_game.run();
    EXPECT_EQ(m_game.messages(),
        "FILE : start\nLINE : 5\n\n選択肢が登録されていないのに選択肢を表示しようとしました\n\n");
}

TEST_F(ChoicesTest, ATwentiethChoiceIsRefused)
{
    std::string script;
    for (int i = 1; i <= 20; ++i)
        script += ".slt add c" + std::to_string(i) + " :a\n";
    run(script + ".end\n");
    EXPECT_EQ(m_game.messages(), "FILE : start\nLINE : 20\n\n選択肢を20個以上登録しようとしました\n\n");
    EXPECT_EQ(engine().text.choices.count, 19);
    EXPECT_EQ(engine().text.choices.records[19].text, "c19");
}

TEST_F(ChoicesTest, AnArmedRightClickJumpFiresInsteadOfTheChoiceAndLeavesTheTable)
{
    show(".rcl :b 0\n.slt add one :a\n.slt exec\n");
    move_cursor(5, 5);
    step();
    click(platform::MouseButton::Right, 5, 5);
    EXPECT_EQ(state(), State::Fetch);
    EXPECT_EQ(choices().count, 1);
    EXPECT_TRUE(engine().input.right_jump.target.empty());
    m_game.run();
    EXPECT_EQ(result(), 2);
}

TEST_F(ChoicesTest, ALeftClickJumpWithTheAnyStateFlagFiresOnceWhileTextIsTyped)
{
    start(".lcl start:menu 1\nabcdefgh\nijklmnop\n.end\n:menu\n.let r = 7\n.end\n", ".int r\n");
    ASSERT_TRUE(step_until(State::ShowText));
    step(3);
    click(platform::MouseButton::Left);
    EXPECT_EQ(state(), State::Fetch);
    EXPECT_EQ(line_text(0), "abc");
    m_game.run();
    EXPECT_EQ(result(), 7);
    EXPECT_TRUE(engine().input.left_jump.target.empty());
}

} // namespace
} // namespace advplay::text
