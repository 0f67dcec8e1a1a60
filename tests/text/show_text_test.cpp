// Message text typed out pass by pass: the escapes, the delay chosen by held buttons and the
// hurrying it allows, the straight and the staged way to the display, showing and hiding the window,
// and the text system variables.
#include "text/message_window.h"

#include "script/variables.h"
#include "text/text_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace advplay::text {
namespace {

using namespace testing_support;

class ShowTextTest : public TextGame {
protected:
    // White pixels of the display in a rectangle, by default one half-width cell.
    int ink(int x, int y, int w = 16, int h = 32) { return count_display(x, y, w, h, kWhite); }
};

TEST_F(ShowTextTest, TenCharactersAtTheNormalDelayTakeOneSecond)
{
    run(".tsw\n0123456789\n.end\n");
    EXPECT_EQ(m_game.clock().now(), 1000u);
    EXPECT_EQ(line_text(0), "0123456789");
    EXPECT_EQ(layer().current_line(), 1);
    for (int i = 0; i < 10; ++i)
        EXPECT_GT(ink(16 * i, 0), 0) << i;
    EXPECT_GT(count_pixels(engine().graphics.display_surface, 0, 0, 160, 32, kWhite), 0);
    EXPECT_EQ(shown(0, 0), display(0, 0));
}

TEST_F(ShowTextTest, EscapesBreakEndAndQuoteTheText)
{
    run("a\\\\b\\xc\n"
        "ab\\Dxyz\n"
        "cd\\dxyz\n"
        "e\\nf\n"
        "g\\N\n"
        "h\\n\n"
        "i\\\n"
        "\\あj\n"
        ".end\n");
    EXPECT_EQ(line_text(0), "a\\bxc");
    // "\D" and "\d" drop the rest of the line with its line feed, so the next line goes on.
    EXPECT_EQ(line_text(1), "abcde");
    EXPECT_EQ(line_text(2), "f");
    // "\N" at the end takes the line feed; "\n" before it gives a second break.
    EXPECT_EQ(line_text(3), "g");
    EXPECT_EQ(line_text(4), "h");
    EXPECT_EQ(line_text(5), "");
    EXPECT_EQ(line_text(6), "i");
    EXPECT_EQ(line_text(7), testing::sjis("あ") + "j");
    EXPECT_EQ(layer().current_line(), 8);
    EXPECT_TRUE(m_game.messages().empty());
}

TEST_F(ShowTextTest, ALeadByteCutOffByTheEndOfTheFileIsDroppedUnshown)
{
    m_game.write_script("config", "# no settings\n");
    m_game.folder().write("data/start.txt", "ab\x82");
    ASSERT_TRUE(m_game.load_and_start());
    m_game.run(1000);
    EXPECT_EQ(line_text(0), "ab");
    EXPECT_EQ(layer().pen_x(), 32);
    EXPECT_EQ(state(), State::Quit);
}

TEST_F(ShowTextTest, ALeadByteBeforeTheLineFeedTakesItAsItsSecondByte)
{
    // The scenario reader keeps the pair together, so the next line follows on the same window
    // line after the missing-glyph box of a full-width character.
    m_game.write_script("config", "# no settings\n");
    m_game.folder().write("data/start.txt", "ab\x82\ncd\n.end\n");
    ASSERT_TRUE(m_game.load_and_start());
    m_game.run(1000);
    EXPECT_EQ(line_text(0), "ab\x82\ncd");
    std::int32_t const full_width = layer().character_width(testing::sjis("あ"));
    EXPECT_EQ(full_width, 32);
    EXPECT_EQ(layer().lines()[0].box, (graphics::Box { 0, 0, 64 + full_width, 32 }));
    EXPECT_EQ(layer().current_line(), 1);
}

TEST_F(ShowTextTest, AClearedPageLeavesNoInkOnTheLayer)
{
    // 0xA0 has no glyph: its box, last on the line, is drawn no wider than the half-width cell it
    // takes.
    m_game.write_script("config", "# no settings\n");
    m_game.folder().write("data/start.txt", ".tsw\ng\x81\x50\xA0\n.tcl 3 0\n.end\n");
    ASSERT_TRUE(m_game.load_and_start());
    m_game.run(1000);
    EXPECT_TRUE(layer().empty());
    graphics::Pixel const transparent = graphics::color_to_pixel(layer().transparent());
    EXPECT_EQ(count_pixels(layer().surface(), 0, 0, 640, 480, transparent), 640 * 480);
    EXPECT_EQ(count_display(0, 0, 640, 480, 0), 640 * 480);
}

TEST_F(ShowTextTest, SlantedLettersLeaveNothingBehindWhenTheirLineIsCleared)
{
    // A slanted letter reaches past the right edge of its box, and of its line's.
    start(".tsw\n.tsp 0 0\n.txt font italic 1\nMM\nWW\n.tcl 0 0\n.end\n");
    ASSERT_TRUE(pass_until(State::ClearWait));
    graphics::Pixel const transparent = graphics::color_to_pixel(layer().transparent());
    LineRecord const& first = layer().lines()[0];
    ASSERT_EQ(first.box, (graphics::Box { 0, 0, 32, 32 }));
    EXPECT_GT(8 * 32 - count_pixels(layer().surface(), 32, 0, 8, 32, transparent), 0);
    click(platform::MouseButton::Left);
    EXPECT_EQ(count_pixels(layer().surface(), 0, 0, 640, 480, transparent), 640 * 480);
}

TEST_F(ShowTextTest, SubroutineEscapeShowsTheRestOfTheLineAfterTheReturn)
{
    run(".def \\3 :menu\n"
        "ab\\3cd\n"
        ".end\n"
        ":menu\n"
        "xy\n"
        ".sub exit\n");
    EXPECT_EQ(line_text(0), "abxy");
    EXPECT_EQ(line_text(1), "cd");
    EXPECT_EQ(layer().current_line(), 2);
    EXPECT_TRUE(m_game.messages().empty());
}

TEST_F(ShowTextTest, SubroutineEscapeToAMissingLabelEndsTheGame)
{
    run(".def \\5 :nowhere\n"
        "ab\\5cd\n"
        "never\n"
        ".end\n");
    EXPECT_EQ(m_game.messages(), "FILE : start\nLINE : 2\n\n「.sub」に失敗しました\n\n");
    EXPECT_EQ(line_text(0), "ab");
    EXPECT_EQ(layer().current_line(), 0);
    EXPECT_EQ(state(), State::Quit);
}

TEST_F(ShowTextTest, CapitalClickEscapeJoinsTheNextLineAfterTheClick)
{
    start("abc\\C\ndef\nxy\\cz\n.end\n");
    ASSERT_TRUE(step_until(State::TextClickWait));
    EXPECT_EQ(line_text(0), "abc");
    step(5);
    EXPECT_EQ(state(), State::TextClickWait);
    click(platform::MouseButton::Left);
    EXPECT_EQ(state(), State::ShowText);
    ASSERT_TRUE(step_until(State::TextClickWait));
    EXPECT_EQ(line_text(0), "abcdef");
    EXPECT_EQ(line_text(1), "xy");
    click(platform::MouseButton::Right);
    ASSERT_TRUE(step_until(State::Quit));
    EXPECT_EQ(line_text(1), "xyz");
}

TEST_F(ShowTextTest, ClearEscapeEmptiesTheWindowAfterTheClick)
{
    start(".tsw\nabc\\tdef\\T\ngh\n.end\n");
    ASSERT_TRUE(step_until(State::TextClearWait));
    EXPECT_GT(ink(0, 0, 48), 0);
    click(platform::MouseButton::Left);
    EXPECT_EQ(state(), State::ShowText);
    EXPECT_TRUE(layer().empty());
    EXPECT_EQ(ink(0, 0, 48), 0);
    ASSERT_TRUE(step_until(State::TextClearWait));
    EXPECT_EQ(line_text(0), "def");
    click(platform::MouseButton::Left);
    ASSERT_TRUE(step_until(State::Quit));
    EXPECT_EQ(line_text(0), "gh");
    EXPECT_EQ(layer().current_line(), 1);
}

TEST_F(ShowTextTest, EscapeDefaultsDecideWhetherAndForWhichButtonTheEscapesWait)
{
    // Mode 3 never waits; "\t" then clears at once.
    start(".def \\c 3 0\n.def \\T 0 3\nab\\cc\\td\n.end\n");
    ASSERT_TRUE(step_until(State::Quit));
    EXPECT_EQ(line_text(0), "d");
    EXPECT_EQ(window().click_defaults.left, 3);
    EXPECT_EQ(window().clear_defaults.right, 3);
}

TEST_F(ShowTextTest, TheDelayFollowsTheHeldButtonsAndTheirModes)
{
    start(".tsp 100 10\nabcdefghijklmnopqrstuvwxyz\n.end\n");
    ASSERT_TRUE(step_until(State::ShowText));
    InputState& input = engine().input;
    struct Case {
        std::int32_t left_mode;
        std::int32_t right_mode;
        bool left_down;
        bool right_down;
        bool left_in_wait;
        bool right_in_wait;
        std::uint32_t delay;
    };
    Case const cases[] = {
        { 1, 1, false, false, false, false, 100 },
        { 0, 1, true, false, false, false, 100 },
        { 1, 1, true, false, false, false, 10 },
        { 1, 1, true, false, true, false, 100 },
        { 2, 1, true, false, true, false, 10 },
        { 1, 0, false, true, false, false, 100 },
        { 1, 1, false, true, false, false, 10 },
        { 1, 1, false, true, false, true, 100 },
        { 1, 2, false, true, false, true, 10 },
        { 0, 2, true, true, true, true, 10 },
    };
    int index = 0;
    for (Case const& c : cases) {
        window().left_text_mode = c.left_mode;
        window().right_text_mode = c.right_mode;
        input.left_down = c.left_down;
        input.right_down = c.right_down;
        input.left_pressed_in_wait = c.left_in_wait;
        input.right_pressed_in_wait = c.right_in_wait;
        step();
        EXPECT_EQ(engine().interpreter.wait.pending_wait, c.delay) << index;
        EXPECT_FALSE(window().skip_rest) << index;
        ++index;
    }
}

TEST_F(ShowTextTest, AHeldButtonWithoutFastDelayShowsTheRestAtTheNextClickWait)
{
    start(".tsw\nabcdefghij\n.clk 0 0\n.end\n");
    ASSERT_TRUE(step_until(State::ShowText));
    engine().input.left_down = true;
    step(10);
    EXPECT_TRUE(window().skip_rest);
    EXPECT_EQ(line_text(0), "abcdefghij");
    // Laid out, but nothing brought to the display, and no time spent.
    EXPECT_EQ(ink(0, 0, 160), 0);
    EXPECT_EQ(window().pending_text_rect, (graphics::Box { 0, 0, 160, 32 }));
    ASSERT_TRUE(step_until(State::ClickWait));
    EXPECT_FALSE(window().skip_rest);
    EXPECT_GT(ink(0, 0, 16), 0);
    EXPECT_GT(ink(144, 0, 16), 0);
    EXPECT_TRUE(window().pending_text_rect.empty());
    EXPECT_EQ(m_game.clock().now(), 0u);
}

TEST_F(ShowTextTest, TswOnAShownWindowBringsHurriedTextToTheDisplay)
{
    start(".tsw\n.tsp 0 0\nabc\n.tsw\n.end\n");
    ASSERT_TRUE(step_until(State::ShowText));
    step(3);
    EXPECT_TRUE(window().skip_rest);
    EXPECT_EQ(ink(0, 0, 48), 0);
    ASSERT_TRUE(step_until(State::Fetch));
    step();
    EXPECT_GT(ink(0, 0), 0);
    EXPECT_GT(ink(32, 0), 0);
    EXPECT_TRUE(window().pending_text_rect.empty());
    // Only a click wait or a choice ends the hurry.
    EXPECT_TRUE(window().skip_rest);
}

TEST_F(ShowTextTest, ALongPendingWaitStagesTheCharacterAndAShortOneDrawsItAtOnce)
{
    start(".tsw\n.wat 500\nA\n.wat 99\nB\n.end\n");
    ASSERT_TRUE(step_until(State::ShowText));
    step();
    EXPECT_EQ(ink(0, 0), 0);
    EXPECT_GT(count_pixels(engine().graphics.staging_surface, 0, 0, 16, 32, kWhite), 0);
    EXPECT_TRUE(engine().graphics.swap_pending);
    EXPECT_EQ(engine().interpreter.wait.frame_delay, 500u);
    EXPECT_TRUE(window().pending_text_rect.empty());
    engine().graphics.swap_pending = false;
    // Line feed, end of line, ".wat 99", then "B" with 100 + 99 ms pending.
    step(4);
    ASSERT_EQ(state(), State::ShowText);
    // 101 ms have passed since the wait began: 98 are left, and "B" goes straight to the display.
    m_game.clock().sleep(101);
    step();
    EXPECT_EQ(line_text(1), "B");
    EXPECT_GT(ink(0, 32), 0);
    EXPECT_FALSE(engine().graphics.swap_pending);
}

TEST_F(ShowTextTest, BelowOneHundredMillisecondsLeftTheCharacterGoesStraightToTheDisplay)
{
    start(".tsw\n.wat 99\nA\n.end\n");
    ASSERT_TRUE(step_until(State::ShowText));
    step();
    EXPECT_GT(ink(0, 0), 0);
    EXPECT_FALSE(engine().graphics.swap_pending);
    EXPECT_TRUE(window().pending_text_rect.empty());
}

TEST_F(ShowTextTest, HiddenTextIsLaidOutAndShownByTsw)
{
    start("AB\n.tsw\n.thd\nCD\n.tsw\n.end\n");
    ASSERT_TRUE(pass_until(State::ShowText));
    pass(2);
    EXPECT_EQ(ink(0, 0, 32), 0);
    EXPECT_EQ(window().pending_text_rect, (graphics::Box { 0, 0, 32, 32 }));
    ASSERT_TRUE(pass_until(State::Fetch));
    pass(); // .tsw
    EXPECT_GT(ink(0, 0), 0);
    EXPECT_GT(ink(16, 0), 0);
    EXPECT_TRUE(window().pending_text_rect.empty());
    EXPECT_EQ(shown(0, 0), display(0, 0));
    std::vector<graphics::Pixel> const before(
        m_game.window().picture().begin(), m_game.window().picture().end());
    pass(); // .thd
    EXPECT_EQ(ink(0, 0, 32), 0);
    EXPECT_EQ(window().pending_text_rect, (graphics::Box { 0, 0, 32, 32 }));
    ASSERT_TRUE(pass_until(State::ShowText));
    ASSERT_TRUE(pass_until(State::Fetch));
    EXPECT_EQ(ink(0, 32, 32), 0);
    pass(); // .tsw
    // The first line as it was, and the line drawn while hidden below it.
    std::vector<graphics::Pixel> const after(
        m_game.window().picture().begin(), m_game.window().picture().end());
    EXPECT_TRUE(std::equal(before.begin(), before.begin() + 640 * 32, after.begin()));
    EXPECT_GT(ink(0, 32, 32), 0);
}

TEST_F(ShowTextTest, ThdAndTswRestoreTheSamePicture)
{
    m_game.folder().write(
        "data/bg.bmp", bmp24(640, 480, [](int x, int y) { return (x + y) % 3 ? 0x204080u : 0x8040C0u; }));
    start(".pic screen bg\n.tsw\n.txt font edge 1\nHello\n.thd\n.tsw\n.end\n");
    ASSERT_TRUE(pass_until(State::ShowText));
    ASSERT_TRUE(pass_until(State::Fetch));
    std::vector<graphics::Pixel> const before(
        m_game.window().picture().begin(), m_game.window().picture().end());
    EXPECT_GT(count_display(0, 0, 100, 40, kWhite), 100);
    pass(); // .thd
    EXPECT_EQ(display(3, 10), screen(3, 10));
    EXPECT_EQ(count_display(0, 0, 100, 40, kWhite), 0);
    EXPECT_EQ(shown(3, 10), screen(3, 10));
    pass(); // .tsw
    std::vector<graphics::Pixel> const after(
        m_game.window().picture().begin(), m_game.window().picture().end());
    EXPECT_EQ(before, after);
}

TEST_F(ShowTextTest, TextSystemVariablesDescribeThePenAndThePage)
{
    run(".txt space pos 100 50\nAB\\\\表\n.tps 1 5 0\n.end\n");
    EXPECT_EQ(*script::find_int(engine(), "CurTextX"), 105);
    EXPECT_EQ(*script::find_int(engine(), "CurTextY"), 82);
    EXPECT_EQ(*script::find_int(engine(), "LastTextX"), 100 + 16 * 3 + 32);
    EXPECT_EQ(*script::find_int(engine(), "LastTextY"), 50);
    EXPECT_EQ(*script::find_int(engine(), "CurTextLine"), 2);
    // The backslash of its own is doubled, the second byte of 表 (0x5C) is not, and the empty line
    // after the break takes part.
    EXPECT_EQ(*script::find_string(engine(), "CurText"), "AB\\\\" + testing::sjis("表") + "\\N");
}

TEST_F(ShowTextTest, CurTextShownAgainReproducesThePage)
{
    run("a\\\\b表\nc\n.end\n");
    std::string const saved = *script::find_string(engine(), "CurText");
    EXPECT_EQ(saved, "a\\\\b" + testing::sjis("表") + "\\Nc\\N");
    std::vector<std::string> const page { line_text(0), line_text(1), line_text(2) };
    layer().clear_all();
    engine().interpreter.current_line.assign(saved);
    engine().interpreter.state = State::ShowText;
    for (int i = 0; i < 100 && state() == State::ShowText; ++i)
        ASSERT_TRUE(show_step(engine()));
    EXPECT_EQ(line_text(0), page[0]);
    EXPECT_EQ(line_text(1), page[1]);
    EXPECT_EQ(line_text(2), page[2]);
    EXPECT_EQ(layer().current_line(), 2);
}

} // namespace
} // namespace advplay::text
