// Device-independent bitmaps: the converter that draws a bitmap of any depth and compression onto a
// surface, and the 32-bit path that also fills the surface's alpha mask.
#pragma once

#include "graphics/surface.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace advplay::graphics {

enum class DibCompression : std::uint32_t {
    Rgb = 0,
    Rle8 = 1,
    Rle4 = 2,
    Bitfields = 3,
};

// What a BITMAPINFO header says, in the form the converter uses.
struct DibHeader {
    std::uint32_t header_size { 0 };
    std::int32_t width { 0 };
    // Negative for a bitmap stored top row first.
    std::int32_t height { 0 };
    std::uint16_t bit_count { 0 };
    DibCompression compression { DibCompression::Rgb };
    // Where the red, green and blue masks of a BI_BITFIELDS bitmap lie in the BITMAPINFO: after a
    // 40-byte header, inside a longer one; at the same offset either way.
    static constexpr std::size_t kMasksOffset = 40;
    // The colour table: where it starts, how many entries are read, and their size (3 bytes after a
    // 12-byte OS/2 core header, 4 otherwise).
    std::size_t palette_offset { 0 };
    std::size_t palette_entries { 0 };
    std::size_t palette_entry_size { 4 };
};

// Reads the header at the start of a BITMAPINFO: an OS/2 core header of 12 bytes, or a Windows
// header of 40, 52, 56, 108 or 124 bytes. Only the header itself is read; masks and colour table may
// lie beyond `info`. Nothing for a header of another size, one that runs past `info`, or a bitmap the
// converter does not draw: a depth other than 1, 4, 8, 16, 24 or 32, a compression other than those
// above or not matching the depth, a top-down RLE bitmap, no width or height.
std::optional<DibHeader> read_dib_header(std::span<const std::uint8_t> info);

// Bytes of the whole BITMAPINFO: the header, the masks that follow a 40-byte header, the colour table.
std::size_t dib_info_size(const DibHeader& header);

// Bytes of pixel data an uncompressed bitmap needs: rows padded to 4 bytes, of which the last may
// lack its padding. Nothing when that is beyond the picture size limits.
std::optional<std::size_t> dib_bits_size(const DibHeader& header);

// Whether `bits` hold every row of the uncompressed bitmap that `info` describes, so that a caller
// can refuse a file cut short before it makes a surface for it. True for RLE data, which may end
// early, and for a header draw_dib refuses anyway.
bool dib_bits_present(std::span<const std::uint8_t> info, std::span<const std::uint8_t> bits);
// Whether `bits` hold `lines` rows of `width` (at least 1) pixels of 4 bytes.
bool bgra_bits_present(std::int32_t width, std::int64_t lines, std::span<const std::uint8_t> bits);

// Draws the bitmap described by the BITMAPINFO `info` with the pixel data `bits` onto `surface` with
// its top-left corner at (0, 0), upright, each pixel converted to RGB555 keeping each channel's top
// five bits; what lies beyond the surface is cut off. This is the engine's own SetDIBitsToDevice:
// palettes at 1, 4 and 8 bits (colour tables shorter than the depth allows, sized by biClrUsed, with
// indices beyond them drawn black), BI_RLE4 and BI_RLE8 (with end-of-line, delta and end-of-bitmap
// codes), 16 bits as 555 or with BI_BITFIELDS masks (565 and any other contiguous masks), 24 bits,
// 32 bits as 888 or with masks, and top-down bitmaps. Pixels that an RLE bitmap skips keep what the
// surface held. False, with nothing drawn, when read_dib_header refuses the header, the header's
// size is beyond the picture limits, the masks are not contiguous, the colour table runs past `info`,
// or uncompressed pixel data is shorter than dib_bits_size; RLE data that ends early ends the bitmap.
[[nodiscard]] bool draw_dib(
    Surface& surface, std::span<const std::uint8_t> info, std::span<const std::uint8_t> bits);

// Draws rows of 4 bytes a pixel (blue, green, red, alpha), stored bottom row first when `height` is
// positive and top row first when it is negative, onto `surface` at (0, 0), and puts each alpha byte
// into a new alpha mask. What lies beyond the surface is cut off; its pixels outside the bitmap stay
// as they were and are transparent. False, with the surface unchanged, when the surface holds
// nothing, the bitmap's size is beyond the picture limits or `bits` is shorter than the bitmap, or
// the mask cannot be had.
[[nodiscard]] bool draw_bgra(
    Surface& surface, std::int32_t width, std::int32_t height, std::span<const std::uint8_t> bits);

} // namespace advplay::graphics
