// The DIB converter: every depth, palettes, masks, run-length encoding, orientation, clipping, and
// the refusals that keep it inside its buffers; and the 32-bit path with its alpha mask.
#include "graphics/dib.h"

#include "support/bitmap_files.h"

#include <gtest/gtest.h>

namespace advplay::graphics {
namespace {

using testing::Bytes;
using testing::DibSpec;
using testing::Rgb;

constexpr Pixel kRed = 0x7C00;
constexpr Pixel kGreen = 0x03E0;
constexpr Pixel kBlue = 0x001F;
// A colour no converted pixel has, to tell untouched pixels from drawn ones.
constexpr Pixel kUntouched = 0x1234;

Surface blank(std::int32_t width, std::int32_t height)
{
    Surface surface;
    EXPECT_TRUE(surface.create(width, height));
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x)
            surface.at(x, y) = kUntouched;
    }
    return surface;
}

bool draw(Surface& surface, const DibSpec& spec, const Bytes& bits)
{
    Bytes const info = spec.info();
    return draw_dib(surface, info, bits);
}

TEST(Dib, OneBitRowsArePaddedAndStoredBottomUp)
{
    // 9 pixels a row: two bytes of bits, padded to four.
    DibSpec const spec {
        .width = 9, .height = 2, .bit_count = 1, .palette = { { 0, 0, 0 }, { 255, 255, 255 } }
    };
    Bytes const bits {
        0b1000'0000, 0b1000'0000, 0, 0, // bottom row: pixels 0 and 8
        0b0100'0000, 0, 0, 0, // top row: pixel 1
    };
    Surface surface = blank(9, 2);
    ASSERT_TRUE(draw(surface, spec, bits));
    EXPECT_EQ(surface.at(1, 0), kWhite);
    EXPECT_EQ(surface.at(0, 0), kBlack);
    EXPECT_EQ(surface.at(0, 1), kWhite);
    EXPECT_EQ(surface.at(8, 1), kWhite);
    EXPECT_EQ(surface.at(7, 1), kBlack);
}

TEST(Dib, AShortColourTableLeavesTheOtherIndicesBlack)
{
    // biClrUsed 3: only three entries are read, though four bits allow sixteen.
    DibSpec const spec { .width = 4,
        .height = 1,
        .bit_count = 4,
        .colors_used = 3,
        .palette = { { 255, 0, 0 }, { 0, 255, 0 }, { 0, 0, 255 } } };
    Bytes const bits { 0x01, 0x25, 0, 0 };
    Surface surface = blank(4, 1);
    ASSERT_TRUE(draw(surface, spec, bits));
    EXPECT_EQ(surface.at(0, 0), kRed);
    EXPECT_EQ(surface.at(1, 0), kGreen);
    EXPECT_EQ(surface.at(2, 0), kBlue);
    EXPECT_EQ(surface.at(3, 0), kBlack) << "index 5 lies beyond the table";
}

TEST(Dib, AColourTableThatRunsPastTheInfoIsRefused)
{
    // biClrUsed 0 at 8 bits means 256 entries; only two are there.
    DibSpec const spec { .width = 1, .height = 1, .bit_count = 8, .palette = { { 1, 2, 3 }, { 4, 5, 6 } } };
    Surface surface = blank(1, 1);
    EXPECT_FALSE(draw(surface, spec, { 1, 0, 0, 0 }));
    EXPECT_EQ(surface.at(0, 0), kUntouched);
}

TEST(Dib, PaletteColoursKeepTheirTopFiveBits)
{
    DibSpec const spec { .width = 2,
        .height = 1,
        .bit_count = 8,
        .colors_used = 2,
        .palette = { { 0xFF, 0x80, 0x07 }, { 0x08, 0x10, 0x18 } } };
    Surface surface = blank(2, 1);
    ASSERT_TRUE(draw(surface, spec, { 0, 1, 0, 0 }));
    EXPECT_EQ(surface.at(0, 0), (31 << 10) | (16 << 5) | 0);
    EXPECT_EQ(surface.at(1, 0), (1 << 10) | (2 << 5) | 3);
}

