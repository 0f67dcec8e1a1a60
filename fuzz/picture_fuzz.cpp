// Fuzz target: load_picture on any file, so the input reaches every decoder in turn (BMP, K16, PNG,
// GIF, and the general loader's top-down BMP, icon and cursor, GIF, JPEG and PNG readers), each with
// the host's codecs and no plug-ins.
#include "memory_files.h"

#include "graphics/picture_decoders.h"
#include "platform/codecs/host_image_codecs.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    advplay::fuzz::MemoryFiles files;
    files.add("picture", std::string_view(reinterpret_cast<const char*>(data), size));
    advplay::platform::HostImageCodecs codecs;
    advplay::graphics::PictureSources const sources { files, &codecs, {} };
    advplay::graphics::Surface surface;
    if (!advplay::graphics::load_picture(surface, sources, "picture"))
        return 0;
    if (!advplay::platform::picture_size_allowed(surface.width(), surface.height()) || surface.width() < 0
        || surface.height() < 0)
        __builtin_trap();
    if (surface.width() > 0 && surface.height() > 0) {
        // Every row and the alpha mask are as large as the picture: touching their last bytes must be
        // fine.
        volatile advplay::graphics::Pixel last = surface.row(surface.height() - 1)[surface.width() - 1];
        (void)last;
        if (const std::uint8_t* mask = surface.alpha_mask()) {
            volatile std::uint8_t last_alpha
                = mask[static_cast<std::size_t>(surface.width()) * surface.height() - 1];
            (void)last_alpha;
        }
    }
    return 0;
}
