// Fuzz target: the BMP decoder on a whole file, and the DIB converter drawing the same bytes as a
// BITMAPINFO and as pixel data onto a surface of a fixed size (RLE codes, masks and palettes that
// run anywhere, bitmaps larger and smaller than the surface).
#include "graphics/dib.h"
#include "graphics/picture_decoders.h"
#include "platform/image_codecs.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

using namespace advplay::graphics;

// Every pixel leaves bit 15 clear, and a picture stays within the size limits.
void check(const Surface& surface)
{
    if (!advplay::platform::picture_size_allowed(surface.width(), surface.height()))
        __builtin_trap();
    for (std::int32_t y = 0; y < surface.height(); ++y) {
        for (std::int32_t x = 0; x < surface.width(); ++x) {
            if (surface.at(x, y) & 0x8000)
                __builtin_trap();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::span<const std::uint8_t> const input(data, size);
    Surface surface;
    if (decode_bmp(surface, input))
        check(surface);

    Surface fixed;
    if (!fixed.create(13, 7))
        __builtin_trap();
    // The first bytes are the BITMAPINFO; the pixel data starts where its first byte says.
    std::size_t const split = size > 0 ? std::min<std::size_t>(data[0], size) : 0;
    (void)draw_dib(fixed, input, input.subspan(split));
    check(fixed);
    if (size >= 2)
        (void)draw_bgra(
            fixed, static_cast<std::int8_t>(data[0]), static_cast<std::int8_t>(data[1]), input.subspan(2));
    check(fixed);
    return 0;
}
