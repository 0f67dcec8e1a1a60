// Composition: putting a surface or one colour onto a rectangle of a surface, by the seven methods
// that scripts number 0 to 6, and the shrinking copy of text rendering.
//
// Every operation takes the destination surface and rectangle; those with a source also take the
// source surface and the position (sx, sy) of a rectangle of the same size on it. Colours and keys are
// ColorRefs, converted to pixels first; a source pixel is the key when it equals the converted key.
// A parameter P (0..255, larger or negative values meaning 255) sets a level L = P * 31 / 255.
//
// Each returns true when it drew, false when it drew nothing: the rectangles clip to nothing, P is 0
// where that means "nothing", or source and destination are one surface and the rectangles overlap.
// That last refusal protects every operation with a source except copy (which moves overlapping
// rectangles correctly) and reduce by 2 to 4; the test is made on the rectangles before clipping.
// Callers may ignore the result.
#pragma once

#include "graphics/color.h"
#include "graphics/surface.h"

#include <cstdint>

namespace advplay::graphics {

// Composition methods as scripts number them.
enum class Method : std::int32_t {
    Copy = 0,
    Blend = 1,
    Add = 2,
    Subtract = 3,
    Darken = 4,
    Brighten = 5,
    Alpha = 6,
};

// d = s. Within one surface the rectangles may overlap; the result is as if the source were read
// whole before anything is written.
bool copy(Surface& destination, const Rect& rect, const Surface& source, std::int32_t sx, std::int32_t sy);
// d = s where s is not the key.
bool copy_keyed(Surface& destination, const Rect& rect, const Surface& source, std::int32_t sx,
    std::int32_t sy, ColorRef key);
// d = colour.
bool fill(Surface& destination, const Rect& rect, ColorRef color);
// The whole surface.
bool fill(Surface& destination, ColorRef color);

// P 0: nothing; 1..254: d = F[L][s] + F[31 - L][d]; 255: copy.
bool blend(Surface& destination, const Rect& rect, const Surface& source, std::int32_t sx, std::int32_t sy,
    std::int32_t parameter);
// P 0: nothing; 1..254: d = F[L][colour] + F[31 - L][d]; 255: fill.
bool blend_color(Surface& destination, const Rect& rect, ColorRef color, std::int32_t parameter);
// Where s is not the key, as blend with L = 31 for P >= 255; P exactly 31 is copy_keyed.
bool blend_keyed(Surface& destination, const Rect& rect, const Surface& source, std::int32_t sx,
    std::int32_t sy, ColorRef key, std::int32_t parameter);

// Per channel min(d + s, 31) and max(d - s, 0).
bool add(Surface& destination, const Rect& rect, const Surface& source, std::int32_t sx, std::int32_t sy);
bool add_color(Surface& destination, const Rect& rect, ColorRef color);
bool subtract(
    Surface& destination, const Rect& rect, const Surface& source, std::int32_t sx, std::int32_t sy);
bool subtract_color(Surface& destination, const Rect& rect, ColorRef color);

// P 0: fill black; 1..254: d = F[L][s]; 255: copy.
bool darken(Surface& destination, const Rect& rect, const Surface& source, std::int32_t sx, std::int32_t sy,
    std::int32_t parameter);
// fill with F[L][colour] (P 0: black; 255: the colour).
bool darken_color(Surface& destination, const Rect& rect, ColorRef color, std::int32_t parameter);
// Where s is not the key: P 0: black (a silhouette); 1..254: d = F[L][s]; 255: copy_keyed.
bool darken_keyed(Surface& destination, const Rect& rect, const Surface& source, std::int32_t sx,
    std::int32_t sy, ColorRef key, std::int32_t parameter);

// P 0: copy; 1..254: d = F[L][white] + F[31 - L][s]; 255: fill white.
bool brighten(Surface& destination, const Rect& rect, const Surface& source, std::int32_t sx, std::int32_t sy,
    std::int32_t parameter);
// fill with F[31 - L][colour] + F[L][white] (P 0: the colour; 255: white).
bool brighten_color(Surface& destination, const Rect& rect, ColorRef color, std::int32_t parameter);
// P 0: copy_keyed; otherwise where s is not the key as brighten, with L = 31 for P >= 255 (a white
// silhouette).
bool brighten_keyed(Surface& destination, const Rect& rect, const Surface& source, std::int32_t sx,
    std::int32_t sy, ColorRef key, std::int32_t parameter);

// Weighs each source pixel by its own byte of the source's alpha mask: per channel
// d = floor(d * (32 - w) / 32) + floor(s * w / 32) with w = (alpha * 33) >> 8. Without a mask, copy.
bool composite_alpha(
    Surface& destination, const Rect& rect, const Surface& source, std::int32_t sx, std::int32_t sy);

// Shrinks by `factor`: rect, sx and sy are in destination pixels, and destination pixel (x + j, y + i)
// becomes the per-channel average (rounded down) of the factor x factor source block at
// (factor * (sx + j), factor * (sy + i)); a source pixel that is the key counts as the destination
// pixel. Factor 1 is copy_keyed; factors other than 1 to 4 draw nothing.
bool reduce(Surface& destination, const Rect& rect, const Surface& source, std::int32_t sx, std::int32_t sy,
    ColorRef key, std::int32_t factor);

// The operation behind a method, for a surface source, a colour and a keyed surface (a sprite). False,
// drawing nothing, for a method that does not exist for that kind of source (2, 3 and 6 keyed, 6 with
// a colour, any number outside 0..6).
bool compose(std::int32_t method, Surface& destination, const Rect& rect, const Surface& source,
    std::int32_t sx, std::int32_t sy, std::int32_t parameter);
bool compose_color(
    std::int32_t method, Surface& destination, const Rect& rect, ColorRef color, std::int32_t parameter);
bool compose_keyed(std::int32_t method, Surface& destination, const Rect& rect, const Surface& source,
    std::int32_t sx, std::int32_t sy, ColorRef key, std::int32_t parameter);

} // namespace advplay::graphics
