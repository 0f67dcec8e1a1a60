// The DIB converter: every depth and compression of a device-independent bitmap to RGB555.
#include "graphics/dib.h"

#include "platform/image_codecs.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace advplay::graphics {

namespace {

std::uint32_t le16(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8;
}

std::uint32_t le32(const std::uint8_t* p)
{
    return le16(p) | le16(p + 2) << 16;
}

constexpr Pixel rgb_to_pixel(std::uint32_t red, std::uint32_t green, std::uint32_t blue)
{
    return static_cast<Pixel>(((red >> 3) << 10) | ((green >> 3) << 5) | (blue >> 3));
}

bool is_supported_header_size(std::uint32_t size)
{
    return size == 12 || size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

std::int64_t row_bytes(std::int64_t width, std::int64_t bit_count)
{
    return (width * bit_count + 31) / 32 * 4;
}

// One channel of a 16- or 32-bit pixel, found by its mask.
class Channel {
public:
    // False for a mask whose bits are not contiguous.
    bool set(std::uint32_t mask)
    {
        m_mask = mask;
        if (mask == 0)
            return true;
        m_shift = std::countr_zero(mask);
        m_bits = std::popcount(mask);
        if (m_bits != 32 && (mask >> m_shift) != (std::uint32_t { 1 } << m_bits) - 1)
            return false;
        // Narrow channels repeat their bits down to 8, as every 8-bit reading of a narrow channel does;
        // wide ones keep their top bits.
        for (std::uint32_t value = 0; m_bits < 5 && value < (std::uint32_t { 1 } << m_bits); ++value) {
            std::uint32_t repeated = 0;
            int filled = 0;
            while (filled < 8) {
                repeated = (repeated << m_bits) | value;
                filled += m_bits;
            }
            m_narrow[value] = static_cast<std::uint8_t>((repeated >> (filled - 8)) >> 3);
        }
        return true;
    }

    // The channel's top five bits.
    std::uint32_t of(std::uint32_t pixel) const
    {
        if (m_mask == 0)
            return 0;
        std::uint32_t const value = (pixel & m_mask) >> m_shift;
        if (m_bits < 5)
            return m_narrow[value];
        return value >> (m_bits - 5);
    }

private:
    std::uint32_t m_mask { 0 };
    int m_shift { 0 };
    int m_bits { 0 };
    std::array<std::uint8_t, 16> m_narrow {};
};

struct Masks {
    Channel red;
    Channel green;
    Channel blue;
    bool is_555 { false };
    bool is_565 { false };

    Pixel of(std::uint32_t pixel) const
    {
        return static_cast<Pixel>(red.of(pixel) << 10 | green.of(pixel) << 5 | blue.of(pixel));
    }
};

std::optional<Masks> read_masks(const DibHeader& header, std::span<const std::uint8_t> info)
{
    std::uint32_t red = 0, green = 0, blue = 0;
    if (header.compression == DibCompression::Bitfields) {
        const std::uint8_t* masks = info.data() + DibHeader::kMasksOffset;
        red = le32(masks);
        green = le32(masks + 4);
        blue = le32(masks + 8);
    } else if (header.bit_count == 16) {
        red = 0x7C00, green = 0x03E0, blue = 0x001F;
    } else {
        red = 0xFF0000, green = 0x00FF00, blue = 0x0000FF;
    }
    Masks masks;
    if (!masks.red.set(red) || !masks.green.set(green) || !masks.blue.set(blue))
        return std::nullopt;
    masks.is_555 = red == 0x7C00 && green == 0x03E0 && blue == 0x001F;
    masks.is_565 = red == 0xF800 && green == 0x07E0 && blue == 0x001F;
    return masks;
}

using Palette = std::array<Pixel, 256>;

// Entries beyond the table stay black.
Palette read_palette(const DibHeader& header, std::span<const std::uint8_t> info)
{
    Palette palette {};
    for (std::size_t i = 0; i < header.palette_entries; ++i) {
        const std::uint8_t* entry = info.data() + header.palette_offset + i * header.palette_entry_size;
        palette[i] = rgb_to_pixel(entry[2], entry[1], entry[0]);
    }
    return palette;
}

// The rows of the surface that the bitmap covers, and which scan line of the bitmap feeds each.
struct Rows {
    std::int32_t count { 0 };
    std::int32_t columns { 0 };
    std::int32_t height { 0 };
    bool top_down { false };

    std::int64_t line_of(std::int32_t y) const { return top_down ? y : height - 1 - y; }
};

Rows rows_on(const Surface& surface, std::int32_t width, std::int32_t height)
{
    Rows rows;
    rows.top_down = height < 0;
    rows.height = rows.top_down ? -height : height;
    rows.count = std::min(rows.height, surface.height());
    rows.columns = std::min(width, surface.width());
    return rows;
}

// ---------------------------------------------------------------------------------------------------
// Uncompressed rows
// ---------------------------------------------------------------------------------------------------

void convert_indexed(
    Pixel* out, const std::uint8_t* in, std::int32_t count, int bit_count, const Palette& palette)
{
    int const per_byte = 8 / bit_count;
    int const index_mask = (1 << bit_count) - 1;
    for (std::int32_t x = 0; x < count; ++x) {
        int const shift = 8 - bit_count * (x % per_byte + 1);
        out[x] = palette[(in[x / per_byte] >> shift) & index_mask];
    }
}

void convert_8(Pixel* out, const std::uint8_t* in, std::int32_t count, const Palette& palette)
{
    for (std::int32_t x = 0; x < count; ++x)
        out[x] = palette[in[x]];
}

void convert_16(Pixel* out, const std::uint8_t* in, std::int32_t count, const Masks& masks)
{
    if (masks.is_555) {
        // The stored layout is the surface's own; only the unused top bit goes.
        for (std::int32_t x = 0; x < count; ++x)
            out[x] = static_cast<Pixel>(le16(in + 2 * x) & 0x7FFF);
    } else if (masks.is_565) {
        // Green loses its lowest bit, which the shift moves into blue's place and the mask drops.
        for (std::int32_t x = 0; x < count; ++x) {
            std::uint32_t const pixel = le16(in + 2 * x);
            out[x] = static_cast<Pixel>(((pixel >> 1) & 0x7FE0) | (pixel & 0x001F));
        }
    } else {
        for (std::int32_t x = 0; x < count; ++x)
            out[x] = masks.of(le16(in + 2 * x));
    }
}

void convert_24(Pixel* out, const std::uint8_t* in, std::int32_t count)
{
    for (std::int32_t x = 0; x < count; ++x)
        out[x] = rgb_to_pixel(in[3 * x + 2], in[3 * x + 1], in[3 * x]);
}

void convert_32(Pixel* out, const std::uint8_t* in, std::int32_t count, const Masks& masks)
{
    for (std::int32_t x = 0; x < count; ++x)
        out[x] = masks.of(le32(in + 4 * x));
}

bool rows_present(const DibHeader& header, std::span<const std::uint8_t> bits)
{
    auto const needed = dib_bits_size(header);
    return needed && bits.size() >= *needed;
}

bool draw_rows(Surface& surface, const DibHeader& header, std::span<const std::uint8_t> info,
    std::span<const std::uint8_t> bits)
{
    if (!rows_present(header, bits))
        return false;
    std::optional<Masks> masks;
    if (header.bit_count == 16 || header.bit_count == 32) {
        masks = read_masks(header, info);
        if (!masks)
            return false;
    }
    Palette const palette = read_palette(header, info);
    Rows const rows = rows_on(surface, header.width, header.height);
    std::int64_t const stride = row_bytes(header.width, header.bit_count);
    for (std::int32_t y = 0; y < rows.count; ++y) {
        const std::uint8_t* in = bits.data() + rows.line_of(y) * stride;
        Pixel* out = surface.row(y);
        switch (header.bit_count) {
        case 1:
        case 4:
            convert_indexed(out, in, rows.columns, header.bit_count, palette);
            break;
        case 8:
            convert_8(out, in, rows.columns, palette);
            break;
        case 16:
            convert_16(out, in, rows.columns, *masks);
            break;
        case 24:
            convert_24(out, in, rows.columns);
            break;
        default:
            convert_32(out, in, rows.columns, *masks);
            break;
        }
    }
    return true;
}

// ---------------------------------------------------------------------------------------------------
// Run-length encoding
//
// Two-byte codes: a count and an index draw a run; a zero count and then 0 ends the line, 1 ends the
// bitmap, 2 moves right and up by the next two bytes, and 3 or more draws that many indices stored
// after the code, padded to a whole number of 16-bit words. Lines count from the bottom.
// ---------------------------------------------------------------------------------------------------

class RlePainter {
public:
    RlePainter(Surface& surface, const Rows& rows, const Palette& palette)
        : m_surface(surface)
        , m_rows(rows)
        , m_palette(palette)
    {
    }

    void put(std::int64_t x, std::int64_t line, std::uint8_t index)
    {
        std::int64_t const y = m_rows.height - 1 - line;
        if (x < m_rows.columns && y >= 0 && y < m_rows.count)
            m_surface.at(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)) = m_palette[index];
    }
    bool below_top(std::int64_t line) const { return line < m_rows.height; }

private:
    Surface& m_surface;
    const Rows& m_rows;
    const Palette& m_palette;
};

void draw_rle(
    Surface& surface, const DibHeader& header, const Palette& palette, std::span<const std::uint8_t> bits)
{
    Rows const rows = rows_on(surface, header.width, header.height);
    RlePainter painter(surface, rows, palette);
    bool const four_bits = header.compression == DibCompression::Rle4;
    std::size_t at = 0;
    std::int64_t x = 0;
    std::int64_t line = 0;
    // An index of a run or of an absolute group: the byte itself, or its high then its low nibble.
    auto const index_at = [four_bits](std::uint8_t byte, std::int64_t i) {
        if (!four_bits)
            return byte;
        return static_cast<std::uint8_t>(i % 2 == 0 ? byte >> 4 : byte & 0x0F);
    };
    while (at + 2 <= bits.size() && painter.below_top(line)) {
        std::uint8_t const count = bits[at];
        std::uint8_t const value = bits[at + 1];
        at += 2;
        if (count > 0) {
            for (std::int64_t i = 0; i < count; ++i)
                painter.put(x + i, line, index_at(value, i));
            x += count;
            continue;
        }
        if (value == 0) {
            x = 0;
            ++line;
        } else if (value == 1) {
            return;
        } else if (value == 2) {
            if (at + 2 > bits.size())
                return;
            x += bits[at];
            line += bits[at + 1];
            at += 2;
        } else {
            std::size_t const bytes = four_bits ? (value + 1u) / 2 : value;
            for (std::int64_t i = 0; i < value; ++i) {
                std::size_t const byte = at + static_cast<std::size_t>(four_bits ? i / 2 : i);
                if (byte >= bits.size())
                    return;
                painter.put(x + i, line, index_at(bits[byte], i));
            }
            x += value;
            at += bytes + bytes % 2;
        }
    }
}

} // namespace

