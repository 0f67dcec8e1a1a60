// TextLayer on its own: boxes with shadow and edge, wrapping and hanging characters, the settings
// that move the pen, the rule that geometry changes only while the layer is empty, and the pixels of
// the magnified drawing and its reduced copy.
#include "text/text_layer.h"

#include "graphics/compose.h"
#include "text/text_fixture.h"

#include <gtest/gtest.h>

namespace advplay::text {
namespace {

using testing_support::BlockFonts;

constexpr graphics::ColorRef kRed = 0x0000FF;
constexpr graphics::ColorRef kBlue = 0xFF0000;
constexpr graphics::Pixel kRedPixel = graphics::color_to_pixel(kRed);
constexpr graphics::Pixel kBluePixel = graphics::color_to_pixel(kBlue);
constexpr graphics::Pixel kMagentaPixel = graphics::color_to_pixel(0xFF00FF);

class TextLayerTest : public ::testing::Test {
protected:
    TextLayerTest()
    {
        EXPECT_TRUE(m_destination.create(640, 480));
        m_layer.attach_fonts(&m_fonts, [this](std::string_view note) { m_notes.emplace_back(note); });
    }
    void init(std::int32_t wrap = 600, std::int32_t surface = 640, std::int32_t magnification = 1)
    {
        ASSERT_TRUE(m_layer.init(&m_destination, wrap, surface, 480, magnification));
    }
    // Draws one character with the pen at (x, y) on an emptied layer and returns its box.
    graphics::Box box_at(std::int32_t x, std::int32_t y, std::string_view character = "A")
    {
        m_layer.clear_all();
        m_layer.move_to(x, y);
        return m_layer.draw_text(character, Flush::No);
    }
    graphics::Pixel layer_pixel(int x, int y) const { return m_layer.surface().at(x, y); }

