// Row kernels: the inner loops of the composition operations, each over one clipped row segment of
// `count` pixels. Callers have clipped already, so every pointer covers `count` pixels (and a reduce
// source covers factor rows of factor * count). A destination may be its own source only where a
// kernel says so; the composition frame keeps other sources apart from their destinations.
#pragma once

#include "graphics/color.h"

#include <cstddef>
#include <cstdint>

namespace advplay::graphics::rows {

void fill(Pixel* destination, std::int32_t count, Pixel value);
// d = s where s is not the key.
void copy_keyed(Pixel* destination, const Pixel* source, std::int32_t count, Pixel key);
// d = FadeTable[level][s] + add, level 0..31. The destination may be the source itself.
void fade(Pixel* destination, const Pixel* source, std::int32_t count, std::uint32_t level, Pixel add);
// The same where s is not the key.
void fade_keyed(
    Pixel* destination, const Pixel* source, std::int32_t count, std::uint32_t level, Pixel add, Pixel key);
// d = FadeTable[level][s] + FadeTable[31 - level][d].
void blend(Pixel* destination, const Pixel* source, std::int32_t count, std::uint32_t level);
void blend_keyed(Pixel* destination, const Pixel* source, std::int32_t count, std::uint32_t level, Pixel key);
// Saturating per channel, with a source row or one colour.
void add(Pixel* destination, const Pixel* source, std::int32_t count);
void add_color(Pixel* destination, std::int32_t count, Pixel color);
void subtract(Pixel* destination, const Pixel* source, std::int32_t count);
void subtract_color(Pixel* destination, std::int32_t count, Pixel color);
// Mixes by the source's alpha bytes, one per pixel.
void composite_alpha(Pixel* destination, const Pixel* source, const std::uint8_t* alpha, std::int32_t count);
// Each destination pixel becomes the per-channel average of a factor x factor block of the source,
// whose top row starts at `source` and whose rows lie `source_pitch` pixels apart; a source pixel
// that is the key counts as the destination pixel. The source may overlap the destination: the
// pixels are then read and written strictly in order.
void reduce2(
    Pixel* destination, const Pixel* source, std::ptrdiff_t source_pitch, std::int32_t count, Pixel key);
void reduce3(
    Pixel* destination, const Pixel* source, std::ptrdiff_t source_pitch, std::int32_t count, Pixel key);
void reduce4(
    Pixel* destination, const Pixel* source, std::ptrdiff_t source_pitch, std::int32_t count, Pixel key);

} // namespace advplay::graphics::rows
