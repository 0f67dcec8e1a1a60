// Fuzz target: cursor files, from the icon directory through the chosen image's DIB and its masks
// to the pixels the platform's cursor is made of.
#include "app/cursor_file.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto const cursor = advplay::app::decode_cursor({ data, size });
    if (!cursor)
        return 0;
    // A cursor is a whole picture of the size it claims, and its hot spot is a point of it.
    if (cursor->width <= 0 || cursor->height <= 0 || cursor->width > 256 || cursor->height > 256
        || cursor->pixels.size() != static_cast<std::size_t>(cursor->width) * cursor->height)
        __builtin_trap();
    if (cursor->hot_x < 0 || cursor->hot_y < 0)
        __builtin_trap();
    return 0;
}
