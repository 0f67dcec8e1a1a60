// Picture probing: just enough of each format's header to know how large a picture it declares.
#include "platform/picture_probe.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace advplay::platform {

namespace {

// Bounds-checked reads; a read past the end yields nothing.
class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> bytes)
        : m_bytes(bytes)
    {
    }

    bool has(std::uint64_t offset, std::uint64_t count) const
    {
        return offset <= m_bytes.size() && count <= m_bytes.size() - offset;
    }
    bool matches(std::uint64_t offset, const char* text) const
    {
        std::size_t const length = std::strlen(text);
        return has(offset, length) && std::memcmp(m_bytes.data() + offset, text, length) == 0;
    }
    std::optional<std::uint32_t> u8(std::uint64_t offset) const
    {
        if (!has(offset, 1))
            return std::nullopt;
        return m_bytes[offset];
    }
    std::optional<std::uint32_t> le16(std::uint64_t offset) const { return read(offset, 2, false); }
    std::optional<std::uint32_t> le32(std::uint64_t offset) const { return read(offset, 4, false); }
    std::optional<std::uint32_t> be16(std::uint64_t offset) const { return read(offset, 2, true); }
    std::optional<std::uint32_t> be32(std::uint64_t offset) const { return read(offset, 4, true); }
    std::optional<std::uint32_t> read(std::uint64_t offset, int count, bool big_endian) const
    {
        if (!has(offset, static_cast<std::uint64_t>(count)))
            return std::nullopt;
        std::uint32_t value = 0;
        for (int i = 0; i < count; ++i) {
            std::uint32_t const byte
                = m_bytes[offset + static_cast<std::uint64_t>(big_endian ? i : count - 1 - i)];
            value = (value << 8) | byte;
        }
        return value;
    }
    std::uint64_t size() const { return m_bytes.size(); }

private:
    std::span<const std::uint8_t> m_bytes;
};

std::int64_t magnitude(std::uint32_t value)
{
    return std::abs(static_cast<std::int64_t>(static_cast<std::int32_t>(value)));
}

constexpr std::uint8_t kPngSignature[] = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };

bool is_png(const Reader& file, std::uint64_t at)
{
    return file.has(at, 8) && file.matches(at + 1, "PNG\r\n\x1A\n") && file.u8(at) == kPngSignature[0];
}

std::optional<PictureProbe> png_size(const Reader& file, std::uint64_t at, PictureFormat format)
{
    if (!is_png(file, at) || !file.matches(at + 12, "IHDR"))
        return std::nullopt;
    auto const width = file.be32(at + 16);
    auto const height = file.be32(at + 20);
    if (!width || !height)
        return std::nullopt;
    return PictureProbe { format, *width, *height };
}

std::optional<PictureProbe> bmp_size(const Reader& file)
{
    auto const header_size = file.le32(14);
    if (!header_size)
        return std::nullopt;
    if (*header_size == 12) {
        auto const width = file.le16(18);
        auto const height = file.le16(20);
        if (!width || !height)
            return std::nullopt;
        return PictureProbe { PictureFormat::Bmp, *width, *height };
    }
    auto const width = file.le32(18);
    auto const height = file.le32(22);
    if (!width || !height)
        return std::nullopt;
    return PictureProbe { PictureFormat::Bmp, magnitude(*width), magnitude(*height) };
}

// Skips the sub-blocks that start at `at`, each led by its length, up to the empty one that ends
// them; nothing when the file ends first.
std::optional<std::uint64_t> skip_sub_blocks(const Reader& file, std::uint64_t at)
{
    for (;;) {
        auto const length = file.u8(at);
        if (!length)
            return std::nullopt;
        at += 1 + *length;
        if (*length == 0)
            return at;
    }
}

