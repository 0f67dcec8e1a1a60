// Golden pictures of the message window drawn with the installed IPA fonts: a page with shadow,
// edge and magnification 2, and a list of choices with the one under the cursor highlighted. The
// display is compared pixel for pixel with golden/NAME.expected.png; a mismatch names the first bad
// pixel and writes NAME.actual.png beside it. UPDATE_GOLDEN=1 writes the expected pictures anew.
#include "platform/posix/png_writer.h"
#include "text/text_fixture.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <filesystem>

namespace advplay::text {
namespace {

using namespace testing_support;

std::filesystem::path golden_folder()
{
    return std::filesystem::path(__FILE__).parent_path() / "golden";
}

// RGB555 to 24-bit RGB, each channel widened as screenshots widen it.
std::vector<std::uint8_t> rgb_of(const graphics::Surface& surface)
{
    std::vector<std::uint8_t> rgb;
    rgb.reserve(static_cast<std::size_t>(surface.width()) * surface.height() * 3);
    for (int y = 0; y < surface.height(); ++y) {
        for (int x = 0; x < surface.width(); ++x) {
            graphics::ColorRef const color = graphics::pixel_to_color(surface.at(x, y));
            rgb.push_back(static_cast<std::uint8_t>(color));
            rgb.push_back(static_cast<std::uint8_t>(color >> 8));
            rgb.push_back(static_cast<std::uint8_t>(color >> 16));
        }
    }
    return rgb;
}

std::optional<std::vector<std::uint8_t>> read_png_rgb(
    const std::filesystem::path& path, int width, int height)
{
    png_image image {};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return std::nullopt;
    image.format = PNG_FORMAT_RGB;
    if (static_cast<int>(image.width) != width || static_cast<int>(image.height) != height) {
        png_image_free(&image);
        return std::nullopt;
    }
    std::vector<std::uint8_t> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr))
        return std::nullopt;
    return rgb;
}

void expect_golden(const graphics::Surface& surface, const std::string& name)
{
    std::vector<std::uint8_t> const actual = rgb_of(surface);
    auto const expected_path = golden_folder() / (name + ".expected.png");
    auto const actual_path = golden_folder() / (name + ".actual.png");
    char const* update = std::getenv("UPDATE_GOLDEN");
    if (update && std::string_view(update) == "1") {
        ASSERT_TRUE(
            platform::write_png_rgb(expected_path.string(), surface.width(), surface.height(), actual));
        return;
    }
    auto const expected = read_png_rgb(expected_path, surface.width(), surface.height());
    ASSERT_TRUE(expected) << "cannot read " << expected_path;
    for (std::size_t i = 0; i < actual.size(); i += 3) {
        if (actual[i] == (*expected)[i] && actual[i + 1] == (*expected)[i + 1]
            && actual[i + 2] == (*expected)[i + 2])
            continue;
        (void)platform::write_png_rgb(actual_path.string(), surface.width(), surface.height(), actual);
        std::size_t const pixel = i / 3;
        FAIL() << name << ": first difference at (" << pixel % static_cast<std::size_t>(surface.width())
               << ", " << pixel / static_cast<std::size_t>(surface.width()) << "); see " << actual_path;
    }
    std::filesystem::remove(actual_path);
}

class TextGoldenTest : public TextGame { };

TEST_F(TextGoldenTest, PageWithShadowEdgeAndMagnificationTwo)
{
    start(".pic screen #204060\n"
          ".txt font magnification 2\n"
          ".txt font offset 2\n"
          ".txt font edge 1\n"
          ".txt font color usual #FFFF80\n"
          ".txt font color shadow #400000\n"
          ".txt space size 560 600 440\n"
          ".txt space pos 40 40\n"
          ".tsw\n"
          ".tsp 0 0\n"
          "吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。\n"
          "Hello, world! 0123456789 ＡＢＣ\n"
          ".txt font size 24\n"
          ".txt font edge 0\n"
          "小さな文字で、影だけ。\n"
          ".clk 0 0\n");
    ASSERT_TRUE(pass_until(State::ClickWait));
    EXPECT_EQ(layer().current_line(), 4);
    expect_golden(engine().graphics.display_surface, "page");
}

TEST_F(TextGoldenTest, ChoicesWithTheOneUnderTheCursorHighlighted)
{
    start(".pic screen #204060\n"
          ".txt font color selected #FFFF00\n"
          ".txt font color selectedshadow #800000\n"
          ".txt font color notselected #A0A0A0\n"
          ".txt font offset 2\n"
          ".txt space pos 40 100\n"
          ".tsw\n"
          "どちらへ行こうか。\n"
          ".slt add 東の森へ行く :a\n"
          ".slt add 西の村へ戻る :b\n"
          ".slt add ここで休む :c\n"
          ".slt exec\n");
    m_game.window().warp_cursor({ 60, 170 });
    ASSERT_TRUE(pass_until(State::ChoiceWait));
    pass();
    ASSERT_EQ(engine().text.choices.hovered_choice, 2);
    expect_golden(engine().graphics.display_surface, "choices");
}

} // namespace
} // namespace advplay::text
