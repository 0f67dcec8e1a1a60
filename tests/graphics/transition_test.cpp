// Transitions: for every kind the steps until done, the step at which each pixel arrives, how often it
// is copied, the dirty areas and the pass; the winding rule and the edges of the polygon regions.
#include "graphics/compose.h"
#include "graphics/graphics_state.h"
#include "graphics/polygon_region.h"
#include "graphics/transition.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <numbers>
#include <vector>

namespace advplay::graphics {
namespace {

constexpr int W = 640;
constexpr int H = 480;
constexpr Pixel kOld = 0;

// Varies with x and y, never kOld, so that a pixel fetched from a neighbour shows.
Pixel new_pixel(int x, int y)
{
    return static_cast<Pixel>(0x4000 | ((x * 3 + y * 1031) & 0x3FFF));
}

Surface filled(int w, int h, Pixel (*make)(int, int))
{
    Surface s;
    EXPECT_TRUE(s.create(w, h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            s.at(x, y) = make ? make(x, y) : kOld;
    return s;
}

struct Recording {
    std::vector<int> first = std::vector<int>(W * H, -1); // the step at which each pixel arrived
    std::vector<int> last = std::vector<int>(W * H, -1); // the last step that copied it
    std::vector<TransitionStepResult> results;
};

// Runs a transition to its end twice: once from new_pixel, checking each arriving pixel and that it
// lies inside the step's area; once from a staging surface filled with the step number, to see which
// step copied each pixel last.
Recording run(int kind)
{
    Recording r;
    Surface display = filled(W, H, nullptr);
    Surface const staging = filled(W, H, new_pixel);
    for (int k = 0; r.results.empty() || !r.results.back().done; ++k) {
        r.results.push_back(transition_step(display, staging, kind, k));
        Rect const& area = r.results.back().area;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                if (r.first[y * W + x] < 0 && display.at(x, y) != kOld) {
                    r.first[y * W + x] = k;
                    EXPECT_EQ(display.at(x, y), new_pixel(x, y)) << kind << " " << x << "," << y;
                    EXPECT_TRUE(x >= area.x && x < area.x + area.w && y >= area.y && y < area.y + area.h)
                        << "kind " << kind << " step " << k << " pixel " << x << "," << y;
                }
        if (k > 300)
            break;
    }
    Surface marks = filled(W, H, nullptr);
    Surface numbered = filled(W, H, nullptr);
    for (int k = 0; k < static_cast<int>(r.results.size()); ++k) {
        fill(numbered, pixel_to_color(static_cast<Pixel>(k + 1)));
        (void)transition_step(marks, numbered, kind, k);
    }
    for (int i = 0; i < W * H; ++i)
        r.last[i] = marks.at(i % W, i / W) - 1;
    return r;
}

// Each kind is run once per test process, when a test first needs it.
const Recording& run_of(int kind)
{
    static std::array<std::unique_ptr<Recording>, 16> runs;
    if (!runs[kind])
        runs[kind] = std::make_unique<Recording>(run(kind));
    return *runs[kind];
}

// The angle of (x, y) about the centre in turns, clockwise from straight up, and whether it lies more
// than 2.5 pixels from every ray at a multiple of 1/rays of a turn (where truncated corners and the
// edge rule decide).
bool turn_of(int x, int y, int rays, double& turn)
{
    double const dx = x - 320, dy = y - 240;
    turn = std::atan2(dx, -dy) / (2 * std::numbers::pi);
    turn -= std::floor(turn);
    double const off = turn * rays - std::round(turn * rays);
    return std::hypot(dx, dy) * std::abs(std::sin(2 * std::numbers::pi * off / rays)) > 2.5;
}

// The step at which pixel (x, y) arrives, by the tables and descriptions of each kind; 0 where only
// chosen pixels are checked.
int arrival(int kind, int x, int y)
{
    static int const A[4][4] = { { 1, 9, 3, 11 }, { 13, 5, 15, 7 }, { 4, 12, 2, 10 }, { 16, 8, 14, 6 } };
    static int const B[4][4] = { { 15, 3, 12, 0 }, { 7, 11, 4, 8 }, { 13, 1, 14, 2 }, { 5, 9, 6, 10 } };
    static int const C[4][4] = { { 4, 1, 4, 1 }, { 2, 3, 2, 3 }, { 4, 1, 4, 1 }, { 2, 3, 2, 3 } };
    static int const D[4][4] = { { 8, 2, 7, 1 }, { 4, 6, 3, 5 }, { 7, 1, 8, 2 }, { 3, 5, 4, 6 } };
    static int const E[3][3] = { { 1, 6, 3 }, { 8, 5, 9 }, { 4, 7, 2 } };
    double turn = 0;
    switch (kind) {
    case 1:
        return x % 16 + 1;
    case 2:
        return y % 16 + 1;
    case 3:
        return x / 16 + x % 16 + 1;
    case 4:
        return y / 16 + y % 16 + 1;
    case 5:
        return A[y % 4][x % 4];
    case 7:
        return x / 16 + B[y % 4][x % 4] + 1;
    case 8:
        return x / 32 + y / 32 + B[y % 4][x % 4] + 1;
    case 9:
        return std::max(
            x < 320 ? (323 - x) / 4 : (x - 320) / 4 + 1, y < 240 ? (242 - y) / 3 : (y - 240) / 3 + 1);
    case 10:
        return turn_of(x, y, 16, turn) ? static_cast<int>(turn * 16) + 1 : 0;
    case 11: // Step k turns the wedges at 1/32 turn (20 - k) and (36 - k).
        return turn_of(x, y, 32, turn) ? 16 - (static_cast<int>(turn * 32) + 12) % 16 : 0;
    case 12:
        return C[y % 4][x % 4];
    case 13:
        return D[y % 4][x % 4];
    case 14: {
        int const r = y % 2 ? H - 1 - y : y;
        return r % 6 / 2 * 80 + r / 6 + 1;
    }
    case 15:
        return E[y % 3][x % 3];
    default:
        return 0;
    }
}

TEST(Transition, EveryKindTakesItsStepsAndCopiesEachPixelWhenItsPatternSays)
{
    int const steps[] = { 0, 16, 16, 55, 45, 16, 64, 55, 49, 80, 16, 16, 4, 8, 240, 9 };
    for (int kind = 0; kind < 16; ++kind) {
        Recording const& r = run_of(kind);
        ASSERT_EQ(static_cast<int>(r.results.size()) - 1, steps[kind]) << "kind " << kind;
        EXPECT_EQ(transition_last_step(kind), steps[kind]);
        if (kind != 0) {
            EXPECT_EQ(r.results[0], (TransitionStepResult { false, {} })) << "kind " << kind;
        }
        int wrong = 0;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                int const at = r.first[y * W + x];
                ASSERT_GT(at, kind == 0 ? -1 : 0) << "kind " << kind << " never copies " << x << "," << y;
                int const expected = arrival(kind, x, y);
                if (expected != 0 && at != expected && wrong++ < 5) {
                    ADD_FAILURE() << "kind " << kind << " copies " << x << "," << y << " at step " << at
                                  << ", not " << expected;
                }
            }
    }
}

TEST(Transition, PixelsAreCopiedOnceExceptTheRepeatedCellsAndTheGrowingCircle)
{
    for (int kind : { 1, 2, 5, 9, 10, 12, 13, 14, 15 })
        EXPECT_EQ(run_of(kind).last, run_of(kind).first) << "kind " << kind;
    // The double wedge's lines through the centre join truncated corners and miss the centre by up to
    // a pixel, so a few pixels beside it fall in more than one step's wedges.
    std::vector<int> twice;
    for (int i = 0; i < W * H; ++i)
        if (run_of(11).last[i] != run_of(11).first[i])
            twice.push_back(i);
    EXPECT_EQ(twice,
        (std::vector<int> {
            240 * W + 317, 240 * W + 318, 240 * W + 319, 240 * W + 320, 240 * W + 321, 240 * W + 322 }));
    // The seventeenth value of a band or block selects Matrix B's cells 0 and 1 again; the last band
    // ends before.
    EXPECT_EQ(run_of(3).last[16], 17);
    EXPECT_EQ(run_of(7).last[3], 17);
    EXPECT_EQ(run_of(7).last[2 * W + 1], 17);
    EXPECT_EQ(run_of(7).last[627], 40);
    EXPECT_EQ(run_of(8).last[3], 17);
    for (int last : run_of(6).last)
        ASSERT_EQ(last, 64);
}

TEST(Transition, TheCircleOfStepOneHasDiameterTwelve)
{
    // y, first x, width: trunc(2 sqrt(36 - dy^2)) about x = 320.
    int const rows[][3] = { { 235, 317, 6 }, { 236, 316, 8 }, { 237, 315, 10 }, { 238, 315, 11 },
        { 239, 315, 11 }, { 240, 314, 12 }, { 241, 315, 11 }, { 242, 315, 11 }, { 243, 315, 10 },
        { 244, 316, 8 }, { 245, 317, 6 } };
    std::vector<int> expected(W * H, 0);
    for (auto const& row : rows)
        for (int x = row[1]; x < row[1] + row[2]; ++x)
            expected[row[0] * W + x] = 1;
    for (int i = 0; i < W * H; ++i)
        ASSERT_EQ(run_of(6).first[i] == 1, expected[i] == 1) << i % W << "," << i / W;
    EXPECT_EQ(run_of(6).first[0], 64);
    EXPECT_EQ(run_of(6).first[W * H - 1], 64);
}

TEST(Transition, EdgesOfTheClockWipeAndTheDoubleWedgeFollowTheTopLeftRule)
{
    // Kind 10: the rays at 12, 3 and 6 o'clock; kind 11: the vertical line between steps 4 and 5, and
    // the horizontal one through the centre.
    int const points[][4] = { { 10, 320, 100, 1 }, { 10, 319, 100, 16 }, { 10, 400, 240, 5 },
        { 10, 400, 239, 4 }, { 10, 320, 300, 8 }, { 10, 319, 300, 9 }, { 10, 320, 240, 5 },
        { 11, 320, 100, 4 }, { 11, 319, 100, 5 }, { 11, 320, 400, 5 }, { 11, 319, 400, 4 },
        { 11, 320, 240, 12 }, { 11, 400, 240, 12 }, { 11, 400, 239, 13 } };
    for (auto const& p : points)
        EXPECT_EQ(run_of(p[0]).first[p[2] * W + p[1]], p[3])
            << "kind " << p[0] << " at " << p[1] << "," << p[2];
}

TEST(Transition, AreasAreTheUnionsOfTheCopiedRectangles)
{
    Rect const whole { 0, 0, W, H };
    struct Case {
        int kind, step;
        Rect area;
    } const cases[] = { { 0, 0, whole }, { 1, 1, { 0, 0, 625, H } }, { 1, 16, { 15, 0, 625, H } },
        { 2, 16, { 0, 15, W, 465 } }, { 3, 1, { 0, 0, 1, H } }, { 3, 55, { 624, 0, 241, H } },
        { 4, 45, { 0, 464, W, 241 } }, { 5, 3, whole }, { 6, 1, { 314, 234, 12, 12 } },
        { 6, 3, { 302, 222, 37, 37 } }, { 6, 64, { -80, -160, 800, 800 } }, { 7, 1, { 0, 0, 16, H } },
        { 7, 55, { 608, 0, 32, H } }, { 8, 1, { 0, 0, 32, 32 } }, { 8, 49, { 576, 416, 64, 64 } },
        { 9, 1, { 316, 237, 8, 6 } }, { 9, 80, whole }, { 10, 1, whole }, { 11, 16, whole }, { 12, 1, whole },
        { 13, 8, whole }, { 14, 100, whole }, { 15, 9, whole } };
    for (auto const& c : cases)
        EXPECT_EQ(run_of(c.kind).results[c.step].area, c.area) << "kind " << c.kind << " step " << c.step;
}

TEST(Transition, KindsOutside0To15ShowThePictureWholeAfterAnEmptyPass)
{
    for (int kind : { 16, 99, -1, INT32_MIN }) {
        Surface display = filled(W, H, nullptr);
        Surface const staging = filled(W, H, new_pixel);
        EXPECT_EQ(transition_step(display, staging, kind, 0), (TransitionStepResult { false, {} }));
        EXPECT_EQ(display.at(639, 479), kOld);
        EXPECT_EQ(
            transition_step(display, staging, kind, 1), (TransitionStepResult { true, { 0, 0, W, H } }));
        EXPECT_EQ(display.at(0, 0), new_pixel(0, 0));
        EXPECT_EQ(display.at(639, 479), new_pixel(639, 479));
    }
}

TEST(Transition, SurfacesOfOtherSizesAreDrawnOnlyWhereBothHavePixels)
{
    for (int kind = 1; kind < 16; ++kind) {
        Surface display = filled(W, H, nullptr);
        Surface const small = filled(100, 60, new_pixel);
        Surface empty;
        for (int k = 0; k <= transition_last_step(kind); ++k) {
            (void)transition_step(display, small, kind, k);
            (void)transition_step(empty, small, kind, k);
            EXPECT_EQ(transition_step(display, display, kind, k).done, k == transition_last_step(kind));
        }
        EXPECT_EQ(display.at(99, 59), new_pixel(99, 59)) << "kind " << kind;
        EXPECT_EQ(display.at(100, 0), kOld);
        EXPECT_EQ(display.at(0, 60), kOld);
    }
}

TEST(Transition, APassMarksTheStepsAreaInsideTheRectangleAndMovesOn)
{
    GraphicsState state;
    ASSERT_TRUE(create_surfaces(state, 0, 0));
    start_transition(state, 1, 10, { 100, 50, 200, 150 });
    int passes = 1;
    TransitionPass pass = run_transition_pass(state);
    EXPECT_TRUE(state.dirty_rect.empty());
    EXPECT_EQ(pass.wait, 10u);
    EXPECT_EQ(state.transition.step, 1);
    while (!pass.done) {
        pass = run_transition_pass(state);
        ++passes;
    }
    EXPECT_EQ(passes, 17);
    EXPECT_EQ(state.transition.step, 16);
    Box const& dirty = state.dirty_rect;
    EXPECT_EQ(std::vector<std::int64_t>({ dirty.left, dirty.top, dirty.right, dirty.bottom }),
        std::vector<std::int64_t>({ 100, 50, 300, 200 }));

    state.dirty_rect = {};
    start_transition(state, 9, -5, { 0, 0, 318, 480 });
    state.transition.step = 1;
    pass = run_transition_pass(state);
    EXPECT_EQ(pass.wait, 0u);
    EXPECT_EQ(std::vector<std::int64_t>({ dirty.left, dirty.top, dirty.right, dirty.bottom }),
        std::vector<std::int64_t>({ 316, 237, 318, 243 }));

    start_transition(state, 0, 0, { 2000000000, 0, 2000000000, 10 });
    EXPECT_EQ(state.transition.rect, (Box { 2000000000, 0, 4000000000, 10 }));
    EXPECT_TRUE(run_transition_pass(state).done);
    EXPECT_EQ(state.transition.step, 0);
}

TEST(Transition, FixedPointAnglesTruncateTheSineAndRoundCoordinatesDown)
{
    int const sines[][2] = { { 0, 0 }, { 128, 12785 }, { 256, 25079 }, { 512, 46340 }, { 1024, 65536 },
        { 2048, 0 }, { 3072, -65536 }, { -256, -25079 }, { 4096 + 256, 25079 } };
    for (auto const& s : sines)
        EXPECT_EQ(angle_sin(s[0]), s[1]) << s[0];
    EXPECT_EQ(angle_cos(0), 65536);
    EXPECT_EQ(angle_point(0), (Point { 320, -200 }));
    EXPECT_EQ(angle_point(256), (Point { 488, -166 }));
    EXPECT_EQ(angle_point(2304), (Point { 151, 647 }));
    EXPECT_EQ(angle_point(1024), (Point { 760, 240 }));
}

TEST(PolygonRegion, KeepsLeftAndTopEdgesAndFillsWhatIsWoundTwice)
{
    PolygonRegion region;
    Point const square[] = { { 0, 0 }, { 4, 0 }, { 4, 4 }, { 0, 4 } };
    ASSERT_TRUE(region.create(square));
    for (int y = -1; y <= 5; ++y)
        for (int x = -1; x <= 5; ++x)
            EXPECT_EQ(region.contains(x, y), x >= 0 && x < 4 && y >= 0 && y < 4) << x << "," << y;

    // Two triangles on one diagonal share no pixel and leave none out.
    PolygonRegion upper, lower;
    Point const a[] = { { 0, 0 }, { 10, 0 }, { 10, 10 } };
    Point const b[] = { { 0, 0 }, { 10, 10 }, { 0, 10 } };
    ASSERT_TRUE(upper.create(a) && lower.create(b));
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            EXPECT_NE(upper.contains(x, y), lower.contains(x, y)) << x << "," << y;

    // The pentagram's centre is wound twice, and the square traced twice, both ways round.
    Point const star[] = { { 50, 0 }, { 79, 90 }, { 2, 35 }, { 98, 35 }, { 21, 90 } };
    Point const reversed[] = { { 21, 90 }, { 98, 35 }, { 2, 35 }, { 79, 90 }, { 50, 0 } };
    Point const twice[] = { { 0, 0 }, { 4, 0 }, { 4, 4 }, { 0, 4 }, { 0, 0 }, { 4, 0 }, { 4, 4 }, { 0, 4 } };
    ASSERT_TRUE(region.create(star));
    EXPECT_TRUE(region.contains(50, 50));
    EXPECT_TRUE(region.contains(50, 10));
    EXPECT_FALSE(region.contains(10, 80));
    ASSERT_TRUE(region.create(reversed));
    EXPECT_TRUE(region.contains(50, 50));
    ASSERT_TRUE(region.create(twice));
    EXPECT_TRUE(region.contains(2, 2));
    RowSpans spans;
    ASSERT_EQ(region.row_spans(3, spans), 1u);
    EXPECT_EQ(spans[0], (Span { 0, 4 }));

    Point const nine[]
        = { { 0, 0 }, { 1, 0 }, { 2, 0 }, { 3, 0 }, { 4, 0 }, { 4, 4 }, { 3, 4 }, { 2, 4 }, { 0, 4 } };
    EXPECT_FALSE(region.create(nine));
    EXPECT_FALSE(region.contains(2, 2));
}

} // namespace
} // namespace advplay::graphics
