// Engine surfaces, the present protocol and the internal-error reporter.
#include "graphics/graphics_state.h"

#include "graphics/compose.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace advplay::graphics {
namespace {

TEST(GraphicsState, SurfacesAreCreatedInTheBackgroundColour)
{
    GraphicsState state;
    ASSERT_TRUE(create_surfaces(state, 3, 0x0080FF));
    ASSERT_EQ(state.offscreen_surfaces.size(), 3u);
    for (Surface const* surface :
        { &state.screen_surface, &state.display_surface, &state.offscreen_surfaces[2] }) {
        EXPECT_EQ(surface->width(), 640);
        EXPECT_EQ(surface->at(639, 479), 0x7E00);
    }
    ASSERT_TRUE(create_surfaces(state, 1, 0));
    EXPECT_EQ(state.offscreen_surfaces.size(), 1u);
    ASSERT_TRUE(build_tables(state));
    EXPECT_EQ(state.tables->fade[16][kWhite], 0x4210);
}

TEST(GraphicsState, PresentSwapsOnRequestAndShowsTheUnionOfDirtyRectangles)
{
    GraphicsState state;
    ASSERT_TRUE(create_surfaces(state, 0, 0));
    std::vector<Rect> shown;
    auto const show = [&shown](const Surface&, const Rect& rect) { shown.push_back(rect); };

    mark_dirty(state, 10, 20, 5, 5);
    mark_dirty(state, 100, 0, 1, 1);
    mark_dirty(state, 50, 50, 0, 10);
    present(state, show);
    present(state, show);
    ASSERT_EQ(shown, (std::vector<Rect> { { 10, 0, 91, 25 } })) << "once, then nothing is dirty";

    fill(state.staging_surface, 0xFFFFFF);
    request_swap(state);
    mark_dirty(state, -10, 470, 700, 100);
    present(state, show);
    EXPECT_EQ(shown.back(), (Rect { 0, 470, 640, 10 }));
    EXPECT_EQ(state.display_surface.at(0, 0), kWhite);
    EXPECT_EQ(state.staging_surface.at(0, 0), 0);
    EXPECT_FALSE(take_swap_request(state));

    Surface small;
    ASSERT_TRUE(small.create(320, 240));
    EXPECT_FALSE(state.display_surface.swap_buffers(small));
    EXPECT_EQ(small.width(), 320);
    EXPECT_EQ(state.display_surface.at(0, 0), kWhite);
}

} // namespace
} // namespace advplay::graphics
