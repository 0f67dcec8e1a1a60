// Surface life cycle and the two clipping rules.
#include "graphics/surface.h"

#include <algorithm>
#include <limits>
#include <new>
#include <utility>

namespace advplay::graphics {

namespace {

// One axis of a rectangle that starts at `position` on a surface `limit` pixels long; `partner` is
// the same axis on the other surface, moved along so that the two stay aligned. The arithmetic is
// 64-bit because scripts may pass any int32, and a sum of two of them must not wrap.
bool clip_axis(std::int64_t& length, std::int64_t& position, std::int64_t& partner, std::int64_t limit)
{
    if (position < 0) {
        if (length + position < 1)
            return false;
        length += position;
        partner -= position;
        position = 0;
        length = std::min(length, limit);
    } else if (position + length > limit) {
        length = limit - position;
    }
    return true;
}

} // namespace

bool clip_fill(Rect& rect, std::int32_t surface_width, std::int32_t surface_height)
{
    std::int64_t x = rect.x, y = rect.y, w = rect.w, h = rect.h;
    std::int64_t unused_x = 0, unused_y = 0;
    if (w <= 0 || h <= 0)
        return false;
    if (x >= surface_width || y >= surface_height)
        return false;
    if (!clip_axis(w, x, unused_x, surface_width) || !clip_axis(h, y, unused_y, surface_height))
        return false;
    // Only an empty surface leaves nothing here; it has no pixels to address.
    if (w <= 0 || h <= 0)
        return false;
    rect = { static_cast<std::int32_t>(x), static_cast<std::int32_t>(y), static_cast<std::int32_t>(w),
        static_cast<std::int32_t>(h) };
    return true;
}

bool clip_blit(BlitRect& rect, std::int32_t destination_width, std::int32_t destination_height,
    std::int32_t source_width, std::int32_t source_height)
{
    std::int64_t x = rect.x, y = rect.y, w = rect.w, h = rect.h, sx = rect.sx, sy = rect.sy;
    if (w <= 0 || h <= 0)
        return false;
    if (sx >= source_width || sy >= source_height)
        return false;
    if (!clip_axis(w, sx, x, source_width) || !clip_axis(h, sy, y, source_height))
        return false;
    if (x >= destination_width || y >= destination_height)
        return false;
    if (!clip_axis(w, x, sx, destination_width) || !clip_axis(h, y, sy, destination_height))
        return false;
    // An empty source or destination can leave a zero-sized rectangle, which has nothing to address.
    if (w <= 0 || h <= 0)
        return false;
    rect = { static_cast<std::int32_t>(x), static_cast<std::int32_t>(y), static_cast<std::int32_t>(w),
        static_cast<std::int32_t>(h), static_cast<std::int32_t>(sx), static_cast<std::int32_t>(sy) };
    return true;
}

bool Surface::create(std::int32_t width, std::int32_t height)
{
    // QUIRK: a 0 x 0 request succeeds without touching the surface, pixels included.
    if (width == 0)
        return height == 0;
    if (width < 0 || height <= 0)
        return false;
    std::int64_t const stride = surface_stride(width);
    std::int64_t const bytes = stride * height;
    if (bytes > std::numeric_limits<std::int32_t>::max())
        return false;
    // Zeroed, so that a picture never shows what the memory held before.
    std::unique_ptr<Pixel[]> pixels(new (std::nothrow) Pixel[static_cast<std::size_t>(bytes / 2)]());
    if (!pixels)
        return false;
    m_pixels = std::move(pixels);
    m_alpha_mask.reset();
    m_width = width;
    m_height = height;
    m_stride = static_cast<std::int32_t>(stride);
    return true;
}

void Surface::destroy()
{
    m_pixels.reset();
    m_alpha_mask.reset();
    m_width = 0;
    m_height = 0;
    m_stride = 0;
}

bool Surface::swap_buffers(Surface& other)
{
    if (m_width != other.m_width || m_height != other.m_height)
        return false;
    std::swap(m_pixels, other.m_pixels);
    std::swap(m_alpha_mask, other.m_alpha_mask);
    return true;
}

ColorRef Surface::pixel_color(std::int32_t x, std::int32_t y) const
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return 0;
    return pixel_to_color(at(x, y));
}

bool Surface::create_alpha_mask()
{
    if (m_width <= 0)
        return false;
    auto const bytes = static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height);
    std::unique_ptr<std::uint8_t[]> mask(new (std::nothrow) std::uint8_t[bytes]());
    if (!mask)
        return false;
    m_alpha_mask = std::move(mask);
    return true;
}

} // namespace advplay::graphics
