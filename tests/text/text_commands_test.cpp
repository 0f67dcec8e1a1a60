// The message-window commands: .txt and .tpr with every keyword and refusal, .tsp, .tct, .tps and
// .def, and the default gothic standing in for a face that is not installed.
#include "text/text_commands.h"

#include "text/text_fixture.h"

#include <gtest/gtest.h>

namespace advplay::text {
namespace {

using namespace testing_support;

class TextCommandsTest : public TextGame {
protected:
    int ink(const graphics::Surface& surface, int x, int y, int w, int h)
    {
        return count_pixels(surface, x, y, w, h, kWhite);
    }
};

TEST_F(TextCommandsTest, GeometryCommandsAreRefusedWhileTextIsOnTheWindow)
{
    run(".txt space size 500 600 400\n"
        ".txt space pos 20 300\n"
        "A\n"
        ".txt space pos 30 310\n"
        ".txt space size 400 640 480\n"
        ".txt font magnification 2\n"
        ".txt font color transparency #00FF00\n"
        ".tcl 3 0\n"
        ".txt space size 700 640 480\n"
        ".txt space pos 30 310\n"
        ".txt font magnification 5\n"
        ".txt font magnification 2\n"
        ".end\n");
    EXPECT_EQ(m_game.messages(),
        "FILE : start\nLINE : 4\n\n「.txt space pos」に失敗しました\n\n"
        "FILE : start\nLINE : 5\n\n「.txt space size」に失敗しました\n\n"
        "FILE : start\nLINE : 6\n\n「.txt font magnification」に失敗しました\n\n"
        "FILE : start\nLINE : 9\n\n「.txt space size」に失敗しました\n\n"
        "FILE : start\nLINE : 11\n\n「.txt font magnification」に失敗しました\n\n");
    EXPECT_EQ(layer().wrap_width(), 500);
    EXPECT_EQ(layer().surface_width(), 600);
    EXPECT_EQ(layer().height(), 400);
    EXPECT_EQ(layer().magnification(), 2);
    EXPECT_EQ(layer().surface().width(), 1200);
    EXPECT_EQ(layer().window_x, 30);
    EXPECT_EQ(layer().window_y, 310);
    EXPECT_EQ(layer().transparent(), 0xFF00FFu);
}

TEST_F(TextCommandsTest, FontKeywordsSetTheMessageLayerAndTheChoiceColours)
{
    run(".txt font color selected #102030\n"
        ".txt font color notselected #405060\n"
        ".txt font color shadow #0000FF\n"
        ".txt font color selectedshadow #111111\n"
        ".txt font color notselectedshadow #222222\n"
        ".txt font color usual #FF0000\n"
        ".txt font color usualshadow red\n"
        ".txt font color transparency #00FF00\n"
        ".txt font weight 700\n"
        ".txt font weight 1001\n"
        ".txt font italic 1\n"
        ".txt font underline 2\n"
        ".txt font strikeout 0\n"
        ".txt font edge 1\n"
        ".txt font spacing 3\n"
        ".txt font size 24\n"
        ".txt font leading 5\n"
        ".txt font offset -2\n"
        ".txt font nothing 5\n"
        ".txt color usual #00FF00\n"
        ".end\n");
    ChoiceColors const& colors = window().colors;
    EXPECT_EQ(colors.selected, 0x302010u);
    EXPECT_EQ(colors.not_selected, 0x605040u);
    EXPECT_EQ(colors.selected_shadow, 0x111111u);
    EXPECT_EQ(colors.not_selected_shadow, 0x222222u);
    EXPECT_EQ(colors.usual, 0x0000FFu);
    // Not beginning with "#": black.
    EXPECT_EQ(colors.usual_shadow, 0u);
    EXPECT_EQ(layer().text_color, 0x0000FFu);
    EXPECT_EQ(layer().shadow_color, 0u);
    EXPECT_EQ(layer().transparent(), 0x00FF00u);
    EXPECT_EQ(layer().weight(), 700);
    EXPECT_TRUE(layer().italic());
    EXPECT_TRUE(layer().underline());
    EXPECT_FALSE(layer().strikeout());
    EXPECT_TRUE(layer().edge);
    EXPECT_EQ(layer().spacing(), 3);
    EXPECT_EQ(layer().font_size(), 24);
    EXPECT_EQ(layer().leading(), 5);
    EXPECT_EQ(layer().shadow_offset, -2);
    EXPECT_TRUE(m_game.messages().empty());
    // "shadow" sets all three shadows at once.
    engine().interpreter.current_line.assign("font color shadow #010203");
    txt_command(engine());
    EXPECT_EQ(colors.usual_shadow, 0x030201u);
    EXPECT_EQ(colors.selected_shadow, 0x030201u);
    EXPECT_EQ(colors.not_selected_shadow, 0x030201u);
    EXPECT_EQ(layer().shadow_color, 0x030201u);
}

TEST_F(TextCommandsTest, AFaceNoInstalledFontMatchesFallsBackToTheGothicAndIsReportedOnce)
{
    start(".txt font name NoSuchFaceAnywhere\n"
          "A\n"
          ".tpr font name NoSuchFaceAnywhere\n"
          ".tpr screen 0 100 A\n"
          ".end\n");
    std::vector<std::string> lines;
    engine().internal_errors.debug_output = true;
    engine().internal_errors.debug_sink = [&lines](std::string_view line) { lines.emplace_back(line); };
    m_game.run();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("NoSuchFaceAnywhere"), std::string::npos);
    EXPECT_EQ(layer().font_name(), "NoSuchFaceAnywhere");
    // The stand-in draws: the same ink as the default face.
    EXPECT_GT(ink(engine().graphics.screen_surface, 0, 100, 16, 32), 20);
    EXPECT_EQ(layer().character_width("A"), 16);
}

TEST_F(TextCommandsTest, PrintedLinesAreAlignedOnX)
{
    run(".tpr font align 1\n"
        ".tpr screen 320 100 AB\\nABCD\n"
        ".tpr font align 2\n"
        ".tpr font align 3\n"
        ".tpr screen 600 300 AB\n"
        ".end\n");
    auto const& screen_surface = engine().graphics.screen_surface;
    // Centred: "AB" (32 wide) from 304, "ABCD" (64 wide) from 288 on the next line.
    EXPECT_GT(ink(screen_surface, 304, 100, 32, 32), 40);
    EXPECT_EQ(ink(screen_surface, 0, 100, 304, 32) + ink(screen_surface, 336, 100, 304, 32), 0);
    EXPECT_GT(ink(screen_surface, 288, 132, 64, 32), 80);
    EXPECT_EQ(ink(screen_surface, 0, 132, 288, 32) + ink(screen_surface, 352, 132, 288, 32), 0);
    // Right-aligned: ends at x.
    EXPECT_GT(ink(screen_surface, 568, 300, 32, 32), 40);
    EXPECT_EQ(ink(screen_surface, 0, 300, 568, 32) + ink(screen_surface, 600, 300, 40, 32), 0);
    // On the display at once, and the print layer is empty again.
    EXPECT_EQ(
        ink(engine().graphics.display_surface, 288, 100, 64, 64), ink(screen_surface, 288, 100, 64, 64));
    EXPECT_TRUE(engine().text.print_layer.empty());
    EXPECT_TRUE(layer().empty());
}

TEST_F(TextCommandsTest, PrintingOnTheScreenKeepsTheShownMessageTextOnTop)
{
    start(".tsw\nAB\n.tpr font color usual #FF0000\n.tpr font offset 3\n.tpr screen 8 0 AB\n.end\n");
    ASSERT_TRUE(pass_until(State::ShowText));
    ASSERT_TRUE(pass_until(State::Fetch));
    auto const& display_surface = engine().graphics.display_surface;
    int const message_ink = ink(display_surface, 0, 0, 32, 32);
    ASSERT_GT(message_ink, 40);
    ASSERT_TRUE(pass_until(State::Quit));
    // The red print, 8 pixels to the right, lies on the screen; the white message text stays above
    // it on the display, and the print shows beside it.
    int const printed = count_pixels(engine().graphics.screen_surface, 8, 0, 35, 35, kRedPixel);
    EXPECT_GT(printed, 40);
    EXPECT_EQ(ink(engine().graphics.screen_surface, 0, 0, 64, 35), 0);
    EXPECT_EQ(ink(display_surface, 0, 0, 32, 32), message_ink);
    int const shown_red = count_pixels(display_surface, 8, 0, 35, 35, kRedPixel);
    EXPECT_GT(shown_red, 0);
    EXPECT_LT(shown_red, printed);
}

TEST_F(TextCommandsTest, PrintingIntoOffScreenSurfaces)
{
    run(".tpr off 0 0 A\n"
        ".tpr off1 0 0 A\n"
        ".tpr off-1 0 0 A\n"
        ".tpr offx 16 0 B\n"
        ".tpr font magnification 0\n"
        ".tpr font magnification 5\n"
        ".tpr elsewhere 0 0 A\n"
        ".end\n",
        ".scr 1\n");
    EXPECT_EQ(m_game.messages(),
        "FILE : start\nLINE : 2\n\nコピー先に存在しないオフスクリーンを指定しました\n\n"
        "FILE : start\nLINE : 3\n\nコピー先に存在しないオフスクリーンを指定しました\n\n"
        "FILE : start\nLINE : 5\n\n「.tpr font magnification」に失敗しました\n\n"
        "FILE : start\nLINE : 6\n\n「.tpr font magnification」に失敗しました\n\n");
    auto const& off0 = engine().graphics.offscreen_surfaces.at(0);
    // "off" without digits, or with other bytes after it, is off0.
    EXPECT_GT(ink(off0, 0, 0, 16, 32), 20);
    EXPECT_GT(ink(off0, 16, 0, 16, 32), 20);
    EXPECT_EQ(engine().text.print_layer.destination(), &off0);
    // Nothing of it reaches the screen or the display.
    EXPECT_EQ(ink(engine().graphics.screen_surface, 0, 0, 64, 32), 0);
    EXPECT_EQ(ink(engine().graphics.display_surface, 0, 0, 64, 32), 0);
}

TEST_F(TextCommandsTest, PrintingOnTheScreenBehindALongWaitIsStaged)
{
    start(".tsw\n.wat 200\n.tpr screen 0 0 A\n.end\n");
    step(3);
    auto const& graphics = engine().graphics;
    EXPECT_GT(ink(graphics.screen_surface, 0, 0, 16, 32), 20);
    EXPECT_EQ(ink(graphics.display_surface, 0, 0, 16, 32), 0);
    EXPECT_GT(ink(graphics.staging_surface, 0, 0, 16, 32), 20);
    EXPECT_TRUE(graphics.swap_pending);
    EXPECT_EQ(engine().interpreter.wait.frame_delay, 200u);
}

TEST_F(TextCommandsTest, SpeedsAndTextModesAreSetAfterThePendingWait)
{
    start(".wat 300\n.tsp 30 5\n.tct 2 0\n.end\n");
    pass(2);
    EXPECT_EQ(state(), State::PendingTsp);
    EXPECT_EQ(m_game.clock().now(), 300u);
    EXPECT_EQ(window().normal_delay, 100);
    pass();
    EXPECT_EQ(window().normal_delay, 30);
    EXPECT_EQ(window().fast_delay, 5);
    EXPECT_EQ(window().left_text_mode, 1);
    pass(2);
    EXPECT_EQ(window().left_text_mode, 2);
    EXPECT_EQ(window().right_text_mode, 0);
    EXPECT_EQ(m_game.clock().now(), 300u);
}

TEST_F(TextCommandsTest, TpsMovesThePenInScreenCoordinatesByOffsetsOrFromTheLastEnd)
{
    start(".txt space pos 100 50\n.tps 0 150 90\n");
    step(2);
    EXPECT_EQ(layer().pen_x(), 50);
    EXPECT_EQ(layer().pen_y(), 40);
    for (auto const* arguments : { "1 5 -10", "2 3 4", "7 1000 1000" }) {
        if (std::string_view(arguments) == "2 3 4")
            (void)layer().draw_text("A", Flush::No);
        engine().interpreter.current_line.assign(arguments);
        tps_command(engine());
    }
    // Moved by (5, -10) to (55, 30); "A" ended at 71; from there by (3, 4) on a new line.
    EXPECT_EQ(layer().lines()[0].start_x, 55);
    EXPECT_EQ(layer().lines()[0].start_y, 30);
    EXPECT_EQ(layer().current_line(), 1);
    EXPECT_EQ(layer().pen_x(), 74);
    EXPECT_EQ(layer().pen_y(), 34);
}

TEST_F(TextCommandsTest, DefSetsTheEscapeDefaultsAndTargets)
{
    run(".def \\c 1 2\n"
        ".def \\T 2 1\n"
        ".def \\7 other:label\n"
        ".def \\33 ignored\n"
        ".def \\x ignored\n"
        ".end\n");
    EXPECT_EQ(window().click_defaults.left, 1);
    EXPECT_EQ(window().click_defaults.right, 2);
    EXPECT_EQ(window().clear_defaults.left, 2);
    EXPECT_EQ(window().clear_defaults.right, 1);
    EXPECT_EQ(window().sub_targets[7], "other:label");
    EXPECT_EQ(window().sub_targets[3], "");
    engine().interpreter.current_line.assign("\\C 3 0");
    def_command(engine());
    engine().interpreter.current_line.assign("\\t 0 3");
    def_command(engine());
    EXPECT_EQ(window().click_defaults.left, 3);
    EXPECT_EQ(window().clear_defaults.right, 3);
    EXPECT_TRUE(m_game.messages().empty());
}

} // namespace
} // namespace advplay::text