TEST(Dib, SixteenBitsAre555UnlessMasksSayOtherwise)
{
    Surface surface = blank(2, 1);
    // 555 without masks: the stored value is the pixel, bit 15 aside.
    ASSERT_TRUE(draw(surface, { .width = 2, .height = 1, .bit_count = 16 }, { 0x34, 0x92, 0x1F, 0x00 }));
    EXPECT_EQ(surface.at(0, 0), 0x1234);
    EXPECT_EQ(surface.at(1, 0), kBlue);

    // 565: green loses its lowest bit.
    DibSpec const rgb565 {
        .width = 2, .height = 1, .bit_count = 16, .compression = 3, .masks = { 0xF800, 0x07E0, 0x001F }
    };
    ASSERT_TRUE(draw(surface, rgb565, { 0xE0, 0x07, 0x00, 0xF8 }));
    EXPECT_EQ(surface.at(0, 0), kGreen);
    EXPECT_EQ(surface.at(1, 0), kRed);
    ASSERT_TRUE(draw(surface, rgb565, { 0x20, 0x00, 0x40, 0x00 }));
    EXPECT_EQ(surface.at(0, 0), 0) << "green 1 of 63 is below the fifth bit";
    EXPECT_EQ(surface.at(1, 0), 1 << 5);

    // 4444: narrow channels repeat their bits, so 15 is full and 8 is 0x88.
    DibSpec const rgb444 {
        .width = 2, .height = 1, .bit_count = 16, .compression = 3, .masks = { 0x0F00, 0x00F0, 0x000F }
    };
    ASSERT_TRUE(draw(surface, rgb444, { 0x80, 0x0F, 0x08, 0x00 }));
    EXPECT_EQ(surface.at(0, 0), (31 << 10) | (0x88 >> 3 << 5));
    EXPECT_EQ(surface.at(1, 0), 0x88 >> 3);
}

TEST(Dib, MasksMustBeContiguous)
{
    DibSpec const spec {
        .width = 1, .height = 1, .bit_count = 16, .compression = 3, .masks = { 0xF000, 0x0A00, 0x001F }
    };
    Surface surface = blank(1, 1);
    EXPECT_FALSE(draw(surface, spec, { 0, 0, 0, 0 }));
    EXPECT_EQ(surface.at(0, 0), kUntouched);
}

TEST(Dib, TwentyFourAndThirtyTwoBits)
{
    Surface surface = blank(2, 1);
    ASSERT_TRUE(
        draw(surface, { .width = 2, .height = 1, .bit_count = 24 }, { 0x07, 0x80, 0xFF, 0xFF, 0, 0, 0, 0 }));
    EXPECT_EQ(surface.at(0, 0), (31 << 10) | (16 << 5));
    EXPECT_EQ(surface.at(1, 0), kBlue);

    ASSERT_TRUE(
        draw(surface, { .width = 2, .height = 1, .bit_count = 32 }, { 0xFF, 0, 0, 0x12, 0, 0, 0xFF, 0x34 }));
    EXPECT_EQ(surface.at(0, 0), kBlue);
    EXPECT_EQ(surface.at(1, 0), kRed);
    EXPECT_EQ(surface.alpha_mask(), nullptr) << "only the 32-bit path makes a mask";

    // 10 bits a channel: the top five of each.
    DibSpec const wide { .width = 1,
        .height = 1,
        .bit_count = 32,
        .compression = 3,
        .masks = { 0x3FF00000, 0x000FFC00, 0x000003FF } };
    ASSERT_TRUE(draw(surface, wide, { 0xFF, 0x03, 0x00, 0x20 }));
    EXPECT_EQ(surface.at(0, 0), (16 << 10) | 31) << "red 0x200, green 0, blue 0x3FF";
}

