// Fuzz target: probing a picture file's format and size from its header.
#include "platform/picture_probe.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (auto const probe = advplay::platform::probe_picture({ data, size })) {
        if (probe->width < 0 || probe->height < 0)
            __builtin_trap();
    }
    return 0;
}
