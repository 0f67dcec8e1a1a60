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
    DirtyRect const added { x, y, static_cast<std::int64_t>(x) + w, static_cast<std::int64_t>(y) + h };
    if (added.empty())
        return;
    DirtyRect& dirty = state.dirty_rect;
    if (dirty.empty()) {
        dirty = added;
        return;
    }
    dirty.left = std::min(dirty.left, added.left);
    dirty.top = std::min(dirty.top, added.top);
    dirty.right = std::max(dirty.right, added.right);
    dirty.bottom = std::max(dirty.bottom, added.bottom);
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
    DirtyRect const dirty = std::exchange(state.dirty_rect, DirtyRect {});
    Surface const& display = state.display_surface;
    std::int64_t const left = std::max<std::int64_t>(dirty.left, 0);
    std::int64_t const top = std::max<std::int64_t>(dirty.top, 0);
    std::int64_t const right = std::min<std::int64_t>(dirty.right, display.width());
    std::int64_t const bottom = std::min<std::int64_t>(dirty.bottom, display.height());
    if (dirty.empty() || right <= left || bottom <= top)
        return std::nullopt;
    return Rect { static_cast<std::int32_t>(left), static_cast<std::int32_t>(top),
        static_cast<std::int32_t>(right - left), static_cast<std::int32_t>(bottom - top) };
}

void present(GraphicsState& state, const std::function<void(const Surface& display, const Rect& rect)>& show)
{
    if (take_swap_request(state))
        (void)swap_buffers(state);
    if (auto const rect = take_dirty_rect(state))
        show(state.display_surface, *rect);
}

} // namespace advplay::graphics