// The screen and the first image, whose data must be complete; the loader reads no further than that.
std::optional<PictureProbe> gif_size(const Reader& file)
{
    auto const screen_width = file.le16(6);
    auto const screen_height = file.le16(8);
    auto const flags = file.u8(10);
    if (!screen_width || !screen_height || !flags)
        return std::nullopt;
    std::uint64_t at = 13;
    if (*flags & 0x80)
        at += std::uint64_t { 3 } << ((*flags & 7) + 1);
    for (;;) {
        auto const introducer = file.u8(at);
        if (introducer == 0x21u) {
            auto const next = skip_sub_blocks(file, at + 2);
            if (!next)
                return std::nullopt;
            at = *next;
            continue;
        }
        if (introducer != 0x2Cu)
            return std::nullopt;
        auto const width = file.le16(at + 5);
        auto const height = file.le16(at + 7);
        auto const image_flags = file.u8(at + 9);
        if (!width || !height || !image_flags)
            return std::nullopt;
        at += 10;
        if (*image_flags & 0x80)
            at += std::uint64_t { 3 } << ((*image_flags & 7) + 1);
        // The LZW code size, then the image data.
        if (!skip_sub_blocks(file, at + 1))
            return std::nullopt;
        return PictureProbe { PictureFormat::Gif, std::max(*width, *screen_width),
            std::max(*height, *screen_height) };
    }
}

