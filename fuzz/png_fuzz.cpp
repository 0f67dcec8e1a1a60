// Fuzz target: the PNG path, libpng with the decoder's transformations and refusals, then the
// conversion to RGB555 with its alpha mask.
#include "graphics/picture_decoders.h"
#include "platform/codecs/host_image_codecs.h"

#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    advplay::platform::HostImageCodecs codecs;
    advplay::graphics::Surface surface;
    if (!advplay::graphics::decode_png(surface, { data, size }, &codecs))
        return 0;
    if (!advplay::platform::picture_size_allowed(surface.width(), surface.height()) || surface.width() <= 0)
        __builtin_trap();
    // The alpha mask is as large as the picture: touching its last byte must be fine.
    if (const std::uint8_t* mask = surface.alpha_mask()) {
        volatile std::uint8_t last = mask[static_cast<std::size_t>(surface.width()) * surface.height() - 1];
        (void)last;
    }
    return 0;
}
