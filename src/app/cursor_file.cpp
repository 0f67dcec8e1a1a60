// Cursor files.
#include "app/cursor_file.h"

#include <algorithm>
#include <cstdlib>

namespace advplay::app {

namespace {

constexpr std::size_t kDirectorySize = 6;
constexpr std::size_t kEntrySize = 16;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::int32_t kLargestCursor = 256;

std::uint32_t le16(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8;
}

std::uint32_t le32(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return le16(bytes, at) | le16(bytes, at + 2) << 16;
}

struct Entry {
    std::int32_t width;
    std::int32_t height;
    std::int32_t hot_x;
    std::int32_t hot_y;
    std::uint32_t offset;
    std::uint32_t bit_count;
};

// Bytes per row of a DIB `width` pixels wide at `bits` per pixel: rows end on 32-bit boundaries.
std::size_t dib_stride(std::int32_t width, std::uint32_t bits)
{
    return ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
}

std::optional<platform::CursorImage> decode_image(std::span<const std::uint8_t> image, const Entry& entry)
{
    if (image.size() < kInfoHeaderSize || le32(image, 0) < kInfoHeaderSize)
        return std::nullopt;
    std::uint32_t const header_size = le32(image, 0);
    auto const width = static_cast<std::int32_t>(le32(image, 4));
    // The height counts the colour image and the AND mask together.
    auto const doubled_height = static_cast<std::int32_t>(le32(image, 8));
    std::uint32_t const bits = le16(image, 14);
    std::uint32_t const compression = le32(image, 16);
    std::uint32_t const colours_used = le32(image, 32);
    if (width <= 0 || width > kLargestCursor || doubled_height <= 0 || doubled_height % 2 != 0
        || doubled_height / 2 > kLargestCursor || compression != 0 || header_size > image.size())
        return std::nullopt;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
        return std::nullopt;
    std::int32_t const height = doubled_height / 2;

    std::size_t palette_entries = 0;
    if (bits <= 8)
        palette_entries = colours_used != 0 && colours_used < (1u << bits) ? colours_used : (1u << bits);
    std::size_t const palette_at = header_size;
    std::size_t const colours_at = palette_at + palette_entries * 4;
    std::size_t const colour_stride = dib_stride(width, bits);
    std::size_t const mask_stride = dib_stride(width, 1);
    std::size_t const mask_at = colours_at + colour_stride * static_cast<std::size_t>(height);
    if (mask_at + mask_stride * static_cast<std::size_t>(height) > image.size())
        return std::nullopt;

    platform::CursorImage cursor;
    cursor.width = width;
    cursor.height = height;
    cursor.hot_x = std::min(entry.hot_x, width - 1);
    cursor.hot_y = std::min(entry.hot_y, height - 1);
    cursor.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    // A 32-bit image with any alpha is drawn by its alpha; one without relies on its mask.
    bool use_alpha = false;
    if (bits == 32) {
        for (std::size_t at = colours_at + 3; at < mask_at && !use_alpha; at += 4)
            use_alpha = image[at] != 0;
    }
    for (std::int32_t y = 0; y < height; ++y) {
        // Rows are stored bottom-up.
        std::size_t const row = static_cast<std::size_t>(height - 1 - y);
        auto const colours = image.subspan(colours_at + row * colour_stride, colour_stride);
        auto const mask = image.subspan(mask_at + row * mask_stride, mask_stride);
        for (std::int32_t x = 0; x < width; ++x) {
            std::uint32_t argb = 0;
            if (bits == 32) {
                std::size_t const at = static_cast<std::size_t>(x) * 4;
                argb = colours[at] | colours[at + 1] << 8 | colours[at + 2] << 16
                    | static_cast<std::uint32_t>(colours[at + 3]) << 24;
            } else if (bits == 24) {
                std::size_t const at = static_cast<std::size_t>(x) * 3;
                argb = colours[at] | colours[at + 1] << 8 | colours[at + 2] << 16;
            } else {
                std::size_t const bit = static_cast<std::size_t>(x) * bits;
                std::uint32_t const index = (colours[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
                if (index < palette_entries) {
                    std::size_t const at = palette_at + index * 4;
                    argb = image[at] | image[at + 1] << 8 | image[at + 2] << 16;
                }
            }
            bool const transparent = (mask[static_cast<std::size_t>(x) / 8] >> (7 - x % 8)) & 1;
            // QUIRK: where the mask is set and the colour is not black, Windows inverts the screen;
            // a picture cursor cannot, so those pixels are drawn black, as an outline.
            if (!use_alpha) {
                if (transparent)
                    argb = (argb & 0x00FFFFFF) == 0 ? 0 : 0xFF000000u;
                else
                    argb |= 0xFF000000u;
            }
            cursor.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + x] = argb;
        }
    }
    return cursor;
}

} // namespace

std::optional<platform::CursorImage> decode_cursor(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < kDirectorySize || le16(bytes, 0) != 0 || le16(bytes, 2) != 2)
        return std::nullopt;
    std::uint32_t const count = le16(bytes, 4);
    if (count == 0 || kDirectorySize + count * kEntrySize > bytes.size())
        return std::nullopt;
    std::optional<Entry> best;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::size_t const at = kDirectorySize + i * kEntrySize;
        Entry entry;
        entry.width = bytes[at] == 0 ? 256 : bytes[at];
        entry.height = bytes[at + 1] == 0 ? 256 : bytes[at + 1];
        entry.hot_x = static_cast<std::int32_t>(le16(bytes, at + 4));
        entry.hot_y = static_cast<std::int32_t>(le16(bytes, at + 6));
        entry.offset = le32(bytes, at + 12);
        // The stored image size is often wrong; the image may take the rest of the file.
        if (entry.offset + kInfoHeaderSize > bytes.size())
            continue;
        entry.bit_count = le16(bytes, entry.offset + 14);
        auto distance = [](const Entry& e) { return std::abs(e.width - 32) + std::abs(e.height - 32); };
        if (!best || distance(entry) < distance(*best)
            || (distance(entry) == distance(*best) && entry.bit_count > best->bit_count))
            best = entry;
    }
    if (!best)
        return std::nullopt;
    return decode_image(bytes.subspan(best->offset), *best);
}

} // namespace advplay::app
