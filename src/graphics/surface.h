// Surface: the engine's RGB555 pixel buffers with their optional alpha masks, and the clipping rules
// that every drawing routine applies to them.
#pragma once

#include "graphics/color.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace advplay::graphics {

// The engine's fixed screen size, which is also the size of the window's client area.
constexpr std::int32_t kScreenWidth = 640;
constexpr std::int32_t kScreenHeight = 480;

struct Rect {
    std::int32_t x { 0 };
    std::int32_t y { 0 };
    std::int32_t w { 0 };
    std::int32_t h { 0 };

    bool empty() const { return w <= 0 || h <= 0; }
    bool operator==(const Rect&) const = default;
};

// A destination rectangle at (x, y) fed from the rectangle of the same size at (sx, sy) of a source.
struct BlitRect {
    std::int32_t x { 0 };
    std::int32_t y { 0 };
    std::int32_t w { 0 };
    std::int32_t h { 0 };
    std::int32_t sx { 0 };
    std::int32_t sy { 0 };

    bool operator==(const BlitRect&) const = default;
};

// Bytes per row of a surface `width` pixels wide: the width rounded up to an even number of pixels,
// so that every row starts on a 32-bit boundary.
constexpr std::int64_t surface_stride(std::int64_t width)
{
    return ((width * 16 + 31) / 32) * 4;
}

// Clips a destination rectangle alone against a surface of surface_width x surface_height. A part
// left of or above the surface is cut off, so what remains keeps its place. False, with `rect`
// unspecified, when nothing remains.
[[nodiscard]] bool clip_fill(Rect& rect, std::int32_t surface_width, std::int32_t surface_height);

// Clips against the source first and the destination second. Whatever is cut off one rectangle is
// cut off the other too, so each remaining destination pixel is still fed by the source pixel it
// was aligned with. False, with `rect` unspecified, when nothing remains.
[[nodiscard]] bool clip_blit(BlitRect& rect, std::int32_t destination_width, std::int32_t destination_height,
    std::int32_t source_width, std::int32_t source_height);

// A top-down RGB555 bitmap: pixel (x, y) is element y * pitch() + x of pixels(). It may carry an
// alpha mask of width x height bytes without row padding (0 transparent, 255 opaque), which only the
// picture decoders fill and which every successful create() drops.
//
// A surface is never copied. Moving one is for containers; the engine exchanges pictures between
// surfaces with swap_buffers(), so a reference to a surface always names the same role.
class Surface {
public:
    Surface() = default;
    Surface(Surface&&) noexcept = default;
    Surface& operator=(Surface&&) noexcept = default;
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    // Makes this a width x height bitmap, all black, and drops the alpha mask; the old pixels are
    // gone. create(0, 0) succeeds and changes nothing. False, with the surface unchanged, for a
    // negative width, a height below 1 beside a non-zero width, a bitmap beyond 2 GiB, or when memory
    // runs out.
    [[nodiscard]] bool create(std::int32_t width, std::int32_t height);
    // Back to holding nothing: width 0, no pixels, no mask.
    void destroy();
    // Exchanges the pixels and the alpha masks of two surfaces of the same size, copying nothing.
    // False, with neither changed, when the sizes differ.
    [[nodiscard]] bool swap_buffers(Surface& other);

    // The colour of pixel (x, y); black outside the bitmap.
    ColorRef pixel_color(std::int32_t x, std::int32_t y) const;

    std::int32_t width() const { return m_width; }
    std::int32_t height() const { return m_height; }
    // 16 once created, 0 while the surface holds nothing.
    std::int32_t bits_per_pixel() const { return m_width > 0 ? 16 : 0; }
    // Bytes per row.
    std::int32_t stride() const { return m_stride; }
    // Pixels per row, the one past an odd width included.
    std::ptrdiff_t pitch() const { return m_stride / 2; }

    Pixel* pixels() { return m_pixels.get(); }
    const Pixel* pixels() const { return m_pixels.get(); }
    Pixel* row(std::int32_t y) { return m_pixels.get() + y * pitch(); }
    const Pixel* row(std::int32_t y) const { return m_pixels.get() + y * pitch(); }
    // Unchecked; the caller keeps (x, y) inside the bitmap.
    Pixel& at(std::int32_t x, std::int32_t y) { return row(y)[x]; }
    Pixel at(std::int32_t x, std::int32_t y) const { return row(y)[x]; }

    // Null when the surface has no mask.
    std::uint8_t* alpha_mask() { return m_alpha_mask.get(); }
    const std::uint8_t* alpha_mask() const { return m_alpha_mask.get(); }
    // Gives the surface a mask, all transparent, for a decoder to fill. False when the surface holds
    // nothing or memory runs out (any old mask is kept then).
    [[nodiscard]] bool create_alpha_mask();
    void free_alpha_mask() { m_alpha_mask.reset(); }

private:
    std::int32_t m_width { 0 };
    std::int32_t m_height { 0 };
    std::int32_t m_stride { 0 };
    std::unique_ptr<Pixel[]> m_pixels;
    std::unique_ptr<std::uint8_t[]> m_alpha_mask;
};

} // namespace advplay::graphics
