// ColorRef: colours as scripts write them (#RRGGBB) and as the engine keeps them (0x00BBGGRR), and
// their conversions to and from RGB555 pixels.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace advplay::graphics {

using ColorRef = std::uint32_t;

// One RGB555 pixel: bit 15 always 0, red in bits 14-10, green in 9-5, blue in 4-0.
using Pixel = std::uint16_t;

constexpr Pixel kRedMask = 0x7C00;
constexpr Pixel kGreenMask = 0x03E0;
constexpr Pixel kBlueMask = 0x001F;
constexpr Pixel kWhite = 0x7FFF;
constexpr Pixel kBlack = 0;

// The 8-bit value of each 5-bit channel: the top bits repeated into the low ones, so 31 is 255.
using ExpandTable = std::array<std::int32_t, 32>;

inline constexpr ExpandTable kExpandTable = [] {
    ExpandTable table {};
    for (std::int32_t c = 0; c < 32; ++c)
        table[c] = (c << 3) | (c >> 2);
    return table;
}();

// "#RRGGBB" to 0x00BBGGRR. A text that does not begin with "#" is black. Each pair is read as the C
// library's strtol reads base 16 (blanks, a sign, then hex digits up to the first other byte), so a
// malformed pair gives the value of its leading digits, or 0, as the original engine did.
ColorRef parse_color(std::string_view text);

// Keeps the top five bits of each 8-bit channel; the low three are dropped, not rounded.
constexpr Pixel color_to_pixel(ColorRef color)
{
    return static_cast<Pixel>(
        ((color & 0xF8) << 7) | (((color >> 11) << 5) & 0x03E0) | ((color >> 19) & 0x1F));
}

constexpr ColorRef pixel_to_color(Pixel pixel)
{
    return static_cast<ColorRef>(kExpandTable[(pixel >> 10) & 31])
        | static_cast<ColorRef>(kExpandTable[(pixel >> 5) & 31]) << 8
        | static_cast<ColorRef>(kExpandTable[pixel & 31]) << 16;
}

} // namespace advplay::graphics
