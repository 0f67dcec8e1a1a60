// The engine's graphics state: the engine surfaces, the pixel tables and what waits to be
// presented; and the protocol by which changes reach the window.
#pragma once

#include "graphics/box.h"
#include "graphics/color.h"
#include "graphics/picture_cache.h"
#include "graphics/pixel_tables.h"
#include "graphics/surface.h"
#include "graphics/transition.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace advplay::graphics {

struct GraphicsState {
    // What scripts call "screen": the picture commands compose here; never shown directly.
    Surface screen_surface;
    // The picture the window shows.
    Surface display_surface;
    // Where a new picture is assembled before it is exchanged with the display.
    Surface staging_surface;
    // What scripts call "off0", "off1", ...
    std::vector<Surface> offscreen_surfaces;
    // Built at start-up; null before.
    std::unique_ptr<PixelTables> tables;
    // The union of the rectangles changed on the display since the last present.
    Box dirty_rect;
    bool swap_pending { false };
    TransitionState transition;
    // The pictures the picture commands used last; start-up gives it its two entries.
    PictureCache picture_cache;
};

// Builds FadeTable and ChannelTable. False when memory for them cannot be had.
[[nodiscard]] bool build_tables(GraphicsState& state);

// Sizes the list of off-screen surfaces to `offscreen_count` (dropping any beyond it) and creates the
// screen, display, staging and off-screen surfaces at 640 x 480, filled with `background`. False when
// one cannot be created; those made before it stay.
[[nodiscard]] bool create_surfaces(GraphicsState& state, std::int32_t offscreen_count, ColorRef background);

// ---------------------------------------------------------------------------------------------------
// Presenting
//
// Drawing code marks what it changed on the display surface with mark_dirty; code that assembled a
// whole new picture on the staging surface also calls request_swap. Once per pass of the frame loop,
// after its wait, the present step exchanges the two surfaces if a swap was requested and then copies
// the dirty rectangle of the display surface to the same place in the window: present() does both,
// or a frame loop can call take_swap_request, swap_buffers and take_dirty_rect itself.
// ---------------------------------------------------------------------------------------------------

// The dirty rectangle becomes the union of itself and (x, y)-(x + w, y + h); an empty rectangle adds
// nothing.
void mark_dirty(GraphicsState& state, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h);
void request_swap(GraphicsState& state);

// Whether a swap was requested; the request is cleared.
[[nodiscard]] bool take_swap_request(GraphicsState& state);
// Exchanges the display and staging surfaces' pixels (no copy). False when their sizes differ.
[[nodiscard]] bool swap_buffers(GraphicsState& state);
// The dirty rectangle cut to the display surface, or nothing when no part of it lies there; either
// way the dirty rectangle is empty afterwards.
std::optional<Rect> take_dirty_rect(GraphicsState& state);

// The present step: swap if requested, then hand the display surface and its dirty rectangle to
// `show`, which copies that rectangle to the same place in the window. Nothing is shown when nothing
// is dirty.
void present(GraphicsState& state, const std::function<void(const Surface& display, const Rect& rect)>& show);

} // namespace advplay::graphics
