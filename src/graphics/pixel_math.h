// Per-pixel arithmetic on RGB555 without lookups: fading by a level, saturating sums and differences,
// alpha weights, and the spread form that keeps three channels apart inside one 32-bit word. Each
// result equals the table or per-channel definition for every input; the tests prove it exhaustively.
#pragma once

#include "graphics/color.h"

#include <array>
#include <cstdint>

namespace advplay::graphics {

// ---------------------------------------------------------------------------------------------------
// Levels
// ---------------------------------------------------------------------------------------------------

// A script's parameter (0..255, larger values clamped) as a level 0..31. QUIRK: the parameter is taken
// as unsigned, so a negative one counts as 255 or more; and 1 to 8 give level 0, which draws but
// changes nothing.
constexpr std::uint32_t level_of(std::int32_t parameter)
{
    std::uint32_t const p = static_cast<std::uint32_t>(parameter);
    return (p < 255 ? p : 255) * 31 / 255;
}

constexpr bool is_full(std::int32_t parameter)
{
    return static_cast<std::uint32_t>(parameter) >= 255;
}

// The grey (L, L, L): FadeTable[L][kWhite].
constexpr Pixel grey(std::uint32_t level)
{
    return static_cast<Pixel>(level << 10 | level << 5 | level);
}

// ---------------------------------------------------------------------------------------------------
// Fading: FadeTable[L][p] computed
// ---------------------------------------------------------------------------------------------------

// floor(c * L / 31) is floor(c * m / 65536) with m = ceil(L * 65536 / 31): m overshoots L / 31 by
// less than 1 / 65536, so for c <= 31 the product overshoots by less than 31 / 65536, too little to
// reach the next integer (c * L / 31 is at least 1 / 31 below it). Level 31 would need m = 65536,
// one more than 16 bits hold, and is the identity anyway.
constexpr std::uint16_t fade_multiplier(std::uint32_t level)
{
    return static_cast<std::uint16_t>((level * 65536 + 30) / 31);
}

// fade_multiplier(L) for L in 0..30, for loops: a multiplier loaded as 16 bits stays visibly 16 bits
// to the vectoriser, where one computed from the level is widened and multiplied at 32 bits.
inline constexpr std::array<std::uint16_t, 31> kFadeMultipliers = [] {
    std::array<std::uint16_t, 31> multipliers {};
    for (std::uint32_t level = 0; level < 31; ++level)
        multipliers[level] = fade_multiplier(level);
    return multipliers;
}();

// FadeTable[L][p] for L in 0..30, given fade_multiplier(L). Each channel is multiplied where it
// stands: the high 16 bits of (c << k) * m hold floor(c * m / 65536) << k plus fraction bits below k,
// which the channel's mask drops. Written so that vectorisers turn it into three 16-bit multiply-high
// instructions.
constexpr Pixel fade_by(Pixel p, std::uint16_t multiplier)
{
    std::uint32_t const m = multiplier;
    // Narrowed at once: that is what lets the compiler see a 16 x 16 -> high 16 multiply.
    auto const high = [m](std::uint32_t channel) { return static_cast<std::uint16_t>((channel * m) >> 16); };
    return static_cast<Pixel>(
        (high(p & 0x7C00u) & 0x7C00u) | (high(p & 0x03E0u) & 0x03E0u) | high(p & 0x001Fu));
}

// FadeTable[L][p] for L in 0..31.
constexpr Pixel fade(Pixel p, std::uint32_t level)
{
    return level >= 31 ? p : fade_by(p, fade_multiplier(level));
}

// ---------------------------------------------------------------------------------------------------
// Saturating sums and differences
// ---------------------------------------------------------------------------------------------------

// Per channel min(a + b, 31). Bits 15, 10 and 5 of the carry word are the carries out of each
// channel; carry - (carry >> 5) turns each into five ones over its channel.
constexpr Pixel saturating_add(Pixel a, Pixel b)
{
    std::uint32_t const x = a, y = b;
    std::uint32_t const carry = (((x ^ y) & 0x7BDEu) + ((x & y) << 1)) & 0x8420u;
    return static_cast<Pixel>((carry - (carry >> 5)) | (x + y - carry));
}

// Per channel max(a - b, 0): the borrow of each channel becomes a mask that forces both operands of
// that channel to 31, so the channel subtracts to 0.
constexpr Pixel saturating_subtract(Pixel a, Pixel b)
{
    std::uint32_t const na = ~static_cast<std::uint32_t>(a);
    std::uint32_t const borrow = (((na ^ b) & 0x7BDEu) + ((na & b) << 1)) & 0x8420u;
    std::uint32_t const m = borrow - (borrow >> 5);
    return static_cast<Pixel>((a | m) - (b | m));
}

// The same on two pixels held in one 32-bit word (bits 15 and 31 clear), for code that moves pixels in
// pairs without a vector unit. The row kernels use the one-pixel forms, which vectorise sixteen wide.
constexpr std::uint32_t saturating_add_pair(std::uint32_t a, std::uint32_t b)
{
    std::uint32_t const t = ((a & 0x3DEF3DEFu) + (b & 0x3DEF3DEFu)) ^ ((a ^ b) & 0x42104210u);
    std::uint32_t const u = a + b - t;
    return t | (u - (u >> 5));
}

constexpr std::uint32_t saturating_subtract_pair(std::uint32_t a, std::uint32_t b)
{
    std::uint32_t const n = ~a & 0x7FFF7FFFu;
    std::uint32_t const t = ((b & 0x3DEF3DEFu) + (n & 0x3DEF3DEFu)) ^ ((b ^ n) & 0x42104210u);
    std::uint32_t const u = n + b - t;
    return ~(t | (u - (u >> 5))) & 0x7FFF7FFFu;
}

// ---------------------------------------------------------------------------------------------------
// The spread form and alpha
// ---------------------------------------------------------------------------------------------------

// Green moved up to bits 21-25: blue (0-4), red (10-14) and green each get five free bits above them,
// room for a product by up to 32 or a sum of up to 32 pixels.
constexpr std::uint32_t spread(Pixel p)
{
    return ((p & 0x03E0u) << 16) | (p & 0x7C1Fu);
}

// Back from the spread form; bits outside the three channels must be clear.
constexpr Pixel unspread(std::uint32_t v)
{
    return static_cast<Pixel>((v & 0x7C1Fu) | ((v >> 16) & 0x03E0u));
}

// The weight 0..32 of an alpha mask byte.
constexpr std::uint32_t alpha_weight(std::uint8_t alpha)
{
    return (alpha * 33u) >> 8;
}

// Per channel floor(d * (32 - w) / 32) + floor(s * w / 32). The two parts of a channel sum to at most
// 31, so nothing carries. Each product fits 16 bits (31 * 32), so a vector unit does sixteen pixels
// at a time, where the three-channels-in-one-word form would need 32-bit multiplies.
constexpr Pixel alpha_mix(Pixel destination, Pixel source, std::uint8_t alpha)
{
    auto const weight = static_cast<std::uint16_t>(alpha_weight(alpha));
    auto const rest = static_cast<std::uint16_t>(32 - weight);
    auto const channel = [=](unsigned shift) {
        auto const d = static_cast<std::uint16_t>((destination >> shift) & 31);
        auto const s = static_cast<std::uint16_t>((source >> shift) & 31);
        auto const d_part = static_cast<std::uint16_t>(d * rest) >> 5;
        auto const s_part = static_cast<std::uint16_t>(s * weight) >> 5;
        return static_cast<std::uint16_t>((d_part + s_part) << shift);
    };
    return static_cast<Pixel>(channel(10) | channel(5) | channel(0));
}

} // namespace advplay::graphics
