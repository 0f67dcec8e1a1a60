// Surface life cycle, colour conversions and the two clipping rules.
#include "graphics/surface.h"

#include <gtest/gtest.h>

#include <limits>

namespace advplay::graphics {
namespace {

TEST(Surface, RowsArePaddedToAnEvenNumberOfPixels)
{
    Surface surface;
    EXPECT_EQ(surface.bits_per_pixel(), 0);
    ASSERT_TRUE(surface.create(3, 2));
    EXPECT_EQ(surface.stride(), 8);
    EXPECT_EQ(&surface.at(0, 1), surface.pixels() + 4);
    EXPECT_EQ(surface.bits_per_pixel(), 16);
    ASSERT_TRUE(surface.create(4, 1));
    EXPECT_EQ(surface.stride(), 8);
    ASSERT_TRUE(surface.create(1, 1));
    EXPECT_EQ(surface.stride(), 4);
}

TEST(Surface, CreateRefusesImpossibleSizesAndThenChangesNothing)
{
    Surface surface;
    EXPECT_TRUE(surface.create(0, 0));
    EXPECT_EQ(surface.width(), 0);
    EXPECT_FALSE(surface.create(0, 5));
    EXPECT_FALSE(surface.create(-1, 5));
    EXPECT_FALSE(surface.create(5, 0));
    ASSERT_TRUE(surface.create(2, 2));
    surface.at(1, 1) = 0x1234;
    EXPECT_FALSE(surface.create(70000, 70000)) << "beyond 2 GiB";
    EXPECT_FALSE(surface.create(5, -1));
    EXPECT_TRUE(surface.create(0, 0));
    EXPECT_EQ(surface.width(), 2);
    EXPECT_EQ(surface.at(1, 1), 0x1234);
}

TEST(Surface, RecreatingReplacesThePixelsAndDropsTheMask)
{
    Surface surface;
    ASSERT_TRUE(surface.create(640, 480));
    ASSERT_TRUE(surface.create_alpha_mask());
    surface.at(0, 0) = 0x7FFF;
    ASSERT_TRUE(surface.create(100, 50));
    EXPECT_EQ(surface.alpha_mask(), nullptr);
    EXPECT_EQ(surface.width(), 100);
    EXPECT_EQ(surface.at(0, 0), 0) << "a new bitmap starts black";
    surface.destroy();
    EXPECT_EQ(surface.pixels(), nullptr);
    EXPECT_FALSE(surface.create_alpha_mask());
}

TEST(Surface, ColoursConvertByDroppingAndRepeatingLowBits)
{
    EXPECT_EQ(parse_color("#FF8000"), 0x80FFu);
    EXPECT_EQ(color_to_pixel(0x80FF), 0x7E00);
    EXPECT_EQ(color_to_pixel(0xFFFFFF), 0x7FFF);
    EXPECT_EQ(color_to_pixel(0x070707), 0);
    EXPECT_EQ(parse_color("red"), 0u);
    for (int p = 0; p < 32768; ++p)
        ASSERT_EQ(color_to_pixel(pixel_to_color(static_cast<Pixel>(p))), p);
    EXPECT_EQ(kExpandTable[4], 33);
    EXPECT_EQ(kExpandTable[31], 255);

    Surface surface;
    EXPECT_EQ(surface.pixel_color(0, 0), 0u) << "an empty surface reads black";
    ASSERT_TRUE(surface.create(2, 1));
    surface.at(0, 0) = 0x7FFF;
    surface.at(1, 0) = 0x0421;
    EXPECT_EQ(surface.pixel_color(0, 0), 0xFFFFFFu);
    EXPECT_EQ(surface.pixel_color(1, 0), 0x080808u);
    EXPECT_EQ(surface.pixel_color(2, 0), 0u);
}

BlitRect clipped(BlitRect rect, std::int32_t dw, std::int32_t dh, std::int32_t sw, std::int32_t sh, bool& ok)
{
    ok = clip_blit(rect, dw, dh, sw, sh);
    return rect;
}

TEST(Clip, BlitCutsSourceThenDestinationKeepingAlignment)
{
    bool ok = false;
    struct Case {
        BlitRect in;
        std::int32_t dw, dh, sw, sh;
        bool ok;
        BlitRect out;
    };
    constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
    constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
    Case const cases[] = {
        // 100 wide at dx -30: 70 columns from source column 30 to destination column 0.
        { { -30, 0, 100, 10, 0, 0 }, 640, 480, 640, 480, true, { 0, 0, 70, 10, 30, 0 } },
        // Left of the source: the destination moves right by as much.
        { { 5, 5, 20, 20, -8, -3 }, 640, 480, 640, 480, true, { 13, 8, 12, 17, 0, 0 } },
        // Cut to the source first (10 wide), then to the destination (4 left).
        { { 6, 0, 50, 1, -2, 0 }, 10, 1, 10, 1, true, { 8, 0, 2, 1, 0, 0 } },
        { { 0, 0, 50, 1, 7, 0 }, 640, 1, 10, 1, true, { 0, 0, 3, 1, 7, 0 } },
        // Right and bottom edges, one pixel in and one pixel out.
        { { 639, 479, 5, 5, 0, 0 }, 640, 480, 640, 480, true, { 639, 479, 1, 1, 0, 0 } },
        { { 640, 0, 5, 5, 0, 0 }, 640, 480, 640, 480, false, {} },
        { { -4, 0, 5, 1, 0, 0 }, 640, 480, 640, 480, true, { 0, 0, 1, 1, 4, 0 } },
        { { -5, 0, 5, 1, 0, 0 }, 640, 480, 640, 480, false, {} },
        { { 0, 0, 5, 1, -5, 0 }, 640, 480, 640, 480, false, {} },
        // A source position at or beyond the source fails even onto a valid destination.
        { { 0, 0, 5, 5, 10, 0 }, 640, 480, 10, 10, false, {} },
        { { 0, 0, 0, 5, 0, 0 }, 640, 480, 640, 480, false, {} },
        // Script values at the ends of int32 neither wrap nor escape the surfaces.
        { { 0, 0, kMax, kMax, 10, 10 }, 640, 480, 100, 100, true, { 0, 0, 90, 90, 10, 10 } },
        { { kMin, 0, kMax, 1, 0, 0 }, 640, 480, 640, 480, false, {} },
        { { 5, 5, kMax, 1, kMin + 1, 0 }, 640, 480, 640, 480, false, {} },
        // An empty source leaves nothing.
        { { -3, 0, 5, 1, -2, 0 }, 640, 480, 0, 0, false, {} },
    };
    for (auto const& c : cases) {
        BlitRect const out = clipped(c.in, c.dw, c.dh, c.sw, c.sh, ok);
        EXPECT_EQ(ok, c.ok) << c.in.x << "," << c.in.y << " from " << c.in.sx << "," << c.in.sy;
        if (ok && c.ok) {
            EXPECT_EQ(out, c.out) << c.in.x << "," << c.in.y << " from " << c.in.sx << "," << c.in.sy;
        }
    }
}

TEST(Clip, FillCutsAgainstTheSurfaceAlone)
{
    Rect rect { -3, 470, 10, 20 };
    ASSERT_TRUE(clip_fill(rect, 640, 480));
    EXPECT_EQ(rect, (Rect { 0, 470, 7, 10 }));
    for (Rect bad :
        { Rect { -10, 0, 10, 1 }, Rect { 640, 0, 1, 1 }, Rect { 0, 0, 1, 0 }, Rect { 0, 480, 1, 1 } })
        EXPECT_FALSE(clip_fill(bad, 640, 480)) << bad.x << "," << bad.y;
    Rect any { 0, 0, 1, 1 };
    EXPECT_FALSE(clip_fill(any, 0, 0));
}

} // namespace
} // namespace advplay::graphics
