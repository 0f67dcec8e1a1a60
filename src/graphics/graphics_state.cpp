// The engine surfaces and the present protocol.
#include "graphics/graphics_state.h"

#include "graphics/compose.h"

#include <algorithm>
#include <utility>

namespace advplay::graphics {

bool build_tables(GraphicsState& state)
{
    state.tables = build_pixel_tables();
    return state.tables != nullptr;
}

bool create_surfaces(GraphicsState& state, std::int32_t offscreen_count, ColorRef background)
{
    state.offscreen_surfaces.resize(static_cast<std::size_t>(std::max(offscreen_count, 0)));
    auto const make = [background](Surface& surface) {
        if (!surface.create(kScreenWidth, kScreenHeight))
            return false;
        fill(surface, background);
        return true;
    };
    if (!make(state.screen_surface) || !make(state.display_surface) || !make(state.staging_surface))
        return false;
    return std::all_of(state.offscreen_surfaces.begin(), state.offscreen_surfaces.end(), make);
}

void mark_dirty(GraphicsState& state, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h)
{
    state.dirty_rect.unite(Box::from_rect({ x, y, w, h }));
}

void request_swap(GraphicsState& state)
{
    state.swap_pending = true;
}

bool take_swap_request(GraphicsState& state)
{
    return std::exchange(state.swap_pending, false);
}

bool swap_buffers(GraphicsState& state)
{
    return state.display_surface.swap_buffers(state.staging_surface);
}

std::optional<Rect> take_dirty_rect(GraphicsState& state)
{
    Box const dirty = std::exchange(state.dirty_rect, Box {});
    Surface const& display = state.display_surface;
    Box const shown = dirty.intersection({ 0, 0, display.width(), display.height() });
    if (shown.empty())
        return std::nullopt;
    return shown.rect();
}

void present(GraphicsState& state, const std::function<void(const Surface& display, const Rect& rect)>& show)
{
    if (take_swap_request(state))
        (void)swap_buffers(state);
    if (auto const rect = take_dirty_rect(state))
        show(state.display_surface, *rect);
}

} // namespace advplay::graphics
