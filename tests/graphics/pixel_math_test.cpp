// The lookup-free pixel arithmetic against its definitions, exhaustively: FadeTable for every level and
// pixel, the saturating forms for every pair of pixels, alpha for every weight and channel pair.
#include "graphics/pixel_math.h"
#include "graphics/pixel_tables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>

namespace advplay::graphics {
namespace {

int red(std::uint32_t p)
{
    return (p >> 10) & 31;
}
int green(std::uint32_t p)
{
    return (p >> 5) & 31;
}
int blue(std::uint32_t p)
{
    return p & 31;
}
Pixel rgb(int r, int g, int b)
{
    return static_cast<Pixel>(r << 10 | g << 5 | b);
}

TEST(PixelTables, FadeTableScalesEachChannelAndNothingElse)
{
    auto const tables = build_pixel_tables();
    ASSERT_TRUE(tables);
    for (int level = 0; level < kLevelCount; ++level) {
        for (int p = 0; p < kPixelCount; ++p) {
            Pixel const expected = rgb(red(p) * level / 31, green(p) * level / 31, blue(p) * level / 31);
            ASSERT_EQ(tables->fade[level][p], expected) << "level " << level << " pixel " << p;
        }
    }
    EXPECT_EQ(tables->fade[16][kWhite], 0x4210);
    EXPECT_EQ(tables->fade[7][kWhite], grey(7));
    for (int p = 0; p < kPixelCount; ++p) {
        auto const& channels = tables->channel[p];
        ASSERT_EQ(rgb(channels[0], channels[1], channels[2]), p);
    }
}

TEST(PixelMath, FadeEqualsFadeTableForEveryLevelAndPixel)
{
    auto const tables = build_pixel_tables();
    ASSERT_TRUE(tables);
    for (std::uint32_t level = 0; level < kLevelCount; ++level) {
        for (int p = 0; p < kPixelCount; ++p)
            ASSERT_EQ(fade(static_cast<Pixel>(p), level), tables->fade[level][p]) << level << " " << p;
    }
}

TEST(PixelMath, LevelTakesTheParameterUnsignedAndClamped)
{
    EXPECT_EQ(level_of(128), 15u);
    EXPECT_EQ(level_of(255), 31u);
    EXPECT_EQ(level_of(254), 30u);
    EXPECT_EQ(level_of(8), 0u);
    EXPECT_EQ(level_of(9), 1u);
    for (std::int32_t p : { 256, 1000, -1, std::numeric_limits<std::int32_t>::min() }) {
        EXPECT_EQ(level_of(p), 31u) << p;
        EXPECT_TRUE(is_full(p)) << p;
    }
    EXPECT_FALSE(is_full(254));
}

// Per channel min(a + b, 31) and max(a - b, 0), as plain functions of registers, so that the loop
// below vectorises even in sanitizer builds.
std::uint32_t channel_sum(std::uint32_t a, std::uint32_t b, unsigned shift)
{
    std::uint32_t const s = ((a >> shift) & 31) + ((b >> shift) & 31);
    return (s < 31 ? s : 31) << shift;
}

std::uint32_t channel_difference(std::uint32_t a, std::uint32_t b, unsigned shift)
{
    std::uint32_t const x = (a >> shift) & 31, y = (b >> shift) & 31;
    return (x > y ? x - y : 0) << shift;
}

std::uint32_t sum_of(std::uint32_t a, std::uint32_t b)
{
    return channel_sum(a, b, 0) | channel_sum(a, b, 5) | channel_sum(a, b, 10);
}

std::uint32_t difference_of(std::uint32_t a, std::uint32_t b)
{
    return channel_difference(a, b, 0) | channel_difference(a, b, 5) | channel_difference(a, b, 10);
}

// Every pair of 15-bit pixels through the one-pixel forms, and through the two-pixel forms with the
// pair reversed in the upper half, so that a carry leaking across the halves shows as well.
TEST(PixelMath, SaturatingFormsMatchPerChannelMinAndMaxForEveryPair)
{
    std::uint32_t bad_single = 0, bad_pair = 0;
    for (std::uint32_t a = 0; a < 32768; ++a) {
        std::uint32_t single = 0, pair = 0;
        for (std::uint32_t b = 0; b < 32768; ++b) {
            std::uint32_t const sum = sum_of(a, b), difference = difference_of(a, b);
            single |= (saturating_add(static_cast<Pixel>(a), static_cast<Pixel>(b)) ^ sum)
                | (saturating_subtract(static_cast<Pixel>(a), static_cast<Pixel>(b)) ^ difference);
            std::uint32_t const ab = a | b << 16, ba = b | a << 16;
            pair |= (saturating_add_pair(ab, ba) ^ (sum | sum << 16))
                | (saturating_subtract_pair(ab, ba) ^ (difference | difference_of(b, a) << 16));
        }
        // Any bit set is a wrong bit in some result.
        bad_single |= single;
        bad_pair |= pair;
    }
    EXPECT_EQ(bad_single, 0u);
    EXPECT_EQ(bad_pair, 0u);
}

TEST(PixelMath, AlphaMixWeighsEveryChannelPairAtEveryMaskValue)
{
    for (int alpha = 0; alpha < 256; ++alpha) {
        int const w = (alpha * 33) >> 8;
        for (int x = 0; x < 32; ++x) {
            for (int y = 0; y < 32; ++y) {
                // Red mixes (x, y), green (y, x), blue (x, 31 - y): every pair in every channel.
                Pixel const d = rgb(x, y, x), s = rgb(y, x, 31 - y);
                auto const mix = [w](int dc, int sc) { return dc * (32 - w) / 32 + sc * w / 32; };
                ASSERT_EQ(alpha_mix(d, s, static_cast<std::uint8_t>(alpha)),
                    rgb(mix(x, y), mix(y, x), mix(x, 31 - y)))
                    << alpha << " " << x << " " << y;
            }
        }
    }
    EXPECT_EQ(alpha_weight(128), 16u);
    EXPECT_EQ(alpha_weight(1), 0u);
    EXPECT_EQ(alpha_weight(255), 32u);
    EXPECT_EQ(alpha_mix(kWhite, kBlack, 128), 0x3DEF);
}

} // namespace
} // namespace advplay::graphics
