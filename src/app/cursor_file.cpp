// Cursor files.
#include "app/cursor_file.h"

#include "graphics/icon_file.h"

#include <algorithm>
#include <cstdlib>

namespace advplay::app {

namespace {

constexpr std::int32_t kLargestCursor = 256;

} // namespace

std::optional<platform::CursorImage> decode_cursor(std::span<const std::uint8_t> bytes)
{
    auto const entries = graphics::read_icon_directory(bytes, graphics::IconFileKind::Cursor);
    if (!entries)
        return std::nullopt;
    const graphics::IconEntry* best = nullptr;
    auto distance
        = [](const graphics::IconEntry& e) { return std::abs(e.width - 32) + std::abs(e.height - 32); };
    for (auto const& entry : *entries) {
        if (!best || distance(entry) < distance(*best)
            || (distance(entry) == distance(*best) && entry.bit_count > best->bit_count))
            best = &entry;
    }
    if (!best)
        return std::nullopt;
    auto const image = graphics::read_icon_image(bytes, *best, kLargestCursor);
    if (!image)
        return std::nullopt;

    platform::CursorImage cursor;
    cursor.width = image->width;
    cursor.height = image->height;
    cursor.hot_x = std::min(best->hot_x, image->width - 1);
    cursor.hot_y = std::min(best->hot_y, image->height - 1);
    // A 32-bit image with any alpha is drawn by its alpha; one without relies on its mask.
    bool const use_alpha = image->bit_count == 32
        && std::any_of(
            image->colours.begin(), image->colours.end(), [](std::uint32_t argb) { return argb >> 24 != 0; });
    cursor.pixels = image->colours;
    if (use_alpha)
        return cursor;
    for (std::size_t i = 0; i < cursor.pixels.size(); ++i) {
        std::uint32_t& argb = cursor.pixels[i];
        // QUIRK: where the mask is set and the colour is not black, Windows inverts the screen;
        // a picture cursor cannot, so those pixels are drawn black, as an outline.
        if (image->mask[i])
            argb = (argb & 0x00FFFFFF) == 0 ? 0 : 0xFF000000u;
        else
            argb = (argb & 0x00FFFFFF) | 0xFF000000u;
    }
    return cursor;
}

} // namespace advplay::app