TEST(Dib, LongerHeadersHoldTheirMasks)
{
    for (std::uint32_t size : { 52u, 56u, 108u, 124u }) {
        SCOPED_TRACE(size);
        DibSpec const spec { .header_size = size,
            .width = 1,
            .height = 1,
            .bit_count = 16,
            .compression = 3,
            .masks = { 0xF800, 0x07E0, 0x001F } };
        Surface surface = blank(1, 1);
        ASSERT_TRUE(draw(surface, spec, { 0x00, 0xF8, 0, 0 }));
        EXPECT_EQ(surface.at(0, 0), kRed);
    }
    // An OS/2 2.x header of 64 bytes is not drawn.
    Surface surface = blank(1, 1);
    EXPECT_FALSE(
        draw(surface, { .header_size = 64, .width = 1, .height = 1, .bit_count = 24 }, { 0, 0, 0, 0 }));
}

TEST(Dib, CoreHeadersHaveSixteenBitSizesAndColourTriples)
{
    DibSpec const spec { .header_size = 12,
        .width = 3,
        .height = 2,
        .bit_count = 1,
        .palette = { { 0, 0, 255 }, { 255, 0, 0 } } };
    Bytes const info = spec.info();
    ASSERT_EQ(info.size(), 12u + 2 * 3);
    Surface surface = blank(3, 2);
    ASSERT_TRUE(draw_dib(surface, info, Bytes { 0b1010'0000, 0, 0, 0, 0b0100'0000, 0, 0, 0 }));
    EXPECT_EQ(surface.at(0, 1), kRed);
    EXPECT_EQ(surface.at(1, 1), kBlue);
    EXPECT_EQ(surface.at(2, 1), kRed);
    EXPECT_EQ(surface.at(1, 0), kRed);
    EXPECT_EQ(surface.at(0, 0), kBlue);
}

TEST(Dib, ATopDownBitmapKeepsItsRowOrder)
{
    Surface surface = blank(1, 2);
    ASSERT_TRUE(
        draw(surface, { .width = 1, .height = -2, .bit_count = 24 }, { 0xFF, 0, 0, 0, 0, 0, 0xFF, 0 }));
    EXPECT_EQ(surface.at(0, 0), kBlue);
    EXPECT_EQ(surface.at(0, 1), kRed);
}

TEST(Dib, PixelDataMustCoverTheBitmapExceptTheLastRowsPadding)
{
    DibSpec const spec { .width = 1, .height = 2, .bit_count = 24 };
    Surface surface = blank(1, 2);
    EXPECT_TRUE(draw(surface, spec, { 0, 0, 0xFF, 0, 0xFF, 0, 0 }))
        << "7 bytes: the top row lacks its pad byte";
    EXPECT_EQ(surface.at(0, 0), kBlue);
    surface = blank(1, 2);
    EXPECT_FALSE(draw(surface, spec, { 0, 0, 0xFF, 0, 0xFF, 0 }));
    EXPECT_EQ(surface.at(0, 0), kUntouched);
    EXPECT_EQ(surface.at(0, 1), kUntouched);
}

TEST(Dib, WhatLiesBeyondTheSurfaceIsCutOff)
{
    DibSpec const spec { .width = 3,
        .height = 3,
        .bit_count = 8,
        .colors_used = 9,
        .palette = { { 8, 0, 0 }, { 16, 0, 0 }, { 24, 0, 0 }, { 32, 0, 0 }, { 40, 0, 0 }, { 48, 0, 0 },
            { 56, 0, 0 }, { 64, 0, 0 }, { 72, 0, 0 } } };
    // Bottom row 0 1 2, middle 3 4 5, top 6 7 8.
    Bytes const bits { 0, 1, 2, 0, 3, 4, 5, 0, 6, 7, 8, 0 };
    Surface small = blank(2, 2);
    ASSERT_TRUE(draw(small, spec, bits));
    EXPECT_EQ(small.at(0, 0), 7 << 10);
    EXPECT_EQ(small.at(1, 0), 8 << 10);
    EXPECT_EQ(small.at(0, 1), 4 << 10);
    Surface large = blank(4, 4);
    ASSERT_TRUE(draw(large, spec, bits));
    EXPECT_EQ(large.at(0, 0), 7 << 10);
    EXPECT_EQ(large.at(2, 2), 3 << 10);
    EXPECT_EQ(large.at(3, 0), kUntouched);
    EXPECT_EQ(large.at(0, 3), kUntouched);
}

