// Fuzz target: the K16 decoder on a whole file.
#include "graphics/picture_decoders.h"
#include "platform/image_codecs.h"

#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    advplay::graphics::Surface surface;
    if (!advplay::graphics::decode_k16(surface, { data, size }))
        return 0;
    if (!advplay::platform::picture_size_allowed(surface.width(), surface.height()))
        __builtin_trap();
    for (std::int32_t y = 0; y < surface.height(); ++y) {
        for (std::int32_t x = 0; x < surface.width(); ++x) {
            if (surface.at(x, y) & 0x8000)
                __builtin_trap();
        }
    }
    return 0;
}
