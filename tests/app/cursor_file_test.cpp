// Cursor files from other projects' test suites, and damaged ones.
#include "app/cursor_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace advplay::app {
namespace {

std::vector<std::uint8_t> read(const std::string& name)
{
    std::ifstream file(std::string(ADVPLAY_TESTDATA_DIR) + "/cur/" + name, std::ios::binary);
    return { std::istreambuf_iterator<char>(file), {} };
}

std::uint32_t pixel(const platform::CursorImage& image, int x, int y)
{
    return image.pixels[static_cast<std::size_t>(y) * image.width + x];
}

TEST(CursorFile, MonochromeCursorsKeepTheirHotSpotsAndMask)
{
    auto const arrow = decode_cursor(read("tk-cursor44-left_ptr.cur"));
    ASSERT_TRUE(arrow);
    EXPECT_EQ(arrow->width, 32);
    EXPECT_EQ(arrow->height, 32);
    EXPECT_EQ(arrow->hot_x, 4);
    EXPECT_EQ(arrow->hot_y, 1);
    int opaque = 0;
    for (auto argb : arrow->pixels) {
        EXPECT_TRUE(argb == 0 || (argb >> 24) == 0xFF);
        opaque += (argb >> 24) == 0xFF;
    }
    // An arrow: some pixels drawn, most of the square transparent.
    EXPECT_GT(opaque, 20);
    EXPECT_LT(opaque, 32 * 32 / 2);
    EXPECT_EQ(pixel(*arrow, 31, 31), 0u);

    auto const watch = decode_cursor(read("tk-cursor96-watch.cur"));
    ASSERT_TRUE(watch);
    EXPECT_EQ(watch->hot_x, 7);
    EXPECT_EQ(watch->hot_y, 7);
}

TEST(CursorFile, TinyCursorsWithOneAndEightBitPalettes)
{
    for (auto const* name : { "mask_1.cur", "mask_L.cur" }) {
        auto const cursor = decode_cursor(read(name));
        ASSERT_TRUE(cursor) << name;
        EXPECT_EQ(cursor->width, 1) << name;
        EXPECT_EQ(cursor->height, 4) << name;
        EXPECT_EQ(cursor->pixels.size(), 4u) << name;
    }
}

TEST(CursorFile, ThirtyTwoBitCursorsUseTheirAlpha)
{
    auto const hat = decode_cursor(read("deerstalker.cur"));
    ASSERT_TRUE(hat);
    EXPECT_EQ(hat->width, 32);
    bool partial = false;
    for (auto argb : hat->pixels) {
        std::uint32_t const alpha = argb >> 24;
        partial = partial || (alpha != 0 && alpha != 0xFF);
    }
    EXPECT_TRUE(partial);
}

TEST(CursorFile, DamagedFilesAreRefused)
{
    EXPECT_FALSE(decode_cursor(read("no_cursors.cur")));
    auto const good = read("tk-cursor44-left_ptr.cur");
    ASSERT_FALSE(good.empty());
    for (std::size_t cut :
        { std::size_t { 0 }, std::size_t { 5 }, std::size_t { 21 }, std::size_t { 60 }, good.size() - 1 }) {
        std::vector<std::uint8_t> const shorter(
            good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut));
        EXPECT_FALSE(decode_cursor(shorter)) << cut;
    }
    std::vector<std::uint8_t> icon = good;
    icon[2] = 1; // an icon, not a cursor
    EXPECT_FALSE(decode_cursor(icon));
    std::vector<std::uint8_t> huge = good;
    huge[22 + 8] = 0xFF; // an image height the file cannot hold
    huge[22 + 9] = 0xFF;
    EXPECT_FALSE(decode_cursor(huge));
    std::vector<std::uint8_t> odd_depth = good;
    odd_depth[22 + 14] = 2;
    EXPECT_FALSE(decode_cursor(odd_depth));
}

} // namespace
} // namespace advplay::app
