// JPEG files read from memory through libjpeg-turbo.
#pragma once

#include "platform/image_codecs.h"

#include <cstdint>
#include <span>

namespace advplay::platform {

// Decodes a baseline or progressive JPEG, colour or grey, to RGB with the library's default
// (accurate) DCT and upsampling. Refused, before anything is allocated: a picture of no size or
// beyond the size limits, four-component (CMYK) pictures, and a file with more scans than any real
// picture has. Errors the library reports end the decoding with a refusal (never the process); its
// warnings are ignored, as the system's loader ignored them.
[[nodiscard]] bool read_jpeg(std::span<const std::uint8_t> file, PictureSink& sink);

} // namespace advplay::platform