std::optional<DibHeader> read_dib_header(std::span<const std::uint8_t> info)
{
    if (info.size() < 4)
        return std::nullopt;
    DibHeader header;
    header.header_size = le32(info.data());
    if (!is_supported_header_size(header.header_size) || info.size() < header.header_size)
        return std::nullopt;
    const std::uint8_t* p = info.data();
    std::uint32_t colors_used = 0;
    if (header.header_size == 12) {
        // OS/2 core header: 16-bit sizes, always bottom-up, never compressed, RGB triples.
        header.width = static_cast<std::int32_t>(le16(p + 4));
        header.height = static_cast<std::int32_t>(le16(p + 6));
        header.bit_count = static_cast<std::uint16_t>(le16(p + 10));
        header.palette_entry_size = 3;
        if (header.bit_count == 16 || header.bit_count == 32)
            return std::nullopt;
    } else {
        header.width = static_cast<std::int32_t>(le32(p + 4));
        header.height = static_cast<std::int32_t>(le32(p + 8));
        header.bit_count = static_cast<std::uint16_t>(le16(p + 14));
        std::uint32_t const compression = le32(p + 16);
        colors_used = le32(p + 32);
        if (compression > static_cast<std::uint32_t>(DibCompression::Bitfields))
            return std::nullopt;
        header.compression = static_cast<DibCompression>(compression);
    }
    switch (header.bit_count) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        break;
    default:
        return std::nullopt;
    }
    bool const fits = [&header] {
        switch (header.compression) {
        case DibCompression::Rgb:
            return true;
        case DibCompression::Rle8:
            return header.bit_count == 8 && header.height > 0;
        case DibCompression::Rle4:
            return header.bit_count == 4 && header.height > 0;
        case DibCompression::Bitfields:
            return header.bit_count == 16 || header.bit_count == 32;
        }
        return false;
    }();
    if (!fits || header.width <= 0 || header.height == 0)
        return std::nullopt;

    header.palette_offset = header.header_size;
    if (header.header_size == 40 && header.compression == DibCompression::Bitfields)
        header.palette_offset += 12;
    if (header.bit_count <= 8) {
        std::size_t const full = std::size_t { 1 } << header.bit_count;
        header.palette_entries = colors_used == 0 ? full : std::min<std::size_t>(colors_used, full);
    }
    return header;
}

