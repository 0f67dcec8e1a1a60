// PNG files read from memory through libpng, with the transformations and refusals the picture
// decoder needs.
#pragma once

#include "platform/image_codecs.h"

#include <cstdint>
#include <span>

namespace advplay::platform {

// See ImageCodecs::decode_png for the transformations and what is refused.
[[nodiscard]] bool read_png(std::span<const std::uint8_t> file, PictureSink& sink);

} // namespace advplay::platform
