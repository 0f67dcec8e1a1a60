// Composition: every method's per-pixel rule and parameter ranges, the kernels against FadeTable and
// the per-channel definitions, the same-surface guard, overlapping copies, alpha and reduce.
#include "graphics/compose.h"
#include "graphics/pixel_math.h"
#include "graphics/pixel_tables.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <random>
#include <vector>

namespace advplay::graphics {
namespace {

Pixel rgb(int r, int g, int b)
{
    return static_cast<Pixel>(r << 10 | g << 5 | b);
}

Surface solid(std::int32_t w, std::int32_t h, Pixel value)
{
    Surface surface;
    EXPECT_TRUE(surface.create(w, h));
    fill(surface, pixel_to_color(value));
    return surface;
}

Surface row_of(std::initializer_list<Pixel> pixels)
{
    Surface surface;
    EXPECT_TRUE(surface.create(static_cast<std::int32_t>(pixels.size()), 1));
    std::copy(pixels.begin(), pixels.end(), surface.row(0));
    return surface;
}

std::vector<Pixel> pixels_of(const Surface& surface)
{
    std::vector<Pixel> pixels;
    for (std::int32_t y = 0; y < surface.height(); ++y)
        pixels.insert(pixels.end(), surface.row(y), surface.row(y) + surface.width());
    return pixels;
}

// 256 x 128: every pixel value once, in order.
Surface every_pixel()
{
    Surface surface;
    EXPECT_TRUE(surface.create(256, 128));
    for (int p = 0; p < kPixelCount; ++p)
        surface.at(p % 256, p / 256) = static_cast<Pixel>(p);
    return surface;
}

// The smallest parameter that gives `level` (levels 0..30; 31 needs 255).
std::int32_t parameter_for(std::uint32_t level)
{
    std::int32_t p = 1;
    while (level_of(p) != level)
        ++p;
    return p;
}

const FadeTable& fade_table()
{
    static std::unique_ptr<PixelTables> const tables = build_pixel_tables();
    return tables->fade;
}

constexpr Rect kAll { 0, 0, 256, 128 };
constexpr Pixel kKey = 0x1234;

// The kernels compute what FadeTable holds, for every level, every source pixel and (through channel
// rotation) unrelated destination pixels; key pixels leave the destination alone.
TEST(Compose, FadingMethodsEqualFadeTableAtEveryLevel)
{
    auto const& F = fade_table();
    Surface const source = every_pixel();
    ColorRef const key = pixel_to_color(kKey);
    auto const rotated = [](int p) { return static_cast<Pixel>(((p << 5) | (p >> 10)) & 0x7FFF); };
    for (std::uint32_t level = 0; level < 31; ++level) {
        std::int32_t const P = parameter_for(level);
        auto check = [&](const char* what, auto draw, auto expected) {
            Surface target = every_pixel();
            for (int p = 0; p < kPixelCount; ++p)
                target.at(p % 256, p / 256) = rotated(p);
            draw(target);
            for (int p = 0; p < kPixelCount; ++p)
                ASSERT_EQ(target.at(p % 256, p / 256), expected(p, rotated(p)))
                    << what << " level " << level << " p " << p;
        };
        check(
            "blend", [&](Surface& t) { blend(t, kAll, source, 0, 0, P); },
            [&](int s, Pixel d) { return F[level][s] + F[31 - level][d]; });
        check(
            "blend_keyed", [&](Surface& t) { blend_keyed(t, kAll, source, 0, 0, key, P); },
            [&](int s, Pixel d) { return s == kKey ? d : F[level][s] + F[31 - level][d]; });
        check(
            "darken", [&](Surface& t) { darken(t, kAll, source, 0, 0, P); },
            [&](int s, Pixel) { return F[level][s]; });
        check(
            "darken_keyed", [&](Surface& t) { darken_keyed(t, kAll, source, 0, 0, key, P); },
            [&](int s, Pixel d) { return s == kKey ? d : F[level][s]; });
        check(
            "brighten", [&](Surface& t) { brighten(t, kAll, source, 0, 0, P); },
            [&](int s, Pixel) { return F[level][kWhite] + F[31 - level][s]; });
        check(
            "brighten_keyed", [&](Surface& t) { brighten_keyed(t, kAll, source, 0, 0, key, P); },
            [&](int s, Pixel d) { return s == kKey ? d : F[level][kWhite] + F[31 - level][s]; });
        check(
            "blend_color", [&](Surface& t) { blend_color(t, kAll, pixel_to_color(0x5AB3), P); },
            [&](int, Pixel d) { return F[level][0x5AB3] + F[31 - level][d]; });
    }
    // Every pair of channel values in every channel, blended at every level.
    for (std::uint32_t level = 0; level < 31; ++level) {
        Surface target, from;
        ASSERT_TRUE(target.create(32, 32) && from.create(32, 32));
        for (int x = 0; x < 32; ++x)
            for (int y = 0; y < 32; ++y)
                from.at(x, y) = rgb(x, y, x), target.at(x, y) = rgb(y, x, 31 - y);
        blend(target, { 0, 0, 32, 32 }, from, 0, 0, parameter_for(level));
        for (int x = 0; x < 32; ++x)
            for (int y = 0; y < 32; ++y)
                ASSERT_EQ(target.at(x, y), F[level][rgb(x, y, x)] + F[31 - level][rgb(y, x, 31 - y)]);
    }
}

// A sweep of every pair of values in two neighbouring channels at once, the third varying with them,
// so that any carry or borrow between channels shows.
TEST(Compose, AddAndSubtractSaturateEachChannelAlone)
{
    auto const channel = [](Pixel p, int shift) { return (p >> shift) & 31; };
    for (int low_shift : { 0, 5, 10 }) {
        int const high_shift = (low_shift + 5) % 15, other_shift = (low_shift + 10) % 15;
        Surface a, b;
        ASSERT_TRUE(a.create(1024, 1024) && b.create(1024, 1024));
        for (int i = 0; i < 1024; ++i) {
            for (int j = 0; j < 1024; ++j) {
                a.at(i, j) = static_cast<Pixel>(
                    (i & 31) << low_shift | (j & 31) << high_shift | (i >> 5) << other_shift);
                b.at(i, j) = static_cast<Pixel>(
                    (i >> 5) << low_shift | (j >> 5) << high_shift | (j & 31) << other_shift);
            }
        }
        Surface sum = solid(1024, 1024, 0), difference = solid(1024, 1024, 0);
        Rect const whole { 0, 0, 1024, 1024 };
        copy(sum, whole, a, 0, 0);
        copy(difference, whole, a, 0, 0);
        ASSERT_TRUE(add(sum, whole, b, 0, 0));
        ASSERT_TRUE(subtract(difference, whole, b, 0, 0));
        for (int i = 0; i < 1024; ++i) {
            for (int j = 0; j < 1024; ++j) {
                for (int shift : { 0, 5, 10 }) {
                    int const x = channel(a.at(i, j), shift), y = channel(b.at(i, j), shift);
                    ASSERT_EQ(channel(sum.at(i, j), shift), std::min(x + y, 31));
                    ASSERT_EQ(channel(difference.at(i, j), shift), std::max(x - y, 0));
                }
            }
        }
    }
    Surface target = row_of({ 0x4210, 0x0000, 0x7FFF });
    EXPECT_TRUE(add_color(target, { 0, 0, 1, 1 }, pixel_to_color(0x7C00)));
    EXPECT_TRUE(subtract_color(target, { 1, 0, 2, 1 }, pixel_to_color(0x0421)));
    EXPECT_EQ(pixels_of(target), (std::vector<Pixel> { 0x7E10, 0x0000, 0x7BDE }));
}

// Each method at its parameter boundaries on [key, a, b] over [d, d, d].
TEST(Compose, ParameterRangesOfEveryMethod)
{
    auto const& F = fade_table();
    Pixel const d = 0x2D6B, a = 0x7C1F, b = 0x03E0;
    ColorRef const key = pixel_to_color(kKey);
    Rect const r { 0, 0, 3, 1 };
    struct Case {
        const char* name;
        std::function<bool(Surface&, const Surface&)> draw;
        std::vector<Pixel> expected;
    };
    auto const mix = [&](int level, Pixel s) { return static_cast<Pixel>(F[level][s] + F[31 - level][d]); };
    auto const lit
        = [&](int level, Pixel s) { return static_cast<Pixel>(F[level][kWhite] + F[31 - level][s]); };
    Case const cases[] = {
        { "copy", [&](Surface& t, const Surface& s) { return copy(t, r, s, 0, 0); }, { kKey, a, b } },
        { "copy_keyed", [&](Surface& t, const Surface& s) { return copy_keyed(t, r, s, 0, 0, key); },
            { d, a, b } },
        { "blend 0", [&](Surface& t, const Surface& s) { return !blend(t, r, s, 0, 0, 0); }, { d, d, d } },
        { "blend 5", [&](Surface& t, const Surface& s) { return blend(t, r, s, 0, 0, 5); }, { d, d, d } },
        { "blend 128", [&](Surface& t, const Surface& s) { return blend(t, r, s, 0, 0, 128); },
            { mix(15, kKey), mix(15, a), mix(15, b) } },
        { "blend 1000", [&](Surface& t, const Surface& s) { return blend(t, r, s, 0, 0, 1000); },
            { kKey, a, b } },
        { "blend -1", [&](Surface& t, const Surface& s) { return blend(t, r, s, 0, 0, -1); },
            { kKey, a, b } },
        { "blend_keyed 0", [&](Surface& t, const Surface& s) { return !blend_keyed(t, r, s, 0, 0, key, 0); },
            { d, d, d } },
        { "blend_keyed 30", [&](Surface& t, const Surface& s) { return blend_keyed(t, r, s, 0, 0, key, 30); },
            { d, mix(3, a), mix(3, b) } },
        { "blend_keyed 31", [&](Surface& t, const Surface& s) { return blend_keyed(t, r, s, 0, 0, key, 31); },
            { d, a, b } },
        { "blend_keyed 255",
            [&](Surface& t, const Surface& s) { return blend_keyed(t, r, s, 0, 0, key, 255); }, { d, a, b } },
        { "darken 0", [&](Surface& t, const Surface& s) { return darken(t, r, s, 0, 0, 0); }, { 0, 0, 0 } },
        { "darken 128", [&](Surface& t, const Surface& s) { return darken(t, r, s, 0, 0, 128); },
            { F[15][kKey], F[15][a], F[15][b] } },
        { "darken 255", [&](Surface& t, const Surface& s) { return darken(t, r, s, 0, 0, 255); },
            { kKey, a, b } },
        { "darken_keyed 0", [&](Surface& t, const Surface& s) { return darken_keyed(t, r, s, 0, 0, key, 0); },
            { d, 0, 0 } },
        { "darken_keyed 255",
            [&](Surface& t, const Surface& s) { return darken_keyed(t, r, s, 0, 0, key, 255); },
            { d, a, b } },
        { "brighten 0", [&](Surface& t, const Surface& s) { return brighten(t, r, s, 0, 0, 0); },
            { kKey, a, b } },
        { "brighten 128", [&](Surface& t, const Surface& s) { return brighten(t, r, s, 0, 0, 128); },
            { lit(15, kKey), lit(15, a), lit(15, b) } },
        { "brighten 255", [&](Surface& t, const Surface& s) { return brighten(t, r, s, 0, 0, 255); },
            { kWhite, kWhite, kWhite } },
        { "brighten_keyed 0",
            [&](Surface& t, const Surface& s) { return brighten_keyed(t, r, s, 0, 0, key, 0); },
            { d, a, b } },
        { "brighten_keyed 255",
            [&](Surface& t, const Surface& s) { return brighten_keyed(t, r, s, 0, 0, key, 255); },
            { d, kWhite, kWhite } },
        { "blend_color 0",
            [&](Surface& t, const Surface&) { return !blend_color(t, r, pixel_to_color(a), 0); },
            { d, d, d } },
        { "blend_color 255",
            [&](Surface& t, const Surface&) { return blend_color(t, r, pixel_to_color(a), 255); },
            { a, a, a } },
        { "darken_color 0",
            [&](Surface& t, const Surface&) { return darken_color(t, r, pixel_to_color(a), 0); },
            { 0, 0, 0 } },
        { "darken_color 128",
            [&](Surface& t, const Surface&) { return darken_color(t, r, pixel_to_color(a), 128); },
            { F[15][a], F[15][a], F[15][a] } },
        { "darken_color 255",
            [&](Surface& t, const Surface&) { return darken_color(t, r, pixel_to_color(a), 255); },
            { a, a, a } },
        { "brighten_color 0",
            [&](Surface& t, const Surface&) { return brighten_color(t, r, pixel_to_color(a), 0); },
            { a, a, a } },
        { "brighten_color 128",
            [&](Surface& t, const Surface&) { return brighten_color(t, r, pixel_to_color(a), 128); },
            { lit(15, a), lit(15, a), lit(15, a) } },
        { "brighten_color 255",
            [&](Surface& t, const Surface&) { return brighten_color(t, r, pixel_to_color(a), 255); },
            { kWhite, kWhite, kWhite } },
    };
    for (auto const& c : cases) {
        Surface target = solid(3, 1, d);
        Surface const source = row_of({ kKey, a, b });
        EXPECT_TRUE(c.draw(target, source)) << c.name;
        EXPECT_EQ(pixels_of(target), c.expected) << c.name;
    }
    Surface black = solid(1, 1, 0);
    EXPECT_TRUE(blend(black, { 0, 0, 1, 1 }, solid(1, 1, kWhite), 0, 0, 128));
    EXPECT_EQ(black.at(0, 0), 0x3DEF);
}

TEST(Compose, MethodsByNumberAndSourceKind)
{
    Surface target = solid(2, 1, 0x0421);
    Surface const source = row_of({ 0x0421, 0x7C00 });
    Rect const r { 0, 0, 2, 1 };
    EXPECT_TRUE(compose(2, target, r, source, 0, 0, 0));
    EXPECT_EQ(pixels_of(target), (std::vector<Pixel> { 0x0842, 0x7C21 }));
    EXPECT_TRUE(compose_color(3, target, r, pixel_to_color(0x0842), 0));
    EXPECT_EQ(pixels_of(target), (std::vector<Pixel> { 0x0000, 0x7400 }));
    EXPECT_TRUE(compose_keyed(0, target, r, source, 0, 0, pixel_to_color(0x0421), 0));
    EXPECT_EQ(pixels_of(target), (std::vector<Pixel> { 0x0000, 0x7C00 }));
    for (std::int32_t method : { 2, 3, 6, 7, -1 })
        EXPECT_FALSE(compose_keyed(method, target, r, source, 0, 0, 0, 128)) << method;
    EXPECT_FALSE(compose_color(6, target, r, 0, 0));
    EXPECT_FALSE(compose(7, target, r, source, 0, 0, 0));
    EXPECT_EQ(pixels_of(target), (std::vector<Pixel> { 0x0000, 0x7C00 }));
}

// Drawing from a surface onto itself: overlapping rectangles are refused except by copy, which moves
// them as if through a separate buffer, in any direction.
TEST(Compose, SameSurfaceGuardAndOverlappingCopy)
{
    Surface const original = every_pixel();
    struct Shift {
        std::int32_t dx, dy;
    };
    for (Shift shift : { Shift { 1, 0 }, Shift { -1, 0 }, Shift { 0, 1 }, Shift { 0, -1 }, Shift { 3, -2 },
             Shift { 0, 0 } }) {
        for (std::int32_t width : { 100, 256 }) {
            Surface moved = every_pixel(), expected = every_pixel();
            Rect const rect { 10 + shift.dx, 10 + shift.dy, width, 50 };
            ASSERT_TRUE(copy(moved, rect, moved, 10, 10));
            ASSERT_TRUE(copy(expected, rect, original, 10, 10));
            ASSERT_EQ(pixels_of(moved), pixels_of(expected))
                << shift.dx << "," << shift.dy << " width " << width;
        }
    }
    // Whole rows move as one block.
    for (std::int32_t dy : { 1, -1, 7 }) {
        Surface moved = every_pixel(), expected = every_pixel();
        ASSERT_TRUE(copy(moved, { 0, 20 + dy, 256, 60 }, moved, 0, 20));
        ASSERT_TRUE(copy(expected, { 0, 20 + dy, 256, 60 }, original, 0, 20));
        ASSERT_EQ(pixels_of(moved), pixels_of(expected)) << dy;
    }
    Surface self = every_pixel();
    EXPECT_FALSE(blend(self, { 10, 10, 20, 20 }, self, 29, 0, 128));
    EXPECT_FALSE(add(self, { 10, 10, 20, 20 }, self, 0, 29));
    EXPECT_FALSE(composite_alpha(self, { 10, 10, 20, 20 }, self, 15, 15));
    EXPECT_EQ(pixels_of(self), pixels_of(original));
    // Apart by exactly the width: no overlap.
    EXPECT_TRUE(copy_keyed(self, { 10, 10, 20, 20 }, self, 30, 10, 0));
    EXPECT_EQ(self.at(10, 10), original.at(30, 10));
    // The guard looks at the rectangles as given, before clipping moves them.
    EXPECT_FALSE(add(self, { -5, 0, 10, 1 }, self, 4, 0));
}

TEST(Compose, ClippedOperationsKeepTheirAlignment)
{
    Surface target = solid(4, 2, 0);
    Surface const source = row_of({ 1, 2, 3, 4, 5 });
    EXPECT_TRUE(copy(target, { -2, 1, 10, 5 }, source, 0, 0));
    EXPECT_EQ(pixels_of(target), (std::vector<Pixel> { 0, 0, 0, 0, 3, 4, 5, 0 }));
    EXPECT_TRUE(fill(target, { -1, -1, 2, 2 }, pixel_to_color(0x7FFF)));
    EXPECT_EQ(target.at(0, 0), 0x7FFF);
    EXPECT_EQ(target.at(1, 0), 0);
    EXPECT_FALSE(fill(target, { 4, 0, 1, 1 }, 0));
    Surface empty;
    EXPECT_FALSE(fill(empty, 0));
    EXPECT_FALSE(copy(target, { 0, 0, 1, 1 }, empty, 0, 0));
    EXPECT_FALSE(copy(empty, { 0, 0, 1, 1 }, target, 0, 0));
}

TEST(Compose, AlphaTakesEachPixelsOwnMaskByte)
{
    Surface target = solid(3, 1, kWhite);
    Surface source = row_of({ 0, 0, 0 });
    EXPECT_TRUE(composite_alpha(target, { 0, 0, 3, 1 }, source, 0, 0));
    EXPECT_EQ(pixels_of(target), (std::vector<Pixel> { 0, 0, 0 })) << "without a mask it is a copy";

    Surface big;
    ASSERT_TRUE(big.create(200, 200) && big.create_alpha_mask());
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x)
            big.at(x, y) = 0,
                      big.alpha_mask()[y * 200 + x] = static_cast<std::uint8_t>(x == y ? 128
                              : x > y                                                  ? 255
                                                                                       : 1);
    Surface canvas = solid(100, 100, kWhite);
    EXPECT_TRUE(composite_alpha(canvas, { 0, 0, 100, 100 }, big, 50, 50));
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x)
            ASSERT_EQ(canvas.at(x, y), x == y ? 0x3DEF : x > y ? 0 : kWhite) << x << "," << y;
}

