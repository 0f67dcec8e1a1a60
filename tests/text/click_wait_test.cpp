// Click waits: .clk, .tcl and the modes of each button, clicks during typed text, and the click-wait
// mark placed by its mode, blinking on its interval and taken down by the click.
#include "text/message_window.h"

#include "text/text_fixture.h"

#include <gtest/gtest.h>

namespace advplay::text {
namespace {

using namespace testing_support;
using platform::MouseButton;

class ClickWaitTest : public TextGame {
protected:
    // Mark 0: 8 x 8 red, mark 1: 6 x 6 blue, each with a green key in its top-left pixel.
    ClickWaitTest()
    {
        m_game.folder().write("data/mark0.bmp",
            bmp24(8, 8, [](int x, int y) { return x == 0 && y == 0 ? 0x00FF00u : 0x0000FFu; }));
        m_game.folder().write("data/mark1.bmp",
            bmp24(6, 6, [](int x, int y) { return x == 0 && y == 0 ? 0x00FF00u : 0xFF0000u; }));
    }
    InputState& input() { return engine().input; }
};

TEST_F(ClickWaitTest, EachButtonEndsTheWaitIgnoresItOrSkipsIt)
{
    start(".clk 0 0\n.clk 2 0\n.clk 5 0\n.clk 0 2\n.clk 3 0\n.clk 0 3\n.clk 1 1\n.clk 1 0\n.end\n");
    ASSERT_TRUE(step_until(State::ClickWait));
    EXPECT_TRUE(input().left_accept);
    EXPECT_TRUE(input().right_accept);
    click(MouseButton::Left, 3, 4);
    EXPECT_EQ(state(), State::Fetch);
    EXPECT_EQ(input().click_x, 3);
    EXPECT_EQ(input().click_y, 4);
    // 2: the left button does not end the wait; only its pressed-in-wait flag changes.
    ASSERT_TRUE(step_until(State::ClickWait));
    EXPECT_FALSE(input().left_accept);
    app::button_down(engine(), MouseButton::Left, 7, 7);
    EXPECT_TRUE(input().left_pressed_in_wait);
    app::button_up(engine(), MouseButton::Left);
    EXPECT_EQ(state(), State::ClickWait);
    EXPECT_EQ(input().click_x, 3);
    click(MouseButton::Right);
    EXPECT_EQ(state(), State::Fetch);
    // 5 keeps the left button's acceptance as it was (refused).
    ASSERT_TRUE(step_until(State::ClickWait));
    EXPECT_FALSE(input().left_accept);
    EXPECT_TRUE(input().right_accept);
    click(MouseButton::Left);
    EXPECT_EQ(state(), State::ClickWait);
    click(MouseButton::Right);
    ASSERT_TRUE(step_until(State::ClickWait));
    EXPECT_TRUE(input().left_accept);
    EXPECT_FALSE(input().right_accept);
    click(MouseButton::Right);
    EXPECT_EQ(state(), State::ClickWait);
    click(MouseButton::Left);
    // 3 for either button: no wait at all.
    step(); // .clk 3 0
    step();
    EXPECT_EQ(state(), State::Fetch);
    step(); // .clk 0 3
    step();
    EXPECT_EQ(state(), State::Fetch);
    // 1 while the button is already down: no wait.
    input().left_down = true;
    step(); // .clk 1 1
    step();
    EXPECT_EQ(state(), State::Fetch);
    // 1 while it is not: an ordinary wait.
    input().left_down = false;
    step(); // .clk 1 0
    step();
    EXPECT_EQ(state(), State::ClickWait);
    EXPECT_TRUE(input().left_accept);
}

TEST_F(ClickWaitTest, TclClearsTheWindowWhenTheAcceptedClickComes)
{
    start(".tsw\n.tsp 0 0\nABC\n.tcl 2 0\nDE\n.tcl 3 0\n.end\n");
    ASSERT_TRUE(step_until(State::ClearWait));
    EXPECT_GT(count_display(0, 0, 48, 32, kWhite), 0);
    click(MouseButton::Left);
    EXPECT_EQ(state(), State::ClearWait);
    EXPECT_EQ(line_text(0), "ABC");
    click(MouseButton::Right, 9, 8);
    EXPECT_EQ(state(), State::Fetch);
    EXPECT_TRUE(layer().empty());
    EXPECT_EQ(count_display(0, 0, 48, 32, kWhite), 0);
    EXPECT_EQ(input().click_x, 9);
    // Mode 3 clears at once, without a wait.
    ASSERT_TRUE(step_until(State::Quit));
    EXPECT_TRUE(layer().empty());
    EXPECT_EQ(count_display(0, 0, 48, 64, kWhite), 0);
}

TEST_F(ClickWaitTest, AClickDuringTextHurriesItOnlyWithAModeAndNoFastDelay)
{
    start(".tct 0 2\nabcdefghijklmnop\n.tsp 100 20\nabcdefghijklmnop\n.end\n");
    ASSERT_TRUE(step_until(State::ShowText));
    step();
    click(MouseButton::Left);
    EXPECT_FALSE(window().skip_rest);
    click(MouseButton::Right);
    EXPECT_TRUE(window().skip_rest);
    EXPECT_EQ(state(), State::ShowText);
    // The hurried rest adds nothing to the wait that the first character left.
    ASSERT_TRUE(step_until(State::Fetch));
    EXPECT_EQ(engine().interpreter.wait.pending_wait, 100u);
    EXPECT_EQ(line_text(0), "abcdefghijklmnop");
    // Only a click wait or a choice would end the hurry.
    window().skip_rest = false;
    step();
    ASSERT_TRUE(step_until(State::ShowText));
    step();
    click(MouseButton::Right);
    EXPECT_FALSE(window().skip_rest);
}

TEST_F(ClickWaitTest, AButtonStillHeldFromTheClickThatEndedAWaitDoesNotHurryTheText)
{
    start(".clk 0 0\nabcd\n.end\n");
    ASSERT_TRUE(step_until(State::ClickWait));
    app::button_down(engine(), MouseButton::Left, 0, 0);
    EXPECT_EQ(state(), State::Fetch);
    ASSERT_TRUE(step_until(State::ShowText));
    step();
    EXPECT_EQ(engine().interpreter.wait.pending_wait, 100u);
    EXPECT_FALSE(window().skip_rest);
    // Released and pressed again while the text types: now it hurries.
    app::button_up(engine(), MouseButton::Left);
    app::button_down(engine(), MouseButton::Left, 0, 0);
    EXPECT_TRUE(window().skip_rest);
    step();
    EXPECT_EQ(line_text(0), "ab");
    EXPECT_EQ(engine().interpreter.wait.pending_wait, 100u);
}

TEST_F(ClickWaitTest, TheMarkBlinksOnItsIntervalAndTheClickTakesItDown)
{
    start(".mst mark0 mark1 0 600 440 500\n.tsw\n.clk 0 0\n.end\n");
    ASSERT_TRUE(step_until(State::ClickWait));
    std::uint32_t const placed = engine().text.window.mark.last_toggle;
    std::vector<std::uint32_t> toggles;
    bool was_shown = false;
    while (m_game.clock().now() < placed + 2100) {
        step();
        bool const is_shown = display(601, 441) == kRedPixel;
        if (is_shown != was_shown)
            toggles.push_back(m_game.clock().now() - placed);
        was_shown = is_shown;
        if (is_shown) {
            // The picture's top-left colour is left out.
            ASSERT_EQ(display(600, 440), 0);
            ASSERT_EQ(display(607, 447), kRedPixel);
        }
    }
    // Each pass sleeps 2 ms: the first pass more than 500 ms after the set-up shows the mark, and
    // the rhythm then keeps to the interval.
    EXPECT_EQ(toggles, (std::vector<std::uint32_t> { 502, 1002, 1502, 2002 }));
    // Hidden now; show it once more, then click.
    while (display(601, 441) != kRedPixel)
        step();
    click(MouseButton::Left);
    EXPECT_EQ(display(601, 441), 0);
    EXPECT_FALSE(engine().text.window.mark.shown);
    EXPECT_EQ(state(), State::Fetch);
}

TEST_F(ClickWaitTest, AMarkWithoutIntervalAppearsAtOnceAndStays)
{
    start(".mst mark0 mark1 0 600 440 0\n.tsw\n.tcl 0 0\n.end\n");
    ASSERT_TRUE(step_until(State::ClearWait));
    step();
    // A .tcl wait shows the second picture.
    EXPECT_EQ(display(601, 441), kBluePixel);
    EXPECT_EQ(display(600, 440), 0);
    step(300);
    EXPECT_EQ(display(601, 441), kBluePixel);
    click(MouseButton::Left);
    EXPECT_EQ(display(601, 441), 0);
}

TEST_F(ClickWaitTest, TheMarkFollowsThePenOrTheLastCharacterByItsMode)
{
    start(".txt space pos 100 50\n"
          ".mst mark0 mark1 1 2 3 0\n"
          ".tsw\n"
          "AB\\c\n"
          ".clk 0 0\n"
          ".mst mark0 mark1 2 0 0 0\n"
          ".clk 0 0\n"
          ".mst mark0 mark1 9 0 0 0\n"
          ".clk 0 0\n"
          ".end\n");
    ASSERT_TRUE(step_until(State::TextClickWait));
    step();
    // Mode 1: window position + pen + offsets = (100 + 32 + 2, 50 + 0 + 3).
    EXPECT_EQ(engine().text.window.mark.x, 134);
    EXPECT_EQ(engine().text.window.mark.y, 53);
    EXPECT_EQ(display(135, 54), kRedPixel);
    click(MouseButton::Left);
    ASSERT_TRUE(step_until(State::ClickWait));
    // After the line feed the pen is at the start of the next line.
    EXPECT_EQ(engine().text.window.mark.x, 102);
    EXPECT_EQ(engine().text.window.mark.y, 85);
    click(MouseButton::Left);
    ASSERT_TRUE(step_until(State::ClickWait));
    // Mode 2: where the last character ended.
    EXPECT_EQ(engine().text.window.mark.x, 132);
    EXPECT_EQ(engine().text.window.mark.y, 50);
    click(MouseButton::Left);
    ASSERT_TRUE(step_until(State::ClickWait));
    // Other modes keep the last position.
    EXPECT_EQ(engine().text.window.mark.x, 132);
    EXPECT_EQ(engine().text.window.mark.y, 50);
}

TEST_F(ClickWaitTest, AClickJumpOutOfAWaitTakesTheMarkDown)
{
    start(".mst mark0 mark1 0 600 440 0\n.tsw\n.lcl :away 0\n.tcl 2 2\n.end\n:away\n.clk 0 0\n.end\n");
    ASSERT_TRUE(step_until(State::ClearWait));
    step();
    EXPECT_EQ(display(601, 441), kBluePixel);
    click(MouseButton::Left, 11, 12);
    EXPECT_EQ(display(601, 441), 0);
    EXPECT_EQ(state(), State::Fetch);
    EXPECT_EQ(input().click_x, 11);
    // The next wait is the one at the label, with the first picture.
    ASSERT_TRUE(step_until(State::ClickWait));
    step();
    EXPECT_EQ(display(601, 441), kRedPixel);
}

TEST_F(ClickWaitTest, WithTheWindowHiddenNoMarkIsShown)
{
    start(".mst mark0 mark1 0 600 440 0\n.clk 0 0\n.end\n");
    ASSERT_TRUE(step_until(State::ClickWait));
    step(10);
    EXPECT_EQ(display(601, 441), 0);
    EXPECT_FALSE(engine().text.window.mark.shown);
}

} // namespace
} // namespace advplay::text
