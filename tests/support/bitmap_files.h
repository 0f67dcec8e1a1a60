// Builders of device-independent bitmaps, BMP and K16 files for the picture tests.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace advplay::testing {

using Bytes = std::vector<std::uint8_t>;

inline void put16(Bytes& bytes, std::uint32_t value)
{
    bytes.push_back(static_cast<std::uint8_t>(value));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

inline void put32(Bytes& bytes, std::uint32_t value)
{
    put16(bytes, value & 0xFFFF);
    put16(bytes, value >> 16);
}

struct Rgb {
    std::uint8_t red { 0 };
    std::uint8_t green { 0 };
    std::uint8_t blue { 0 };
};

// A BITMAPINFO: the header, the masks and the colour table.
struct DibSpec {
    // 12 for an OS/2 core header; 40, 52, 56, 108 or 124 for Windows headers.
    std::uint32_t header_size { 40 };
    std::int32_t width { 1 };
    std::int32_t height { 1 };
    std::uint16_t bit_count { 24 };
    std::uint32_t compression { 0 };
    std::uint32_t colors_used { 0 };
    // Red, green, blue: after a 40-byte header, inside a longer one; none when empty.
    std::vector<std::uint32_t> masks {};
    std::vector<Rgb> palette {};

    Bytes info() const
    {
        Bytes bytes;
        put32(bytes, header_size);
        if (header_size == 12) {
            put16(bytes, static_cast<std::uint32_t>(width));
            put16(bytes, static_cast<std::uint32_t>(height));
            put16(bytes, 1);
            put16(bytes, bit_count);
        } else {
            put32(bytes, static_cast<std::uint32_t>(width));
            put32(bytes, static_cast<std::uint32_t>(height));
            put16(bytes, 1);
            put16(bytes, bit_count);
            put32(bytes, compression);
            put32(bytes, 0); // biSizeImage
            put32(bytes, 2835); // 72 dpi
            put32(bytes, 2835);
            put32(bytes, colors_used);
            put32(bytes, 0); // biClrImportant
            for (std::uint32_t mask : masks)
                put32(bytes, mask);
            // A longer header holds the masks; the rest of it stays zero.
            if (header_size > 40)
                bytes.resize(header_size);
        }
        for (Rgb const& entry : palette) {
            bytes.push_back(entry.blue);
            bytes.push_back(entry.green);
            bytes.push_back(entry.red);
            if (header_size != 12)
                bytes.push_back(0);
        }
        return bytes;
    }
};

// A BMP file: the file header, the BITMAPINFO, then the bits.
inline Bytes bmp_file(const DibSpec& spec, const Bytes& bits)
{
    Bytes const info = spec.info();
    Bytes bytes { 'B', 'M' };
    put32(bytes, static_cast<std::uint32_t>(14 + info.size() + bits.size()));
    put32(bytes, 0);
    put32(bytes, static_cast<std::uint32_t>(14 + info.size()));
    bytes.insert(bytes.end(), info.begin(), info.end());
    bytes.insert(bytes.end(), bits.begin(), bits.end());
    return bytes;
}

// A K16 file: the header, a palette of 256 RGB555 values when `palette` is given, the rows at `rows_offset`.
inline Bytes k16_file(std::int32_t width, std::int32_t height, std::int32_t bit_count,
    const std::vector<std::uint16_t>& palette, const Bytes& rows, std::uint32_t rows_offset = 540)
{
    Bytes bytes { 'K', '1', '6', 0, 0, 0, 0, 0 };
    put32(bytes, rows_offset);
    put32(bytes, 0);
    put32(bytes, static_cast<std::uint32_t>(width));
    put32(bytes, static_cast<std::uint32_t>(height));
    put32(bytes, static_cast<std::uint32_t>(bit_count));
    for (std::size_t i = 0; i < 256; ++i)
        put16(bytes, i < palette.size() ? palette[i] : 0);
    bytes.resize(rows_offset);
    bytes.insert(bytes.end(), rows.begin(), rows.end());
    return bytes;
}

inline std::string text_of(const Bytes& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

// A 24-bit bottom-up BMP file, as text for a game folder, whose pixel (x, y) has the colour `at(x, y)`
// (0x00BBGGRR).
inline std::string bmp24(int width, int height, const std::function<std::uint32_t(int, int)>& at)
{
    DibSpec spec;
    spec.width = width;
    spec.height = height;
    std::size_t const stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    Bytes bits(stride * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint32_t const color = at(x, y);
            std::size_t const offset
                = static_cast<std::size_t>(height - 1 - y) * stride + static_cast<std::size_t>(x) * 3;
            bits[offset] = static_cast<std::uint8_t>(color >> 16);
            bits[offset + 1] = static_cast<std::uint8_t>(color >> 8);
            bits[offset + 2] = static_cast<std::uint8_t>(color);
        }
    }
    return text_of(bmp_file(spec, bits));
}

} // namespace advplay::testing