// The average of each block by channels, keyed pixels replaced by the destination pixel.
Pixel block_average(const Surface& source, int left, int top, int factor, Pixel key, Pixel destination)
{
    int sums[3] = {};
    for (int y = top; y < top + factor; ++y) {
        for (int x = left; x < left + factor; ++x) {
            Pixel const p = source.at(x, y) == key ? destination : source.at(x, y);
            sums[0] += p >> 10, sums[1] += (p >> 5) & 31, sums[2] += p & 31;
        }
    }
    int const n = factor * factor;
    return rgb(sums[0] / n, sums[1] / n, sums[2] / n);
}

TEST(Compose, ReduceAveragesBlocksWithTheKeyAsDestination)
{
    Surface const block = []() {
        Surface s;
        EXPECT_TRUE(s.create(2, 2));
        s.at(0, 0) = s.at(1, 0) = kWhite, s.at(0, 1) = s.at(1, 1) = kKey;
        return s;
    }();
    Surface target = solid(1, 1, 0);
    EXPECT_TRUE(reduce(target, { 0, 0, 1, 1 }, block, 0, 0, pixel_to_color(kKey), 2));
    EXPECT_EQ(target.at(0, 0), 0x3DEF);
    EXPECT_FALSE(reduce(target, { 0, 0, 1, 1 }, block, 0, 0, 0, 5));
    EXPECT_FALSE(reduce(target, { 0, 0, 1, 1 }, block, 0, 0, 0, 0));

    std::mt19937 random(4);
    Surface source;
    ASSERT_TRUE(source.create(27, 26));
    for (int y = 0; y < 26; ++y)
        for (int x = 0; x < 27; ++x)
            source.at(x, y) = random() % 3 == 0 ? kKey : static_cast<Pixel>(random() & 0x7FFF);
    for (int factor : { 1, 2, 3, 4 }) {
        Surface canvas = every_pixel(), before = every_pixel();
        // From block (1, 1) on, asking for more than the source has: clipped to whole blocks.
        ASSERT_TRUE(reduce(canvas, { 5, 7, 40, 40 }, source, 1, 1, pixel_to_color(kKey), factor));
        int const columns = 27 / factor - 1, rows = 26 / factor - 1;
        for (int y = 0; y < 128; ++y) {
            for (int x = 0; x < 256; ++x) {
                bool const inside = x >= 5 && x < 5 + columns && y >= 7 && y < 7 + rows;
                Pixel const expected = inside ? block_average(source, factor * (x - 5 + 1),
                                           factor * (y - 7 + 1), factor, kKey, before.at(x, y))
                                              : before.at(x, y);
                ASSERT_EQ(canvas.at(x, y), expected) << "factor " << factor << " at " << x << "," << y;
            }
        }
    }
}

} // namespace
} // namespace advplay::graphics
