// Icon and cursor files.
#include "graphics/icon_file.h"

#include "platform/image_codecs.h"

namespace advplay::graphics {

namespace {

constexpr std::size_t kDirectorySize = 6;
constexpr std::size_t kEntrySize = 16;
constexpr std::size_t kInfoHeaderSize = 40;

std::uint32_t le16(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8;
}

std::uint32_t le32(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return le16(bytes, at) | le16(bytes, at + 2) << 16;
}

// Bytes per row of a DIB `width` pixels wide at `bits` per pixel: rows end on 32-bit boundaries.
std::size_t dib_stride(std::int32_t width, std::uint32_t bits)
{
    return ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
}

} // namespace

std::optional<std::vector<IconEntry>> read_icon_directory(
    std::span<const std::uint8_t> file, IconFileKind kind)
{
    if (file.size() < kDirectorySize || le16(file, 0) != 0
        || le16(file, 2) != static_cast<std::uint32_t>(kind))
        return std::nullopt;
    std::uint32_t const count = le16(file, 4);
    if (count == 0 || kDirectorySize + count * kEntrySize > file.size())
        return std::nullopt;
    std::vector<IconEntry> entries;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::size_t const at = kDirectorySize + i * kEntrySize;
        IconEntry entry;
        entry.width = file[at] == 0 ? 256 : file[at];
        entry.height = file[at + 1] == 0 ? 256 : file[at + 1];
        entry.colour_count = file[at + 2] == 0 ? 256 : file[at + 2];
        entry.hot_x = static_cast<std::int32_t>(le16(file, at + 4));
        entry.hot_y = static_cast<std::int32_t>(le16(file, at + 6));
        entry.offset = le32(file, at + 12);
        if (std::uint64_t { entry.offset } + kInfoHeaderSize > file.size())
            continue;
        entry.bit_count = le16(file, entry.offset + 14);
        entries.push_back(entry);
    }
    return entries;
}

std::optional<IconImage> read_icon_image(
    std::span<const std::uint8_t> file, const IconEntry& entry, std::int32_t largest_side)
{
    if (entry.offset > file.size())
        return std::nullopt;
    std::span<const std::uint8_t> const image = file.subspan(entry.offset);
    if (image.size() < kInfoHeaderSize || le32(image, 0) < kInfoHeaderSize)
        return std::nullopt;
    std::uint32_t const header_size = le32(image, 0);
    auto const width = static_cast<std::int32_t>(le32(image, 4));
    auto const doubled_height = static_cast<std::int32_t>(le32(image, 8));
    std::uint32_t const bits = le16(image, 14);
    std::uint32_t const compression = le32(image, 16);
    std::uint32_t const colours_used = le32(image, 32);
    if (width <= 0 || width > largest_side || doubled_height <= 0 || doubled_height % 2 != 0
        || doubled_height / 2 > largest_side || compression != 0 || header_size > image.size())
        return std::nullopt;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
        return std::nullopt;
    std::int32_t const height = doubled_height / 2;
    if (!platform::picture_size_allowed(width, height))
        return std::nullopt;

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

    IconImage out;
    out.width = width;
    out.height = height;
    out.bit_count = bits;
    std::size_t const pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    out.colours.resize(pixels);
    out.mask.resize(pixels);
    for (std::int32_t y = 0; y < height; ++y) {
        // Rows are stored bottom-up.
        std::size_t const row = static_cast<std::size_t>(height - 1 - y);
        auto const colours = image.subspan(colours_at + row * colour_stride, colour_stride);
        auto const mask = image.subspan(mask_at + row * mask_stride, mask_stride);
        std::size_t const out_row = static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
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
            out.colours[out_row + static_cast<std::size_t>(x)] = argb;
            out.mask[out_row + static_cast<std::size_t>(x)]
                = static_cast<std::uint8_t>((mask[static_cast<std::size_t>(x) / 8] >> (7 - x % 8)) & 1);
        }
    }
    return out;
}

} // namespace advplay::graphics