bool is_jpeg_frame_marker(std::uint32_t marker)
{
    // SOF0..SOF15 without DHT (C4), JPG (C8) and DAC (CC).
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// True when an end-of-image marker follows `at`. Entropy-coded data stuffs every 0xFF it holds, so
// the marker appears only where the picture really ends; a file cut short lacks it.
bool jpeg_ends_after(const Reader& file, std::uint64_t at)
{
    for (; file.has(at, 2); ++at) {
        if (file.u8(at) == 0xFFu && file.u8(at + 1) == 0xD9u)
            return true;
    }
    return false;
}

std::optional<PictureProbe> jpeg_size(const Reader& file)
{
    std::uint64_t at = 2;
    for (;;) {
        // Stray bytes before a marker are passed over, as the JPEG library does.
        while (file.has(at, 1) && file.u8(at) != 0xFFu)
            ++at;
        while (file.u8(at) == 0xFFu)
            ++at;
        auto const marker = file.u8(at);
        if (!marker)
            return std::nullopt;
        ++at;
        // Markers that stand alone, without a length.
        if (*marker == 0xD8 || *marker == 0x01 || (*marker >= 0xD0 && *marker <= 0xD7))
            continue;
        // The scan or the end before any frame header: no size to be had.
        if (*marker == 0xD9 || *marker == 0xDA)
            return std::nullopt;
        auto const length = file.be16(at);
        if (!length)
            return std::nullopt;
        if (is_jpeg_frame_marker(*marker)) {
            if (*length < 8)
                return std::nullopt;
            auto const height = file.be16(at + 3);
            auto const width = file.be16(at + 5);
            if (!width || !height || !jpeg_ends_after(file, at + *length))
                return std::nullopt;
            return PictureProbe { PictureFormat::Jpeg, *width, *height };
        }
        // A length too short to count itself skips just itself, as the JPEG library reads it.
        at += std::max(*length, std::uint32_t { 2 });
    }
}

// The first image file directory's ImageWidth and ImageLength, which the loader decodes.
std::optional<PictureProbe> tiff_size(const Reader& file)
{
    bool const big_endian = file.matches(0, "MM");
    auto const directory = file.read(4, 4, big_endian);
    if (!directory)
        return std::nullopt;
    auto const count = file.read(*directory, 2, big_endian);
    if (!count)
        return std::nullopt;
    std::optional<std::uint32_t> width;
    std::optional<std::uint32_t> height;
    for (std::uint32_t i = 0; i < *count; ++i) {
        std::uint64_t const entry = std::uint64_t { *directory } + 2 + std::uint64_t { i } * 12;
        auto const tag = file.read(entry, 2, big_endian);
        auto const type = file.read(entry + 2, 2, big_endian);
        if (!tag || !type)
            return std::nullopt;
        std::optional<std::uint32_t> value;
        if (*type == 3)
            value = file.read(entry + 8, 2, big_endian);
        else if (*type == 4)
            value = file.read(entry + 8, 4, big_endian);
        if (*tag == 256)
            width = value;
        else if (*tag == 257)
            height = value;
    }
    if (!width || !height)
        return std::nullopt;
    return PictureProbe { PictureFormat::Tiff, *width, *height };
}

std::optional<PictureProbe> webp_size(const Reader& file)
{
    if (file.matches(12, "VP8X")) {
        auto const width = file.read(24, 3, false);
        auto const height = file.read(27, 3, false);
        if (!width || !height)
            return std::nullopt;
        return PictureProbe { PictureFormat::Webp, std::int64_t { *width } + 1,
            std::int64_t { *height } + 1 };
    }
    if (file.matches(12, "VP8 ")) {
        if (file.u8(23) != 0x9Du || file.u8(24) != 0x01u || file.u8(25) != 0x2Au)
            return std::nullopt;
        auto const width = file.le16(26);
        auto const height = file.le16(28);
        if (!width || !height)
            return std::nullopt;
        return PictureProbe { PictureFormat::Webp, *width & 0x3FFF, *height & 0x3FFF };
    }
    if (file.matches(12, "VP8L")) {
        auto const bits = file.le32(21);
        if (file.u8(20) != 0x2Fu || !bits)
            return std::nullopt;
        return PictureProbe { PictureFormat::Webp, (*bits & 0x3FFF) + 1, ((*bits >> 14) & 0x3FFF) + 1 };
    }
    return std::nullopt;
}

// Every image in the directory, each either a PNG or a bitmap header whose height counts the mask too.
std::optional<PictureProbe> icon_size(const Reader& file, PictureFormat format)
{
    auto const count = file.le16(4);
    if (!count || *count == 0)
        return std::nullopt;
    PictureProbe probe { format, 0, 0 };
    for (std::uint32_t i = 0; i < *count; ++i) {
        std::uint64_t const entry = 6 + std::uint64_t { i } * 16;
        auto const offset = file.le32(entry + 12);
        if (!offset)
            return std::nullopt;
        std::int64_t width = 0;
        std::int64_t height = 0;
        if (is_png(file, *offset)) {
            auto const png = png_size(file, *offset, format);
            if (!png)
                return std::nullopt;
            width = png->width;
            height = png->height;
        } else {
            auto const header_size = file.le32(*offset);
            auto const bitmap_width = file.le32(*offset + 4);
            auto const bitmap_height = file.le32(*offset + 8);
            if (!header_size || *header_size < 40 || !bitmap_width || !bitmap_height)
                return std::nullopt;
            width = magnitude(*bitmap_width);
            height = magnitude(*bitmap_height);
        }
        probe.width = std::max(probe.width, width);
        probe.height = std::max(probe.height, height);
    }
    return probe;
}

} // namespace

std::optional<PictureProbe> probe_picture(std::span<const std::uint8_t> bytes)
{
    Reader const file(bytes);
    if (file.matches(0, "BM"))
        return bmp_size(file);
    if (file.matches(0, "GIF87a") || file.matches(0, "GIF89a"))
        return gif_size(file);
    if (file.u8(0) == 0xFFu && file.u8(1) == 0xD8u)
        return jpeg_size(file);
    if (is_png(file, 0))
        return png_size(file, 0, PictureFormat::Png);
    if (file.matches(0, "II*") && file.u8(3) == 0u)
        return tiff_size(file);
    if (file.matches(0, "MM") && file.u8(2) == 0u && file.u8(3) == 42u)
        return tiff_size(file);
    if (file.matches(0, "RIFF") && file.matches(8, "WEBP"))
        return webp_size(file);
    if (file.le16(0) == 0u && file.le16(2) == 1u)
        return icon_size(file, PictureFormat::Icon);
    if (file.le16(0) == 0u && file.le16(2) == 2u)
        return icon_size(file, PictureFormat::Cursor);
    return std::nullopt;
}

} // namespace advplay::platform