TEST(Dib, ImpossibleHeadersAreRefused)
{
    Surface surface = blank(1, 1);
    for (DibSpec const& spec : {
             DibSpec { .width = 0, .height = 1, .bit_count = 24 },
             DibSpec { .width = -1, .height = 1, .bit_count = 24 },
             DibSpec { .width = 1, .height = 0, .bit_count = 24 },
             DibSpec { .width = 1, .height = 1, .bit_count = 2 },
             DibSpec { .width = 1, .height = 1, .bit_count = 64 },
             DibSpec { .width = 1, .height = 1, .bit_count = 24, .compression = 4 },
             DibSpec { .width = 1, .height = 1, .bit_count = 24, .compression = 1 },
             DibSpec { .width = 1, .height = 1, .bit_count = 8, .compression = 2 },
             DibSpec { .width = 1,
                       .height = 1,
                       .bit_count = 24,
                       .compression = 3,
                       .masks = { 0xFF, 0xFF00, 0xFF0000 } },
             DibSpec { .width = 100000, .height = 100000, .bit_count = 24 },
         }) {
        EXPECT_FALSE(draw(surface, spec, Bytes(64)));
    }
    EXPECT_EQ(surface.at(0, 0), kUntouched);
    EXPECT_FALSE(dib_bits_size({ .width = 100000, .height = 100000, .bit_count = 24 }));
    EXPECT_FALSE(draw_dib(surface, Bytes { 40, 0, 0 }, Bytes(4))) << "a header cut short";
}

// ---------------------------------------------------------------------------------------------------
// Run-length encoding
// ---------------------------------------------------------------------------------------------------

DibSpec rle_spec(std::uint16_t bit_count, std::int32_t width, std::int32_t height)
{
    DibSpec spec { .width = width,
        .height = height,
        .bit_count = bit_count,
        .compression = bit_count == 8 ? 1u : 2u,
        .colors_used = 16 };
    for (std::uint8_t i = 0; i < 16; ++i)
        spec.palette.push_back({ static_cast<std::uint8_t>(i * 8), 0, 0 });
    return spec;
}

Pixel index_colour(int index)
{
    return static_cast<Pixel>(index << 10);
}

TEST(Dib, Rle8RunsAbsoluteGroupsLineEndsAndDeltas)
{
    Bytes const bits {
        3, 1, // bottom line: three of index 1
        0, 3, 2, 3, 4, 0, // then the three indices 2 3 4, padded to a word
        0, 0, // end of line
        0, 2, 1, 1, // delta: one right, one up: line 2, x 1
        2, 5, // two of index 5
        0, 1, // end of bitmap
        9, 9, // never read
    };
    Surface surface = blank(8, 3);
    ASSERT_TRUE(draw(surface, rle_spec(8, 8, 3), bits));
    // Line 0 is the bottom row (y 2).
    for (int x = 0; x < 3; ++x)
        EXPECT_EQ(surface.at(x, 2), index_colour(1));
    EXPECT_EQ(surface.at(3, 2), index_colour(2));
    EXPECT_EQ(surface.at(5, 2), index_colour(4));
    EXPECT_EQ(surface.at(6, 2), kUntouched) << "pixels an RLE bitmap skips keep what the surface held";
    EXPECT_EQ(surface.at(0, 1), kUntouched) << "the end of line moved past line 1";
    EXPECT_EQ(surface.at(0, 0), kUntouched) << "the delta moved to x 1";
    EXPECT_EQ(surface.at(1, 0), index_colour(5));
    EXPECT_EQ(surface.at(2, 0), index_colour(5));
    EXPECT_EQ(surface.at(3, 0), kUntouched) << "the bitmap ended";
}

