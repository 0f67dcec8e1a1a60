// Box: union and intersection at their edge cases, moves and the conversions to and from Rect.
#include "graphics/box.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace advplay::graphics {
namespace {

constexpr std::int64_t kLimit = Box::kEdgeLimit;

TEST(Box, AnEmptyOperandLeavesTheUnionToTheOther)
{
    Box const some { 10, 20, 30, 40 };
    // No area, but edges far out: they must not stretch the union.
    Box const flat { -100, -100, 500, -100 };

    Box box;
    box.unite(some);
    EXPECT_EQ(box, some);
    box.unite(flat);
    EXPECT_EQ(box, some);
    box.unite(Box {});
    EXPECT_EQ(box, some);

    // An empty box is replaced whole, whatever its edges were.
    Box replaced = flat;
    replaced.unite(some);
    EXPECT_EQ(replaced, some);

    // Two empty boxes stay as they were.
    Box nothing = flat;
    nothing.unite(Box { 5, 5, 5, 9 });
    EXPECT_EQ(nothing, flat);
}

TEST(Box, TheUnionOfTwoBoxesHoldsBothAndWhatLiesBetween)
{
    Box box { 0, 0, 10, 10 };
    box.unite({ 10, 0, 20, 10 });
    EXPECT_EQ(box, (Box { 0, 0, 20, 10 }));
    box.unite({ 100, 50, 101, 51 });
    EXPECT_EQ(box, (Box { 0, 0, 101, 51 }));
    box.unite({ -5, 3, 2, 4 });
    EXPECT_EQ(box, (Box { -5, 0, 101, 51 }));

    // Edges beyond the int32 range are kept exactly.
    Box wide { 2000000000, 0, 4000000000, 10 };
    wide.unite({ -3000000000, 5, 0, 20 });
    EXPECT_EQ(wide, (Box { -3000000000, 0, 4000000000, 20 }));
}

TEST(Box, AnIntersectionWithoutAreaIsTheDefaultBox)
{
    Box const some { 10, 20, 30, 40 };
    EXPECT_EQ(some.intersection(some), some);
    EXPECT_EQ(some.intersection({ 0, 0, 15, 100 }), (Box { 10, 20, 15, 40 }));
    EXPECT_EQ(some.intersection({ 25, 35, 1000, 1000 }), (Box { 25, 35, 30, 40 }));
    EXPECT_EQ(some.intersection({ 0, 0, 1000, 1000 }), some);

    // Touching along an edge or at a corner: no common pixel.
    EXPECT_EQ(some.intersection({ 30, 20, 40, 40 }), Box {});
    EXPECT_EQ(some.intersection({ 0, 40, 100, 50 }), Box {});
    EXPECT_EQ(some.intersection({ 30, 40, 50, 50 }), Box {});
    // Disjoint, and with an empty operand.
    EXPECT_EQ(some.intersection({ 100, 100, 200, 200 }), Box {});
    EXPECT_EQ(some.intersection({ 15, 25, 15, 35 }), Box {});
    EXPECT_EQ(some.intersection(Box {}), Box {});
    EXPECT_TRUE(Box {}.intersection(some).empty());
}

TEST(Box, MovesAndConversionsCutToTheEdgeLimit)
{
    EXPECT_EQ((Box { 1, 2, 3, 4 }).moved(10, -20), (Box { 11, -18, 13, -16 }));
    EXPECT_EQ((Box { 0, 0, 10, 10 }).moved(INT32_MAX, INT32_MIN), (Box { kLimit, -kLimit, kLimit, -kLimit }));
    EXPECT_EQ((Box { kLimit - 5, 0, kLimit, 1 }).moved(5, 0), (Box { kLimit, 0, kLimit, 1 }));

    EXPECT_EQ((Box { 10, 20, 30, 50 }).rect(), (Rect { 10, 20, 20, 30 }));
    EXPECT_EQ((Box { 10, 20, 10, 50 }).rect(), Rect {});
    EXPECT_EQ((Box { -kLimit, 0, kLimit, 1 }).rect(),
        (Rect { -static_cast<std::int32_t>(kLimit), 0, static_cast<std::int32_t>(kLimit), 1 }));

    EXPECT_EQ(Box::from_rect({ 10, 20, 5, 6 }), (Box { 10, 20, 15, 26 }));
    EXPECT_EQ(Box::from_rect({ INT32_MAX, 0, INT32_MAX, 1 }),
        (Box { INT32_MAX, 0, std::int64_t { INT32_MAX } * 2, 1 }));
    EXPECT_TRUE(Box::from_rect({ 10, 20, 0, 6 }).empty());
    EXPECT_TRUE(Box::from_rect({ 10, 20, 5, -1 }).empty());
}

} // namespace
} // namespace advplay::graphics
