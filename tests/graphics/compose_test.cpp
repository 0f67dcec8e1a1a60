// Composition: the kernels against FadeTable and the per-channel definitions, every method at its
// parameter boundaries, the same-surface guard, overlapping copies, alpha and reduce.
#include "graphics/compose.h"
#include "graphics/pixel_math.h"
#include "graphics/pixel_tables.h"

#include <gtest/gtest.h>

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

template<typename Make> Surface surface_of(int w, int h, Make make)
{
    Surface surface;
    EXPECT_TRUE(surface.create(w, h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            surface.at(x, y) = static_cast<Pixel>(make(x, y));
    return surface;
}

Surface row_of(std::initializer_list<Pixel> pixels)
{
    return surface_of(static_cast<int>(pixels.size()), 1, [&](int x, int) { return pixels.begin()[x]; });
}

// 256 x 128: every pixel value once, in order.
Surface every_pixel()
{
    return surface_of(256, 128, [](int x, int y) { return y * 256 + x; });
}

std::vector<Pixel> pixels_of(const Surface& s)
{
    std::vector<Pixel> pixels;
    for (std::int32_t y = 0; y < s.height(); ++y)
        pixels.insert(pixels.end(), s.row(y), s.row(y) + s.width());
    return pixels;
}

const FadeTable& F()
{
    static std::unique_ptr<PixelTables> const tables = build_pixel_tables();
    return tables->fade;
}

constexpr Pixel kKey = 0x1234;
constexpr Rect kAll { 0, 0, 256, 128 };

// Every level, every source pixel, destinations unrelated to it (channels rotated); key pixels stay.
TEST(Compose, FadingMethodsEqualFadeTableAtEveryLevel)
{
    Surface const source = every_pixel();
    auto const rotated = [](int p) { return ((p << 5) | (p >> 10)) & 0x7FFF; };
    ColorRef const key = pixel_to_color(kKey);
    for (std::uint32_t L = 0; L < 31; ++L) {
        std::int32_t P = 1;
        while (level_of(P) != L)
            ++P;
        auto check = [&](const char* what, auto draw, auto expected) {
            Surface target = surface_of(256, 128, [&](int x, int y) { return rotated(y * 256 + x); });
            draw(target);
            for (int p = 0; p < kPixelCount; ++p)
                ASSERT_EQ(target.at(p % 256, p / 256), expected(p, rotated(p)))
                    << what << " L " << L << " p " << p;
        };
        auto const& f = F();
        check(
            "blend", [&](Surface& t) { blend(t, kAll, source, 0, 0, P); },
            [&](int s, int d) { return f[L][s] + f[31 - L][d]; });
        check(
            "blend_keyed", [&](Surface& t) { blend_keyed(t, kAll, source, 0, 0, key, P); },
            [&](int s, int d) { return s == kKey ? d : f[L][s] + f[31 - L][d]; });
        check(
            "darken", [&](Surface& t) { darken(t, kAll, source, 0, 0, P); },
            [&](int s, int) { return f[L][s]; });
        check(
            "darken_keyed", [&](Surface& t) { darken_keyed(t, kAll, source, 0, 0, key, P); },
            [&](int s, int d) { return s == kKey ? d : f[L][s]; });
        check(
            "brighten", [&](Surface& t) { brighten(t, kAll, source, 0, 0, P); },
            [&](int s, int) { return f[L][kWhite] + f[31 - L][s]; });
        check(
            "brighten_keyed", [&](Surface& t) { brighten_keyed(t, kAll, source, 0, 0, key, P); },
            [&](int s, int d) { return s == kKey ? d : f[L][kWhite] + f[31 - L][s]; });
        check(
            "blend_color", [&](Surface& t) { blend_color(t, kAll, pixel_to_color(0x5AB3), P); },
            [&](int, int d) { return f[L][0x5AB3] + f[31 - L][d]; });
        // Every pair of channel values in every channel: red (x, y), green (y, x), blue (x, 31 - y).
        Surface mixed = surface_of(32, 32, [](int x, int y) { return rgb(y, x, 31 - y); });
        blend(
            mixed, { 0, 0, 32, 32 }, surface_of(32, 32, [](int x, int y) { return rgb(x, y, x); }), 0, 0, P);
        for (int x = 0; x < 32; ++x)
            for (int y = 0; y < 32; ++y)
                ASSERT_EQ(mixed.at(x, y), f[L][rgb(x, y, x)] + f[31 - L][rgb(y, x, 31 - y)]) << L;
    }
}

// Every pair of values in two neighbouring channels at once, so that a carry or borrow shows.
TEST(Compose, AddAndSubtractSaturateEachChannelAlone)
{
    auto const channel = [](Pixel p, int shift) { return (p >> shift) & 31; };
    for (int low : { 0, 5, 10 }) {
        int const high = (low + 5) % 15, other = (low + 10) % 15;
        auto const a_of
            = [&](int i, int j) { return (i & 31) << low | (j & 31) << high | (i >> 5) << other; };
        auto const b_of
            = [&](int i, int j) { return (i >> 5) << low | (j >> 5) << high | (j & 31) << other; };
        Surface const b = surface_of(1024, 1024, b_of);
        Surface sum = surface_of(1024, 1024, a_of), difference = surface_of(1024, 1024, a_of);
        ASSERT_TRUE(add(sum, { 0, 0, 1024, 1024 }, b, 0, 0));
        ASSERT_TRUE(subtract(difference, { 0, 0, 1024, 1024 }, b, 0, 0));
        for (int i = 0; i < 1024; ++i) {
            for (int j = 0; j < 1024; ++j) {
                for (int shift : { 0, 5, 10 }) {
                    int const x = channel(a_of(i, j), shift), y = channel(b.at(i, j), shift);
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

// Each method where its parameter changes meaning, on the source [key, a, b] over [d, d, d].
TEST(Compose, ParameterBoundariesOfEveryMethod)
{
    constexpr Pixel d = 0x2D6B, a = 0x7C1F, b = 0x03E0, W = kWhite;
    ColorRef const k = pixel_to_color(kKey), c = pixel_to_color(a);
    Rect const r { 0, 0, 3, 1 };
    auto const mix3 = [&](Pixel s) { return static_cast<Pixel>(F()[3][s] + F()[28][d]); };
#define DRAW(call) [&](Surface& t, [[maybe_unused]] const Surface& s) { return call; }
    struct Case {
        const char* name;
        std::function<bool(Surface&, const Surface&)> draw;
        std::vector<Pixel> expected;
    } const cases[] = {
        { "copy", DRAW(copy(t, r, s, 0, 0)), { kKey, a, b } },
        { "copy_keyed", DRAW(copy_keyed(t, r, s, 0, 0, k)), { d, a, b } },
        { "blend 0", DRAW(!blend(t, r, s, 0, 0, 0)), { d, d, d } },
        { "blend 5 is level 0", DRAW(blend(t, r, s, 0, 0, 5)), { d, d, d } },
        { "blend 1000", DRAW(blend(t, r, s, 0, 0, 1000)), { kKey, a, b } },
        { "blend -1", DRAW(blend(t, r, s, 0, 0, -1)), { kKey, a, b } },
        { "blend_keyed 0", DRAW(!blend_keyed(t, r, s, 0, 0, k, 0)), { d, d, d } },
        { "blend_keyed 30", DRAW(blend_keyed(t, r, s, 0, 0, k, 30)), { d, mix3(a), mix3(b) } },
        { "blend_keyed 31", DRAW(blend_keyed(t, r, s, 0, 0, k, 31)), { d, a, b } },
        { "blend_keyed 255", DRAW(blend_keyed(t, r, s, 0, 0, k, 255)), { d, a, b } },
        { "darken 0", DRAW(darken(t, r, s, 0, 0, 0)), { 0, 0, 0 } },
        { "darken 255", DRAW(darken(t, r, s, 0, 0, 255)), { kKey, a, b } },
        { "darken_keyed 0", DRAW(darken_keyed(t, r, s, 0, 0, k, 0)), { d, 0, 0 } },
        { "darken_keyed 255", DRAW(darken_keyed(t, r, s, 0, 0, k, 255)), { d, a, b } },
        { "brighten 0", DRAW(brighten(t, r, s, 0, 0, 0)), { kKey, a, b } },
        { "brighten 255", DRAW(brighten(t, r, s, 0, 0, 255)), { W, W, W } },
        { "brighten_keyed 0", DRAW(brighten_keyed(t, r, s, 0, 0, k, 0)), { d, a, b } },
        { "brighten_keyed 255", DRAW(brighten_keyed(t, r, s, 0, 0, k, 255)), { d, W, W } },
        { "blend_color 0", DRAW(!blend_color(t, r, c, 0)), { d, d, d } },
        { "blend_color 255", DRAW(blend_color(t, r, c, 255)), { a, a, a } },
        { "darken_color 0", DRAW(darken_color(t, r, c, 0)), { 0, 0, 0 } },
        { "darken_color 128", DRAW(darken_color(t, r, c, 128)), { F()[15][a], F()[15][a], F()[15][a] } },
        { "darken_color 255", DRAW(darken_color(t, r, c, 255)), { a, a, a } },
        { "brighten_color 0", DRAW(brighten_color(t, r, c, 0)), { a, a, a } },
        { "brighten_color 255", DRAW(brighten_color(t, r, c, 255)), { W, W, W } },
    };
#undef DRAW
    for (auto const& test : cases) {
        Surface target = row_of({ d, d, d });
        EXPECT_TRUE(test.draw(target, row_of({ kKey, a, b }))) << test.name;
        EXPECT_EQ(pixels_of(target), test.expected) << test.name;
    }
    Pixel const lit = static_cast<Pixel>(F()[15][kWhite] + F()[16][a]);
    Surface target = row_of({ 0, d });
    EXPECT_TRUE(blend(target, { 0, 0, 1, 1 }, row_of({ kWhite }), 0, 0, 128));
    EXPECT_TRUE(brighten_color(target, { 1, 0, 1, 1 }, c, 128));
    EXPECT_EQ(pixels_of(target), (std::vector<Pixel> { 0x3DEF, lit }));
}

TEST(Compose, MethodsByNumberAndSourceKind)
{
    Surface target = row_of({ 0x0421, 0x0421 });
    Surface const source = row_of({ 0x0421, 0x7C00 });
    Rect const r { 0, 0, 2, 1 };
    EXPECT_TRUE(compose(2, target, r, source, 0, 0, 0));
    EXPECT_EQ(pixels_of(target), (std::vector<Pixel> { 0x0842, 0x7C21 }));
    EXPECT_TRUE(compose_color(3, target, r, pixel_to_color(0x0842), 0));
    EXPECT_EQ(pixels_of(target), (std::vector<Pixel> { 0x0000, 0x7400 }));
    EXPECT_TRUE(compose_keyed(0, target, r, source, 0, 0, pixel_to_color(0x0421), 0));
    for (std::int32_t method : { 2, 3, 6, 7, -1 })
        EXPECT_FALSE(compose_keyed(method, target, r, source, 0, 0, 0, 128)) << method;
    EXPECT_FALSE(compose_color(6, target, r, 0, 0));
    EXPECT_FALSE(compose(7, target, r, source, 0, 0, 0));
    EXPECT_EQ(pixels_of(target), (std::vector<Pixel> { 0x0000, 0x7C00 }));
}

// Onto itself, overlapping rectangles are refused except by copy, which moves them in any direction
// as if through a separate buffer (whole rows as one block).
TEST(Compose, SameSurfaceGuardAndOverlappingCopy)
{
    Surface const original = every_pixel();
    for (Rect moved_to : { Rect { 11, 10, 100, 50 }, Rect { 9, 10, 100, 50 }, Rect { 10, 11, 100, 50 },
             Rect { 10, 9, 100, 50 }, Rect { 13, 8, 100, 50 }, Rect { 10, 10, 100, 50 },
             Rect { 0, 11, 256, 50 }, Rect { 0, 3, 256, 50 } }) {
        std::int32_t const sx = moved_to.w == 256 ? 0 : 10;
        Surface moved = every_pixel(), expected = every_pixel();
        ASSERT_TRUE(copy(moved, moved_to, moved, sx, 10));
        ASSERT_TRUE(copy(expected, moved_to, original, sx, 10));
        ASSERT_EQ(pixels_of(moved), pixels_of(expected)) << moved_to.x << "," << moved_to.y;
    }
    Surface self = every_pixel();
    EXPECT_FALSE(blend(self, { 10, 10, 20, 20 }, self, 29, 0, 128));
    EXPECT_FALSE(add(self, { 10, 10, 20, 20 }, self, 0, 29));
    EXPECT_FALSE(composite_alpha(self, { 10, 10, 20, 20 }, self, 15, 15));
    // The rectangles as given, before clipping moves them apart.
    EXPECT_FALSE(add(self, { -5, 0, 10, 1 }, self, 4, 0));
    EXPECT_EQ(pixels_of(self), pixels_of(original));
    EXPECT_TRUE(copy_keyed(self, { 10, 10, 20, 20 }, self, 30, 10, 0)) << "exactly a width apart";
    EXPECT_EQ(self.at(10, 10), original.at(30, 10));

    // Clipped drawing keeps the alignment; empty surfaces draw nothing.
    Surface target = surface_of(4, 2, [](int, int) { return 0; });
    EXPECT_TRUE(copy(target, { -2, 1, 10, 5 }, row_of({ 1, 2, 3, 4, 5 }), 0, 0));
    EXPECT_EQ(pixels_of(target), (std::vector<Pixel> { 0, 0, 0, 0, 3, 4, 5, 0 }));
    Surface empty;
    EXPECT_FALSE(fill(empty, 0));
    EXPECT_FALSE(copy(target, { 0, 0, 1, 1 }, empty, 0, 0));
}

TEST(Compose, AlphaTakesEachPixelsOwnMaskByte)
{
    Surface target = row_of({ kWhite });
    EXPECT_TRUE(composite_alpha(target, { 0, 0, 1, 1 }, row_of({ 0 }), 0, 0));
    EXPECT_EQ(target.at(0, 0), 0) << "without a mask it is a copy";

    Surface black = surface_of(200, 200, [](int, int) { return 0; });
    ASSERT_TRUE(black.create_alpha_mask());
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x)
            black.alpha_mask()[y * 200 + x] = static_cast<std::uint8_t>(x == y ? 128 : x > y ? 255 : 1);
    Surface canvas = surface_of(100, 100, [](int, int) { return kWhite; });
    EXPECT_TRUE(composite_alpha(canvas, { 0, 0, 100, 100 }, black, 50, 50));
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x)
            ASSERT_EQ(canvas.at(x, y), x == y ? 0x3DEF : x > y ? 0 : kWhite) << x << "," << y;
}

TEST(Compose, ReduceAveragesWholeBlocksWithTheKeyAsDestination)
{
    Surface target = row_of({ 0 });
    Surface const block = surface_of(2, 2, [](int, int y) { return y ? kKey : kWhite; });
    EXPECT_TRUE(reduce(target, { 0, 0, 1, 1 }, block, 0, 0, pixel_to_color(kKey), 2));
    EXPECT_EQ(target.at(0, 0), 0x3DEF);
    EXPECT_FALSE(reduce(target, { 0, 0, 1, 1 }, block, 0, 0, 0, 5));

    std::mt19937 random(4);
    Surface const source
        = surface_of(27, 26, [&](int, int) { return random() % 3 ? random() & 0x7FFF : kKey; });
    for (int f : { 1, 2, 3, 4 }) {
        Surface canvas = every_pixel();
        // From block (1, 1) on and asking for more than there is: cut to whole blocks.
        ASSERT_TRUE(reduce(canvas, { 5, 7, 40, 40 }, source, 1, 1, pixel_to_color(kKey), f));
        for (int y = 0; y < 128; ++y) {
            for (int x = 0; x < 256; ++x) {
                Pixel const before = static_cast<Pixel>(y * 256 + x);
                if (x < 5 || x >= 5 + 27 / f - 1 || y < 7 || y >= 7 + 26 / f - 1) {
                    ASSERT_EQ(canvas.at(x, y), before);
                    continue;
                }
                int sums[3] = {};
                for (int i = 0; i < f * f; ++i) {
                    Pixel p = source.at(f * (x - 4) + i % f, f * (y - 6) + i / f);
                    p = p == kKey ? before : p;
                    sums[0] += p >> 10, sums[1] += (p >> 5) & 31, sums[2] += p & 31;
                }
                ASSERT_EQ(canvas.at(x, y), rgb(sums[0] / (f * f), sums[1] / (f * f), sums[2] / (f * f))) << f;
            }
        }
    }
}

} // namespace
} // namespace advplay::graphics