std::size_t dib_info_size(const DibHeader& header)
{
    return header.palette_offset + header.palette_entries * header.palette_entry_size;
}

std::optional<std::size_t> dib_bits_size(const DibHeader& header)
{
    std::int64_t const height = header.height < 0 ? -std::int64_t { header.height } : header.height;
    if (!platform::picture_size_allowed(header.width, height))
        return std::nullopt;
    std::int64_t const last_row = (std::int64_t { header.width } * header.bit_count + 7) / 8;
    return static_cast<std::size_t>(row_bytes(header.width, header.bit_count) * (height - 1) + last_row);
}

bool dib_bits_present(std::span<const std::uint8_t> info, std::span<const std::uint8_t> bits)
{
    auto const header = read_dib_header(info);
    if (!header || header->compression == DibCompression::Rle8 || header->compression == DibCompression::Rle4)
        return true;
    return rows_present(*header, bits);
}

bool bgra_bits_present(std::int32_t width, std::int64_t lines, std::span<const std::uint8_t> bits)
{
    return bits.size() / (std::size_t { 4 } * static_cast<std::size_t>(width))
        >= static_cast<std::size_t>(lines);
}

bool draw_dib(Surface& surface, std::span<const std::uint8_t> info, std::span<const std::uint8_t> bits)
{
    auto const header = read_dib_header(info);
    if (!header || info.size() < dib_info_size(*header))
        return false;
    std::int64_t const height = header->height < 0 ? -std::int64_t { header->height } : header->height;
    if (!platform::picture_size_allowed(header->width, height))
        return false;
    if (header->compression == DibCompression::Rle8 || header->compression == DibCompression::Rle4) {
        draw_rle(surface, *header, read_palette(*header, info), bits);
        return true;
    }
    return draw_rows(surface, *header, info, bits);
}

bool draw_bgra(Surface& surface, std::int32_t width, std::int32_t height, std::span<const std::uint8_t> bits)
{
    std::int64_t const lines = height < 0 ? -std::int64_t { height } : height;
    if (surface.width() <= 0 || width <= 0 || lines == 0 || !platform::picture_size_allowed(width, lines))
        return false;
    std::size_t const stride = static_cast<std::size_t>(width) * 4;
    if (!bgra_bits_present(width, lines, bits))
        return false;
    if (!surface.create_alpha_mask())
        return false;
    Rows const rows = rows_on(surface, width, height);
    std::uint8_t* mask = surface.alpha_mask();
    for (std::int32_t y = 0; y < rows.count; ++y) {
        const std::uint8_t* in = bits.data() + static_cast<std::size_t>(rows.line_of(y)) * stride;
        Pixel* out = surface.row(y);
        std::uint8_t* alpha = mask + static_cast<std::ptrdiff_t>(y) * surface.width();
        for (std::int32_t x = 0; x < rows.columns; ++x) {
            out[x] = rgb_to_pixel(in[4 * x + 2], in[4 * x + 1], in[4 * x]);
            alpha[x] = in[4 * x + 3];
        }
    }
    return true;
}

} // namespace advplay::graphics