    BlockFonts m_fonts;
    graphics::Surface m_destination;
    TextLayer m_layer;
    std::vector<std::string> m_notes;
};

TEST_F(TextLayerTest, InitGivesTheDefaultFontAndAnEmptyTransparentLayer)
{
    init();
    ASSERT_EQ(m_fonts.requests.size(), 1u);
    EXPECT_EQ(m_fonts.requests[0].name, testing::sjis("ＭＳ ゴシック"));
    EXPECT_EQ(m_fonts.requests[0].height, 32);
    EXPECT_EQ(m_fonts.requests[0].weight, 400);
    EXPECT_TRUE(m_layer.empty());
    EXPECT_EQ(m_layer.surface().width(), 640);
    EXPECT_EQ(m_layer.surface().height(), 480);
    EXPECT_EQ(layer_pixel(0, 0), kMagentaPixel);
    EXPECT_EQ(layer_pixel(639, 479), kMagentaPixel);
}

TEST_F(TextLayerTest, BoxesReachAsFarAsTheShadowAndTheEdge)
{
    init();
    // "A" is 16 wide at size 32.
    m_layer.shadow_offset = 2;
    EXPECT_EQ(box_at(10, 20), (graphics::Box { 10, 20, 28, 54 }));
    m_layer.shadow_offset = -2;
    EXPECT_EQ(box_at(10, 20), (graphics::Box { 8, 18, 26, 52 }));
    m_layer.shadow_offset = 0;
    m_layer.edge = true;
    EXPECT_EQ(box_at(10, 20), (graphics::Box { 9, 19, 27, 53 }));
    // The edge grows the box only where the shadow does not already reach.
    m_layer.shadow_offset = 2;
    EXPECT_EQ(box_at(10, 20), (graphics::Box { 9, 19, 28, 54 }));
    m_layer.shadow_offset = -2;
    EXPECT_EQ(box_at(10, 20), (graphics::Box { 8, 18, 27, 53 }));
    // The line's record has the same box and the pen where the character began.
    LineRecord const* line = m_layer.line_info(0);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->box, (graphics::Box { 8, 18, 27, 53 }));
    EXPECT_EQ(line->start_x, 10);
    EXPECT_EQ(line->start_y, 20);
    EXPECT_EQ(m_layer.pen_x(), 26);
    EXPECT_EQ(m_layer.last_end_x(), 26);
    EXPECT_EQ(m_layer.last_end_y(), 20);
}

TEST_F(TextLayerTest, ShadowEdgeAndTextLandOnTheirPixels)
{
    init();
    m_layer.text_color = kRed;
    m_layer.shadow_color = kBlue;
    m_layer.shadow_offset = 2;
    m_layer.edge = true;
    // "." inks only the pixel at the pen.
    (void)box_at(10, 20, ".");
    EXPECT_EQ(layer_pixel(10, 20), kRedPixel);
    EXPECT_EQ(layer_pixel(12, 22), kBluePixel);
    EXPECT_EQ(layer_pixel(10, 19), kBluePixel);
    EXPECT_EQ(layer_pixel(9, 20), kBluePixel);
    EXPECT_EQ(layer_pixel(11, 20), kBluePixel);
    EXPECT_EQ(layer_pixel(10, 21), kBluePixel);
    EXPECT_EQ(layer_pixel(11, 21), kMagentaPixel);
    EXPECT_EQ(layer_pixel(9, 19), kMagentaPixel);
    // With offset 0 the shadow lies under the text.
    m_layer.edge = false;
    m_layer.shadow_offset = 0;
    (void)box_at(10, 20, ".");
    EXPECT_EQ(layer_pixel(10, 20), kRedPixel);
    EXPECT_EQ(layer_pixel(12, 22), kMagentaPixel);
    EXPECT_EQ(layer_pixel(10, 19), kMagentaPixel);
}

TEST_F(TextLayerTest, CopyPlacesTheTextAtTheWindowPositionWithoutTheTransparentColour)
{
    init();
    graphics::fill(m_destination, 0x00FF00);
    m_layer.text_color = kRed;
    m_layer.shadow_color = kBlue;
    m_layer.shadow_offset = 1;
    m_layer.window_x = 100;
    m_layer.window_y = 50;
    m_layer.move_to(10, 20);
    (void)m_layer.draw_text(".", Flush::Yes);
    graphics::Pixel const green = graphics::color_to_pixel(0x00FF00);
    EXPECT_EQ(m_destination.at(110, 70), kRedPixel);
    EXPECT_EQ(m_destination.at(111, 71), kBluePixel);
    EXPECT_EQ(m_destination.at(111, 70), green);
    EXPECT_EQ(m_destination.at(10, 20), green);
    // Text whose colour is the transparent colour in RGB555 does not reach the destination.
    m_layer.clear_all();
    graphics::fill(m_destination, 0x00FF00);
    m_layer.text_color = 0xF807F8;
    m_layer.shadow_offset = 0;
    (void)m_layer.draw_text("A", Flush::Yes);
    EXPECT_EQ(testing_support::count_pixels(m_destination, 0, 0, 640, 480, green), 640 * 480);
}

TEST_F(TextLayerTest, TextPartlyLeftOfOrAboveTheDestinationIsCutNotShifted)
{
    for (std::int32_t m : { 1, 2 }) {
        m_layer.clear_all();
        init(600, 640, m);
        graphics::fill(m_destination, 0x00FF00);
        m_layer.text_color = kRed;
        m_layer.window_x = -20;
        m_layer.window_y = -3;
        // "." inks the pixel at its pen, (16, 8), which lands at (-4, 5): off the destination.
        m_layer.move_to(0, 8);
        (void)m_layer.draw_text("A.", Flush::Yes);
        graphics::Pixel const green = graphics::color_to_pixel(0x00FF00);
        // "A" ends at layout x 16: its last column lands at -5, so nothing of it shows either.
        EXPECT_EQ(m_destination.at(0, 5), green) << m;
        EXPECT_EQ(testing_support::count_pixels(m_destination, 0, 0, 640, 480, green), 640 * 480) << m;
        // Drawn further right, the same dot lands where the window position puts it.
        m_layer.move_to(40, 8);
        (void)m_layer.draw_text(".", Flush::Yes);
        EXPECT_NE(m_destination.at(20, 5), green) << m;
        m_layer.window_x = m_layer.window_y = 0;
    }
}

TEST_F(TextLayerTest, MagnificationDrawsLargerAndCopiesTheBlockMean)
{
    init(600, 640, 2);
    ASSERT_EQ(m_fonts.requests.size(), 1u);
    EXPECT_EQ(m_fonts.requests[0].height, 64);
    EXPECT_EQ(m_layer.surface().width(), 1280);
    EXPECT_EQ(m_layer.surface().height(), 960);
    // An extent of 33 at m = 2 is rounded up to 17.
    EXPECT_EQ(m_layer.character_width("W"), 17);
    EXPECT_EQ(m_layer.character_width("A"), 16);
    m_layer.text_color = kRed;
    m_layer.shadow_offset = 0;
    m_layer.move_to(10, 20);
    (void)m_layer.draw_text(".", Flush::Yes);
    // One red pixel of the 2 x 2 block; the three transparent ones count as the black below.
    EXPECT_EQ(layer_pixel(20, 40), kRedPixel);
    EXPECT_EQ(m_destination.at(10, 20), graphics::Pixel { 31 / 4 << 10 });
    EXPECT_EQ(m_destination.at(11, 20), 0);
}

TEST_F(TextLayerTest, CharactersPastTheWrapWidthBeginTheNextLineUnlessTheyHang)
{
    init(96, 140);
    // A box ending on the wrap width stays; one pixel further begins the next line.
    EXPECT_EQ(box_at(80, 0), (graphics::Box { 80, 0, 96, 32 }));
    graphics::Box const moved = box_at(81, 0);
    EXPECT_EQ(moved, (graphics::Box { 0, 32, 16, 64 }));
    EXPECT_EQ(m_layer.current_line(), 1);
    EXPECT_TRUE(m_layer.lines()[0].text.empty());
    EXPECT_EQ(m_layer.lines()[1].text, "A");
    EXPECT_EQ(m_layer.lines()[1].start_y, 32);
    // "、" hangs up to the surface width; "あ" does not.
    std::string const comma = testing::sjis("、");
    EXPECT_EQ(box_at(96, 0, comma), (graphics::Box { 96, 0, 128, 32 }));
    EXPECT_EQ(m_layer.current_line(), 0);
    EXPECT_EQ(box_at(96, 0, testing::sjis("あ")), (graphics::Box { 0, 32, 32, 64 }));
    // Beyond the surface width even a hanging character moves on.
    EXPECT_EQ(box_at(112, 0, comma), (graphics::Box { 0, 32, 32, 64 }));
    for (auto const* hanging :
        { "。", "？", "！", "ー", "）", "」", "』", "☆", "♪", "ぁ", "っ", "ょ", "ァ", "ッ", "ョ" })
        EXPECT_TRUE(is_hanging_character(testing::sjis(hanging))) << hanging;
    for (auto const* plain : { "あ", "（", "「", "ア", "," })
        EXPECT_FALSE(is_hanging_character(testing::sjis(plain))) << plain;
}

TEST_F(TextLayerTest, SizeAndSpacingMoveThePenOfALineAlreadyBegun)
{
    init();
    EXPECT_TRUE(m_layer.set_font_size(24));
    m_layer.set_spacing(4);
    // Nothing drawn yet: the pen stays.
    EXPECT_EQ(m_layer.pen_x(), 0);
    EXPECT_EQ(m_layer.pen_y(), 0);
    EXPECT_TRUE(m_layer.set_font_size(32));
    m_layer.set_spacing(0);
    (void)m_layer.draw_text("A", Flush::No);
    EXPECT_TRUE(m_layer.set_font_size(24));
    EXPECT_EQ(m_layer.pen_y(), 8);
    m_layer.set_spacing(4);
    EXPECT_EQ(m_layer.pen_x(), 20);
    EXPECT_EQ(m_fonts.requests.back().height, 24);
    // The next line comes one font size plus the leading lower.
    m_layer.set_leading(6);
    m_layer.new_line();
    EXPECT_EQ(m_layer.pen_x(), 0);
    EXPECT_EQ(m_layer.pen_y(), 8 + 24 + 6);
}

TEST_F(TextLayerTest, GeometryMagnificationAndTransparencyChangeOnlyWhileEmpty)
{
    init();
    (void)m_layer.draw_text("A", Flush::No);
    EXPECT_FALSE(m_layer.set_geometry(500, 640, 480, 1));
    EXPECT_FALSE(m_layer.set_geometry(600, 640, 480, 2));
    EXPECT_FALSE(m_layer.set_transparent(0x00FF00));
    EXPECT_EQ(m_layer.wrap_width(), 600);
    EXPECT_EQ(m_layer.transparent(), 0xFF00FFu);
    // A new line without text is not empty either.
    m_layer.clear_all();
    m_layer.new_line();
    EXPECT_FALSE(m_layer.empty());
    EXPECT_FALSE(m_layer.set_transparent(0x00FF00));
    m_layer.clear_all();
    EXPECT_TRUE(m_layer.set_transparent(0x00FF00));
    EXPECT_EQ(layer_pixel(5, 5), graphics::color_to_pixel(0x00FF00));
    EXPECT_TRUE(m_layer.set_geometry(500, 600, 400, 3));
    EXPECT_EQ(m_layer.surface().width(), 1800);
    EXPECT_EQ(m_layer.surface().height(), 1200);
    EXPECT_EQ(layer_pixel(1799, 1199), graphics::color_to_pixel(0x00FF00));
    EXPECT_EQ(m_fonts.requests.back().height, 96);
    // Refused shapes change nothing.
    EXPECT_FALSE(m_layer.set_geometry(0, 600, 400, 1));
    EXPECT_FALSE(m_layer.set_geometry(601, 600, 400, 1));
    EXPECT_FALSE(m_layer.set_geometry(500, 600, 0, 1));
    EXPECT_FALSE(m_layer.set_geometry(500, 600, 400, 0));
    EXPECT_FALSE(m_layer.set_geometry(500, 600, 400, 5));
    EXPECT_EQ(m_layer.magnification(), 3);
    EXPECT_EQ(m_layer.wrap_width(), 500);
}

TEST_F(TextLayerTest, WeightsOutside0To1000AreRefused)
{
    init();
    EXPECT_FALSE(m_layer.set_weight(1001));
    EXPECT_FALSE(m_layer.set_weight(-1));
    EXPECT_EQ(m_layer.weight(), 400);
    EXPECT_TRUE(m_layer.set_weight(1000));
    EXPECT_EQ(m_fonts.requests.back().weight, 1000);
    EXPECT_TRUE(m_layer.set_weight(0));
    EXPECT_EQ(m_layer.weight(), 0);
}

TEST_F(TextLayerTest, MovingAwayFromTextStartsANewRecord)
{
    init();
    m_layer.move_to(0, 0);
    m_layer.move_to(5, 6);
    EXPECT_EQ(m_layer.current_line(), 0);
    (void)m_layer.draw_text("A", Flush::No);
    m_layer.move_to(21, 6);
    EXPECT_EQ(m_layer.current_line(), 0);
    m_layer.move_by(10, 0);
    EXPECT_EQ(m_layer.current_line(), 1);
    EXPECT_EQ(m_layer.pen_x(), 31);
    EXPECT_EQ(m_layer.pen_y(), 6);
    (void)m_layer.draw_text("AA", Flush::No);
    m_layer.move_from_last(0, 40);
    EXPECT_EQ(m_layer.current_line(), 2);
    EXPECT_EQ(m_layer.pen_x(), 63);
    EXPECT_EQ(m_layer.pen_y(), 46);
    // clear_all keeps the records for reuse.
    std::size_t const records = m_layer.lines().size();
    m_layer.clear_all();
    m_layer.new_line();
    m_layer.new_line();
    EXPECT_EQ(m_layer.lines().size(), records);
    EXPECT_EQ(m_layer.line_info(3), nullptr);
    EXPECT_EQ(m_layer.line_info(-1), nullptr);
}

TEST_F(TextLayerTest, MeasureAddsTheSpacingBetweenCharacters)
{
    init();
    m_layer.set_spacing(3);
    EXPECT_EQ(m_layer.measure("ab"), 16 + 3 + 16);
    EXPECT_EQ(m_layer.measure(testing::sjis("あa\nbbbb")), 32 + 3 + 16);
    EXPECT_EQ(m_layer.measure(""), -3);
}

TEST_F(TextLayerTest, RedrawKeepsTheLineAndThePenAndClearLineEmptiesTheBox)
{
    init();
    m_layer.text_color = kRed;
    (void)m_layer.draw_text("A\nAA", Flush::No);
    EXPECT_EQ(layer_pixel(0, 0), kRedPixel);
    m_layer.text_color = kBlue;
    m_layer.redraw_line(0, Flush::No);
    EXPECT_EQ(layer_pixel(0, 0), kBluePixel);
    EXPECT_EQ(layer_pixel(0, 32), kRedPixel);
    EXPECT_EQ(m_layer.current_line(), 1);
    EXPECT_EQ(m_layer.pen_x(), 32);
    EXPECT_EQ(m_layer.pen_y(), 32);
    EXPECT_EQ(m_layer.lines()[0].text, "A");
    m_layer.clear_line(1);
    EXPECT_EQ(layer_pixel(0, 32), kMagentaPixel);
    EXPECT_TRUE(m_layer.lines()[1].box.empty());
    EXPECT_TRUE(m_layer.lines()[1].text.empty());
    EXPECT_EQ(layer_pixel(0, 0), kBluePixel);
}

} // namespace
} // namespace advplay::text