TEST(Dib, Rle4AlternatesNibbles)
{
    Bytes const bits {
        5,
        0x12, // 1 2 1 2 1
        0,
        3,
        0x34,
        0x50, // absolute 3 4 5: two bytes, already a whole word
        0,
        1,
    };
    Surface surface = blank(8, 1);
    ASSERT_TRUE(draw(surface, rle_spec(4, 8, 1), bits));
    int const expected[] = { 1, 2, 1, 2, 1, 3, 4, 5 };
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(surface.at(x, 0), index_colour(expected[x])) << x;
}

TEST(Dib, RleDataThatEndsEarlyEndsTheBitmap)
{
    Surface surface = blank(4, 2);
    // Runs past the width and a line beyond the top are dropped; the data just stops.
    ASSERT_TRUE(draw(surface, rle_spec(8, 4, 2), { 6, 3, 0, 0, 0, 2, 0, 5, 0, 5, 4 }));
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(surface.at(x, 1), index_colour(3));
    EXPECT_EQ(surface.at(0, 0), kUntouched);
    // An absolute group cut off by the end of the data draws what is there.
    surface = blank(4, 1);
    ASSERT_TRUE(draw(surface, rle_spec(8, 4, 1), { 0, 4, 7, 8 }));
    EXPECT_EQ(surface.at(0, 0), index_colour(7));
    EXPECT_EQ(surface.at(1, 0), index_colour(8));
    EXPECT_EQ(surface.at(2, 0), kUntouched);
}

TEST(Dib, ATopDownRleBitmapIsRefused)
{
    Surface surface = blank(2, 2);
    EXPECT_FALSE(draw(surface, rle_spec(8, 2, -2), { 2, 1, 0, 1 }));
    EXPECT_EQ(surface.at(0, 0), kUntouched);
}

// ---------------------------------------------------------------------------------------------------
// The 32-bit path
// ---------------------------------------------------------------------------------------------------

TEST(Dib, BgraRowsFillPixelsAndMaskBottomUp)
{
    Surface surface = blank(2, 2);
    Bytes const bits {
        0xFF, 0, 0, 10, 0, 0xFF, 0, 20, // bottom row
        0, 0, 0xFF, 30, 8, 8, 8, 40, // top row
    };
    ASSERT_TRUE(draw_bgra(surface, 2, 2, bits));
    ASSERT_NE(surface.alpha_mask(), nullptr);
    EXPECT_EQ(surface.at(0, 0), kRed);
    EXPECT_EQ(surface.at(1, 0), 0x0421);
    EXPECT_EQ(surface.at(0, 1), kBlue);
    EXPECT_EQ(surface.at(1, 1), kGreen);
    EXPECT_EQ(surface.alpha_mask()[0], 30) << "the mask's first row is the file's last";
    EXPECT_EQ(surface.alpha_mask()[1], 40);
    EXPECT_EQ(surface.alpha_mask()[2], 10);
    EXPECT_EQ(surface.alpha_mask()[3], 20);

    ASSERT_TRUE(draw_bgra(surface, 2, -2, bits)) << "top down";
    EXPECT_EQ(surface.at(0, 0), kBlue);
    EXPECT_EQ(surface.alpha_mask()[0], 10);
}

TEST(Dib, BgraOutsideTheBitmapIsTransparentAndShortDataIsRefused)
{
    Surface surface = blank(3, 1);
    ASSERT_TRUE(draw_bgra(surface, 1, 1, Bytes { 0, 0, 0xFF, 0xFF }));
    EXPECT_EQ(surface.at(0, 0), kRed);
    EXPECT_EQ(surface.at(1, 0), kUntouched);
    EXPECT_EQ(surface.alpha_mask()[0], 0xFF);
    EXPECT_EQ(surface.alpha_mask()[1], 0);

    Surface other = blank(2, 2);
    EXPECT_FALSE(draw_bgra(other, 2, 2, Bytes(15)));
    EXPECT_EQ(other.alpha_mask(), nullptr);
    EXPECT_EQ(other.at(0, 0), kUntouched);
    EXPECT_FALSE(draw_bgra(other, 100000, 100000, Bytes(16)));
    Surface empty;
    EXPECT_FALSE(draw_bgra(empty, 1, 1, Bytes(4)));
}

} // namespace
} // namespace advplay::graphics
