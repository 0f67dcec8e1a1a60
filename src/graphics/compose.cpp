// Composition: the frame around the row kernels (the same-surface guard, clipping, walking the rows)
// and the choice of kernel for each parameter.
#include "graphics/compose.h"

#include "graphics/pixel_math.h"
#include "graphics/pixel_rows.h"

#include <cstdlib>
#include <cstring>

namespace advplay::graphics {

namespace {

// Refuses a source that is the destination itself when the two rectangles overlap: the kernels read
// each source pixel after earlier destination pixels were written, which would feed them their own
// output. QUIRK: the test is made on the rectangles as given, so a draw whose clipped rectangles no
// longer overlap is refused all the same. 64-bit, since the script may pass any int32.
bool overlaps_itself(
    const Surface& destination, const Rect& rect, const Surface& source, std::int32_t sx, std::int32_t sy)
{
    bool const same
        = &destination == &source || (destination.pixels() && destination.pixels() == source.pixels());
    return same && std::llabs(static_cast<long long>(sx) - rect.x) < rect.w
        && std::llabs(static_cast<long long>(sy) - rect.y) < rect.h;
}

// Clips and hands each destination row segment with its source segment to `operation`.
template<typename Operation>
bool each_row(Surface& destination, const Rect& rect, const Surface& source, std::int32_t sx, std::int32_t sy,
    Operation operation)
{
    BlitRect clipped { rect.x, rect.y, rect.w, rect.h, sx, sy };
    if (!clip_blit(clipped, destination.width(), destination.height(), source.width(), source.height()))
        return false;
    for (std::int32_t i = 0; i < clipped.h; ++i)
        operation(
            destination.row(clipped.y + i) + clipped.x, source.row(clipped.sy + i) + clipped.sx, clipped.w);
    return true;
}

template<typename Operation>
bool each_guarded_row(Surface& destination, const Rect& rect, const Surface& source, std::int32_t sx,
    std::int32_t sy, Operation operation)
{
    if (overlaps_itself(destination, rect, source, sx, sy))
        return false;
    return each_row(destination, rect, source, sx, sy, operation);
}

// Clips against the destination alone and hands each row segment to `operation`.
template<typename Operation>
bool each_destination_row(Surface& destination, const Rect& rect, Operation operation)
{
    Rect clipped = rect;
    if (!clip_fill(clipped, destination.width(), destination.height()))
        return false;
    for (std::int32_t i = 0; i < clipped.h; ++i)
        operation(destination.row(clipped.y + i) + clipped.x, clipped.w);
    return true;
}

bool fill_pixel(Surface& destination, const Rect& rect, Pixel value)
{
    return each_destination_row(
        destination, rect, [value](Pixel* d, std::int32_t count) { rows::fill(d, count, value); });
}

// d = FadeTable[level][s] + add, where s is not the key.
bool fade_keyed(Surface& destination, const Rect& rect, const Surface& source, std::int32_t sx,
    std::int32_t sy, Pixel key, std::uint32_t level, Pixel add)
{
    return each_guarded_row(
        destination, rect, source, sx, sy, [=](Pixel* d, const Pixel* s, std::int32_t count) {
            rows::fade_keyed(d, s, count, level, add, key);
        });
}

} // namespace

// ---------------------------------------------------------------------------------------------------
// Method 0
// ---------------------------------------------------------------------------------------------------

bool copy(Surface& destination, const Rect& rect, const Surface& source, std::int32_t sx, std::int32_t sy)
{
    BlitRect clipped { rect.x, rect.y, rect.w, rect.h, sx, sy };
    if (!clip_blit(clipped, destination.width(), destination.height(), source.width(), source.height()))
        return false;
    bool const same = destination.pixels() == source.pixels();
    if (same && clipped.x == clipped.sx && clipped.y == clipped.sy)
        return true;
    if (clipped.w == destination.width() && clipped.w == source.width()) {
        // Whole rows of equal pitch: one block, moved when it may overlap itself.
        auto const bytes
            = (static_cast<std::size_t>(clipped.h - 1) * destination.pitch() + clipped.w) * sizeof(Pixel);
        if (same)
            std::memmove(destination.row(clipped.y), source.row(clipped.sy), bytes);
        else
            std::memcpy(destination.row(clipped.y), source.row(clipped.sy), bytes);
        return true;
    }
    auto const row_bytes = static_cast<std::size_t>(clipped.w) * sizeof(Pixel);
    auto const move_row = [&](std::int32_t i) {
        std::memmove(
            destination.row(clipped.y + i) + clipped.x, source.row(clipped.sy + i) + clipped.sx, row_bytes);
    };
    // A source above its destination on the same surface is read from the bottom up, so that no row
    // is overwritten before it has been moved; rows that share their line move as one overlapping
    // block each.
    if (same && clipped.sy < clipped.y) {
        for (std::int32_t i = clipped.h - 1; i >= 0; --i)
            move_row(i);
    } else {
        for (std::int32_t i = 0; i < clipped.h; ++i)
            move_row(i);
    }
    return true;
}

bool copy_keyed(Surface& destination, const Rect& rect, const Surface& source, std::int32_t sx,
    std::int32_t sy, ColorRef key)
{
    Pixel const k = color_to_pixel(key);
    return each_guarded_row(destination, rect, source, sx, sy,
        [k](Pixel* d, const Pixel* s, std::int32_t count) { rows::copy_keyed(d, s, count, k); });
}

bool fill(Surface& destination, const Rect& rect, ColorRef color)
{
    return fill_pixel(destination, rect, color_to_pixel(color));
}

bool fill(Surface& destination, ColorRef color)
{
    return fill(destination, Rect { 0, 0, destination.width(), destination.height() }, color);
}

// ---------------------------------------------------------------------------------------------------
// Method 1
// ---------------------------------------------------------------------------------------------------

bool blend(Surface& destination, const Rect& rect, const Surface& source, std::int32_t sx, std::int32_t sy,
    std::int32_t parameter)
{
    if (parameter == 0)
        return false;
    if (is_full(parameter))
        return copy(destination, rect, source, sx, sy);
    std::uint32_t const level = level_of(parameter);
    return each_guarded_row(destination, rect, source, sx, sy,
        [level](Pixel* d, const Pixel* s, std::int32_t count) { rows::blend(d, s, count, level); });
}

bool blend_color(Surface& destination, const Rect& rect, ColorRef color, std::int32_t parameter)
{
    if (parameter == 0)
        return false;
    if (is_full(parameter))
        return fill(destination, rect, color);
    std::uint32_t const level = level_of(parameter);
    Pixel const faded = fade(color_to_pixel(color), level);
    // F[L][k] + F[31 - L][d] is the destination faded in place with the constant added.
    return each_destination_row(
        destination, rect, [=](Pixel* d, std::int32_t count) { rows::fade(d, d, count, 31 - level, faded); });
}

bool blend_keyed(Surface& destination, const Rect& rect, const Surface& source, std::int32_t sx,
    std::int32_t sy, ColorRef key, std::int32_t parameter)
{
    if (parameter == 0)
        return false;
    // QUIRK: 31 is taken as the level itself rather than as a parameter (which would give level 3):
    // scripts written against this draw their sprites opaque with it.
    if (parameter == 31)
        return copy_keyed(destination, rect, source, sx, sy, key);
    std::uint32_t const level = level_of(parameter);
    Pixel const k = color_to_pixel(key);
    return each_guarded_row(destination, rect, source, sx, sy,
        [=](Pixel* d, const Pixel* s, std::int32_t count) { rows::blend_keyed(d, s, count, level, k); });
}

// ---------------------------------------------------------------------------------------------------
// Methods 2 and 3
// ---------------------------------------------------------------------------------------------------

bool add(Surface& destination, const Rect& rect, const Surface& source, std::int32_t sx, std::int32_t sy)
{
    return each_guarded_row(destination, rect, source, sx, sy,
        [](Pixel* d, const Pixel* s, std::int32_t count) { rows::add(d, s, count); });
}

bool add_color(Surface& destination, const Rect& rect, ColorRef color)
{
    Pixel const k = color_to_pixel(color);
    return each_destination_row(
        destination, rect, [k](Pixel* d, std::int32_t count) { rows::add_color(d, count, k); });
}

bool subtract(Surface& destination, const Rect& rect, const Surface& source, std::int32_t sx, std::int32_t sy)
{
    return each_guarded_row(destination, rect, source, sx, sy,
        [](Pixel* d, const Pixel* s, std::int32_t count) { rows::subtract(d, s, count); });
}

bool subtract_color(Surface& destination, const Rect& rect, ColorRef color)
{
    Pixel const k = color_to_pixel(color);
    return each_destination_row(
        destination, rect, [k](Pixel* d, std::int32_t count) { rows::subtract_color(d, count, k); });
}

// ---------------------------------------------------------------------------------------------------
// Method 4
// ---------------------------------------------------------------------------------------------------

bool darken(Surface& destination, const Rect& rect, const Surface& source, std::int32_t sx, std::int32_t sy,
    std::int32_t parameter)
{
    // Like full brightness below: a plain fill, clipped by the destination alone.
    if (parameter == 0)
        return fill_pixel(destination, rect, kBlack);
    if (is_full(parameter))
        return copy(destination, rect, source, sx, sy);
    std::uint32_t const level = level_of(parameter);
    return each_guarded_row(destination, rect, source, sx, sy,
        [level](Pixel* d, const Pixel* s, std::int32_t count) { rows::fade(d, s, count, level, 0); });
}

bool darken_color(Surface& destination, const Rect& rect, ColorRef color, std::int32_t parameter)
{
    Pixel const k = color_to_pixel(color);
    if (is_full(parameter))
        return fill_pixel(destination, rect, k);
    return fill_pixel(destination, rect, fade(k, level_of(parameter)));
}

bool darken_keyed(Surface& destination, const Rect& rect, const Surface& source, std::int32_t sx,
    std::int32_t sy, ColorRef key, std::int32_t parameter)
{
    if (is_full(parameter))
        return copy_keyed(destination, rect, source, sx, sy, key);
    return fade_keyed(destination, rect, source, sx, sy, color_to_pixel(key), level_of(parameter), 0);
}

// ---------------------------------------------------------------------------------------------------
// Method 5
// ---------------------------------------------------------------------------------------------------

bool brighten(Surface& destination, const Rect& rect, const Surface& source, std::int32_t sx, std::int32_t sy,
    std::int32_t parameter)
{
    if (parameter == 0)
        return copy(destination, rect, source, sx, sy);
    // Full brightness is a plain fill: it reads no source, so only the destination clips it.
    if (is_full(parameter))
        return fill_pixel(destination, rect, kWhite);
    std::uint32_t const level = level_of(parameter);
    return each_guarded_row(
        destination, rect, source, sx, sy, [level](Pixel* d, const Pixel* s, std::int32_t count) {
            rows::fade(d, s, count, 31 - level, grey(level));
        });
}

bool brighten_color(Surface& destination, const Rect& rect, ColorRef color, std::int32_t parameter)
{
    if (parameter == 0)
        return fill(destination, rect, color);
    if (is_full(parameter))
        return fill_pixel(destination, rect, kWhite);
    std::uint32_t const level = level_of(parameter);
    return fill_pixel(
        destination, rect, static_cast<Pixel>(fade(color_to_pixel(color), 31 - level) + grey(level)));
}

bool brighten_keyed(Surface& destination, const Rect& rect, const Surface& source, std::int32_t sx,
    std::int32_t sy, ColorRef key, std::int32_t parameter)
{
    if (parameter == 0)
        return copy_keyed(destination, rect, source, sx, sy, key);
    std::uint32_t const level = is_full(parameter) ? 31 : level_of(parameter);
    return fade_keyed(destination, rect, source, sx, sy, color_to_pixel(key), 31 - level, grey(level));
}

// ---------------------------------------------------------------------------------------------------
// Method 6 and the shrinking copy
// ---------------------------------------------------------------------------------------------------

bool composite_alpha(
    Surface& destination, const Rect& rect, const Surface& source, std::int32_t sx, std::int32_t sy)
{
    if (overlaps_itself(destination, rect, source, sx, sy))
        return false;
    std::uint8_t const* mask = source.alpha_mask();
    if (!mask)
        return copy(destination, rect, source, sx, sy);
    BlitRect clipped { rect.x, rect.y, rect.w, rect.h, sx, sy };
    if (!clip_blit(clipped, destination.width(), destination.height(), source.width(), source.height()))
        return false;
    for (std::int32_t i = 0; i < clipped.h; ++i) {
        // The mask has no row padding: its rows are the surface's width apart.
        std::uint8_t const* alpha
            = mask + static_cast<std::ptrdiff_t>(clipped.sy + i) * source.width() + clipped.sx;
        rows::composite_alpha(destination.row(clipped.y + i) + clipped.x,
            source.row(clipped.sy + i) + clipped.sx, alpha, clipped.w);
    }
    return true;
}

bool reduce(Surface& destination, const Rect& rect, const Surface& source, std::int32_t sx, std::int32_t sy,
    ColorRef key, std::int32_t factor)
{
    if (factor == 1)
        return copy_keyed(destination, rect, source, sx, sy, key);
    using Kernel = void (*)(Pixel*, const Pixel*, std::ptrdiff_t, std::int32_t, Pixel);
    Kernel kernel = nullptr;
    switch (factor) {
    case 2:
        kernel = rows::reduce2;
        break;
    case 3:
        kernel = rows::reduce3;
        break;
    case 4:
        kernel = rows::reduce4;
        break;
    default:
        return false;
    }
    // The source is clipped in whole blocks; a partial block at its right or bottom edge is never read.
    BlitRect clipped { rect.x, rect.y, rect.w, rect.h, sx, sy };
    if (!clip_blit(clipped, destination.width(), destination.height(), source.width() / factor,
            source.height() / factor))
        return false;
    Pixel const k = color_to_pixel(key);
    for (std::int32_t i = 0; i < clipped.h; ++i) {
        kernel(destination.row(clipped.y + i) + clipped.x,
            source.row(factor * (clipped.sy + i)) + static_cast<std::ptrdiff_t>(factor) * clipped.sx,
            source.pitch(), clipped.w, k);
    }
    return true;
}

// ---------------------------------------------------------------------------------------------------
// Methods by number
// ---------------------------------------------------------------------------------------------------

bool compose(std::int32_t method, Surface& destination, const Rect& rect, const Surface& source,
    std::int32_t sx, std::int32_t sy, std::int32_t parameter)
{
    switch (static_cast<Method>(method)) {
    case Method::Copy:
        return copy(destination, rect, source, sx, sy);
    case Method::Blend:
        return blend(destination, rect, source, sx, sy, parameter);
    case Method::Add:
        return add(destination, rect, source, sx, sy);
    case Method::Subtract:
        return subtract(destination, rect, source, sx, sy);
    case Method::Darken:
        return darken(destination, rect, source, sx, sy, parameter);
    case Method::Brighten:
        return brighten(destination, rect, source, sx, sy, parameter);
    case Method::Alpha:
        return composite_alpha(destination, rect, source, sx, sy);
    }
    return false;
}

bool compose_color(
    std::int32_t method, Surface& destination, const Rect& rect, ColorRef color, std::int32_t parameter)
{
    switch (static_cast<Method>(method)) {
    case Method::Copy:
        return fill(destination, rect, color);
    case Method::Blend:
        return blend_color(destination, rect, color, parameter);
    case Method::Add:
        return add_color(destination, rect, color);
    case Method::Subtract:
        return subtract_color(destination, rect, color);
    case Method::Darken:
        return darken_color(destination, rect, color, parameter);
    case Method::Brighten:
        return brighten_color(destination, rect, color, parameter);
    case Method::Alpha:
        break;
    }
    return false;
}

bool compose_keyed(std::int32_t method, Surface& destination, const Rect& rect, const Surface& source,
    std::int32_t sx, std::int32_t sy, ColorRef key, std::int32_t parameter)
{
    switch (static_cast<Method>(method)) {
    case Method::Copy:
        return copy_keyed(destination, rect, source, sx, sy, key);
    case Method::Blend:
        return blend_keyed(destination, rect, source, sx, sy, key, parameter);
    case Method::Darken:
        return darken_keyed(destination, rect, source, sx, sy, key, parameter);
    case Method::Brighten:
        return brighten_keyed(destination, rect, source, sx, sy, key, parameter);
    case Method::Add:
    case Method::Subtract:
    case Method::Alpha:
        break;
    }
    return false;
}

} // namespace advplay::graphics
